// Commands of the relevé groups: the synoptic table and the sort by diagnostic
// species, with the options dialog answered by --threshold and --fisher.
#include "analysis/synoptic.h"
#include "analysis/twinspan_table.h"
#include "app/session/batch.h"
#include "platform/error.h"
#include "text/sjis.h"

namespace tamsel {

namespace {

// The options dialog answered: a field not named keeps the text it shows.
void answerOptions(BatchContext& c, ArgReader& in, const char* name) {
    BatchUi::FieldsAnswer answer(2);
    while (auto opt = in.nextOption()) {
        if (*opt == "--threshold")
            answer[0] = fromUtf8(in.next("--threshold T"));
        else if (*opt == "--fisher")
            answer[1] = fromUtf8(in.next("--fisher P"));
        else
            ArgReader::unknownOption(name, *opt);
    }
    c.ui.fieldsAnswers.push_back(answer);
}

// twinspan's options, each into its dialog field; an option named twice keeps the last.
void runTwinspanCommand(BatchContext& c, ArgReader& in) {
    using T = TwinspanOptionTexts;
    T texts;
    std::optional<std::string> report;
    const std::array<std::string, T::FieldCount> names{
        "--cuts", "--levels", "--group-min", "--indicators", "--clusters", "--heterogeneity"};
    while (auto opt = in.nextOption()) {
        if (*opt == "--report") {
            report = in.next("--report FILE");
            continue;
        }
        int field = -1;
        for (int f = 0; f < T::FieldCount; ++f)
            if (*opt == names[f]) field = f;
        if (field < 0) ArgReader::unknownOption("twinspan", *opt);
        texts.text[field] = fromUtf8(in.next(*opt + " VALUE"));
    }
    const TwinspanOptions o = parseTwinspanOptions(texts, names);
    auto run = classifyTable(c.session.table, c.ui, o);
    if (run && report) saveTwinspanReport(*report, run->report);
}

}  // namespace

void registerAnalysisCommands(std::vector<BatchCommand>& reg) {
    reg.push_back({.name = "synoptic",
                   .usage = "FILE [--threshold T] [--fisher P]",
                   .help =
                       "総合常在度表を出力: constancy and fidelity (phi) per relevé group as CSV; "
                       "diagnostic at phi x 100 >= T (25), and Fisher p < P if given",
                   .run =
                       [](BatchContext& c, ArgReader& in) {
                           std::string path = in.next("FILE");
                           answerOptions(c, in, "synoptic");
                           c.ui.fileAnswers.push_back(path);
                           Item_SynopticClick(c.session.table, c.ui);
                       },
                   .item = "Item_Synoptic",
                   .caption = "総合常在度表を出力(&Y)",
                   .place = {"Menu_Tool", 54, true},
                   .click = [](Session& s, Ui& ui) { Item_SynopticClick(s.table, ui); }});
    reg.push_back({.name = "sort-fidelity",
                   .usage = "[--threshold T] [--fisher P]",
                   .help = "識別種順に並び替え: species rows as diagonal blocks of each group's "
                           "diagnostic species, then the others by frequency",
                   .run =
                       [](BatchContext& c, ArgReader& in) {
                           answerOptions(c, in, "sort-fidelity");
                           Item_SortFidelityClick(c.session.table, c.ui);
                       },
                   .item = "Item_SortFidelity",
                   .caption = "識別種順に並び替え(&G)",
                   .place = {"Menu_Tool", 56},
                   .click = [](Session& s, Ui& ui) { Item_SortFidelityClick(s.table, ui); }});
    reg.push_back(
        {.name = "twinspan",
         .usage = "[--cuts 0,2,5,10,20] [--levels 6] [--group-min 5] [--indicators 7] "
                  "[--clusters G] [--heterogeneity inertia|whittaker|sorensen|jaccard] "
                  "[--report FILE]",
         .help = "TWINSPAN で群に分ける: relevé columns into TWINSPAN's groups (one empty "
                 "column between them) and two-way order; with --clusters the modified "
                 "TWINSPAN into G groups; --report saves the report",
         .run = runTwinspanCommand,
         .item = "Item_Twinspan",
         .caption = "TWINSPAN で群に分ける(&W)",
         .place = {"Menu_Tool", 55},
         .click = [](Session& s, Ui& ui) { Item_TwinspanClick(s.table, ui, s.twinspanOptions); }});
}

}  // namespace tamsel

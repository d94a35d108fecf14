// Commands of the relevé groups: the synoptic table and the sort by diagnostic
// species, with the options dialog answered by --threshold and --fisher.
#include <array>
#include <vector>

#include "analysis/synoptic.h"
#include "analysis/twinspan_table.h"
#include "app/session/batch.h"
#include "platform/error.h"
#include "text/sjis.h"

namespace tamsel {

namespace {

const std::array<std::string, TwinspanOptionTexts::FieldCount> TwinspanOptionNames{
    "--cuts",     "--levels",        "--group-min", "--indicators",
    "--clusters", "--heterogeneity", "--layers"};

// The window asks for the options in a dialog that keeps them for next time; the
// command line gives each as an option (an option named twice keeps the last), and
// --report saves the report without showing it.
void runTwinspan(CommandCall& c) {
    if (c.interactive()) {
        Item_TwinspanClick(c.session.table, c.ui, c.session.twinspanOptions);
        return;
    }
    TwinspanOptionTexts texts;
    for (int f = 0; f < TwinspanOptionTexts::FieldCount; ++f)
        if (auto v = c.args.option(TwinspanOptionNames[f])) texts.text[f] = fromUtf8(*v);
    const TwinspanOptions o = parseTwinspanOptions(texts, TwinspanOptionNames);
    auto run = classifyTable(c.session.table, c.ui, o);
    if (auto report = c.args.option("--report"); run && report)
        saveTwinspanReport(*report, run->report);
}

// The options dialog's fields (threshold, Fisher level) as options.
std::vector<Arg> groupOptions(std::vector<Arg> args = {}) {
    args.push_back({.name = "--threshold", .kind = Arg::Kind::Field, .value = "T", .field = 0});
    args.push_back({.name = "--fisher", .kind = Arg::Kind::Field, .value = "P", .field = 1});
    return args;
}

std::vector<Arg> twinspanArgs() {
    const char* const shown[] = {
        "0,2,5,10,20", "6", "5", "7", "G", "inertia|whittaker|sorensen|jaccard", "sum|independent"};
    std::vector<Arg> args;
    for (int f = 0; f < TwinspanOptionTexts::FieldCount; ++f)
        args.push_back(
            {TwinspanOptionNames[f], Arg::Kind::Text, shown[f], TwinspanOptionNames[f] + " VALUE"});
    args.push_back({"--report", Arg::Kind::Path, "FILE"});
    return args;
}

}  // namespace

void registerAnalysisCommands(std::vector<Command>& reg) {
    reg.push_back({.name = "synoptic",
                   .args = groupOptions({{"FILE", Arg::Kind::File}}),
                   .help =
                       "総合常在度表を出力: constancy and fidelity (phi) per relevé group as CSV; "
                       "diagnostic at phi x 100 >= T (25), and Fisher p < P if given",
                   .item = "Item_Synoptic",
                   .caption = "総合常在度表を出力(&Y)",
                   .place = {"Menu_Tool", 54, true},
                   .handler = [](CommandCall& c) { Item_SynopticClick(c.session.table, c.ui); }});
    reg.push_back(
        {.name = "sort-fidelity",
         .args = groupOptions(),
         .help = "識別種順に並び替え: species rows as diagonal blocks of each group's "
                 "diagnostic species, then the others by frequency",
         .item = "Item_SortFidelity",
         .caption = "識別種順に並び替え(&G)",
         .place = {"Menu_Tool", 56},
         .handler = [](CommandCall& c) { Item_SortFidelityClick(c.session.table, c.ui); }});
    reg.push_back({.name = "twinspan",
                   .args = twinspanArgs(),
                   .help =
                       "TWINSPAN で群に分ける: relevé columns into TWINSPAN's groups (one empty "
                       "column between them) and two-way order; with --clusters the modified "
                       "TWINSPAN into G groups; --report saves the report",
                   .item = "Item_Twinspan",
                   .caption = "TWINSPAN で群に分ける(&W)",
                   .place = {"Menu_Tool", 55},
                   .handler = runTwinspan});
}

}  // namespace tamsel

// Commands of the relevé groups: the synoptic table and the sort by diagnostic
// species, with the options dialog answered by --threshold and --fisher.
#include <array>
#include <vector>

#include "analysis/cocktail.h"
#include "analysis/definitions.h"
#include "analysis/optimclass.h"
#include "analysis/synoptic.h"
#include "analysis/twinspan_table.h"
#include "app/session/analysis_commands.h"
#include "app/session/batch.h"
#include "io/safe_file.h"
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

// TWINSPAN's options; the command itself has --clusters and --report too.
std::vector<Arg> twinspanArgs(bool twinspanItself = true) {
    const char* const shown[] = {
        "0,2,5,10,20", "6", "5", "7", "G", "inertia|whittaker|sorensen|jaccard", "sum|independent"};
    std::vector<Arg> args;
    for (int f = 0; f < TwinspanOptionTexts::FieldCount; ++f)
        if (twinspanItself || f != TwinspanOptionTexts::Clusters)
            args.push_back({TwinspanOptionNames[f], Arg::Kind::Text, shown[f],
                            TwinspanOptionNames[f] + " VALUE"});
    if (twinspanItself) args.push_back({"--report", Arg::Kind::Path, "FILE"});
    return args;
}

// TWINSPAN's options as the command line gives them (the clusters left out).
TwinspanOptions twinspanOptionsOf(const CommandArgs& args) {
    TwinspanOptionTexts texts;
    for (int f = 0; f < TwinspanOptionTexts::FieldCount; ++f)
        if (f != TwinspanOptionTexts::Clusters)
            if (auto v = args.option(TwinspanOptionNames[f])) texts.text[f] = fromUtf8(*v);
    return parseTwinspanOptions(texts, TwinspanOptionNames);
}

// The window shows the report; the command line saves it with --report.
void runAssignUnits(CommandCall& c) {
    if (c.interactive()) {
        Item_AssignUnitsClick(c.session.table, c.ui);
        return;
    }
    auto report = assignUnitsChosen(c.session.table, c.ui);
    if (auto path = c.args.option("--report"); report && path) writeFileSafely(*path, *report);
}

// The window takes TWINSPAN's options as its dialog last left them.
void runOptimClass(CommandCall& c) {
    const TwinspanOptions tw =
        c.interactive() ? parseTwinspanOptions(c.session.twinspanOptions, twinspanDialogLabels())
                        : twinspanOptionsOf(c.args);
    Item_OptimClassClick(c.session.table, c.ui, tw);
}

std::vector<Arg> optimClassArgs() {
    std::vector<Arg> args = twinspanArgs(false);
    args.insert(args.begin(), {"FILE", Arg::Kind::File});
    args.push_back({.name = "--max-groups", .kind = Arg::Kind::Field, .value = "K", .field = 0});
    args.push_back({.name = "--p", .kind = Arg::Kind::Field, .value = "P", .field = 1});
    args.push_back({.name = "--min-faithful", .kind = Arg::Kind::Field, .value = "N", .field = 2});
    return args;
}

}  // namespace

void registerAnalysisCommands(std::vector<Command>& reg) {
    std::vector<Arg> synopticArgs = groupOptions({{"FILE", Arg::Kind::File}});
    synopticArgs.push_back({.name = "--indval", .kind = Arg::Kind::Flag, .field = 2});
    synopticArgs.push_back(layersArg());
    reg.push_back(
        {.name = "synoptic",
         .args = synopticArgs,
         .help = "総合常在度表を出力: constancy and fidelity (phi) per relevé group as CSV; "
                 "diagnostic at phi x 100 >= T (25), and Fisher p < P if given; --indval "
                 "adds IndVal's A, B, IndVal and IndVal.g per group (--layers: how A "
                 "merges a species' layers)",
         .item = "Item_Synoptic",
         .caption = "総合常在度表を出力(&Y)",
         .place = {"Menu_Tool", 54, true},
         .handler = [](CommandCall& c) { Item_SynopticClick(c.session.table, c.ui, layers(c)); }});
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
    reg.push_back({.name = "optimclass",
                   .args = optimClassArgs(),
                   .help =
                       "OptimClass で群の数を選ぶ: per partition (modified TWINSPAN into 2 .. K "
                       "(10) groups, TWINSPAN's levels) the species faithful to a group "
                       "(one-sided Fisher P <= P (0.001)) and the groups with at least N (3) "
                       "of them, as CSV",
                   .item = "Item_OptimClass",
                   .caption = "OptimClass で群の数を選ぶ(&K)",
                   .place = {"Menu_Tool", 57},
                   .handler = runOptimClass});
    reg.push_back({.name = "cocktail",
                   .args = {{"FILE", Arg::Kind::File}},
                   .help = "Cocktail 法で種群を作る: species merged step by step into "
                           "sociological groups by phi (presences), each merge with its k, m "
                           "and relevés as CSV",
                   .item = "Item_Cocktail",
                   .caption = "Cocktail 法で種群を作る…",
                   .place = {"Menu_Tool", 58},
                   .handler = [](CommandCall& c) { Item_CocktailClick(c.session.table, c.ui); }});
    reg.push_back({.name = "assign-units",
                   .args = {{"FILE", Arg::Kind::File}, {"--report", Arg::Kind::Path, "R"}},
                   .help = "定義で群に分ける: relevé columns into the units of a definitions "
                           "file (groups of species, formulas), in file order, one empty "
                           "column between them; --report saves m, counts and overlaps",
                   .item = "Item_AssignUnits",
                   .caption = "定義で群に分ける…",
                   .place = {"Menu_Tool", 59},
                   .handler = runAssignUnits});
    reg.push_back(
        {.item = "Item_EditDefinitions",
         .caption = "定義ファイルを編集…",
         .place = {"Menu_Tool", 59},
         .handler = [](CommandCall& c) { Item_EditDefinitionsClick(c.session.table, c.ui); }});
}

}  // namespace tamsel

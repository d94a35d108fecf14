// Commands of the exchange exports (the "データ交換" submenu of the file menu):
// Cornell condensed, the long table, the relevé statistics, the indicator
// means and Beals smoothing, each with its dialogs answered by the arguments.
#include <functional>

#include "analysis/beals.h"
#include "app/session/analysis_commands.h"
#include "app/session/batch.h"
#include "app/session/output_commands.h"
#include "output/exchange.h"
#include "platform/error.h"
#include "text/sjis.h"

namespace tamsel {

namespace {

const char* const Submenu = "データ交換";

void checkValues(const std::string& v) {
    if (v != "percent" && v != "ordinal")
        throw Error(msg("--values は percent か ordinal です: %1", fromUtf8(v)));
}

void checkNames(const std::string& v) {
    if (v != "table" && v != "codes")
        throw Error(msg("--names は table か codes です: %1", fromUtf8(v)));
}

// The window has an item for each kind of values; the command line chooses by --values.
void cornell(CommandCall& c, CornellValues values) {
    if (c.args.option("--values") == "ordinal") values = CornellValues::Ordinal;
    const CornellNames names =
        c.args.option("--names") == "codes" ? CornellNames::Codes : CornellNames::Table;
    Item_CornellClick(c.session.table, c.ui, values, names, layers(c));
}

using Export = void (*)(const TableState&, Ui&, LayerMerge);
std::function<void(CommandCall&)> exportMerged(Export command) {
    return [command](CommandCall& c) { command(c.session.table, c.ui, layers(c)); };
}

}  // namespace

namespace {

void checkLayers(const std::string& v) {
    if (!layerMergeNamed(v))
        throw Error(msg("--layers は sum か independent です: %1", fromUtf8(v)));
}

}  // namespace

LayerMerge layers(const CommandCall& c) {
    if (auto v = c.args.option("--layers")) return *layerMergeNamed(*v);
    return c.session.table.layerMerge;
}

Arg layersArg() {
    return {"--layers", Arg::Kind::Text, "sum|independent", {}, checkLayers};
}

void registerExchangeCommands(std::vector<Command>& reg) {
    using K = Arg::Kind;
    reg.push_back({.name = "cornell",
                   .args = {{"FILE", K::File},
                            {"--values", K::Text, "percent|ordinal", {}, checkValues},
                            {"--names", K::Text, "table|codes", {}, checkNames},
                            layersArg()},
                   .help =
                       "Cornell形式: write the table in Cornell condensed format (CANOCO, vegan, "
                       "JUICE, TWINSPAN), values as percent cover or van der Maarel ordinal; "
                       "--names codes: ASCII names S0001.., R0001.. with FILE-names.csv beside it",
                   .item = "Item_CornellPercent",
                   .caption = "Cornell形式、被度%(&C)",
                   .place = {"Menu_File", 72, false, Submenu},
                   .handler = [](CommandCall& c) { cornell(c, CornellValues::Percent); }});
    reg.push_back({.item = "Item_CornellOrdinal",
                   .caption = "Cornell形式、序数値(&O)",
                   .place = {"Menu_File", 73, false, Submenu},
                   .handler = [](CommandCall& c) { cornell(c, CornellValues::Ordinal); }});
    reg.push_back({.name = "long-csv",
                   .args = {{"FILE", K::File}, layersArg()},
                   .help = "ロング形式CSV: one line per relevé, species and layer with its cover "
                           "(--layers independent: one per relevé and species)",
                   .item = "Item_LongTable",
                   .caption = "ロング形式CSV(&L)",
                   .place = {"Menu_File", 74, false, Submenu},
                   .handler = exportMerged(Item_LongTableClick)});
    reg.push_back({.name = "releve-stats",
                   .args = {{"FILE", K::File}, layersArg()},
                   .help = "測定ごとの統計: species number, cover sum, Shannon, Simpson and "
                           "evenness per relevé as CSV",
                   .item = "Item_ReleveStats",
                   .caption = "測定ごとの統計(&S)",
                   .place = {"Menu_File", 75, false, Submenu},
                   .handler = exportMerged(Item_ReleveStatsClick)});
    // The values file is asked for first, then the file written.
    reg.push_back({.name = "indicator-means",
                   .args = {{.name = "FILE", .kind = K::File, .dialog = 2},
                            {.name = "--values",
                             .kind = K::File,
                             .value = "VALUES.csv",
                             .dialog = 1,
                             .required = true},
                            layersArg()},
                   .help = "指標値の平均: per relevé the plain and the cover-weighted mean of "
                           "the species' values (VALUES.csv: species name,value)",
                   .item = "Item_IndicatorMeans",
                   .caption = "指標値の平均(&I)",
                   .place = {"Menu_File", 76, false, Submenu},
                   .handler = exportMerged(Item_IndicatorMeansClick)});
    // The window has an item for each way of counting; the command line has --exclude-self.
    auto beals = [](bool excludeSelf) {
        return [excludeSelf](CommandCall& c) {
            Item_BealsClick(c.session.table, c.ui, excludeSelf || c.args.has("--exclude-self"));
        };
    };
    reg.push_back({.name = "beals",
                   .args = {{"FILE", K::File}, {"--exclude-self", K::Flag}},
                   .help = "Beals 平滑化: per relevé the Beals value of every species as CSV "
                           "(presences); --exclude-self leaves a species out of its own value",
                   .item = "Item_Beals",
                   .caption = "Beals 平滑化(&B)",
                   .place = {"Menu_File", 77, false, Submenu},
                   .handler = beals(false)});
    reg.push_back({.item = "Item_BealsExcludeSelf",
                   .caption = "Beals 平滑化、自身を除く(&E)",
                   .place = {"Menu_File", 78, false, Submenu},
                   .handler = beals(true)});
}

}  // namespace tamsel

// Commands of the exchange exports (the "データ交換" submenu of the file menu):
// Cornell condensed, the long table, the relevé statistics and the indicator
// means, each with its dialogs answered by the arguments.
#include "app/session/batch.h"
#include "output/exchange.h"
#include "platform/error.h"
#include "text/sjis.h"

namespace tamsel {

namespace {

const char* const Submenu = "データ交換";

void cornell(BatchContext& c, ArgReader& in) {
    std::string path = in.next("FILE");
    CornellValues values = CornellValues::Percent;
    while (auto opt = in.nextOption()) {
        if (*opt != "--values") ArgReader::unknownOption("cornell", *opt);
        std::string v = in.next("--values percent|ordinal");
        if (v == "percent")
            values = CornellValues::Percent;
        else if (v == "ordinal")
            values = CornellValues::Ordinal;
        else
            throw Error(msg("--values は percent か ordinal です: %1", fromUtf8(v)));
    }
    c.ui.fileAnswers.push_back(path);
    Item_CornellClick(c.session.table, c.ui, values);
}

void indicatorMeans(BatchContext& c, ArgReader& in) {
    std::string path = in.next("FILE");
    std::optional<std::string> values;
    while (auto opt = in.nextOption()) {
        if (*opt != "--values") ArgReader::unknownOption("indicator-means", *opt);
        values = in.next("--values VALUES.csv");
    }
    if (!values) throw Error(sj("indicator-means には --values VALUES.csv が要ります"));
    c.ui.fileAnswers.push_back(*values);
    c.ui.fileAnswers.push_back(path);
    Item_IndicatorMeansClick(c.session.table, c.ui);
}

void fileExport(BatchContext& c, ArgReader& in, void (*command)(const TableState&, Ui&)) {
    c.ui.fileAnswers.push_back(in.next("FILE"));
    command(c.session.table, c.ui);
}

}  // namespace

void registerExchangeCommands(std::vector<BatchCommand>& reg) {
    reg.push_back({.name = "cornell",
                   .usage = "FILE [--values percent|ordinal]",
                   .help =
                       "Cornell形式: write the table in Cornell condensed format (CANOCO, vegan, "
                       "JUICE, TWINSPAN), values as percent cover or van der Maarel ordinal",
                   .run = cornell,
                   .item = "Item_CornellPercent",
                   .caption = "Cornell形式、被度%(&C)",
                   .place = {"Menu_File", 72, false, Submenu},
                   .click = [](Session& s, Ui& ui) {
                       Item_CornellClick(s.table, ui, CornellValues::Percent);
                   }});
    reg.push_back({.item = "Item_CornellOrdinal",
                   .caption = "Cornell形式、序数値(&O)",
                   .place = {"Menu_File", 73, false, Submenu},
                   .click = [](Session& s, Ui& ui) {
                       Item_CornellClick(s.table, ui, CornellValues::Ordinal);
                   }});
    reg.push_back(
        {.name = "long-csv",
         .usage = "FILE",
         .help = "ロング形式CSV: one line per relevé, species and layer with its cover",
         .run = [](BatchContext& c, ArgReader& in) { fileExport(c, in, Item_LongTableClick); },
         .item = "Item_LongTable",
         .caption = "ロング形式CSV(&L)",
         .place = {"Menu_File", 74, false, Submenu},
         .click = [](Session& s, Ui& ui) { Item_LongTableClick(s.table, ui); }});
    reg.push_back(
        {.name = "releve-stats",
         .usage = "FILE",
         .help = "測定ごとの統計: species number, cover sum, Shannon, Simpson and evenness "
                 "per relevé as CSV",
         .run = [](BatchContext& c, ArgReader& in) { fileExport(c, in, Item_ReleveStatsClick); },
         .item = "Item_ReleveStats",
         .caption = "測定ごとの統計(&S)",
         .place = {"Menu_File", 75, false, Submenu},
         .click = [](Session& s, Ui& ui) { Item_ReleveStatsClick(s.table, ui); }});
    reg.push_back({.name = "indicator-means",
                   .usage = "FILE --values VALUES.csv",
                   .help = "指標値の平均: per relevé the plain and the cover-weighted mean of "
                           "the species' values (VALUES.csv: species name,value)",
                   .run = indicatorMeans,
                   .item = "Item_IndicatorMeans",
                   .caption = "指標値の平均(&I)",
                   .place = {"Menu_File", 76, false, Submenu},
                   .click = [](Session& s, Ui& ui) { Item_IndicatorMeansClick(s.table, ui); }});
}

}  // namespace tamsel

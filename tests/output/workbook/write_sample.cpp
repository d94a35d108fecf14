// Writes the sample workbook that check_workbook.py and calc_csv.py read back:
// write_sample OUT.xlsx. A table whose texts look like numbers and dates, with
// apostrophes, quotes, commas, double-byte and control characters, an empty
// relevé, a comment row and species in one and in two layers.
#include <cstdio>

#include "output/excel_output.h"
#include "platform/batch/batch_ui.h"
#include "platform/xlsx/workbook_server.h"
#include "support/small_table.h"
#include "support/table_fields.h"
#include "text/sjis.h"

int main(int argc, char** argv) {
    using namespace tamsel;
    using namespace tamsel::testing;
    if (argc != 2) {
        std::fprintf(stderr, "usage: write_sample OUT.xlsx\n");
        return 2;
    }
    BatchUi ui;
    TableState t;
    startBlankTable(t, ui);
    t.model.setTitle(sj("'89 植生, \"調査\""));
    for (auto& box : t.print.PrintItemBoxes) box.checked = false;
    for (int item : {1, 2, 3, 7, 8}) t.print.PrintItemBoxes[item].checked = true;
    for (int j = 0; j < 3; ++j) addReleveColumn(t);
    setHeader(t, 1, 2, " 101    ");
    setHeader(t, 3, 2, " 103    ");
    setHeader(t, 1, 3, sj("富士山  "));
    setHeader(t, 3, 3, "A,\"b\"  ");
    setHeader(t, 1, 7, "1-2");
    setHeader(t, 3, 7, "3/4");
    setHeader(t, 1, 8, "  38");
    setHeader(t, 3, 8, "1e3");
    setHeader(t, 2, 2, "-1.5");
    setHeader(t, 2, 3, "1.2.3");
    setHeader(t, 2, 7, "5236-12");
    setHeader(t, 2, 8, " +.5 ");
    std::int32_t abies = addTableRow(t, "Abies firma");
    addTableRow(t, sj("コメント行") + "\x82");  // a lead byte without its pair
    std::int32_t quote = addTableRow(t, "'Quote");
    std::int32_t carex = addTableRow(t, "Carex");
    // The model takes no control character; a loaded table may still hold one.
    std::int32_t bad = addTableRow(t, "Bad name");
    editGrid(t.model, [&](Grid& g) {
        g.setCell(TableLayout::NameCol, layoutOf(t).speciesRow(bad), "Bad\x01name");
    });
    setCodes(t, 1, abies, {23, 0, 0, 0, 10, 0, 0});
    setCodes(t, 1, quote, {0, 0, 0, 0, 5, 0, 0});
    setCodes(t, 3, abies, {0, 0, 0, 0, 7, 0, 0});
    setCodes(t, 3, carex, {0, 0, 0, 0, 1, 0, 0});
    setCodes(t, 3, bad, {0, 0, 0, 0, 0, 0, 55});

    ServerRegistry servers;
    addWorkbookServer(servers);
    try {
        writeExcelFile(t, ui, servers, {1, t.model.speciesCount(), true}, argv[1]);
    } catch (const Error& e) {
        std::fprintf(stderr, "error: %s\n", toUtf8(e.what()).c_str());
        return 1;
    }
    for (const std::string& m : ui.messages)
        std::fprintf(stderr, "message: %s\n", toUtf8(m).c_str());
    return ui.messages.empty() ? 0 : 1;
}

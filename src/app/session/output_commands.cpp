#include "app/session/output_commands.h"

#include "app/session/open_dialog.h"
#include "app/session/save_dialog.h"
#include "output/csv_exports.h"
#include "output/printer_output.h"
#include "output/text_file.h"
#include "platform/printer.h"
#include "table/dialog_filters.h"
#include "table/editing.h"
#include "table/frequency.h"
#include "text/sjis.h"

namespace tamsel {

void Item_TextFileClick(TableState& t, PrintPanel& p, Ui& ui) {
    p.target = OutputTarget::TextFile;
    Get_PrintItems(t, p, ui);
}

void Item_ExcelFileClick(TableState& t, PrintPanel& p, Ui& ui) {
    p.target = OutputTarget::Spreadsheet;
    Get_PrintItems(t, p, ui);
}

void Item_PrintTableClick(TableState& t, PrintPanel& p, Ui& ui) {
    p.target = OutputTarget::Printer;
    Get_PrintItems(t, p, ui);
}

void Item_PrintSetupClick(Ui& ui) {
    ui.printerSetupDialog();
}

void BtnToPrintClick(TableState& t, PrintPanel& p, Ui& ui) {
    // The title goes into every later table file, which cannot hold line breaks.
    setTableTitle(t, p.EditTitle);
    p.visible = false;
    switch (p.target) {
        case OutputTarget::TextFile:
            Output_TextFile(t, p, ui);
            break;
        case OutputTarget::Spreadsheet:
            Output_ExcelFile(t, p, ui);
            break;
        case OutputTarget::Printer:
            OutPut_Printer(t, p, ui);
            break;
    }
}

void BtnCancelPrintClick(PrintPanel& p) {
    p.visible = false;
}

void Output_TextFile(TableState& t, const PrintPanel& p, Ui& ui) {
    const std::uint16_t from = rangeValue(p.PN1, "植物の出力範囲（始め）");
    const std::uint16_t to = rangeValue(p.PN2, "植物の出力範囲（終り）");
    recount(t, ui);
    exportToFile(t, ui, TextFilter, ".txt", ".txt",
                 [&](const std::string& path) { writeTextFile(t, p, path, from, to); });
}

void Output_ExcelFile(TableState& t, Ui& ui, Dispatcher& d, const ExcelOutputOptions& o) {
    checkSheetLimits(t, o);  // before the user picks a name for nothing
    auto path = askOutputFile(t, ui, SpreadsheetFilter, ".xlsx", ".xlsx");
    if (!path) return;
    writeExcelFile(t, ui, d, o, *path);
    reportWritten(ui, *path);
}

void Output_ExcelFile(TableState& t, const PrintPanel& p, Ui& ui) {
    ExcelOutputOptions o;
    o.fromPlant = rangeValue(p.PN1, "PN1");
    o.toPlant = rangeValue(p.PN2, "PN2");
    o.withFrequency = p.ChkBoxfq;
    o.clean = p.cleanSheet;
    Output_ExcelFile(t, ui, ui.automation(), o);
}

void OutPut_Printer(TableState& t, const PrintPanel& p, Ui& ui) {
    const std::uint16_t from = rangeValue(p.PN1, "植物の出力範囲（始め）");
    const std::uint16_t to = rangeValue(p.PN2, "植物の出力範囲（終り）");
    std::unique_ptr<PrinterSurface> surface = ui.printDialog();
    if (!surface) return;
    OutPut_Printer(t, p, ui, *surface, from, to);
}

void Item_PCordCSVClick(const TableState& t, Ui& ui) {
    exportToFile(t, ui, CsvFilter, ".csv", "-pcm.csv",
                 [&](const std::string& path) { savePCord(t, path); });
}

void Item_ValueMatrixClick(const TableState& t, Ui& ui) {
    exportToFile(t, ui, CsvFilter, ".csv", "-vm.csv",
                 [&](const std::string& path) { saveValueMatrix(t, path); });
}

void Item_PlotDataClick(const TableState& t, Ui& ui) {
    exportToFile(t, ui, CsvFilter, ".csv", "-plot.csv",
                 [&](const std::string& path) { savePlotData(t, path); });
}

void Item_CornellClick(const TableState& t, Ui& ui, CornellValues values, CornellNames names,
                       LayerMerge merge) {
    exportToFile(t, ui, CornellFilter, ".cep", ".cep",
                 [&](const std::string& path) { saveCornell(t, path, values, names, merge); });
}

void Item_LongTableClick(const TableState& t, Ui& ui, LayerMerge merge) {
    exportToFile(t, ui, CsvFilter, ".csv", "-long.csv",
                 [&](const std::string& path) { saveLongTable(t, path, merge); });
}

void Item_ReleveStatsClick(const TableState& t, Ui& ui, LayerMerge merge) {
    exportToFile(t, ui, CsvFilter, ".csv", "-stats.csv",
                 [&](const std::string& path) { saveReleveStats(t, path, merge); });
}

void Item_IndicatorMeansClick(const TableState& t, Ui& ui, LayerMerge merge) {
    // The values are read before the output is asked for, so a faulty file
    // stops the command before anything is chosen or written.
    auto valuesPath = askFileToOpen(t, ui, sj("指標値ファイル"), openDialogFilter(), 3, "");
    if (!valuesPath) return;
    const IndicatorValues values = readIndicatorValues(*valuesPath);
    exportToFile(t, ui, CsvFilter, ".csv", "-ind.csv",
                 [&](const std::string& path) { saveIndicatorMeans(t, path, values, merge); });
}

}  // namespace tamsel

// The commands of the outputs: the print-item panel and the outputs it leads
// to, and the exports that write a file after the save dialog.
#pragma once

#include "output/excel_output.h"
#include "output/exchange.h"
#include "output/print_panel.h"
#include "platform/ui.h"
#include "table/table_state.h"

namespace tamsel {

// "表をテキスト出力(&F)", "エクセル形式出力(&X)", "表を直接印刷出力(&P)": the
// target becomes the text file (the spreadsheet, the printer), then the
// print-item panel opens.
void Item_TextFileClick(TableState& t, PrintPanel& p, Ui& ui);
void Item_ExcelFileClick(TableState& t, PrintPanel& p, Ui& ui);
void Item_PrintTableClick(TableState& t, PrintPanel& p, Ui& ui);

// "プリンターの設定(&T)": the printer and paper set-up dialog.
void Item_PrintSetupClick(Ui& ui);

// "決定・出力": hides the panel, TableTitle takes EditTitle, then the output the
// target names: Output_TextFile, Output_ExcelFile or OutPut_Printer. A title that
// a table file could not hold is refused (Error) with the panel left open.
void BtnToPrintClick(TableState& t, PrintPanel& p, Ui& ui);
// "取止め": hides the panel; nothing else changes.
void BtnCancelPrintClick(PrintPanel& p);

// Run when the panel is confirmed. The text file: reads PN1 and PN2, recounts,
// asks for the file (filter 2, ".txt", TableTitle + ".txt") and writes it; a
// cancelled dialog writes nothing.
void Output_TextFile(TableState& t, const PrintPanel& p, Ui& ui);
// The spreadsheet: the save dialog (filter 4, ".xlsx"), then the sheet of the
// table as the panel chose it, over the Ui's automation dispatcher.
void Output_ExcelFile(TableState& t, const PrintPanel& p, Ui& ui);
// The same with the options given; a table larger than a worksheet is refused
// before the dialog, a cancelled dialog ends it with nothing started.
void Output_ExcelFile(TableState& t, Ui& ui, Dispatcher& d, const ExcelOutputOptions& o);
// The printer: reads PN1 and PN2, shows the print dialog (cancelled: nothing
// printed) and prints on the surface it gives. No recount: the panel made it.
void OutPut_Printer(TableState& t, const PrintPanel& p, Ui& ui);

// The CSV exports: save dialog (filter 3, ".csv", TableTitle + ending), then
// the file. A cancelled dialog writes nothing.
void Item_PCordCSVClick(const TableState& t, Ui& ui);
void Item_ValueMatrixClick(const TableState& t, Ui& ui);
void Item_PlotDataClick(const TableState& t, Ui& ui);

// The exchange formats: the save dialog (indicator means: first the open dialog
// for the values file), then the file. A cancelled dialog writes nothing.
void Item_CornellClick(const TableState& t, Ui& ui, CornellValues values,
                       CornellNames names = CornellNames::Table,
                       LayerMerge merge = LayerMerge::Sum);
void Item_LongTableClick(const TableState& t, Ui& ui, LayerMerge merge = LayerMerge::Sum);
void Item_ReleveStatsClick(const TableState& t, Ui& ui, LayerMerge merge = LayerMerge::Sum);
void Item_IndicatorMeansClick(const TableState& t, Ui& ui, LayerMerge merge = LayerMerge::Sum);

}  // namespace tamsel

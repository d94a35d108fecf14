// The commands of the outputs: the print-item panel and the outputs it leads
// to, and the exports that write a file after the save dialog.
#pragma once

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

// The spreadsheet output, which the print-item panel starts when its target is
// the spreadsheet (defined in excel_output.cpp, over the Ui's automation
// dispatcher).
#pragma once

#include "output/print_panel.h"

namespace tamsel {

// Save dialog (filter 4, ".xlsx"), then the sheet of the table as the panel chose
// it. Runs when the panel is confirmed with OutputTarget::Spreadsheet.
void Output_ExcelFile(TableState& t, const PrintPanel& p, Ui& ui);

}  // namespace tamsel

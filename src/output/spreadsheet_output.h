// The spreadsheet output, which the print-item panel starts when its target is
// the spreadsheet. Built with the workbook writer; until then the definition in
// pending_outputs.cpp refuses the command.
#pragma once

#include "output/print_panel.h"

namespace tamsel {

// Save dialog (filter 4, ".xls"), then the sheet of the table as the panel chose
// it. Runs when the panel is confirmed with OutputTarget::Spreadsheet.
void Output_ExcelFile(TableState& t, const PrintPanel& p, Ui& ui);

}  // namespace tamsel

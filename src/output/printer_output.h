// The printed output, which the print-item panel starts when its target is the
// printer. Built with the printer channel; until then the definition in
// pending_outputs.cpp refuses the command.
#pragma once

#include "output/print_panel.h"

namespace tamsel {

// Print dialog, then PrintTable on the printer channel with the capacity the
// printer's page width gives. Runs when the panel is confirmed with
// OutputTarget::Printer.
void OutPut_Printer(TableState& t, const PrintPanel& p, Ui& ui);

}  // namespace tamsel

// "表を直接印刷出力(&P)" and "プリンターの設定(&T)": the table's text layout on the
// printer channel, with the capacity the printer's page width gives.
#pragma once

#include <cstdint>

#include "output/print_panel.h"
#include "platform/printer.h"

namespace tamsel {

// The printing itself on a surface whose job has not started: TableFont three
// times as high, the capacity number from the page width, PrintTable through
// the pager, the job ended. A capacity outside 0..65535 throws Error before
// anything is drawn; any failure aborts the job, so nothing half-printed is
// sent and no file is left.
void OutPut_Printer(const TableState& t, const PrintPanel& p, Progress& progress,
                    PrinterSurface& surface, std::uint16_t fromPlant, std::uint16_t toPlant);

}  // namespace tamsel

// The spreadsheet output: fills a new workbook of "Excel.Application" cell by
// cell through the automation dispatcher and has the server save it (.xlsx).
// One sheet row per title, header item or table row, one sheet column per relevé.
#pragma once

#include <cstdint>
#include <string>

#include "platform/automation.h"
#include "platform/progress.h"
#include "table/table_state.h"

namespace tamsel {

// What the print-item panel hands on: the range of table rows (PN1, PN2), the
// frequency column (ChkBoxfq) and the sheet for analysis.
struct ExcelOutputOptions {
    std::int32_t fromPlant = 1;
    std::int32_t toPlant = 0;
    bool withFrequency = false;
    // For analysis: a species row is one sheet row per layer in use (the label
    // in column B, trimmed), its cells hold the bare code, absent is empty.
    bool clean = false;
};

// Throws Error naming the worksheet's limit when the sheet of the table would
// need more than 16,384 columns or 1,048,576 rows.
void checkSheetLimits(const TableState& t, const ExcelOutputOptions& o);
// The output into a chosen file. A table larger than a worksheet is refused
// before anything starts. Any failure while filling (a refused automation call
// among them) throws Error after the workbook is closed unsaved and the server
// quit: an existing file is replaced only by a completely saved workbook.
void writeExcelFile(TableState& t, Progress& progress, Dispatcher& d, const ExcelOutputOptions& o,
                    const std::string& path);

// Frequency × 100 / NR, rounded half to even, as four right-aligned characters;
// "   0" for a table without relevés.
std::string percentText(std::int32_t frequency, std::int32_t releveCount);

}  // namespace tamsel

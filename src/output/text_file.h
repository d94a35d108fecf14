// "表をテキスト出力(&F)": the table's text layout written to a text file.
#pragma once

#include <string>

#include "output/print_panel.h"

namespace tamsel {

// The capacity number of a text file's first page (46 relevé columns).
constexpr std::uint16_t TextFilePerPage = 45;

// Runs when the panel is confirmed: reads PN1 and PN2, recounts, asks for the
// file (filter 2, ".txt", TableTitle + ".txt") and writes PrintTable to it with
// PerPage 45. A cancelled dialog writes nothing; a failed write leaves an
// existing file as it was.
void Output_TextFile(TableState& t, const PrintPanel& p, Ui& ui);

// The text file itself, without the dialog.
void writeTextFile(const TableState& t, const PrintPanel& p, const std::string& path,
                   std::uint16_t fromPlant, std::uint16_t toPlant);

}  // namespace tamsel

// "表をテキスト出力(&F)": the table's text layout written to a text file.
#pragma once

#include <string>

#include "output/print_panel.h"

namespace tamsel {

// The capacity number of a text file's first page (46 relevé columns).
constexpr std::uint16_t TextFilePerPage = 45;

// PrintTable with PerPage 45 written to the file at path; a failed write leaves
// an existing file as it was.
void writeTextFile(const TableState& t, const PrintPanel& p, const std::string& path,
                   std::uint16_t fromPlant, std::uint16_t toPlant);

}  // namespace tamsel

// The table's text layout: fixed-width lines, paged across the relevé columns,
// written to an OutputChannel. The text file and the printer receive exactly
// these lines; they differ only in where the lines go and in PerPage.
//
// Layout: a 32-byte caption column on the first page (species name 28 bytes and
// a 4-byte layer tag in the species lines), then 5 bytes per relevé column, then
// on the page of the last relevé the 5-byte frequency column when ChkBoxfq is
// checked. Header cells shorter than their field are padded with blanks on the
// right (4 bytes; 8 bytes for items 2..7 before their split into two lines).
#pragma once

#include <cstdint>
#include <string>

#include "output/output_channel.h"
#include "output/print_panel.h"
#include "table/table_state.h"

namespace tamsel {

// Width w as "─" characters (two bytes each): w/2 of them, a half rounding to
// the even neighbour.
std::string RuleLine(int width);

// Writes the whole table. PerPage is the capacity number of the first page (a
// page holds PerPage + 1 relevé columns; later pages 6 more); FromPlant and
// ToPlant the first and last table row. Reads the item states, the panel's
// ChkBoxfq, ChkBox1t, PN1 and PN2, FreqArray and NumSpArray as they stand.
//
// The page that holds the last relevé gives up its last column to make room
// for the frequency column only when ChkBoxfq is checked and PerPage - a equals
// NR (the first page of a text file of 44 relevés), never below one column; a
// full last page keeps all its columns. Throws Error for a slot cell that is no
// number or lies outside TableArray.
//
// With repeatNames every page carries the caption column, the names and the
// layer tags, and later pages hold as many columns as the first, so that each
// page reads alone.
void PrintTable(const TableState& t, const PrintPanel& p, OutputChannel& out, std::uint16_t PerPage,
                std::uint16_t FromPlant, std::uint16_t ToPlant, bool repeatNames = false);

// How many pages PrintTable writes with this PerPage.
std::int32_t PageCount(const TableState& t, const PrintPanel& p, std::uint16_t PerPage,
                       bool repeatNames = false);

}  // namespace tamsel

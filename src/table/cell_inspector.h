// What the window's status bar says about the cell under the mouse: the four-
// character cell summary hides layers, this names every one.
#pragma once

#include <string>

#include "table/table_state.h"

namespace tamsel {

// For a species × relevé cell in use: the species, the relevé's number and site
// name, and its seven codes with their layer labels in the relevé's notation
// ("ブナ ｜ R0012 白神 ｜ T1: 3  T2: .  S1: + …"). For any other cell with a text:
// that text whole. Otherwise (or off the cells, col or row < 0): the counts.
// Shift-JIS.
std::string cellInspection(const TableState& t, int col, int row);

}  // namespace tamsel

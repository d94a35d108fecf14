// The recount of species frequencies and relevé species numbers from the grid.
#pragma once

#include "platform/ui.h"
#include "table/table_state.h"

namespace tamsel {

// Frequency of each species row in use (column 3, FreqArray) and species number
// of each relevé column in use (row FreqRow, NumSpArray); renumbers column 1 and
// row 1 over the rows and columns in use. A non-empty cell is a presence.
void Item_FrequencyClick(TableState& t, Ui& ui);

}  // namespace tamsel

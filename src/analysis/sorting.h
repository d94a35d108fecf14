// Sorting species rows by frequency and relevé columns by species number.
#pragma once

#include "platform/ui.h"
#include "table/table_state.h"

namespace tamsel {

void Item_SortPlantClick(TableState& t, Ui& ui);
// reverse off: most species first; on: fewest first.
void SortReleve(TableState& t, Ui& ui, bool reverse);

}  // namespace tamsel

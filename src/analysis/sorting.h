// Sorting species rows by frequency and relevé columns by species number.
#pragma once

#include <vector>

#include "platform/ui.h"
#include "table/table_state.h"

namespace tamsel {

// The model's permutation of the species rows (codes follow through the slots,
// FreqArray along), then the running numbers renewed, as every sort leaves them.
void reorderSpeciesRows(TableState& t, const std::vector<int>& order);
// The same for relevé columns (NumSpArray along); serial numbers renewed.
void reorderReleveColumns(TableState& t, const std::vector<int>& order);

// "植物を頻度多順に並び替え(&P)": species rows by their frequency text, highest first.
void Item_SortPlantClick(TableState& t, Ui& ui);
// Relevé columns by their row-FreqRow text. reverse off: most species first; on:
// fewest first.
void SortReleve(TableState& t, Ui& ui, bool reverse);
void Item_SortReleveClick(TableState& t, Ui& ui);
void Item_SortReverseClick(TableState& t, Ui& ui);

}  // namespace tamsel

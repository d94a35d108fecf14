// Sorting species rows by frequency and relevé columns by species number.
#pragma once

#include <vector>

#include "platform/ui.h"
#include "table/table_state.h"

namespace tamsel {

// Species rows 1 .. order.size() get the rows that stood at 1 + order[k] (codes
// follow through the slots, FreqArray along); running numbers are renewed.
void permuteSpeciesRows(TableState& t, const std::vector<int>& order);
// Relevé columns 1 .. order.size() get the columns that stood at 1 + order[k]
// (NumSpArray along); serial numbers are renewed.
void permuteReleveCols(TableState& t, const std::vector<int>& order);

// "植物を頻度多順に並び替え(&P)": species rows by their frequency text, highest first.
void Item_SortPlantClick(TableState& t, Ui& ui);
// Relevé columns by their row-FreqRow text. reverse off: most species first; on:
// fewest first.
void SortReleve(TableState& t, Ui& ui, bool reverse);
void Item_SortReleveClick(TableState& t, Ui& ui);
void Item_SortReverseClick(TableState& t, Ui& ui);

}  // namespace tamsel

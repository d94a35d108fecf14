// Sorting species rows by frequency and relevé columns by species number.
#pragma once

#include <string>
#include <vector>

#include "platform/progress.h"
#include "table/table_state.h"

namespace tamsel {

// The model's permutation of the species rows (codes follow through the slots,
// FreqArray along), then the running numbers renewed, as every sort leaves them.
void reorderSpeciesRows(TableState& t, const std::vector<int>& order);
// The same for relevé columns (NumSpArray along); serial numbers renewed.
void reorderReleveColumns(TableState& t, const std::vector<int>& order);

// Species rows by their frequency text, highest first.
void sortSpeciesByFrequency(TableState& t, Progress& progress);
// Relevé columns by their row-FreqRow text. reverse off: most species first; on:
// fewest first.
void SortReleve(TableState& t, Progress& progress, bool reverse);

// The grid row of the header row named by its grid row number or by its caption
// (Shift-JIS, compared without the blanks around it); throws Error when no
// header row is so named.
int headerRowNamed(const TableState& t, const std::string& name);
// Relevé columns by the texts of header row `row`: numbers by value, then the
// texts that are no number in byte order, blank cells last; descending turns the
// order within numbers and within texts, never the three groups. Ties keep
// their order. Throws Error for a row that is no header row.
void sortRelevesByRow(TableState& t, Progress& progress, int row, bool descending);

}  // namespace tamsel

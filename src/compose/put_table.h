// Placing the relevé last read into the table as a new column.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "compose/replace_name.h"
#include "table/table_state.h"

namespace tamsel {

// Species name -> position (1-based, below FreqRow) of the first species row with
// that name. Built from the grid when a scan starts; PutTable keeps it up to date
// as it adds rows, so finding a species costs one probe instead of a scan.
struct SpeciesRowIndex {
    std::int32_t freqRow = -1;  // the FreqRow the positions were taken under
    std::unordered_map<std::string, std::int32_t> firstRow;
    // The slot number of the species row at each position, read from the grid the
    // first time the row is written (0: not read yet); rows do not move during a
    // scan, and reading the slot cell for every species cell cost a cache miss.
    std::vector<std::int32_t> slotOf;
};

SpeciesRowIndex buildSpeciesRowIndex(const TableState& t);

// Writes relevé j (the caller has set ReleveCount to j) from the HeaderRecord buffer
// and PlantSet of t.data: header cells, "──" in row FreqRow, one cell per species,
// found or appended as a row. Codes go to TableArray at the slots of the column and
// rows written. False when the table cannot grow.
bool PutTable(TableState& t, const ReplaceName& d, SpeciesRowIndex& index, std::int32_t j);

}  // namespace tamsel

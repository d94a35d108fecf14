// The renumbering of slots a saved table file carries.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "table/table_state.h"

namespace tamsel::tablefile {

// The slot numbers the file carries: the table's, with the slots above the count
// held by positions in use exchanged for the numbers 1..count that no position in
// use holds, so that the file's slots in use are exactly 1..count. The codes go
// with their slots. The table keeps its own numbers: saving changes nothing.
struct FileSlots {
    std::vector<std::int32_t> releve, species;  // by table slot, the file's slot
    std::map<int, std::string> releveCells;     // by column, the slot row's new text
    std::map<int, std::string> speciesCells;    // by row, the slot column's new text
};

// Throws Error when a slot cell in use is not a number, lies outside TableArray
// or is repeated, or the counts exceed the table.
FileSlots planFileSlots(const TableState& t);

}  // namespace tamsel::tablefile

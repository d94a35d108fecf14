// The recount of species frequencies and relevé species numbers from the grid.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/ui.h"
#include "table/table_state.h"

namespace tamsel {

struct PresenceCounts {
    std::vector<std::uint16_t> freq;   // by species row position, entry 0 unused
    std::vector<std::uint16_t> numSp;  // by relevé column position, entry 0 unused
};

// Non-empty cells of the relevé columns in use, per species row in use and per
// relevé column in use; throws Error when a count exceeds 65535.
PresenceCounts countPresences(const Grid& g, const TableLayout& layout, std::int32_t speciesCount,
                              std::int32_t releveCount);

// The table's recount (a non-empty cell is a presence) under the busy cursor.
void recount(TableState& t, Ui& ui);

}  // namespace tamsel

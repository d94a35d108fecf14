// The recount of species frequencies and relevé species numbers from the cells shown.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/progress.h"
#include "table/table_state.h"

namespace tamsel {

struct PresenceCounts {
    std::vector<std::uint16_t> freq;   // by species row position, entry 0 unused
    std::vector<std::uint16_t> numSp;  // by relevé column position, entry 0 unused
};

// Non-empty cells of the species rows in use in the relevé columns in use, per
// species row and per relevé column; throws Error when a count exceeds 65535.
PresenceCounts countPresences(const CompositionTable& t);
// Counts taken per species row and relevé column (entry 0 unused) as the
// table's arrays hold them; throws Error naming the row or column of one above 65535.
PresenceCounts narrowCounts(const std::vector<std::uint32_t>& perRow,
                            const std::vector<std::uint32_t>& perColumn, const TableLayout& layout);

// The table's recount (a non-empty cell is a presence) under the busy cursor.
void recount(TableState& t, Progress& progress);

}  // namespace tamsel

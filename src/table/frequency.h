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

// Frequency of each species row in use (frequency column, FreqArray) and species number
// of each relevé column in use (row FreqRow, NumSpArray); renumbers the running
// numbers and serials over the rows and columns in use. A non-empty cell is a presence.
void recount(TableState& t);
// The recount under the busy cursor.
void recount(TableState& t, Ui& ui);
// "出現頻度を再計算する(&F)".
void Item_FrequencyClick(TableState& t, Ui& ui);

}  // namespace tamsel

#include "table/frequency.h"

#include <vector>

#include "datafile/numbers.h"
#include "platform/error.h"
#include "text/sjis.h"

namespace tamsel {

PresenceCounts countPresences(const Grid& g, const TableLayout& layout, std::int32_t speciesCount,
                              std::int32_t releveCount) {
    using L = TableLayout;
    const int firstCol = L::FirstReleveCol, lastCol = L::lastReleveCol(releveCount);
    // Counted from the non-empty cells of each row, so the work follows the
    // cells present, not rows x columns.
    std::vector<std::uint32_t> perColumn(static_cast<std::size_t>(releveCount) + 1, 0);
    PresenceCounts out;
    out.freq.assign(static_cast<std::size_t>(speciesCount) + 1, 0);
    out.numSp.assign(static_cast<std::size_t>(releveCount) + 1, 0);
    for (std::int32_t i = 1; i <= speciesCount; ++i) {
        int row = layout.speciesRow(i);
        std::uint32_t freq = 0;
        g.forEachInRow(row, [&](int col, const std::string&) {
            if (col >= firstCol && col <= lastCol) {
                ++freq;
                ++perColumn[L::releveAt(col)];
            }
        });
        if (freq > 65535) throw Error(msg("出現頻度が 65535 を超えました（行 %1）", row));
        out.freq[i] = static_cast<std::uint16_t>(freq);
    }
    for (std::int32_t j = 1; j <= releveCount; ++j) {
        if (perColumn[j] > 65535)
            throw Error(msg("種数が 65535 を超えました（列 %1）", L::releveCol(j)));
        out.numSp[j] = static_cast<std::uint16_t>(perColumn[j]);
    }
    return out;
}

void recount(TableState& t, Ui& ui) {
    BusyScope busy(ui);
    t.model.recount();
}

}  // namespace tamsel

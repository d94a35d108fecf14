#include "table/frequency.h"

#include <vector>

#include "datafile/numbers.h"
#include "platform/error.h"
#include "text/sjis.h"

namespace tamsel {

PresenceCounts countPresences(const CompositionTable& t) {
    const std::int32_t speciesCount = t.speciesCount(), releveCount = t.releveCount();
    // Counted from the cells shown, relevé by relevé: the work follows the codes.
    std::vector<std::uint32_t> perRow(static_cast<std::size_t>(speciesCount) + 1, 0);
    std::vector<std::uint32_t> perColumn(static_cast<std::size_t>(releveCount) + 1, 0);
    t.forEachSpeciesCell([&](std::int32_t j, std::int32_t i) {
        ++perRow[static_cast<std::size_t>(i)];
        ++perColumn[static_cast<std::size_t>(j)];
    });
    return narrowCounts(perRow, perColumn, TableLayout(t.freqRow()));
}

PresenceCounts narrowCounts(const std::vector<std::uint32_t>& perRow,
                            const std::vector<std::uint32_t>& perColumn,
                            const TableLayout& layout) {
    using L = TableLayout;
    PresenceCounts out;
    out.freq.assign(perRow.size(), 0);
    out.numSp.assign(perColumn.size(), 0);
    for (std::size_t i = 1; i < perRow.size(); ++i) {
        if (perRow[i] > 65535)
            throw Error(msg("出現頻度が 65535 を超えました（行 %1）",
                            layout.speciesRow(static_cast<std::int32_t>(i))));
        out.freq[i] = static_cast<std::uint16_t>(perRow[i]);
    }
    for (std::size_t j = 1; j < perColumn.size(); ++j) {
        if (perColumn[j] > 65535)
            throw Error(msg("種数が 65535 を超えました（列 %1）",
                            L::releveCol(static_cast<std::int32_t>(j))));
        out.numSp[j] = static_cast<std::uint16_t>(perColumn[j]);
    }
    return out;
}

void recount(TableState& t, Progress& progress) {
    BusyScope busy(progress);
    t.model.recount();
}

}  // namespace tamsel

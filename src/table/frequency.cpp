#include "table/frequency.h"

#include <vector>

#include "datafile/numbers.h"
#include "platform/error.h"
#include "text/sjis.h"

namespace tamsel {

PresenceCounts countPresences(const Grid& g, std::int32_t freqRow, std::int32_t speciesCount,
                              std::int32_t releveCount) {
    const int firstCol = 4, lastCol = releveCount + 3;
    // Counted from the non-empty cells of each row, so the work follows the
    // cells present, not rows x columns.
    std::vector<std::uint32_t> perColumn(static_cast<std::size_t>(releveCount) + 1, 0);
    PresenceCounts out;
    out.freq.assign(static_cast<std::size_t>(speciesCount) + 1, 0);
    out.numSp.assign(static_cast<std::size_t>(releveCount) + 1, 0);
    for (std::int32_t i = 1; i <= speciesCount; ++i) {
        int row = freqRow + i;
        std::uint32_t freq = 0;
        g.forEachInRow(row, [&](int col, const std::string&) {
            if (col >= firstCol && col <= lastCol) {
                ++freq;
                ++perColumn[col - 3];
            }
        });
        if (freq > 65535)
            throw Error(sj("出現頻度が 65535 を超えました（行 ") + std::to_string(row) + sj("）"));
        out.freq[i] = static_cast<std::uint16_t>(freq);
    }
    for (std::int32_t j = 1; j <= releveCount; ++j) {
        if (perColumn[j] > 65535)
            throw Error(sj("種数が 65535 を超えました（列 ") + std::to_string(j + 3) + sj("）"));
        out.numSp[j] = static_cast<std::uint16_t>(perColumn[j]);
    }
    return out;
}

void Item_FrequencyClick(TableState& t, Ui& ui) {
    BusyScope busy(ui);
    Grid& g = t.VegTable;
    PresenceCounts c = countPresences(g, t.FreqRow, t.SpeciesCount, t.ReleveCount);
    for (std::int32_t i = 1; i <= t.SpeciesCount; ++i) {
        int row = t.FreqRow + i;
        t.FreqArray.at(i) = c.freq[i];
        g.setCell(1, row, IntText4(i));
        g.setCell(3, row, IntText4(c.freq[i]));
    }
    for (std::int32_t j = 1; j <= t.ReleveCount; ++j) {
        t.NumSpArray.at(j) = c.numSp[j];
        g.setCell(j + 3, 1, IntText4(j));
    }
    for (std::int32_t j = 1; j <= t.ReleveCount; ++j)
        g.setCell(j + 3, t.FreqRow, IntText4(t.NumSpArray[j]));
    ui.gridChanged();
}

}  // namespace tamsel

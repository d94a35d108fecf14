#include "table/frequency.h"

#include <vector>

#include "datafile/numbers.h"
#include "platform/error.h"
#include "text/sjis.h"

namespace tamsel {

void Item_FrequencyClick(TableState& t, Ui& ui) {
    BusyScope busy(ui);
    Grid& g = t.VegTable;
    const int firstCol = 4, lastCol = t.ReleveCount + 3;
    // Counted from the non-empty cells of each row, so the work follows the
    // cells present, not rows x columns.
    std::vector<std::uint32_t> perColumn(static_cast<std::size_t>(t.ReleveCount) + 1, 0);
    for (std::int32_t i = 1; i <= t.SpeciesCount; ++i) {
        int row = t.FreqRow + i;
        std::uint32_t freq = 0;
        g.forEachInRow(row, [&](int col, const std::string&) {
            if (col >= firstCol && col <= lastCol) {
                ++freq;
                ++perColumn[col - 3];
            }
        });
        if (freq > 65535)
            throw Error(sj("出現頻度が 65535 を超えました（行 ") + std::to_string(row) + sj("）"));
        t.FreqArray.at(i) = static_cast<std::uint16_t>(freq);
        g.setCell(1, row, IntText4(i));
        g.setCell(3, row, IntText4(static_cast<std::int32_t>(freq)));
    }
    for (std::int32_t j = 1; j <= t.ReleveCount; ++j) {
        if (perColumn[j] > 65535)
            throw Error(sj("種数が 65535 を超えました（列 ") + std::to_string(j + 3) + sj("）"));
        t.NumSpArray.at(j) = static_cast<std::uint16_t>(perColumn[j]);
        g.setCell(j + 3, 1, IntText4(j));
    }
    for (std::int32_t j = 1; j <= t.ReleveCount; ++j)
        g.setCell(j + 3, t.FreqRow, IntText4(t.NumSpArray[j]));
    ui.gridChanged();
}

}  // namespace tamsel

#include "analysis/cover_matrix.h"

#include <algorithm>

#include "table/table_layout.h"

namespace tamsel {

CoverMatrix coverMatrix(const TableState& t, const PresenceCounts& counts, LayerMerge merge) {
    const TableLayout layout = layoutOf(t);
    CoverMatrix c;
    std::vector<std::vector<std::int32_t>> rowsOfSlot(
        static_cast<std::size_t>(std::max(t.model.codes().speciesSlots(), 0)));
    const std::int32_t ns = std::min<std::int32_t>(
        t.model.speciesCount(), static_cast<std::int32_t>(counts.freq.size()) - 1);
    for (std::int32_t i = 1; i <= ns; ++i) {
        if (counts.freq[i] == 0) continue;
        const std::int32_t s = t.model.speciesSlotAt(layout.speciesRow(i));
        if (s >= 0 && s < static_cast<std::int32_t>(rowsOfSlot.size()))
            rowsOfSlot[s].push_back(static_cast<std::int32_t>(c.rows.size()));
        c.rows.push_back(i);
    }
    c.cover.species = static_cast<std::int32_t>(c.rows.size());
    std::vector<std::pair<std::int32_t, double>> entries;
    const std::int32_t nr = std::min<std::int32_t>(
        t.model.releveCount(), static_cast<std::int32_t>(counts.numSp.size()) - 1);
    for (std::int32_t j = 1; j <= nr; ++j) {
        if (counts.numSp[j] == 0) continue;
        c.cols.push_back(j);
        entries.clear();
        const std::int32_t rs = t.model.releveSlotAt(TableLayout::releveCol(j));
        if (rs >= 0 && rs < t.model.codes().releveSlots())
            for (const auto& [slot, codes] : t.model.codes().releve(rs)) {
                if (slot < 0 || slot >= static_cast<std::int32_t>(rowsOfSlot.size())) continue;
                const double percent = mergedTenths(codes, t.coverValues, merge) / 10.0;
                for (std::int32_t u : rowsOfSlot[slot]) entries.push_back({u, percent});
            }
        c.cover.addReleve(entries);
    }
    return c;
}

}  // namespace tamsel

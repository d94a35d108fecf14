#include "table/layer_merge.h"

#include <algorithm>
#include <vector>

#include "platform/error.h"
#include "text/sjis.h"

namespace tamsel {

int layerNamed(const TableState& t, const std::string& name) {
    const std::string wanted = trimControl(name);
    std::string labels;
    for (int k = 0; k < LayerCount; ++k) {
        const std::string label = trimControl(t.print.LayerLabels[k]);
        if (!wanted.empty() && label == wanted) return k;
        labels += (k ? sj("、") : std::string()) + label;
    }
    throw Error(msg("層「%1」はありません（層は %2 です）", name, labels));
}

LayerCodes mergedLayerCodes(const LayerCodes& codes, const CoverValues& values, LayerMerge merge,
                            int into) {
    int present = 0, classed = 0, rs = 0, only = 0;
    for (int k = 0; k < LayerCount; ++k) {
        if (codes[k] == 0) continue;
        ++present;
        only = k;
        if (!coverClassOf(codes[k])) continue;
        ++classed;
        if (codes[k] == 6) ++rs;
    }
    LayerCodes out{};
    if (present == 0) return out;
    if (present == 1)
        out[into] = codes[only];
    else if (classed == 0)
        out[into] = 1;  // marks "*" only: nothing to weigh
    else
        out[into] = braunBlanquetCode(mergedTenths(codes, values, merge), rs == classed);
    return out;
}

std::int64_t mergeLayers(TableState& t, LayerMerge merge, int into) {
    using L = TableLayout;
    if (into < 0 || into >= LayerCount) throw Error(msg("層 %1 はありません", into + 1));
    const TableLayout layout(t.model.freqRow());
    // The row that shows each species slot.
    const std::vector<std::int32_t> positions = t.model.speciesPositions();
    std::int64_t changed = 0;
    std::vector<std::pair<std::int32_t, LayerCodes>> changes;
    for (std::int32_t j = 1; j <= t.model.releveCount(); ++j) {
        const int col = L::releveCol(j);
        const std::int32_t rs = t.model.releveSlotAt(col);
        if (rs < 0 || rs >= t.model.codes().releveSlots()) continue;
        changes.clear();
        for (const auto& [slot, codes] : t.model.codes().releve(rs)) {
            LayerCodes merged = mergedLayerCodes(codes, t.coverValues, merge, into);
            if (merged != codes) changes.push_back({slot, merged});
        }
        for (const auto& [slot, merged] : changes) {
            t.model.setCodes(rs, slot, merged);
            ++changed;
            // The cell shows the merged codes: a text a loaded file kept there
            // gives way to them (the model stores none that the codes show).
            if (slot > 0 && static_cast<std::size_t>(slot) < positions.size() &&
                positions[static_cast<std::size_t>(slot)] > 0)
                t.model.setCell(col, layout.speciesRow(positions[static_cast<std::size_t>(slot)]),
                                LayerSummary(merged));
        }
    }
    return changed;
}

}  // namespace tamsel

#include "output/dom_lines.h"

#include <algorithm>

#include "platform/error.h"
#include "table/table_layout.h"
#include "text/sjis.h"

namespace tamsel {

std::int32_t releveSlotChecked(const TableState& t, std::int32_t j) {
    std::int32_t rs = t.model.releveSlotAt(TableLayout::releveCol(j));
    if (rs < 0 || rs >= t.model.codes().releveSlots())
        throw Error(msg("測定の列 %1 の格納番号が範囲外です: %2", j, rs));
    return rs;
}

std::int32_t speciesSlotChecked(const TableState& t, std::int32_t i) {
    std::int32_t s = t.model.speciesSlotAt(layoutOf(t).speciesRow(i));
    if (s < 0 || s >= t.model.codes().speciesSlots())
        throw Error(msg("種の行 %1 の格納番号が範囲外です: %2", i, s));
    return s;
}

DomLineTable::DomLineTable(const TableState& t) {
    const std::int32_t slots = t.model.codes().speciesSlots();
    const std::int32_t nr = t.model.releveCount();
    std::vector<std::int32_t> releveSlots(static_cast<std::size_t>(std::max(nr, 0)) + 1, 0);
    start_.assign(static_cast<std::size_t>(slots) + 1, 0);
    for (std::int32_t j = 1; j <= nr; ++j) {
        releveSlots[j] = releveSlotChecked(t, j);
        for (const auto& [s, codes] : t.model.codes().releve(releveSlots[j])) ++start_[s];
    }
    std::uint32_t sum = 0;
    for (auto& v : start_) sum += std::exchange(v, sum);
    entries_.resize(sum);
    inUse_.assign(static_cast<std::size_t>(slots), 0);
    std::vector<std::uint32_t> next(start_.begin(), start_.end() - 1);
    for (std::int32_t j = 1; j <= nr; ++j) {
        for (const auto& [s, codes] : t.model.codes().releve(releveSlots[j])) {
            entries_[next[s]++] = Entry{j, codes};
            for (int k = 0; k < LayerCount; ++k)
                if (codes[k] > 1) inUse_[s] |= static_cast<std::uint8_t>(1u << k);
        }
    }
}

std::span<const DomLineTable::Entry> DomLineTable::entries(std::int32_t s, std::int32_t a,
                                                           std::int32_t b) const {
    auto all = entries(s);
    auto first = std::lower_bound(all.begin(), all.end(), a,
                                  [](const Entry& e, std::int32_t j) { return e.column < j; });
    auto last = std::upper_bound(first, all.end(), b,
                                 [](std::int32_t j, const Entry& e) { return j < e.column; });
    return {first, last};
}

void DomLineTable::fill(std::int32_t s, std::int32_t a, std::int32_t b,
                        std::span<LayerCodes> out) const {
    std::fill(out.begin(), out.begin() + (b - a + 1), LayerCodes{});
    for (const Entry& e : entries(s, a, b)) out[e.column - a] = e.codes;
}

int percentFrequency(int freq, int releveCount) {
    long long q = static_cast<long long>(freq) * 100;
    long long p = q / releveCount, rest = q % releveCount;
    if (2 * rest > releveCount || (2 * rest == releveCount && p % 2 != 0)) ++p;
    return static_cast<int>(p);
}

}  // namespace tamsel

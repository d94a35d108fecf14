#include "tablefile/file_slots.h"

#include <algorithm>

#include "datafile/numbers.h"
#include "platform/error.h"
#include "table/table_layout.h"
#include "tablefile/file_text.h"
#include "text/sjis.h"

namespace tamsel::tablefile {

namespace {

// The slot numbers of the positions 1..capacity of one kind (relevé columns or
// species rows), read from their cells.
struct SlotLine {
    std::vector<std::int32_t> slot;  // by position; 0 where a free cell is no number
    std::vector<std::pair<std::int32_t, std::int32_t>> swaps;  // (slot in use, slot it takes)
    std::vector<std::int32_t> posOf;  // position holding a slot, -1 if none
};

// Checks the slots in use and plans the exchanges that bring them to 1..count.
// cellName(pos) names the grid cell of a position for messages.
template <typename CellOf, typename NameOf>
SlotLine planSlots(std::int32_t count, std::int32_t capacity, std::int32_t slotLimit, CellOf cellOf,
                   NameOf nameOf) {
    SlotLine p;
    p.slot.assign(static_cast<std::size_t>(capacity) + 1, 0);
    p.posOf.assign(static_cast<std::size_t>(slotLimit), -1);
    for (std::int32_t pos = 1; pos <= capacity; ++pos) {
        const std::string& text = cellOf(pos);
        auto v = parseNumberField(text);
        bool inUse = pos <= count;
        if (!v || *v < 1 || *v >= slotLimit) {
            if (!inUse) continue;  // a free cell that holds no usable slot takes part in nothing
            throw Error(nameOf(pos) + sj(" のスロット番号 \"") + shown(text) +
                        sj("\" が正しくありません（1〜") + num(slotLimit - 1) +
                        sj(" の数値のはず）。保存できません。"));
        }
        if (p.posOf[*v] >= 0) {
            if (!inUse) continue;
            throw Error(nameOf(pos) + sj(" のスロット番号 ") + num(*v) + sj(" が ") +
                        nameOf(p.posOf[*v]) + sj(" と重複しています。保存できません。"));
        }
        p.slot[pos] = *v;
        p.posOf[*v] = pos;
    }
    // Slots above the count held by positions in use go to the numbers 1..count
    // that no position in use holds, in ascending order on both sides.
    std::vector<std::int32_t> excess, missing;
    for (std::int32_t pos = 1; pos <= count; ++pos)
        if (p.slot[pos] > count) excess.push_back(p.slot[pos]);
    for (std::int32_t s = 1; s <= count; ++s) {
        std::int32_t at = p.posOf[s];
        if (at < 0 || at > count) missing.push_back(s);
    }
    std::sort(excess.begin(), excess.end());
    for (std::size_t k = 0; k < excess.size(); ++k) p.swaps.emplace_back(excess[k], missing[k]);
    return p;
}

}  // namespace

FileSlots planFileSlots(const TableState& t) {
    const Grid& g = t.model.grid();
    const CoverArray& a = t.model.codes();
    using L = TableLayout;
    const std::int32_t NR = t.model.releveCount(), NS = t.model.speciesCount();
    const TableLayout layout(t.model.freqRow());
    const std::int32_t relCap = std::min(t.model.releveCapacity(), L::releveRoom(g.colCount()));
    const std::int32_t spCap = std::min(t.model.plantCapacity(), layout.speciesRoom(g.rowCount()));
    if (NR > relCap || NS > spCap || NR > a.releveSlots() - 1 || NS > a.speciesSlots() - 1)
        throw Error(sj("表の件数が表の大きさを超えています。保存できません。"));

    SlotLine rel = planSlots(
        NR, relCap, a.releveSlots(),
        [&](std::int32_t j) -> const std::string& { return g.cell(L::releveCol(j), L::SlotRow); },
        [](std::int32_t j) { return sj("列 ") + num(L::releveCol(j)); });
    SlotLine sp = planSlots(
        NS, spCap, a.speciesSlots(),
        [&](std::int32_t i) -> const std::string& {
            return g.cell(L::SlotCol, layout.speciesRow(i));
        },
        [&](std::int32_t i) { return sj("行 ") + num(layout.speciesRow(i)); });

    // Each exchange swaps two slot numbers between the cells that hold them and
    // the codes between the two slots.
    auto plan = [](const SlotLine& line, std::size_t slots, auto cellOf,
                   std::vector<std::int32_t>& map, std::map<int, std::string>& cells) {
        map.resize(slots);
        for (std::size_t s = 0; s < slots; ++s) map[s] = static_cast<std::int32_t>(s);
        for (auto [e, m] : line.swaps) {
            map[static_cast<std::size_t>(e)] = m;
            map[static_cast<std::size_t>(m)] = e;
            cells[cellOf(line.posOf[e])] = num(m);
            if (line.posOf[m] >= 0) cells[cellOf(line.posOf[m])] = num(e);
        }
    };
    FileSlots f;
    plan(rel, static_cast<std::size_t>(a.releveSlots()), &L::releveCol, f.releve, f.releveCells);
    plan(
        sp, static_cast<std::size_t>(a.speciesSlots()),
        [&](std::int32_t i) { return layout.speciesRow(i); }, f.species, f.speciesCells);
    return f;
}

}  // namespace tamsel::tablefile

#include "table/table_layout.h"

#include "table/table_state.h"

namespace tamsel {

TableLayout::TableLayout(std::int32_t freqRow, const std::array<bool, ItemCount + 1>& enabled)
    : freqRow_(freqRow) {
    int row = FirstItemRow;
    for (int n = 2; n <= ItemCount; ++n) {
        if (!enabled[n]) continue;
        if (row < freqRow_) {
            rowOfItem_[n] = row;
            itemOfRow_[row] = n;
        }
        ++row;
    }
}

TableLayout layoutOf(const TableState& t) {
    std::array<bool, TableLayout::ItemCount + 1> enabled{};
    for (int n = 1; n <= TableLayout::ItemCount; ++n) enabled[n] = t.PrintItemBoxes[n].enabled;
    return TableLayout(t.FreqRow, enabled);
}

}  // namespace tamsel

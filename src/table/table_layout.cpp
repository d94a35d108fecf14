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

namespace {
std::array<bool, TableLayout::ItemCount + 1> enabledBoxes(const TableState& t) {
    std::array<bool, TableLayout::ItemCount + 1> enabled{};
    for (int n = 1; n <= TableLayout::ItemCount; ++n)
        enabled[n] = t.print.PrintItemBoxes[n].enabled;
    return enabled;
}
}  // namespace

TableLayout layoutOf(const TableState& t) {
    return TableLayout(t.model.freqRow(), enabledBoxes(t));
}

TableLayout boxLayoutOf(const TableState& t) {
    auto enabled = enabledBoxes(t);
    std::int32_t freqRow = TableLayout::FirstItemRow;
    for (int n = 2; n <= TableLayout::ItemCount; ++n)
        if (enabled[n]) ++freqRow;
    return TableLayout(freqRow, enabled);
}

}  // namespace tamsel

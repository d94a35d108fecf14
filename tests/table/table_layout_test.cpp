#include "table/table_layout.h"

#include <gtest/gtest.h>

#include "table/table_state.h"

namespace tamsel {
namespace {

TEST(TableLayout, ItemRowsFollowTheEnabledBoxes) {
    TableState t;
    t.print.PrintItemBoxes = defaultPrintItemBoxes();  // 4, 5 and 6 off: 26 item rows
    struct Case {
        int item, row;
    } cases[] = {{2, 2}, {3, 3}, {4, 0}, {6, 0}, {7, 4}, {8, 5}, {30, 27}};
    const TableLayout layout = boxLayoutOf(t);
    EXPECT_EQ(layout.freqRow(), 28);
    for (const Case& c : cases) {
        EXPECT_EQ(layout.itemRow(c.item), c.row) << "item " << c.item;
        if (c.row) {
            EXPECT_EQ(layout.itemAt(c.row), c.item) << "row " << c.row;
        }
    }
    EXPECT_EQ(layout.itemAt(28), 0);  // the frequency row shows no item
    EXPECT_EQ(layout.itemAt(1), 0);
    EXPECT_EQ(layout.speciesRow(1), 29);
    EXPECT_EQ(layout.speciesAt(29), 1);

    // A table loaded with fewer header rows than the boxes ask for: the items that
    // would reach the frequency row have no row.
    t.model.setFreqRow(5);
    const TableLayout loaded = layoutOf(t);
    EXPECT_EQ(loaded.itemRow(7), 4);
    EXPECT_EQ(loaded.itemRow(8), 0);
    EXPECT_EQ(loaded.itemAt(5), 0);
}

TEST(TableLayout, GridSizeHoldsTheCapacitiesUnderEveryFreqRow) {
    for (std::int32_t freqRow : {TableLayout::MinFreqRow, 28, TableLayout::MaxFreqRow}) {
        const TableLayout layout(freqRow);
        for (std::int32_t capacity : {0, 127, 143}) {
            int rows = TableLayout::gridRowCount(capacity);
            EXPECT_GE(layout.speciesRoom(rows), capacity) << freqRow << " " << capacity;
            EXPECT_LT(layout.lastSpeciesRow(capacity), rows);
        }
    }
    EXPECT_EQ(TableLayout::gridRowCount(127), 159);
    EXPECT_EQ(TableLayout::gridColCount(23), 27);
    EXPECT_EQ(TableLayout::releveRoom(TableLayout::gridColCount(23)), 23);
    EXPECT_EQ(TableLayout::releveCol(1), TableLayout::FirstReleveCol);
}

}  // namespace
}  // namespace tamsel

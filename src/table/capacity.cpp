#include "table/capacity.h"

#include <new>

#include "datafile/numbers.h"

namespace tamsel {

bool AddCol(TableState& t, std::int32_t count) {
    std::int64_t n = t.ReleveCapacity;
    while (n < count) n += 8;
    if (n > 2147483647 - 8) return false;
    std::int32_t old = t.ReleveCapacity;
    try {
        t.NumSpArray.resize(static_cast<std::size_t>(n) + 1, 0);
        t.DomLine.resize(static_cast<std::size_t>(n) + 1, LayerCodes{});
        t.TableArray.resize(static_cast<int>(n) + 1, t.PlantCapacity + 1);
        const int oldCols = t.VegTable.colCount();
        t.VegTable.setColCount(TableLayout::gridColCount(static_cast<std::int32_t>(n)));
        for (std::int32_t m = old + 1; m <= n; ++m) {
            t.NumSpArray[m] = 0;
            const int col = TableLayout::releveCol(m);
            // Columns the grid has just made are empty; clearing one visits every row.
            if (col < oldCols) t.VegTable.clearCol(col);
            t.VegTable.setCell(col, TableLayout::SlotRow, std::to_string(m));
            t.VegTable.setCell(col, TableLayout::SerialRow, IntText4(m));
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    t.ReleveCapacity = static_cast<std::int32_t>(n);
    return true;
}

bool AddRow(TableState& t, std::int32_t count) {
    std::int64_t n = t.PlantCapacity;
    while (n < count) n += 16;
    if (n > 2147483647 - 32) return false;
    std::int32_t old = t.PlantCapacity;
    try {
        t.FreqArray.resize(static_cast<std::size_t>(n) + 1, 0);
        t.TableArray.resize(t.ReleveCapacity + 1, static_cast<int>(n) + 1);
        t.VegTable.setRowCount(TableLayout::gridRowCount(static_cast<std::int32_t>(n)));
        const TableLayout layout(t.FreqRow);
        for (std::int32_t m = old + 1; m <= n; ++m) {
            t.FreqArray[m] = 0;
            const int row = layout.speciesRow(m);
            t.VegTable.clearRow(row);
            t.VegTable.setCell(TableLayout::SlotCol, row, std::to_string(m));
            t.VegTable.setCell(TableLayout::NumberCol, row, IntText4(m));
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    t.PlantCapacity = static_cast<std::int32_t>(n);
    return true;
}

}  // namespace tamsel

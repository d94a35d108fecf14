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
        t.VegTable.setColCount(static_cast<int>(n) + 4);
        for (std::int32_t m = old + 1; m <= n; ++m) {
            t.NumSpArray[m] = 0;
            // Columns the grid has just made are empty; clearing one visits every row.
            if (m + 3 < oldCols) t.VegTable.clearCol(m + 3);
            t.VegTable.setCell(m + 3, 0, std::to_string(m));
            t.VegTable.setCell(m + 3, 1, IntText4(m));
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
        t.VegTable.setRowCount(static_cast<int>(n) + 32);
        for (std::int32_t m = old + 1; m <= n; ++m) {
            t.FreqArray[m] = 0;
            t.VegTable.clearRow(t.FreqRow + m);
            t.VegTable.setCell(0, t.FreqRow + m, std::to_string(m));
            t.VegTable.setCell(1, t.FreqRow + m, IntText4(m));
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    t.PlantCapacity = static_cast<std::int32_t>(n);
    return true;
}

}  // namespace tamsel

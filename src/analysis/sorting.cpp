#include "analysis/sorting.h"

#include <algorithm>
#include <numeric>
#include <string_view>
#include <vector>

#include "datafile/numbers.h"
#include "text/sjis.h"

namespace tamsel {

namespace {

// The order of a stable insertion sort that never moves an item in front of the
// first one: keys[order[k]] is the key that ends at place k. std::string_view
// compares as unsigned bytes, a prefix before the longer text, which is the text
// order of the counts.
std::vector<int> stableOrder(const std::vector<std::string_view>& keys, bool descending) {
    std::vector<int> order(keys.size());
    std::iota(order.begin(), order.end(), 0);
    if (descending)
        std::stable_sort(order.begin(), order.end(),
                         [&](int a, int b) { return keys[a] > keys[b]; });
    else
        std::stable_sort(order.begin(), order.end(),
                         [&](int a, int b) { return keys[a] < keys[b]; });
    return order;
}

// FreqArray and NumSpArray follow their rows and columns: entry first+k gets the
// entry of the item that moved there.
void permuteCounts(std::vector<std::uint16_t>& counts, const std::vector<int>& order) {
    std::vector<std::uint16_t> old(counts.begin() + 1, counts.begin() + 1 + order.size());
    for (std::size_t k = 0; k < order.size(); ++k) counts[k + 1] = old[order[k]];
}

}  // namespace

void Item_SortPlantClick(TableState& t, Ui& ui) {
    MessagePanelScope panel(ui, sj("植物を並べ替えています"));
    Grid& g = t.VegTable;
    const TableLayout layout(t.FreqRow);
    const int first = layout.firstSpeciesRow();
    const int n = t.SpeciesCount;
    ProgressBar& bar = ui.progressBar2();
    if (n > 0) bar.setRange(first, layout.lastSpeciesRow(n));
    std::vector<std::string_view> keys;
    keys.reserve(static_cast<std::size_t>(n));
    for (std::int32_t i = 1; i <= n; ++i) {
        bar.setPosition(layout.speciesRow(i));
        keys.push_back(g.cell(TableLayout::FreqCol, layout.speciesRow(i)));
    }
    std::vector<int> order = stableOrder(keys, true);
    keys.clear();  // the views die with the move below
    permuteSpeciesRows(t, order);
}

void permuteSpeciesRows(TableState& t, const std::vector<int>& order) {
    const TableLayout layout(t.FreqRow);
    t.VegTable.permuteRows(layout.firstSpeciesRow(), order);
    permuteCounts(t.FreqArray, order);
    for (std::int32_t k = 1; k <= t.PlantCapacity; ++k)
        t.VegTable.setCell(TableLayout::NumberCol, layout.speciesRow(k), IntText4(k));
}

void permuteReleveCols(TableState& t, const std::vector<int>& order) {
    using L = TableLayout;
    t.VegTable.permuteCols(L::FirstReleveCol, order);
    permuteCounts(t.NumSpArray, order);
    for (std::int32_t k = 1; k <= t.ReleveCapacity; ++k)
        t.VegTable.setCell(L::releveCol(k), L::SerialRow, IntText4(k));
}

void SortReleve(TableState& t, Ui& ui, bool reverse) {
    using L = TableLayout;
    MessagePanelScope panel(ui, sj("測定を並べ替えています"));
    Grid& g = t.VegTable;
    const int n = t.ReleveCount;
    ProgressBar& bar = ui.progressBar2();
    bar.setRange(0, L::lastReleveCol(n));
    // The label cell stands in front of the first column; it never takes part,
    // since no column moves left of the first relevé column.
    g.setCell(L::FreqCol, t.FreqRow, "0");
    std::vector<std::string_view> keys;
    keys.reserve(static_cast<std::size_t>(n));
    for (std::int32_t j = 1; j <= n; ++j) {
        bar.setPosition(L::releveCol(j));
        keys.push_back(g.cell(L::releveCol(j), t.FreqRow));
    }
    std::vector<int> order = stableOrder(keys, !reverse);
    keys.clear();
    permuteReleveCols(t, order);
    g.setCell(L::FreqCol, t.FreqRow, sj("F＼N"));
}

void Item_SortReleveClick(TableState& t, Ui& ui) {
    SortReleve(t, ui, false);
}
void Item_SortReverseClick(TableState& t, Ui& ui) {
    SortReleve(t, ui, true);
}

}  // namespace tamsel

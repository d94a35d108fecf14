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

}  // namespace

void Item_SortPlantClick(TableState& t, Ui& ui) {
    MessagePanelScope panel(ui, sj("植物を並べ替えています"));
    const Grid& g = t.grid();
    const TableLayout layout(t.freqRow());
    const int first = layout.firstSpeciesRow();
    const int n = t.speciesCount();
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
    reorderSpeciesRows(t, order);
}

void reorderSpeciesRows(TableState& t, const std::vector<int>& order) {
    t.permuteSpeciesRows(order);
    t.renumberRunning();
}

void reorderReleveColumns(TableState& t, const std::vector<int>& order) {
    t.permuteReleveColumns(order);
    t.renumberSerials();
}

void SortReleve(TableState& t, Ui& ui, bool reverse) {
    using L = TableLayout;
    MessagePanelScope panel(ui, sj("測定を並べ替えています"));
    const Grid& g = t.grid();
    const int n = t.releveCount();
    ProgressBar& bar = ui.progressBar2();
    bar.setRange(0, L::lastReleveCol(n));
    // The label cell stands in front of the first column; it never takes part,
    // since no column moves left of the first relevé column.
    t.setCell(L::FreqCol, t.freqRow(), "0");
    std::vector<std::string_view> keys;
    keys.reserve(static_cast<std::size_t>(n));
    for (std::int32_t j = 1; j <= n; ++j) {
        bar.setPosition(L::releveCol(j));
        keys.push_back(g.cell(L::releveCol(j), t.freqRow()));
    }
    std::vector<int> order = stableOrder(keys, !reverse);
    keys.clear();
    reorderReleveColumns(t, order);
    t.setCell(L::FreqCol, t.freqRow(), sj("F＼N"));
}

void Item_SortReleveClick(TableState& t, Ui& ui) {
    SortReleve(t, ui, false);
}
void Item_SortReverseClick(TableState& t, Ui& ui) {
    SortReleve(t, ui, true);
}

}  // namespace tamsel

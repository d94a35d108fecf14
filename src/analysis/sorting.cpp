#include "analysis/sorting.h"

#include <algorithm>
#include <numeric>
#include <optional>
#include <string_view>
#include <vector>

#include "datafile/numbers.h"
#include "io/csv.h"
#include "platform/error.h"
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

void sortSpeciesByFrequency(TableState& t, Progress& progress) {
    MessagePanelScope panel(progress, sj("植物を並べ替えています"));
    const Grid& g = t.model.grid();
    const TableLayout layout(t.model.freqRow());
    const int first = layout.firstSpeciesRow();
    const int n = t.model.speciesCount();
    ProgressBar& bar = progress.progressBar2();
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
    t.model.permuteSpeciesRows(order);
    t.model.renumberRunning();
}

void reorderReleveColumns(TableState& t, const std::vector<int>& order) {
    t.model.permuteReleveColumns(order);
    t.model.renumberSerials();
}

void SortReleve(TableState& t, Progress& progress, bool reverse) {
    using L = TableLayout;
    MessagePanelScope panel(progress, sj("測定を並べ替えています"));
    const Grid& g = t.model.grid();
    const int n = t.model.releveCount();
    ProgressBar& bar = progress.progressBar2();
    bar.setRange(0, L::lastReleveCol(n));
    // The label cell stands in front of the first column; it never takes part,
    // since no column moves left of the first relevé column.
    t.model.setCell(L::FreqCol, t.model.freqRow(), "0");
    std::vector<std::string_view> keys;
    keys.reserve(static_cast<std::size_t>(n));
    for (std::int32_t j = 1; j <= n; ++j) {
        bar.setPosition(L::releveCol(j));
        keys.push_back(g.cell(L::releveCol(j), t.model.freqRow()));
    }
    std::vector<int> order = stableOrder(keys, !reverse);
    keys.clear();
    reorderReleveColumns(t, order);
    t.model.setCell(L::FreqCol, t.model.freqRow(), sj("F＼N"));
}

int headerRowNamed(const TableState& t, const std::string& name) {
    const int last = TableLayout(t.model.freqRow()).lastItemRow();
    const std::string wanted = trimControl(name);
    if (!wanted.empty() &&
        std::all_of(wanted.begin(), wanted.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        const long row = wanted.size() > 6 ? -1 : std::stol(wanted);
        if (row < TableLayout::FirstItemRow || row > last)
            throw Error(msg("行 %1 は項目の行ではありません（項目の行は %2～%3 です）", wanted,
                            TableLayout::FirstItemRow, last));
        return static_cast<int>(row);
    }
    for (int row = TableLayout::FirstItemRow; row <= last; ++row)
        if (!wanted.empty() && trimControl(t.model.cell(TableLayout::NameCol, row)) == wanted)
            return row;
    throw Error(msg("「%1」という項目の行はありません", name));
}

void sortRelevesByRow(TableState& t, Progress& progress, int row, bool descending) {
    using L = TableLayout;
    if (row < L::FirstItemRow || row > TableLayout(t.model.freqRow()).lastItemRow())
        throw Error(msg("行 %1 は項目の行ではありません", row));
    MessagePanelScope panel(progress, sj("測定を並べ替えています"));
    const int n = t.model.releveCount();
    struct Key {
        int group;  // 0 number, 1 text, 2 blank
        double number;
        std::string text;
    };
    std::vector<Key> keys;
    keys.reserve(static_cast<std::size_t>(std::max(n, 0)));
    for (std::int32_t j = 1; j <= n; ++j) {
        std::string text = trimControl(t.model.cell(L::releveCol(j), row));
        if (text.empty())
            keys.push_back({2, 0.0, {}});
        else if (auto v = plainNumber(text))
            keys.push_back({0, *v, {}});
        else
            keys.push_back({1, 0.0, std::move(text)});
    }
    std::vector<int> order(keys.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const Key &x = keys[a], &y = keys[b];
        if (x.group != y.group) return x.group < y.group;
        if (x.group == 0) return descending ? y.number < x.number : x.number < y.number;
        return descending ? y.text < x.text : x.text < y.text;
    });
    reorderReleveColumns(t, order);
}

}  // namespace tamsel

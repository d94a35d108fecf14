// A table's counts and arrays set as a test needs them (a frequency that marks
// its row, a count without cells), through the one way a table built aside
// comes in whole.
#pragma once

#include <algorithm>
#include <utility>
#include <vector>

#include "table/composition_table.h"

namespace tamsel::testing {

// Puts parts in place as the model's replace does, without its check, so that a
// test can build a table gone wrong.
struct TableSurgery {
    static void replace(CompositionTable& t, TableFields&& f, CoverArray&& codes, Grid&& grid) {
        t.replaceAsIs(std::move(f), std::move(codes), std::move(grid));
    }
};

template <typename Edit>
void editFields(CompositionTable& t, Edit&& edit) {
    TableFields fields = t.fields();
    edit(fields);
    CoverArray codes = t.codes();
    Grid grid = t.grid();
    TableSurgery::replace(t, std::move(fields), std::move(codes), std::move(grid));
}

// The grid edited as no command can (a slot cell that is no number or repeats
// one), for the outputs' and the save's checks of a table gone wrong.
template <typename Edit>
void editGrid(CompositionTable& t, Edit&& edit) {
    Grid grid = t.grid();
    edit(grid);
    CoverArray codes = t.codes();
    TableSurgery::replace(t, t.fields(), std::move(codes), std::move(grid));
}

// The order that exchanges positions a and b of first, first + 1, ... (a, b >= first).
inline std::vector<int> exchangeOrder(int first, int a, int b) {
    std::vector<int> order(static_cast<std::size_t>(std::max(a, b) - first + 1));
    for (std::size_t k = 0; k < order.size(); ++k) order[k] = static_cast<int>(k);
    std::swap(order[static_cast<std::size_t>(a - first)],
              order[static_cast<std::size_t>(b - first)]);
    return order;
}

// Two relevé columns (species rows) exchanged through the model's permutation.
inline void swapReleveColumns(CompositionTable& t, int a, int b) {
    t.permuteReleveColumns(exchangeOrder(TableLayout::FirstReleveCol, a, b));
}
inline void swapSpeciesRows(CompositionTable& t, int a, int b) {
    t.permuteSpeciesRows(exchangeOrder(TableLayout(t.freqRow()).firstSpeciesRow(), a, b));
}

}  // namespace tamsel::testing

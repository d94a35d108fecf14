#include "table/layer_merge.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/batch/batch_ui.h"
#include "platform/error.h"
#include "support/small_table.h"
#include "table/history.h"
#include "text/sjis.h"

namespace tamsel {
namespace {

using testing::addReleveColumn;
using testing::addTableRow;
using testing::setCodes;

// Species in several layers become one code in the chosen layer, as computed
// by hand from the mid-points; one step, undone whole.
TEST(MergeLayers, SpeciesInSeveralLayersThenUndo) {
    TableState t;
    BatchUi ui;
    startBlankTable(t, ui);
    const std::int32_t j = addReleveColumn(t);
    struct Case {
        LayerCodes codes;
        CoverCode independent, sum;  // in H1
    } cases[] = {
        // 62.5, 15 and 0.1 %: 68.2 % independent, 77.6 % summed.
        {{40, 0, 20, 0, 7, 0, 0}, 40, 50},
        {{0, 0, 0, 23, 0, 0, 0}, 23, 23},   // one layer: its code, sociability and all
        {{0, 6, 0, 0, 0, 6, 0}, 6, 6},      // r and r stay r
        {{6, 0, 7, 0, 0, 0, 0}, 7, 7},      // r and + make +
        {{1, 0, 0, 0, 0, 0, 1}, 1, 1},      // marks "*" only stay a mark
        {{10, 0, 10, 0, 0, 0, 0}, 10, 20},  // 4.9375 % against 5 %
    };
    for (const Case& c : cases) {
        const std::int32_t s = addTableRow(t, "S");
        setCodes(t, j, s, c.codes);
    }
    const int col = TableLayout::releveCol(j);
    auto codesOf = [&](std::int32_t s) { return t.model.codesAt(col, layoutOf(t).speciesRow(s)); };
    auto cellOf = [&](std::int32_t s) {
        return std::string(t.model.cell(col, layoutOf(t).speciesRow(s)));
    };
    const int h1 = layerNamed(t, " " + trimControl(t.print.LayerLabels[4]) + " ");
    EXPECT_EQ(h1, 4);
    EXPECT_THROW(layerNamed(t, "X9"), Error);
    for (LayerMerge merge : {LayerMerge::Independent, LayerMerge::Sum}) {
        {
            HistoryStep step(t, "merge");
            mergeLayers(t, merge, h1);
        }
        for (std::size_t k = 0; k < std::size(cases); ++k) {
            const std::int32_t s = static_cast<std::int32_t>(k) + 1;
            LayerCodes want{};
            want[h1] = merge == LayerMerge::Sum ? cases[k].sum : cases[k].independent;
            EXPECT_EQ(codesOf(s), want) << k;
            EXPECT_EQ(cellOf(s), LayerSummary(want)) << k;
        }
        t.history.undo(t.model);
        for (std::size_t k = 0; k < std::size(cases); ++k) {
            const std::int32_t s = static_cast<std::int32_t>(k) + 1;
            EXPECT_EQ(codesOf(s), cases[k].codes) << k;
            EXPECT_EQ(cellOf(s), LayerSummary(cases[k].codes)) << k;
        }
    }
}

}  // namespace
}  // namespace tamsel

// OptimClass in the window: the curve offered with its best point marked, and a
// chosen point arranging the table into that partition as one step of the history.
#include <gtest/gtest.h>

#include <QAction>
#include <QDialog>
#include <string>

#include "analysis/synoptic.h"
#include "platform/ui.h"
#include "window_helpers.h"

namespace tamsel {
namespace {

using testing::Window;

std::string everyCell(const TableState& t) {
    std::string s;
    for (int r = 0; r < t.model.grid().rowCount(); ++r)
        for (int c = 0; c < t.model.grid().colCount(); ++c) (s += t.model.cell(c, r)) += '\t';
    return s;
}

TEST(OptimClassWindow, AChosenPointArrangesTheTableAsOneStep) {
    Window w;
    testing::fillFromSample(w);
    const std::string before = everyCell(w.t());
    CurveChartRequest shown;
    std::pair<int, int> pick{-1, -1};
    w.form.ui().setCurveChartView([&](const CurveChartRequest& r) {
        shown = r;
        // Modified TWINSPAN's three groups.
        pick = {0, 1};
        return std::optional<std::pair<int, int>>(pick);
    });
    testing::answerNextModal([](QWidget* dialog) { static_cast<QDialog*>(dialog)->accept(); });
    w.form.item(QStringLiteral("Item_OptimClass"))->trigger();  // no file: no CSV

    ASSERT_EQ(shown.series.size(), 2U);
    ASSERT_GE(shown.markedSeries, 0);
    ASSERT_GE(shown.series[0].points.size(), 2U);
    EXPECT_EQ(shown.series[0].points[1].first, 3.0);
    // The marked point has the most faithful species of all.
    const double best = shown.series[shown.markedSeries].points[shown.markedPoint].second;
    for (const auto& s : shown.series)
        for (const auto& p : s.points) EXPECT_LE(p.second, best);
    EXPECT_EQ(releveGroups(w.t().model.numSp(), w.t().model.releveCount()).size(), 3U);

    w.form.item(QStringLiteral("Item_Undo"))->trigger();
    EXPECT_EQ(everyCell(w.t()), before);
}

}  // namespace
}  // namespace tamsel

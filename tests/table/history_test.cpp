#include "table/history.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/batch/batch_ui.h"
#include "platform/error.h"
#include "table/table_state.h"

namespace tamsel {
namespace {

class HistoryTest : public ::testing::Test {
  protected:
    void SetUp() override { startBlankTable(t, ui); }
    // One step that writes text into cell (5, 30).
    void write(const std::string& text) {
        HistoryStep step(t, "write");
        t.setCell(5, 30, text);
    }
    const std::string& cell() const { return t.grid().cell(5, 30); }
    TableState t;
    BatchUi ui;
};

TEST_F(HistoryTest, TheOldestStepsGoWhenABoundIsReached) {
    static_assert(History::DefaultMaxSteps >= 100);
    static_assert(History::DefaultMaxBytes == std::size_t{1} << 30);
    t.history.setLimits(5, History::DefaultMaxBytes);
    for (int k = 1; k <= 8; ++k) write(std::to_string(k));
    EXPECT_EQ(t.history.stepCount(), 5u);
    for (int k = 0; k < 5; ++k) t.history.undo(t);
    EXPECT_EQ(cell(), "3");
    EXPECT_THROW(t.history.undo(t), Error);

    // Steps of about 1,000 bytes each under a bound of 10,000 bytes.
    t.history.restart(t);
    t.history.setLimits(History::DefaultMaxSteps, 10'000);
    for (int k = 0; k < 40; ++k) write(std::string(1000, static_cast<char>('a' + k % 26)));
    EXPECT_LE(t.history.bytes(), 10'000u);
    EXPECT_GE(t.history.stepCount(), 5u);
    EXPECT_LT(t.history.stepCount(), 10u);
}

TEST_F(HistoryTest, TheChangedMarkFollowsTheSavedPoint) {
    EXPECT_FALSE(t.changed());
    write("a");
    t.markUnchanged();  // saved here
    write("b");
    EXPECT_TRUE(t.changed());
    t.history.undo(t);
    EXPECT_FALSE(t.changed());
    t.history.undo(t);
    EXPECT_TRUE(t.changed());
    t.history.redo(t);
    EXPECT_FALSE(t.changed());
    // A new step where the steps to redo stood: the saved table is gone for good.
    t.history.undo(t);
    write("c");
    t.history.undo(t);
    t.history.redo(t);
    EXPECT_TRUE(t.changed());
    EXPECT_FALSE(t.history.canRedo());
}

}  // namespace
}  // namespace tamsel

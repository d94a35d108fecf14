#include "table/history.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "platform/batch/batch_ui.h"
#include "platform/error.h"
#include "support/model_checks.h"
#include "support/small_table.h"
#include "table/table_state.h"

namespace tamsel {
namespace {

class HistoryTest : public ::testing::Test {
  protected:
    void SetUp() override { startBlankTable(t, ui); }
    // One step that writes text into cell (5, 30).
    void write(const std::string& text) {
        HistoryStep step(t, "write");
        t.model.setCell(5, 30, text);
    }
    const std::string& cell() const { return t.model.cell(5, 30); }
    TableState t;
    BatchUi ui;
};

TEST_F(HistoryTest, TheOldestStepsGoWhenABoundIsReached) {
    static_assert(History::DefaultMaxSteps >= 100);
    static_assert(History::DefaultMaxBytes == std::size_t{1} << 30);
    t.history.setLimits(5, History::DefaultMaxBytes);
    for (int k = 1; k <= 8; ++k) write(std::to_string(k));
    EXPECT_EQ(t.history.stepCount(), 5u);
    for (int k = 0; k < 5; ++k) t.history.undo(t.model);
    EXPECT_EQ(cell(), "3");
    EXPECT_THROW(t.history.undo(t.model), Error);

    // Steps of about 1,000 bytes each under a bound of 10,000 bytes.
    t.history.restart(t.model);
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
    t.history.undo(t.model);
    EXPECT_FALSE(t.changed());
    t.history.undo(t.model);
    EXPECT_TRUE(t.changed());
    t.history.redo(t.model);
    EXPECT_FALSE(t.changed());
    // A new step where the steps to redo stood: the saved table is gone for good.
    t.history.undo(t.model);
    write("c");
    t.history.undo(t.model);
    t.history.redo(t.model);
    EXPECT_TRUE(t.changed());
    EXPECT_FALSE(t.history.canRedo());
}

// Each operation run as a step is undone to the model before it and redone to
// the one after it, every member compared: the origins, the count arrays, DomLine,
// the capacities and the counts escape no step.
TEST(HistoryModel, UndoAndRedoGiveBackEveryMember) {
    const std::string rli = "veg.rli";
    auto build = [&](TableState& t, BatchUi& ui) {
        startBlankTable(t, ui);
        for (int k = 1; k <= 3; ++k) {
            std::int32_t j = testing::addReleveColumn(t);
            testing::setHeader(t, j, 2, "R" + std::to_string(k));
            t.model.setOrigin(t.model.releveSlotAt(TableLayout::releveCol(j)), {rli, k});
        }
        for (int s = 1; s <= 3; ++s) {
            std::int32_t i = testing::addTableRow(t, "sp" + std::to_string(s));
            for (std::int32_t j = 1; j <= 3; ++j)
                if ((i + j) % 3 != 0)
                    testing::setCodes(t, j, i, LayerCodes{0, 0, 0, 0, CoverCode(i + j), 0, 0});
        }
        t.model.recount();
    };
    const int col4 = TableLayout::releveCol(1), col5 = TableLayout::releveCol(2);
    const struct {
        const char* name;
        std::function<void(TableState&)> run;
    } cases[] = {
        {"remove column", [&](TableState& t) { t.model.removeReleveColumn(col5); }},
        {"insert column", [&](TableState& t) { t.model.insertReleveColumn(col4); }},
        {"remove row", [](TableState& t) { t.model.removeSpeciesRow(layoutOf(t).speciesRow(1)); }},
        {"insert row", [](TableState& t) { t.model.insertSpeciesRow(layoutOf(t).speciesRow(2)); }},
        {"move column", [&](TableState& t) { t.model.moveReleveColumn(col4, col4 + 2); }},
        {"move row",
         [](TableState& t) {
             t.model.moveSpeciesRow(layoutOf(t).speciesRow(3), layoutOf(t).speciesRow(1));
         }},
        {"permute columns",
         [](TableState& t) {
             t.model.permuteReleveColumns({2, 0, 1});
         }},
        {"permute rows",
         [](TableState& t) {
             t.model.permuteSpeciesRows({1, 2, 0});
         }},
        {"grow",
         [](TableState& t) {
             ASSERT_TRUE(t.model.growReleves(t.model.releveCapacity() + 1));
             ASSERT_TRUE(t.model.growSpecies(t.model.plantCapacity() + 1));
         }},
        {"recount after a code",
         [](TableState& t) {
             testing::setCodes(t, 1, 3, LayerCodes{0, 0, 0, 0, 9, 0, 0});
             t.model.recount();
         }},
        {"origin",
         [&](TableState& t) {
             t.model.setOrigin(t.model.releveSlotAt(col5), {"other.rli", 7});
         }},
        {"title", [](TableState& t) { t.model.setTitle("t2"); }},
        {"append and drop",
         [](TableState& t) {
             t.model.appendReleveColumn();
             t.model.appendSpeciesRow("sp9");
             t.model.dropSpeciesRowsAfter(3);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TableState t;
        BatchUi ui;
        build(t, ui);
        ASSERT_TRUE(testing::invariantsHold(t.model));
        const CompositionTable before = t.model;
        {
            HistoryStep step(t, c.name);
            c.run(t);
        }
        const CompositionTable after = t.model;
        EXPECT_FALSE(t.model == before);
        EXPECT_TRUE(testing::invariantsHold(t.model));
        t.history.undo(t.model);
        EXPECT_TRUE(t.model == before);
        EXPECT_EQ(t.model.originOf(t.model.releveSlotAt(col5)), (ReleveOrigin{rli, 2}));
        t.history.redo(t.model);
        EXPECT_TRUE(t.model == after);
        EXPECT_TRUE(testing::invariantsHold(t.model));
    }
}

// Appending many relevés is undone as one region, not cell by cell: the step
// keeps far less than a record for each cell written, and undo and redo (twice,
// so that the records undo makes are themselves exact) give back each model.
// The same append followed by a move that ends the fresh region and a write to
// a column that was there before must still be exact.
TEST(HistoryModel, AnAppendIsUndoneAsOneRegion) {
    const struct {
        const char* name;
        bool moveAfter;
    } cases[] = {{"append", false}, {"append, move and write", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TableState t;
        BatchUi ui;
        startBlankTable(t, ui);
        for (int k = 0; k < 3; ++k) testing::addReleveColumn(t);
        testing::addTableRow(t, "first");
        testing::setHeader(t, 1, 2, "old");
        const CompositionTable before = t.model;
        constexpr int Releves = 300, PerReleve = 20;
        std::size_t written = 0;
        {
            HistoryStep step(t, c.name);
            for (int k = 0; k < Releves; ++k) {
                const std::int32_t j = testing::addReleveColumn(t);
                for (int row = TableLayout::FirstItemRow; row < t.model.freqRow(); ++row, ++written)
                    t.model.setCell(TableLayout::releveCol(j), row, std::to_string(k % 7) + "x");
                for (int n = 0; n < PerReleve; ++n, ++written) {
                    const int name = (k * 7 + n * 13) % 97;
                    std::int32_t i = 0;
                    for (std::int32_t r = 1; r <= t.model.speciesCount() && !i; ++r)
                        if (t.model.cell(TableLayout::NameCol, layoutOf(t).speciesRow(r)) ==
                            "sp" + std::to_string(name))
                            i = r;
                    if (!i) i = testing::addTableRow(t, "sp" + std::to_string(name));
                    testing::setCodes(t, j, i, LayerCodes{0, 0, 0, 0, CoverCode(1 + n % 5), 0, 0});
                }
            }
            if (c.moveAfter) {
                t.model.moveReleveColumn(TableLayout::releveCol(1),
                                         TableLayout::releveCol(Releves));
                testing::setHeader(t, Releves, 2, "moved");
                testing::setHeader(t, 1, 2, "after");
            }
            t.model.recount();
        }
        const CompositionTable after = t.model;
        ASSERT_TRUE(testing::invariantsHold(t.model));
        // Cell by cell, each cell and code written would cost a record of 48 bytes.
        EXPECT_LT(t.history.bytes(), 16 * written);
        for (int round = 0; round < 2; ++round) {
            t.history.undo(t.model);
            EXPECT_TRUE(t.model == before);
            EXPECT_TRUE(testing::invariantsHold(t.model));
            t.history.redo(t.model);
            EXPECT_TRUE(t.model == after);
        }
    }
}

}  // namespace
}  // namespace tamsel

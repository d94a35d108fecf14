#include "table/table_state.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "datafile/numbers.h"
#include "platform/batch/batch_ui.h"
#include "platform/error.h"
#include "support/table_fields.h"
#include "text/sjis.h"

namespace tamsel {
namespace {

// The start-up steps of the window that belong to the table, with the boxes
// changed first as a settings file would change them.
void startTable(TableState& t, BatchUi& ui,
                const std::function<void(TableState&)>& settings = nullptr) {
    InitGlobals(t);
    t.print.PrintItemBoxes = defaultPrintItemBoxes();
    if (settings) settings(t);
    adjustLayerLabels(t);
    t.print.TableFont = defaultGridFont();
    layOutGrid(t);
    ClearTable(t, ui);
}

std::string startCaption() {
    return sj("森林群落組成表") + "  NR=0, NS=0    " + sj("辞書なし");
}

// Every cell of the grid, to compare whole grids.
std::vector<std::vector<std::string>> cells(const Grid& g) {
    std::vector<std::vector<std::string>> out;
    for (int r = 0; r < g.rowCount(); ++r) out.push_back(g.rowTexts(r));
    return out;
}

// A blank table: every slot equal to its position, counts 0, codes 0, and the
// fixed texts; nothing else in the grid.
void expectBlank(const TableState& t) {
    const CompositionTable& g = t.model;
    EXPECT_EQ(t.model.releveCount(), 0);
    EXPECT_EQ(t.model.speciesCount(), 0);
    EXPECT_EQ(t.model.freqRow(), freqRowFromBoxes(t));
    std::size_t expectedCells = 0;
    for (int j = 1; j <= t.model.releveCapacity(); ++j) {
        EXPECT_EQ(t.model.releveSlotAt(j + 3), j);
        EXPECT_EQ(g.cell(j + 3, 0), std::to_string(j));
        EXPECT_EQ(g.cell(j + 3, 1), IntText4(j));
        EXPECT_EQ(t.model.numSp().at(j), 0);
        expectedCells += 2;
    }
    for (int i = 1; i <= t.model.plantCapacity(); ++i) {
        EXPECT_EQ(t.model.speciesSlotAt(t.model.freqRow() + i), i);
        EXPECT_EQ(g.cell(1, t.model.freqRow() + i), IntText4(i));
        EXPECT_EQ(t.model.freq().at(i), 0);
        expectedCells += 2;
    }
    EXPECT_EQ(g.cell(2, 1), t.print.PrintItemBoxes[1].caption);
    int row = 2;
    for (int n = 2; n <= PrintItemCount; ++n)
        if (t.print.PrintItemBoxes[n].enabled) {
            EXPECT_EQ(g.cell(2, row++), t.print.PrintItemBoxes[n].caption);
        }
    EXPECT_EQ(row, t.model.freqRow());
    EXPECT_EQ(g.cell(3, t.model.freqRow()), sj("F＼N"));
    expectedCells += 1 + static_cast<std::size_t>(t.model.freqRow() - 2) + 1;
    std::size_t nonEmpty = 0;
    for (int r = 0; r < t.model.grid().rowCount(); ++r)
        t.model.grid().forEachInRow(r, [&](int, const std::string&) { ++nonEmpty; });
    EXPECT_EQ(nonEmpty, expectedCells);
    for (int r = 0; r < t.model.codes().releveSlots(); ++r)
        EXPECT_TRUE(t.model.codes().releve(r).empty()) << "relevé slot " << r;
}

TEST(StartUp, DefaultBoxes) {
    TableState t;
    BatchUi ui;
    startTable(t, ui);
    EXPECT_EQ(t.model.freqRow(), 28);
    EXPECT_EQ(t.model.grid().rowCount(), 159);
    EXPECT_EQ(t.model.grid().colCount(), 27);
    EXPECT_EQ(captionOf(t), startCaption());
    EXPECT_EQ(t.print.LayerLabels,
              (std::array<std::string, 7>{"T1", "T2", "S1", "S2", "H1", "H2", " M"}));
    EXPECT_EQ(t.model.title(), sj("森林群落組成表"));
    EXPECT_EQ(t.files.DataFileName, "nofile");
    EXPECT_EQ(t.files.DictionaryFileName, "");
    EXPECT_EQ(t.data.LastRecord, 0);
    EXPECT_EQ(t.data.CurrentNotation, 2);
    EXPECT_EQ(t.data.CurrentCoverScale, 5);
    EXPECT_EQ(t.data.PlantSetCapacity, 159);
    EXPECT_EQ(t.model.freq().size(), 128u);
    EXPECT_EQ(t.model.numSp().size(), 24u);
    EXPECT_EQ(t.model.domLine().size(), 24u);
    EXPECT_EQ(t.model.codes().releveSlots(), 24);
    EXPECT_EQ(t.model.codes().speciesSlots(), 128);
    EXPECT_EQ(t.print.TableFont.family, sj("ＭＳ ゴシック"));
    EXPECT_EQ(t.print.TableFont.pixelSize, 12);
    // The item rows in box order; boxes 4 to 6 are off.
    EXPECT_EQ(t.model.cell(2, 1), sj("表の通し番号"));
    EXPECT_EQ(t.model.cell(2, 2), sj("測定番号"));
    EXPECT_EQ(t.model.cell(2, 3), sj("調査地名"));
    EXPECT_EQ(t.model.cell(2, 4), sj("地理区画コード"));
    EXPECT_EQ(t.model.cell(2, 10), sj("表層地質"));
    EXPECT_EQ(t.model.cell(2, 12), sj("調査面積（㎡）"));
    EXPECT_EQ(t.model.cell(2, 27), sj("出現種数"));
    EXPECT_EQ(t.model.cell(3, 28), sj("F＼N"));
    EXPECT_EQ(t.model.cell(0, 29), "1");
    EXPECT_EQ(t.model.cell(1, 29), "   1");
    EXPECT_EQ(t.model.cell(26, 0), "23");
    EXPECT_EQ(t.model.cell(26, 1), "  23");
    EXPECT_EQ(t.model.cell(0, 155), "127");
    EXPECT_EQ(t.model.cell(0, 156), "");
    expectBlank(t);
    // The panel was shown with its text and hidden again; the cursor is back.
    ASSERT_FALSE(ui.panelLabels.empty());
    EXPECT_EQ(ui.panelLabels.front(), sj("組成表を白紙化しています"));
    EXPECT_FALSE(ui.panelShown);
    EXPECT_EQ(ui.busyDepth, 0);
    EXPECT_EQ(ui.progressBar1().max(), 23 + 127 + 1);
    EXPECT_EQ(ui.progressBar1().position(), 23 + 127);
    EXPECT_EQ(ui.progressBar2().max(), 100);
    EXPECT_EQ(ui.progressBar2().position(), 0);
}

TEST(StartUp, FreqRowFollowsTheEnabledBoxes) {
    struct Case {
        const char* what;
        std::function<void(TableState&)> settings;
        int freqRow;
    };
    const Case cases[] = {
        {"all enabled",
         [](TableState& t) {
             for (int n = 2; n <= 30; ++n) t.print.PrintItemBoxes[n].enabled = true;
         },
         31},
        {"all disabled",
         [](TableState& t) {
             for (int n = 2; n <= 30; ++n) t.print.PrintItemBoxes[n].enabled = false;
         },
         2},
        {"ChkBox2 off", [](TableState& t) { t.print.PrintItemBoxes[2].enabled = false; }, 27},
        {"ChkBox1 off changes nothing",
         [](TableState& t) { t.print.PrintItemBoxes[1].enabled = false; }, 28},
    };
    for (const Case& c : cases) {
        TableState t;
        BatchUi ui;
        startTable(t, ui, c.settings);
        EXPECT_EQ(t.model.freqRow(), c.freqRow) << c.what;
        EXPECT_EQ(t.model.cell(3, c.freqRow), sj("F＼N")) << c.what;
        // Species row 1 is the row below; the last species row fits the grid.
        EXPECT_EQ(t.model.cell(0, c.freqRow + 1), "1") << c.what;
        EXPECT_EQ(t.model.cell(0, c.freqRow + 127), "127") << c.what;
        EXPECT_LE(c.freqRow + 127, t.model.grid().rowCount() - 1) << c.what;
        expectBlank(t);
    }
    TableState t;
    BatchUi ui;
    startTable(t, ui, cases[0].settings);
    EXPECT_EQ(31 + 127, t.model.grid().rowCount() - 1);
    EXPECT_EQ(t.model.cell(2, 30), sj("出現種数"));
    EXPECT_EQ(t.model.cell(2, 4), sj("調査年月日"));
}

TEST(StartUp, LayerLabelsWithoutChkBox19) {
    TableState t;
    BatchUi ui;
    startTable(t, ui, [](TableState& s) { s.print.PrintItemBoxes[19].enabled = false; });
    EXPECT_EQ(t.print.LayerLabels,
              (std::array<std::string, 7>{"T1", "T2", " S", "S2", " H", "H2", " M"}));
    // Only ChkBox19 decides it.
    TableState u;
    startTable(u, ui, [](TableState& s) {
        for (int n = 2; n <= 30; ++n) s.print.PrintItemBoxes[n].enabled = n == 19;
    });
    EXPECT_EQ(u.print.LayerLabels[2], "S1");
    EXPECT_EQ(u.print.LayerLabels[4], "H1");
}

TEST(ClearTable, RestoresABlankTableAfterUse) {
    TableState t;
    BatchUi ui;
    startTable(t, ui);
    const auto fresh = cells(t.model.grid());

    // Fill, code and move things about as commands would.
    testing::editFields(t.model, [](TableFields& f) {
        f.releveCount = 5;
        f.speciesCount = 9;
        f.freq[3] = 4;
        f.numSp[2] = 7;
    });
    t.files.DataFileName = "veg.rli";
    t.model.setTitle(sj("ブナ林"));
    t.data.LastRecord = 40;
    for (int j = 1; j <= 5; ++j)
        for (int i = 1; i <= 9; ++i) {
            t.model.setCell(j + 3, t.model.freqRow() + i, "  +2");
            t.model.setCodes(j, i, LayerCodes{0, 0, 0, 0, 23, 0, 0});
        }
    t.model.setCodes(0, 0, LayerCodes{5, 2, 0, 0, 0, 0, 0});
    t.model.setCodes(3, 0, LayerCodes{5, 2, 0, 0, 0, 0, 0});
    t.model.setCodes(23, 127, LayerCodes{1, 0, 0, 0, 0, 0, 0});
    t.model.setCell(2, t.model.freqRow() + 1, sj("ブナ"));
    t.model.setCell(4, 2, "R001");
    testing::swapReleveColumns(t.model, 4, 9);
    t.model.moveReleveColumn(5, 20);
    t.model.moveSpeciesRow(t.model.freqRow() + 1, t.model.freqRow() + 50);
    t.model.permuteSpeciesRows({0, 4, 3, 2, 1});

    ClearTable(t, ui);
    expectBlank(t);
    EXPECT_EQ(cells(t.model.grid()), fresh);
    EXPECT_EQ(t.files.DataFileName, "veg.rli");
    EXPECT_EQ(t.model.title(), sj("ブナ林"));
    EXPECT_EQ(t.data.LastRecord, 0);
    EXPECT_EQ(captionOf(t), sj("ブナ林") + "  NR=0, NS=0    " + sj("辞書なし"));
    EXPECT_EQ(t.model.codes().get(0, 0), LayerCodes{});

    ClearTable(t, ui);
    EXPECT_EQ(cells(t.model.grid()), fresh);
    expectBlank(t);
}

TEST(ClearTable, SerialNumbersOfFiveDigitsAreCut) {
    TableState t;
    BatchUi ui;
    startTable(t, ui);
    t.model.reset(t.model.title(), t.model.plantCapacity(), 12345);
    layOutGrid(t);
    ClearTable(t, ui);
    EXPECT_EQ(t.model.grid().colCount(), 12349);
    EXPECT_EQ(t.model.cell(12348, 1), "1234");   // IntText4 of 12345
    EXPECT_EQ(t.model.cell(12348, 0), "12345");  // the slot is not cut
    EXPECT_EQ(t.model.cell(10003, 1), "1000");
    EXPECT_EQ(t.model.cell(10002, 1), "9999");
    EXPECT_EQ(t.model.releveSlotAt(12348), 12345);
}

TEST(Slots, CellsThatAreNoNumberNameThePlace) {
    TableState t;
    BatchUi ui;
    startTable(t, ui);
    testing::editGrid(t.model, [&](Grid& g) { g.setCell(5, 0, "x"); });
    EXPECT_THROW(t.model.releveSlotAt(5), Error);
    EXPECT_THROW(t.model.speciesSlotAt(2), Error);  // an item row has no slot
    // Slot 4 stands in column 7; after the swap its codes move to column 4.
    t.model.setCodes(4, 6, LayerCodes{7, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(t.model.codesAt(7, t.model.freqRow() + 6), (LayerCodes{7, 0, 0, 0, 0, 0, 0}));
    testing::swapReleveColumns(t.model, 4, 7);
    EXPECT_EQ(t.model.codesAt(7, t.model.freqRow() + 6), (LayerCodes{}));
    EXPECT_EQ(t.model.codesAt(4, t.model.freqRow() + 6), (LayerCodes{7, 0, 0, 0, 0, 0, 0}));
    testing::swapReleveColumns(t.model, 4, 11);
    testing::editGrid(t.model, [&](Grid& g) { g.setCell(11, 0, "99"); });
    EXPECT_THROW(t.model.codesAt(11, t.model.freqRow() + 6), Error);
}

// Only the model's own operations write a slot cell: a cell write that reaches
// one is refused before anything changes.
TEST(Slots, CellWritesNeverReachASlotCell) {
    TableState t;
    BatchUi ui;
    startTable(t, ui);
    const int row = t.model.freqRow() + 1;
    const auto before = cells(t.model.grid());
    const std::vector<std::function<void()>> writes = {
        [&] { t.model.setCell(4, 0, "9"); },
        [&] { t.model.setCell(0, row, "9"); },
        [&] {
            t.model.setCells({{5, row, "x"}, {6, 0, "9"}});
        },
        [&] { t.model.clearCol(0); },
    };
    for (std::size_t k = 0; k < writes.size(); ++k) {
        EXPECT_THROW(writes[k](), Error) << k;
        EXPECT_EQ(cells(t.model.grid()), before) << k;
    }
    t.model.clearCol(4);  // a relevé column keeps its slot
    EXPECT_EQ(t.model.releveSlotAt(4), 1);
}

// The model's operations and a whole replacement refuse what would break the
// table, before anything changes.
TEST(Model, RefusesTargetsAndPartsThatBreakTheTable) {
    TableState t;
    BatchUi ui;
    startTable(t, ui);
    t.model.appendReleveColumn();
    t.model.appendSpeciesRow("a");
    const CompositionTable before = t.model;
    const TableLayout layout(t.model.freqRow());
    Grid repeatedSlot = t.model.grid();
    repeatedSlot.setCell(TableLayout::releveCol(2), TableLayout::SlotRow, "1");
    TableFields tooMany = t.model.fields();
    tooMany.releveCount = t.model.releveCapacity() + 1;
    const std::vector<std::function<void()>> refused = {
        [&] { t.model.insertReleveColumn(TableLayout::releveCol(3)); },  // past the first free one
        [&] { t.model.removeReleveColumn(TableLayout::releveCol(2)); },  // a free column
        [&] { t.model.insertSpeciesRow(layout.speciesRow(3)); },
        [&] { t.model.removeSpeciesRows({layout.speciesRow(2)}); },
        [&] {
            t.model.moveReleveColumn(TableLayout::FirstReleveCol - 1, TableLayout::FirstReleveCol);
        },
        [&] {
            t.model.permuteSpeciesRows({0, 0});
        },
        [&] { t.model.replace(t.model.fields(), CoverArray(t.model.codes()), Grid(repeatedSlot)); },
        [&] {
            t.model.replace(TableFields(tooMany), CoverArray(t.model.codes()),
                            Grid(t.model.grid()));
        },
    };
    for (std::size_t k = 0; k < refused.size(); ++k) {
        EXPECT_THROW(refused[k](), Error) << k;
        EXPECT_TRUE(t.model == before) << k;
    }
}

// No reader brings a control character in; should one, the model refuses the
// text, naming the relevé or species and the field, before anything changes.
TEST(Cells, ControlCharactersAreRefusedBeforeAnythingChanges) {
    TableState t;
    BatchUi ui;
    startTable(t, ui);
    t.model.appendReleveColumn();
    ASSERT_TRUE(t.model.appendSpeciesRow(sj("ブナ")));
    const TableLayout layout = layoutOf(t);
    const int col = TableLayout::releveCol(1), site = layout.itemRow(3);
    const int beech = layout.speciesRow(1);
    const auto before = cells(t.model.grid());
    const std::string title = t.model.title();
    struct Case {
        std::function<void()> write;
        const char* named;  // UTF-8
    };
    const Case cases[] = {
        {[&] { t.model.setCell(col, site, "A\rB"); }, "測定 1（列 4）の「調査地名」の欄"},
        {[&] { t.model.setCell(col, beech, "1\t  "); }, "測定 1（列 4）の「ブナ」の欄"},
        {[&] {
             t.model.setCells({{col, beech, "   1"}, {col, site, std::string("x\0y", 3)}});
         },
         "「調査地名」"},
        {[&] { t.model.appendSpeciesRow("A\nB"); }, "種名「A B」"},
        {[&] { t.model.setCell(TableLayout::NameCol, beech, "x\x7fy"); }, "種名「x y」"},
        {[&] { t.model.setTitle("T\tU"); }, "標題"},
    };
    for (const Case& c : cases) {
        try {
            c.write();
            ADD_FAILURE() << c.named << ": not refused";
        } catch (const Error& e) {
            EXPECT_NE(toUtf8(e.what()).find(c.named), std::string::npos) << toUtf8(e.what());
        }
        EXPECT_EQ(cells(t.model.grid()), before) << c.named;
        EXPECT_EQ(t.model.speciesCount(), 1) << c.named;
        EXPECT_EQ(t.model.title(), title) << c.named;
    }
}

}  // namespace
}  // namespace tamsel

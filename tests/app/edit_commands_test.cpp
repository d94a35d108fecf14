#include "app/session/edit_commands.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "datafile/numbers.h"
#include "platform/batch/batch_ui.h"
#include "platform/error.h"
#include "support/model_checks.h"
#include "table/frequency.h"
#include "text/sjis.h"

namespace tamsel {
namespace {

// The message of the Error a refused command throws; a failure when none is thrown.
template <typename F>
std::string refusalOf(F&& command) {
    try {
        command();
    } catch (const Error& e) {
        return e.what();
    }
    ADD_FAILURE() << "not refused";
    return "";
}

// What every cell must hold: codes by (relevé name in row 2, species name).
using Expected = std::map<std::pair<std::string, std::string>, LayerCodes>;

struct Table {
    TableState t;
    EditingState e;
    BatchUi ui;
    Expected expected;

    Table() { startBlankTable(t, ui); }

    int rowOf(const std::string& name) const {
        for (int i = 1; i <= t.model.speciesCount(); ++i)
            if (t.model.cell(2, t.model.freqRow() + i) == name) return t.model.freqRow() + i;
        return -1;
    }

    // A relevé placed in the first free column through the slots, as placing does.
    void add(const std::string& releve, const std::vector<std::pair<std::string, int>>& species) {
        t.model.appendReleveColumn();
        int col = t.model.releveCount() + 3;
        t.model.setCell(col, 2, releve);
        for (const auto& [name, code] : species) {
            int row = rowOf(name);
            if (row < 0) {
                t.model.appendSpeciesRow(name);
                row = t.model.freqRow() + t.model.speciesCount();
            }
            LayerCodes c{};
            c[4] = static_cast<CoverCode>(code);
            t.model.setCodes(t.model.releveSlotAt(col), t.model.speciesSlotAt(row), c);
            expected[{releve, name}] = c;
        }
        recount(t, ui);
    }

    void pressSerial(int col) { VegTableMouseDown(t, e, MouseButton::Right, col, 1); }
    void pressRunning(int row) { VegTableMouseDown(t, e, MouseButton::Right, 1, row); }

    std::vector<std::string> releveOrder() const {
        std::vector<std::string> v;
        for (int j = 1; j <= t.model.releveCount(); ++j) v.push_back(t.model.cell(j + 3, 2));
        return v;
    }
    std::vector<std::string> speciesOrder() const {
        std::vector<std::string> v;
        for (int i = 1; i <= t.model.speciesCount(); ++i)
            v.push_back(t.model.cell(2, t.model.freqRow() + i));
        return v;
    }
};

// Five relevés A..E over species s1..s6, each cell its own code.
void standardTable(Table& x) {
    x.add("A", {{"s1", 10}, {"s2", 20}});
    x.add("B", {{"s2", 21}, {"s3", 30}});
    x.add("C", {{"s3", 31}, {"s4", 40}, {"s1", 11}});
    x.add("D", {{"s5", 50}});
    x.add("E", {{"s6", 7}, {"s4", 41}});
}

// The model's invariants, the serial and running numbers, and every cell in use
// holding its own codes. After a drag the numbers wait for the next renumbering.
void checkTable(const Table& x, bool numbered = true) {
    const TableState& t = x.t;
    EXPECT_TRUE(testing::invariantsHold(t.model));
    if (numbered) {
        for (int j = 1; j <= t.model.releveCapacity(); ++j)
            EXPECT_EQ(t.model.cell(j + 3, 1), IntText4(j));
        for (int i = 1; i <= t.model.plantCapacity(); ++i)
            EXPECT_EQ(t.model.cell(1, t.model.freqRow() + i), IntText4(i));
    }
    int found = 0;
    for (int j = 1; j <= t.model.releveCount(); ++j) {
        for (int i = 1; i <= t.model.speciesCount(); ++i) {
            int col = j + 3, row = t.model.freqRow() + i;
            auto it = x.expected.find({t.model.cell(col, 2), t.model.cell(2, row)});
            LayerCodes want = it == x.expected.end() ? LayerCodes{} : it->second;
            if (it != x.expected.end()) ++found;
            EXPECT_EQ(t.model.codesAt(col, row), want) << "cell " << col << "," << row;
            EXPECT_EQ(t.model.cell(col, row), allZero(want) ? "" : LayerSummary(want));
        }
    }
    // Every code of a relevé and a species both still in the table was met.
    std::set<std::string> releves, species;
    for (int j = 1; j <= t.model.releveCount(); ++j) releves.insert(t.model.cell(j + 3, 2));
    for (int i = 1; i <= t.model.speciesCount(); ++i)
        species.insert(t.model.cell(2, t.model.freqRow() + i));
    int live = 0;
    for (const auto& [key, codes] : x.expected)
        if (releves.count(key.first) && species.count(key.second)) ++live;
    EXPECT_EQ(found, live) << "a cover code went missing";
}

struct Snapshot {
    std::vector<std::vector<std::string>> cells;
    std::vector<std::vector<std::pair<std::int32_t, LayerCodes>>> codes;
    std::int32_t releves, species, releveCap, plantCap;
    std::vector<std::uint16_t> freq, numSp;
    std::string title;
    bool operator==(const Snapshot&) const = default;
};

Snapshot snapshot(const TableState& t) {
    Snapshot s;
    for (int r = 0; r < t.model.grid().rowCount(); ++r) s.cells.push_back(t.model.rowTexts(r));
    for (int r = 0; r < t.model.codes().releveSlots(); ++r)
        s.codes.push_back(t.model.codes().releve(r));
    s.releves = t.model.releveCount();
    s.species = t.model.speciesCount();
    s.releveCap = t.model.releveCapacity();
    s.plantCap = t.model.plantCapacity();
    s.freq = t.model.freq();
    s.numSp = t.model.numSp();
    s.title = t.model.title();
    return s;
}

using Strings = std::vector<std::string>;

TEST(InsertColumn, AtFirstMiddleAndFirstFreeColumn) {
    struct Case {
        int col;
        Strings order;
    } cases[] = {{4, {"", "A", "B", "C", "D", "E"}},
                 {6, {"A", "B", "", "C", "D", "E"}},
                 {9, {"A", "B", "C", "D", "E", ""}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.col);
        Table x;
        standardTable(x);
        int freeSlot = x.t.model.releveSlotAt(9);
        x.pressSerial(c.col);
        EXPECT_TRUE(x.e.Panel_forCol.visible);
        Btn_InsColMouseUp(x.t, x.e, MouseButton::Right);
        EXPECT_FALSE(x.e.Panel_forCol.visible);
        EXPECT_EQ(x.t.model.releveCount(), 6);
        EXPECT_EQ(x.releveOrder(), c.order);
        EXPECT_EQ(x.t.model.releveSlotAt(c.col), freeSlot);
        for (int r = 1; r < x.t.model.grid().rowCount(); ++r)
            if (r != 1) {
                EXPECT_TRUE(x.t.model.isEmpty(c.col, r)) << r;
            }
        EXPECT_EQ(captionOf(x.t), sj("森林群落組成表") + "  NR=6, NS=6    " + sj("辞書なし"));
        checkTable(x);
    }
}

TEST(InsertColumn, AtCapacityGrowsByEightAndRenumbers) {
    Table x;
    for (int j = 1; j <= 23; ++j)
        x.add("R" + std::to_string(j), {{"s" + std::to_string(j % 3), 10}});
    x.pressSerial(5);
    Btn_InsColMouseUp(x.t, x.e, MouseButton::Right);
    EXPECT_EQ(x.t.model.releveCapacity(), 31);
    EXPECT_EQ(x.t.model.grid().colCount(), 35);
    EXPECT_EQ(x.t.model.releveCount(), 24);
    EXPECT_EQ(x.t.model.cell(5, 2), "");
    EXPECT_EQ(x.t.model.cell(6, 2), "R2");
    EXPECT_EQ(x.t.model.cell(27, 2), "R23");
    checkTable(x);
}

TEST(DeleteColumn, AtFirstMiddleAndLastRemovesRowsLeftEmpty) {
    struct Case {
        int col;
        Strings releves, species;
    } cases[] = {{4, {"B", "C", "D", "E"}, {"s1", "s2", "s3", "s4", "s5", "s6"}},
                 {7, {"A", "B", "C", "E"}, {"s1", "s2", "s3", "s4", "s6"}},
                 {8, {"A", "B", "C", "D"}, {"s1", "s2", "s3", "s4", "s5"}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.col);
        Table x;
        standardTable(x);
        int slot = x.t.model.releveSlotAt(c.col);
        x.pressSerial(c.col);
        Btn_DelColMouseUp(x.t, x.e, MouseButton::Right);
        EXPECT_EQ(x.releveOrder(), c.releves);
        EXPECT_EQ(x.speciesOrder(), c.species);
        // The deleted column's slot is handed to the first free column.
        EXPECT_EQ(x.t.model.releveSlotAt(x.t.model.releveCount() + 4), slot);
        EXPECT_EQ(x.t.model.cell(3, x.t.model.freqRow() + 1), IntText4(x.t.model.freq()[1]));
        checkTable(x);
    }
}

TEST(DeleteColumn, RemovesEmptyCommentAndInsertedRowsFromTheBottomUp) {
    Table x;
    x.add("A", {{"s1", 10}, {"s2", 20}});
    x.add("B", {{"s3", 30}, {"s2", 21}});
    // A comment row between s1 and s2 and an empty row at the end.
    x.pressRunning(x.t.model.freqRow() + 2);
    Btn_InsRowMouseUp(x.t, x.e, MouseButton::Right);
    Btn_RemarkMouseUp(x.t, x.e, MouseButton::Right);
    x.e.Edit1 = sj("コメント");
    Btn_Edit_OKClick(x.t, x.e);
    x.pressRunning(x.t.model.freqRow() + 5);
    Btn_InsRowMouseUp(x.t, x.e, MouseButton::Right);
    ASSERT_EQ(x.speciesOrder(), (Strings{"s1", sj("コメント"), "s2", "s3", ""}));

    x.pressSerial(5);  // B: s3 goes with it
    Btn_DelColMouseUp(x.t, x.e, MouseButton::Right);
    EXPECT_EQ(x.speciesOrder(), (Strings{"s1", "s2"}));
    EXPECT_EQ(x.t.selection.SelectedRow,
              x.t.model.freqRow() + 2);  // the comment row, the last one removed
    EXPECT_EQ(captionOf(x.t).find(sj("森林群落組成表") + "  NR=1, NS=2"), 0u);
    checkTable(x);
}

TEST(InsertRow, AtFirstMiddleAndFirstFreeRow) {
    struct Case {
        int offset;
        Strings order;
    } cases[] = {{1, {"", "s1", "s2", "s3", "s4", "s5", "s6"}},
                 {4, {"s1", "s2", "s3", "", "s4", "s5", "s6"}},
                 {7, {"s1", "s2", "s3", "s4", "s5", "s6", ""}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.offset);
        Table x;
        standardTable(x);
        int row = x.t.model.freqRow() + c.offset;
        int freeSlot = x.t.model.speciesSlotAt(x.t.model.freqRow() + 7);
        x.pressRunning(row);
        EXPECT_TRUE(x.e.Panel_forRow.visible);
        Btn_InsRowMouseUp(x.t, x.e, MouseButton::Right);
        EXPECT_FALSE(x.e.Panel_forRow.visible);
        EXPECT_EQ(x.speciesOrder(), c.order);
        EXPECT_EQ(x.t.model.speciesSlotAt(row), freeSlot);
        EXPECT_EQ(x.t.model.freq()[c.offset], 0);
        checkTable(x);
    }
}

TEST(InsertRow, AtCapacityGrowsBySixteen) {
    Table x;
    std::vector<std::pair<std::string, int>> all;
    for (int i = 1; i <= 127; ++i) all.push_back({"s" + std::to_string(i), 10});
    x.add("A", all);
    x.pressRunning(x.t.model.freqRow() + 127);
    Btn_InsRowMouseUp(x.t, x.e, MouseButton::Right);
    EXPECT_EQ(x.t.model.plantCapacity(), 143);
    EXPECT_EQ(x.t.model.grid().rowCount(), 175);
    EXPECT_EQ(x.t.model.speciesCount(), 128);
    EXPECT_EQ(x.t.model.cell(2, x.t.model.freqRow() + 127), "");
    EXPECT_EQ(x.t.model.cell(2, x.t.model.freqRow() + 128), "s127");
    checkTable(x);
}

TEST(DeleteRow, AtFirstMiddleAndLastWithoutRecount) {
    struct Case {
        int offset;
        Strings order;
    } cases[] = {{1, {"s2", "s3", "s4", "s5", "s6"}},
                 {3, {"s1", "s2", "s4", "s5", "s6"}},
                 {6, {"s1", "s2", "s3", "s4", "s5"}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.offset);
        Table x;
        standardTable(x);
        int row = x.t.model.freqRow() + c.offset;
        int slot = x.t.model.speciesSlotAt(row);
        std::string countsBefore = x.t.model.cell(6, x.t.model.freqRow());  // C: 3 species
        x.pressRunning(row);
        Btn_DelRowMouseUp(x.t, x.e, MouseButton::Right);
        EXPECT_EQ(x.speciesOrder(), c.order);
        EXPECT_EQ(x.t.model.speciesSlotAt(x.t.model.freqRow() + 6), slot);
        EXPECT_EQ(x.t.model.cell(6, x.t.model.freqRow()), countsBefore);
        // Rows keep their counted frequency as they move up.
        for (int i = 1; i <= x.t.model.speciesCount(); ++i)
            EXPECT_EQ(x.t.model.cell(3, x.t.model.freqRow() + i), IntText4(x.t.model.freq()[i]));
        checkTable(x);
    }
}

TEST(Editing, RefusedTargetsChangeNothingAndSaySo) {
    using Button = void (*)(TableState&, EditingState&, MouseButton);
    struct Case {
        const char* what;
        bool column;
        int target;  // column, or row below FreqRow
        Button button;
    } cases[] = {
        {"insert column past the first free one", true, 10, Btn_InsColMouseUp},
        {"delete a free column", true, 9, Btn_DelColMouseUp},
        {"insert row past the first free one", false, 8, Btn_InsRowMouseUp},
        {"delete a free row", false, 7, Btn_DelRowMouseUp},
        {"comment on a free row", false, 7, Btn_RemarkMouseUp},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Table x;
        standardTable(x);
        Snapshot before = snapshot(x.t);
        if (c.column)
            x.pressSerial(c.target);
        else
            x.pressRunning(x.t.model.freqRow() + c.target);
        std::string message = refusalOf([&] { c.button(x.t, x.e, MouseButton::Right); });
        EXPECT_EQ(snapshot(x.t), before);
        EXPECT_NE(
            message.find(std::to_string(c.column ? c.target : x.t.model.freqRow() + c.target)),
            std::string::npos)
            << toUtf8(message);
        EXPECT_FALSE(x.e.Panel_Edit.visible);
    }
}

TEST(Editing, MenuEntriesActOnTheLastRightPressAndRefuseWithoutOne) {
    Table x;
    standardTable(x);
    Snapshot before = snapshot(x.t);
    // Nothing chosen yet.
    EXPECT_NE(refusalOf([&] { Item_DelColClick(x.t, x.e); }).find(sj("列が選ばれていません")),
              std::string::npos);
    EXPECT_NE(refusalOf([&] { Item_DelRowClick(x.t, x.e); }).find(sj("行が選ばれていません")),
              std::string::npos);
    EXPECT_EQ(snapshot(x.t), before);

    x.pressSerial(5);
    VegTableMouseUp(x.t, x.e, MouseButton::Right, 5, 1);  // the pop-up closes
    Item_DelColClick(x.t, x.e);
    EXPECT_EQ(x.releveOrder(), (Strings{"A", "C", "D", "E"}));

    x.pressRunning(x.t.model.freqRow() + 2);
    Item_CommentClick(x.t, x.e);
    EXPECT_EQ(x.speciesOrder()[1], "");
    EXPECT_TRUE(x.e.Panel_Edit.visible);
    x.e.Edit1 = sj("区分");
    Btn_Edit_OKClick(x.t, x.e);
    EXPECT_EQ(x.speciesOrder()[1], sj("区分"));
    checkTable(x);
}

TEST(Editing, LeftReleaseOnAPanelButtonOnlyClosesIt) {
    Table x;
    standardTable(x);
    Snapshot before = snapshot(x.t);
    x.pressSerial(5);
    Btn_DelColMouseUp(x.t, x.e, MouseButton::Left);
    EXPECT_FALSE(x.e.Panel_forCol.visible);
    x.pressRunning(x.t.model.freqRow() + 1);
    Btn_RemarkMouseUp(x.t, x.e, MouseButton::Left);
    EXPECT_FALSE(x.e.Panel_forRow.visible);
    EXPECT_FALSE(x.e.Panel_Edit.visible);
    EXPECT_EQ(snapshot(x.t), before);
}

TEST(Editing, PopUpsOpenForThePressedCellAndCloseOnRelease) {
    Table x;
    standardTable(x);
    VegTableMouseDown(x.t, x.e, MouseButton::Right, 5, 3);
    EXPECT_EQ(x.e.Panel_ShowCell, (PopupPanel{true, 5, 3}));
    EXPECT_EQ(x.e.ShowCellText, x.t.model.cell(5, 3));

    VegTableMouseDown(x.t, x.e, MouseButton::Right, 1, x.t.model.freqRow() + 2);
    EXPECT_EQ(x.t.selection.SelectedRow, x.t.model.freqRow() + 2);
    EXPECT_EQ(x.e.Panel_forRow, (PopupPanel{true, 1, x.t.model.freqRow() + 2}));
    EXPECT_EQ(x.e.Panel_Edit, (PopupPanel{false, 1, x.t.model.freqRow() + 2}));

    VegTableMouseDown(x.t, x.e, MouseButton::Right, 6, 1);
    EXPECT_EQ(x.t.selection.SelectedColumn, 6);
    EXPECT_EQ(x.e.Panel_forCol, (PopupPanel{true, 6, 1}));

    VegTableMouseDown(x.t, x.e, MouseButton::Left, 7, 1);  // only the right acts
    EXPECT_EQ(x.t.selection.SelectedColumn, 6);
    VegTableMouseUp(x.t, x.e, MouseButton::Right, 8, 9);
    EXPECT_FALSE(x.e.Panel_ShowCell.visible || x.e.Panel_forRow.visible ||
                 x.e.Panel_forCol.visible);
    EXPECT_EQ(x.e.outlines,
              (std::vector<CellOutline>{{1, x.t.model.freqRow() + 2, OutlineColour::Red},
                                        {6, 1, OutlineColour::Red},
                                        {8, 9, OutlineColour::Yellow}}));
}

TEST(EditPanel, CommentAndTitleTakeTheTextAsTypedEvenEmpty) {
    Table x;
    standardTable(x);
    int row = x.t.model.freqRow() + 2;
    x.pressRunning(row);
    Btn_RemarkMouseUp(x.t, x.e, MouseButton::Right);
    EXPECT_EQ(x.e.Edit1, "s2");
    EXPECT_TRUE(x.e.Edit1SelectAll);
    EXPECT_EQ(x.e.outlines.back(), (CellOutline{2, row, OutlineColour::Red}));
    x.e.Edit1 = "";
    Btn_Edit_OKClick(x.t, x.e);
    EXPECT_EQ(x.t.model.cell(2, row), "");
    EXPECT_FALSE(x.e.Panel_Edit.visible);

    Item_EditTitleClick(x.t, x.e);
    EXPECT_EQ(x.e.Edit1, sj("森林群落組成表"));
    x.e.Edit1 = "";
    Btn_Edit_OKClick(x.t, x.e);
    EXPECT_EQ(x.t.model.title(), "");
    EXPECT_EQ(captionOf(x.t), "  NR=5, NS=6    " + sj("辞書なし"));

    Item_EditTitleClick(x.t, x.e);
    x.e.Edit1 = sj(" 表, \"題\" ");
    Btn_Edit_OKClick(x.t, x.e);
    EXPECT_EQ(x.t.model.title(), sj(" 表, \"題\" "));
}

TEST(EditPanel, CancelAndBrokenTextsChangeNothing) {
    Table x;
    standardTable(x);
    Snapshot before = snapshot(x.t);
    Item_EditTitleClick(x.t, x.e);
    x.e.Edit1 = "new";
    Btn_Edit_CancelClick(x.t, x.e);
    EXPECT_FALSE(x.e.Panel_Edit.visible);
    EXPECT_EQ(snapshot(x.t), before);

    for (std::string bad : {std::string("a\r\nb"), std::string("tab\there"), std::string("x\x82"),
                            std::string("\x82\x0a")}) {
        Item_EditTitleClick(x.t, x.e);
        x.e.Edit1 = bad;
        EXPECT_EQ(refusalOf([&] { Btn_Edit_OKClick(x.t, x.e); }).rfind(sj("標題にできません"), 0),
                  0u);
        EXPECT_TRUE(x.e.Panel_Edit.visible);  // left open to correct or cancel
        EXPECT_EQ(snapshot(x.t), before);
    }
    EXPECT_FALSE(editTextProblem(sj("全角　空白と ﾊﾝｶｸ")).has_value());
}

TEST(EditPanel, CommentOnARowThatWentMeanwhileIsRefused) {
    Table x;
    standardTable(x);
    x.pressRunning(x.t.model.freqRow() + 6);
    Btn_RemarkMouseUp(x.t, x.e, MouseButton::Right);
    x.pressRunning(x.t.model.freqRow() + 6);
    Btn_DelRowMouseUp(x.t, x.e, MouseButton::Right);
    x.e.Edit1 = "late";
    std::string message = refusalOf([&] { Btn_Edit_OKClick(x.t, x.e); });
    EXPECT_NE(message.find(std::to_string(x.t.model.freqRow() + 6)), std::string::npos)
        << toUtf8(message);
    EXPECT_TRUE(x.t.model.isEmpty(2, x.t.model.freqRow() + 6));
    checkTable(x);
}

TEST(Font, ConfirmedFontIsKeptCancelKeepsTheOld) {
    Table x;
    FontSpec big{sj("ＭＳ 明朝"), 20, true, false};
    x.ui.fontAnswers = {big, std::nullopt};
    Item_SetFontClick(x.t, x.ui);
    EXPECT_EQ(x.t.print.TableFont, big);
    Item_SetFontClick(x.t, x.ui);
    EXPECT_EQ(x.t.print.TableFont, big);
}

TEST(Drag, MovesSpeciesRowsAndRelevéColumnsInUseOnly) {
    Table x;
    standardTable(x);
    int f = x.t.model.freqRow();
    std::uint16_t freqOfS1 = x.t.model.freq()[1];
    EXPECT_TRUE(moveRowByDrag(x.t, f + 1, f + 4));
    EXPECT_EQ(x.speciesOrder(), (Strings{"s2", "s3", "s4", "s1", "s5", "s6"}));
    EXPECT_EQ(x.t.model.freq()[4], freqOfS1);
    EXPECT_EQ(x.t.model.cell(1, f + 4), IntText4(1));  // running numbers travel
    EXPECT_TRUE(moveColByDrag(x.t, 8, 4));
    EXPECT_EQ(x.releveOrder(), (Strings{"E", "A", "B", "C", "D"}));
    checkTable(x, false);  // slot cells travel, so every cell still holds its codes
    recount(x.t, x.ui);
    checkTable(x);

    Snapshot before = snapshot(x.t);
    struct Refused {
        bool row;
        int from, to;
    } refused[] = {{true, 2, f + 1},     {true, f + 1, f},     {true, f, f + 2},
                   {true, f + 7, f + 1}, {true, f + 1, f + 7}, {false, 3, 5},
                   {false, 5, 9},        {false, 9, 4},        {false, 1, 4}};
    for (const auto& r : refused) {
        SCOPED_TRACE(std::to_string(r.from) + "->" + std::to_string(r.to));
        EXPECT_FALSE(r.row ? moveRowByDrag(x.t, r.from, r.to) : moveColByDrag(x.t, r.from, r.to));
    }
    EXPECT_EQ(snapshot(x.t), before);
}

TEST(Editing, LongMixedSequenceKeepsEveryCode) {
    Table x;
    standardTable(x);
    for (int round = 0; round < 3; ++round) {
        x.add("N" + std::to_string(round), {{"s2", 12}, {"t" + std::to_string(round), 22}});
        x.pressSerial(5);
        Btn_InsColMouseUp(x.t, x.e, MouseButton::Right);
        moveColByDrag(x.t, 4, x.t.model.releveCount() + 3);
        moveRowByDrag(x.t, x.t.model.freqRow() + x.t.model.speciesCount(), x.t.model.freqRow() + 1);
        x.pressRunning(x.t.model.freqRow() + 3);
        Btn_InsRowMouseUp(x.t, x.e, MouseButton::Right);
        x.pressSerial(6);
        Btn_DelColMouseUp(x.t, x.e, MouseButton::Right);
        x.pressRunning(x.t.model.freqRow() + 2);
        Btn_DelRowMouseUp(x.t, x.e, MouseButton::Right);
        checkTable(x);
    }
    EXPECT_TRUE(x.ui.messages.empty());
}

}  // namespace
}  // namespace tamsel

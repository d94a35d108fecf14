// Hand editing with the mouse: a right press on the grid opens a pop-up, the
// release over one of its buttons runs it; left-button drags move rows and
// columns; the edit panel writes comments and the title.
#include <gtest/gtest.h>

#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <filesystem>

#include "analysis/recip.h"
#include "analysis/sorting.h"
#include "app/desktop/edit_panels.h"
#include "app/session/analysis_commands.h"
#include "app/session/compose_commands.h"
#include "platform/qt/qt_text.h"
#include "table/frequency.h"
#include "text/sjis.h"
#include "window_helpers.h"

namespace tamsel {
namespace {

using testing::CoreRun;
using testing::fillFromSample;
using testing::rowsInUse;
using testing::typeText;
using testing::u;
using testing::Window;

bool hasOutline(VegTable* g, int col, int row, Qt::GlobalColor colour) {
    for (const auto& o : g->outlines())
        if (o.col == col && o.row == row && o.colour == QColor(colour)) return true;
    return false;
}

TEST(EditingWindow, RightPressOnSerialAndReleaseOverDeleteRemovesThatColumn) {
    Window w;
    w.show();
    fillFromSample(w);
    const TableState& t = w.t();
    const int releves = t.model.releveCount();
    ASSERT_GT(releves, 3);
    const std::vector<std::string> next = t.model.colTexts(6);
    EditPanels& p = w.form.editPanels();

    const QPoint mouse = w.cellCentre(5, 1);
    w.press(Qt::RightButton, mouse);
    ASSERT_TRUE(p.Panel_forCol->isVisible());
    // Left of the mouse, so the release can reach its buttons.
    EXPECT_EQ(p.Panel_forCol->geometry().right() + 1,
              w.form.centralWidget()->mapFrom(&w.form, mouse).x());
    EXPECT_TRUE(hasOutline(w.grid(), 5, 1, Qt::red));
    EXPECT_EQ(p.Btn_DelCol->toolTip(), u("列を削除する"));
    const QPoint over = Window::centreOf(p.Btn_DelCol, &w.form);
    QTest::mouseMove(w.form.windowHandle(), over);
    EXPECT_TRUE(p.Btn_DelCol->isDown());  // the grid holds the mouse: no hover of its own
    EXPECT_FALSE(p.Btn_InsCol->isDown());
    w.release(Qt::RightButton, over);

    EXPECT_TRUE(p.Panel_forCol->isHidden());
    EXPECT_FALSE(p.Btn_DelCol->isDown());
    EXPECT_EQ(t.model.releveCount(), releves - 1);
    // The column that stood right of it, slot and site values, has taken its place.
    EXPECT_EQ(t.model.cell(5, 0), next[0]);
    for (int r = 2; r < t.model.freqRow(); ++r) EXPECT_EQ(t.model.cell(5, r), next[r]) << r;
    EXPECT_TRUE(w.form.windowTitle().contains(u("NR=") + QString::number(releves - 1) + u(",")));
    EXPECT_EQ(w.form.statusReport()->text(), u("「列を削除する」を実行しました"));
}

TEST(EditingWindow, PopupClosesWithoutActingOnALeftClickOrARightReleaseElsewhere) {
    Window w;
    w.show();
    fillFromSample(w);
    const TableState& t = w.t();
    const auto before = rowsInUse(t);
    EditPanels& p = w.form.editPanels();

    // A left click on a panel button while the pop-up is up.
    w.press(Qt::RightButton, w.cellCentre(6, 1));
    ASSERT_TRUE(p.Panel_forCol->isVisible());
    QTest::mouseClick(p.Btn_DelCol, Qt::LeftButton);
    EXPECT_TRUE(p.Panel_forCol->isHidden());
    w.release(Qt::RightButton, w.cellCentre(6, 1));
    EXPECT_EQ(rowsInUse(t), before);

    // A right release over the grid.
    w.press(Qt::RightButton, w.cellCentre(1, t.model.freqRow() + 2));
    ASSERT_TRUE(p.Panel_forRow->isVisible());
    w.release(Qt::RightButton, w.cellCentre(8, t.model.freqRow() + 5));
    EXPECT_TRUE(p.Panel_forRow->isHidden());
    EXPECT_TRUE(hasOutline(w.grid(), 8, t.model.freqRow() + 5, Qt::yellow));
    EXPECT_EQ(rowsInUse(t), before);

    // A right press on a site value shows it whole until the release.
    w.press(Qt::RightButton, w.cellCentre(5, 3));
    ASSERT_TRUE(p.Panel_ShowCell->isVisible());
    EXPECT_EQ(p.Panel_ShowCell->text(), qs(t.model.cell(5, 3)));
    EXPECT_EQ(p.Panel_ShowCell->size(), QSize(79, 20));
    w.release(Qt::RightButton, w.cellCentre(5, 3));
    EXPECT_TRUE(p.Panel_ShowCell->isHidden());
}

// A right press on a header row's caption offers the sort by that row; the
// descending one leaves the row's texts in descending byte order, one step.
TEST(EditingWindow, AHeaderRowSortsTheRelevesFromItsMenu) {
    Window w;
    w.show();
    fillFromSample(w);
    const TableState& t = w.t();
    const int row = 3;
    w.press(Qt::RightButton, w.cellCentre(2, row));
    w.release(Qt::RightButton, w.cellCentre(2, row));
    auto* menu = w.form.findChild<QMenu*>(QStringLiteral("Menu_HeaderRow"));
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->actions().size(), 2);
    EXPECT_EQ(menu->actions()[0]->text(), u("この項目で並べ替え（昇順）"));
    EXPECT_EQ(menu->actions()[1]->text(), u("この項目で並べ替え（降順）"));
    menu->actions()[1]->trigger();
    ASSERT_GT(t.model.releveCount(), 2);
    for (std::int32_t j = 1; j < t.model.releveCount(); ++j)
        EXPECT_GE(trimControl(t.model.cell(j + 3, row)), trimControl(t.model.cell(j + 4, row)))
            << j;
    EXPECT_EQ(t.history.undoName(), sj("この項目で並べ替え（降順）"));
    EXPECT_EQ(w.form.statusReport()->text(), u("「この項目で並べ替え（降順）」を実行しました"));
}

TEST(EditingWindow, RowPopupButtonsInsertDeleteAndComment) {
    struct Case {
        const char* button;
        int speciesDelta;
        bool editOpens;
    };
    const Case cases[] = {
        {"行を挿入する", +1, false}, {"行を削除する", -1, false}, {"行コメント記入", 0, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button);
        Window w;
        w.show();
        fillFromSample(w);
        const TableState& t = w.t();
        const int row = t.model.freqRow() + 3, species = t.model.speciesCount();
        const std::string name = t.model.cell(2, row), below = t.model.cell(2, row + 1);
        EditPanels& p = w.form.editPanels();

        w.press(Qt::RightButton, w.cellCentre(1, row));
        ASSERT_TRUE(p.Panel_forRow->isVisible());
        PanelButton* button = nullptr;
        for (PanelButton* b : p.Panel_forRow->findChildren<PanelButton*>())
            if (b->text() == u(c.button)) button = b;
        ASSERT_NE(button, nullptr);
        w.release(Qt::RightButton, Window::centreOf(button, &w.form));

        EXPECT_TRUE(p.Panel_forRow->isHidden());
        EXPECT_EQ(t.model.speciesCount(), species + c.speciesDelta);
        EXPECT_EQ(p.Panel_Edit->isVisible(), c.editOpens);
        if (c.speciesDelta > 0) {
            EXPECT_EQ(t.model.cell(2, row), "");
            EXPECT_EQ(t.model.cell(2, row + 1), name);
        } else if (c.speciesDelta < 0) {
            EXPECT_EQ(t.model.cell(2, row), below);
        } else {
            EXPECT_EQ(p.Panel_Edit->x(), 59);
            EXPECT_EQ(p.Edit1->text(), qs(name));
            EXPECT_EQ(p.Edit1->selectedText(), qs(name));
            EXPECT_TRUE(hasOutline(w.grid(), 2, row, Qt::red));
            typeText(p.Edit1, u("林縁の種群"));  // replaces the selection
            QTest::mouseClick(p.Btn_Edit_OK, Qt::LeftButton);
            EXPECT_EQ(t.model.cell(2, row), sj("林縁の種群"));
            EXPECT_TRUE(p.Panel_Edit->isHidden());
        }
    }
}

TEST(EditingWindow, TitleEditFromMenuTakesOkOrEnterAndCancelChangesNothing) {
    Window w;
    w.show();
    EditPanels& p = w.form.editPanels();
    w.form.item(QStringLiteral("Item_EditTitle"))->trigger();
    ASSERT_TRUE(p.Panel_Edit->isVisible());
    EXPECT_EQ(p.Edit1->selectedText(), u("森林群落組成表"));
    typeText(p.Edit1, u("ブナ林"));
    QTest::mouseClick(p.Btn_Edit_Cancel, Qt::LeftButton);
    EXPECT_TRUE(p.Panel_Edit->isHidden());
    EXPECT_TRUE(w.form.windowTitle().startsWith(u("森林群落組成表  NR=0")));

    w.form.item(QStringLiteral("Item_EditTitle"))->trigger();
    EXPECT_EQ(p.Edit1->text(), u("森林群落組成表"));
    typeText(p.Edit1, u("ブナ林"));
    QTest::keyClick(p.Edit1, Qt::Key_Return);
    EXPECT_TRUE(p.Panel_Edit->isHidden());
    EXPECT_TRUE(w.form.windowTitle().startsWith(u("ブナ林＊  NR=0")))
        << w.form.windowTitle().toStdString();
}

TEST(EditingWindow, LeftDragsMoveSpeciesRowsAndReleveColumnsOnly) {
    struct Case {
        const char* what;
        int pressCol, pressRow, releaseCol, releaseRow;  // rows from FreqRow when fromFreq
        bool fromFreq;
        int movedFrom, movedTo;  // -1: nothing moves
        bool rows;
    };
    const Case cases[] = {
        {"species row down", 1, 1, 1, 3, true, 1, 3, true},
        {"species row up, by its slot-less name column", 2, 4, 2, 2, true, 4, 2, true},
        {"relevé column right", 5, 1, 7, 1, false, 5, 7, false},
        {"relevé column left by a header row", 9, 3, 6, 3, false, 9, 6, false},
        {"header row", 1, 5, 1, 9, false, -1, -1, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Window w;
        w.show();
        fillFromSample(w);
        const TableState& t = w.t();
        const int base = c.fromFreq ? t.model.freqRow() : 0;
        const auto before = rowsInUse(t);
        const std::vector<std::string> moved = c.movedFrom < 0 ? std::vector<std::string>{}
                                               : c.rows ? t.model.rowTexts(base + c.movedFrom)
                                                        : t.model.colTexts(c.movedFrom);

        w.press(Qt::LeftButton, w.cellCentre(c.pressCol, base + c.pressRow));
        w.release(Qt::LeftButton, w.cellCentre(c.releaseCol, base + c.releaseRow));

        if (c.movedFrom < 0) {
            EXPECT_EQ(rowsInUse(t), before);
        } else if (c.rows) {
            EXPECT_EQ(t.model.rowTexts(base + c.movedTo), moved);
        } else {
            EXPECT_EQ(t.model.colTexts(c.movedTo), moved);
        }
    }
}

TEST(EditingWindow, ToolCommandsOnTheMenuRunTheirOwnCoreCommand) {
    struct Case {
        const char* item;
        std::function<void(TableState&, Ui&)> core;
    };
    const std::vector<Case> cases = {
        {"Item_SortPlant", Item_SortPlantClick},
        {"Item_SortReleve", Item_SortReleveClick},
        {"Item_SortReverse", Item_SortReverseClick},
        {"Item_Recip", [](TableState& t, Ui& ui) { Item_RecipClick(t, ui); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.item);
        Window w;
        fillFromSample(w);
        const auto built = rowsInUse(w.t());
        w.form.item(QString::fromLatin1(c.item))->trigger();
        CoreRun core([&](Session& s, BatchUi& ui) {
            AddbyRecordBtnClick(s.table, s.dictionary, s.addPanel, ui);
            c.core(s.table, ui);
        });
        ASSERT_NE(rowsInUse(core.s.table), built) << "the command changes nothing here";
        EXPECT_EQ(rowsInUse(w.t()), rowsInUse(core.s.table));
    }
}

TEST(EditingWindow, FontFromDialogReachesTheGridAndATableSavesAndLoadsByMenu) {
    Window w;
    w.show();
    w.form.ui().setFontDialogHook([](const FontSpec& current) {
        FontSpec f = current;
        f.pixelSize = 18;
        return std::optional<FontSpec>(f);
    });
    w.form.item(QStringLiteral("Item_SetFont"))->trigger();
    EXPECT_EQ(w.t().print.TableFont.pixelSize, 18);
    EXPECT_EQ(QFontInfo(w.grid()->font()).pixelSize(), 18);

    fillFromSample(w);
    const auto built = rowsInUse(w.t());
    QTemporaryDir dir;
    const std::string path = pathOf(dir.filePath(QStringLiteral("table.vtb")));
    w.fileAnswers = {path};
    w.requests.clear();
    w.form.item(QStringLiteral("Item_SaveTable"))->trigger();
    ASSERT_TRUE(std::filesystem::exists(path));
    ASSERT_EQ(w.requests.size(), 1u);
    EXPECT_EQ(w.requests[0].title, sj("組成表の保存"));

    w.form.item(QStringLiteral("Item_NewTable"))->trigger();
    ASSERT_EQ(w.t().model.releveCount(), 0);
    w.fileAnswers = {path};
    w.form.item(QStringLiteral("Item_LoadTable"))->trigger();
    EXPECT_EQ(w.requests.back().title, sj("組成表の読込"));
    EXPECT_EQ(rowsInUse(w.t()), built);
    EXPECT_EQ(w.t().files.DataFileName, "table.vtb");
}

}  // namespace
}  // namespace tamsel

namespace tamsel {
namespace {

// The 編集 menu acts on the current cell's row, is disabled off the species
// rows, and Ctrl+Z takes back what it did, a drag and a sort.
TEST(EditingWindow, TheEditMenuDeletesTheCurrentRowAndCtrlZTakesItBack) {
    Window w;
    w.show();
    fillFromSample(w);
    const TableState& t = w.t();
    QAction* del = w.form.item(QStringLiteral("Item_DelRow"));
    QAction* undo = w.form.item(QStringLiteral("Item_Undo"));
    ASSERT_TRUE(del && undo);
    EXPECT_FALSE(del->isEnabled());  // no current cell yet
    const auto start = rowsInUse(t);
    const int fifth = t.model.freqRow() + 5;
    const std::string fifthName = t.model.cell(TableLayout::NameCol, fifth);
    const std::string firstName = t.model.cell(TableLayout::NameCol, t.model.freqRow() + 1);

    w.press(Qt::LeftButton, w.cellCentre(5, t.model.freqRow() + 4));
    w.release(Qt::LeftButton, w.cellCentre(5, t.model.freqRow() + 4));
    QTest::keyClick(w.grid(), Qt::Key_Down);  // to the fifth species
    EXPECT_EQ(w.grid()->current(), QPoint(5, fifth));
    ASSERT_TRUE(del->isEnabled());
    del->trigger();
    EXPECT_EQ(t.model.cell(TableLayout::NameCol, t.model.freqRow() + 1), firstName);
    EXPECT_NE(t.model.cell(TableLayout::NameCol, fifth), fifthName);
    EXPECT_EQ(undo->text(), u("元に戻す: この行を削除する(&U)"));
    EXPECT_TRUE(w.form.windowTitle().contains(u("＊")));

    // Off the species rows the row commands do not apply.
    QTest::keyClick(w.grid(), Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(w.grid()->current(), QPoint(1, 1));
    EXPECT_FALSE(del->isEnabled());

    w.press(Qt::LeftButton, w.cellCentre(1, t.model.freqRow() + 1));
    w.release(Qt::LeftButton, w.cellCentre(1, t.model.freqRow() + 3));
    w.form.item(QStringLiteral("Item_Recip"))->trigger();
    for (int k = 0; k < 3; ++k) QTest::keyClick(&w.form, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(rowsInUse(t), start);
    EXPECT_EQ(undo->text(), u("元に戻す: 表にデータを加える(&U)"));
    undo->trigger();  // back to the blank table the window started with
    EXPECT_FALSE(undo->isEnabled());
    EXPECT_FALSE(w.form.windowTitle().contains(u("＊")));
    QTest::keyClick(&w.form, Qt::Key_Y, Qt::ControlModifier);
    QTest::keyClick(&w.form, Qt::Key_Z, Qt::ShiftModifier | Qt::ControlModifier);
    EXPECT_NE(t.model.cell(TableLayout::NameCol, fifth), fifthName);
}

}  // namespace
}  // namespace tamsel

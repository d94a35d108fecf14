// The add-relevé panel on the window: the boxes reach the core's commands, each
// button runs its own selection, and the panel follows the commands' state.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <filesystem>
#include <functional>
#include <set>

#include "app/desktop/add_releve_panel.h"
#include "app/session/compose_commands.h"
#include "app/session/session.h"
#include "compose/add_releve.h"
#include "platform/batch/batch_ui.h"
#include "platform/qt/qt_text.h"
#include "text/sjis.h"
#include "window_helpers.h"

namespace tamsel {
namespace {

using testing::closeNextMessageBox;
using testing::CoreRun;
using testing::openPanel;
using testing::rowsInUse;
using testing::samplePath;
using testing::typeText;
using testing::u;
using testing::Window;

TEST(AddRelevePanel, RecordButtonAddsTheSampleThroughThePanel) {
    Window w;
    w.show();
    AddRelevePanel* p = w.form.addRelevePanel();
    ASSERT_TRUE(p->isHidden());
    openPanel(w);

    ASSERT_EQ(w.requests.size(), 1u);
    EXPECT_EQ(w.requests[0].title, sj("データファイルの選択"));
    EXPECT_EQ(w.requests[0].filterIndex, 1);
    EXPECT_EQ(w.requests[0].fileName, "*.rli");
    ASSERT_TRUE(p->isVisible());
    EXPECT_EQ(p->Label_fileName->text(), u("sample.rli"));
    // 256-byte header records, record 0 the filler: the range is every relevé.
    const auto releves =
        static_cast<int>(std::filesystem::file_size(samplePath("sample.rli")) / 256) - 1;
    ASSERT_GT(releves, 3);
    EXPECT_EQ(p->RtN1->value(), 1);
    EXPECT_EQ(p->RtN2->value(), releves);
    EXPECT_EQ(p->EditCov1->text(), u("+"));
    EXPECT_EQ(p->EditCov2->text(), u("+"));
    EXPECT_EQ(w.form.focusWidget(), p->EditName1);

    QTest::mouseClick(p->AddbyRecordBtn, Qt::LeftButton);

    const TableState& t = w.t();
    EXPECT_TRUE(p->isHidden());
    EXPECT_EQ(w.form.ui().alertCount(), 1);
    EXPECT_EQ(t.model.releveCount(), releves);
    ASSERT_GT(t.model.speciesCount(), 0);
    EXPECT_EQ(w.form.windowTitle(), u("森林群落組成表＊  NR=") + QString::number(releves) +
                                        u(", NS=") + QString::number(t.model.speciesCount()) +
                                        u("    辞書なし"));
    EXPECT_EQ(p->ProgressBar1->maximum(), releves);
    EXPECT_EQ(p->ProgressBar1->value(), releves);

    CoreRun core([](Session& s, BatchUi& ui) {
        AddbyRecordBtnClick(s.table, s.dictionary, s.addPanel, ui);
    });
    EXPECT_EQ(rowsInUse(t), rowsInUse(core.s.table));
}

TEST(AddRelevePanel, EachButtonRunsItsOwnSelectionWithTheTypedBoxes) {
    // Two species of the sample for which the four plant modes all differ, so a
    // button wired to another mode shows.
    CoreRun all([](Session& s, BatchUi& ui) {
        AddbyRecordBtnClick(s.table, s.dictionary, s.addPanel, ui);
    });
    const TableState& full = all.s.table;
    auto countOf = [](const std::string& a, const std::string& b, int mode) {
        CoreRun run([&](Session& s, BatchUi& ui) {
            s.addPanel.EditName1 = a;
            s.addPanel.EditName2 = b;
            addByPlantAsking(s.table, s.dictionary, s.addPanel, ui, mode);
        });
        return run.s.table.model.releveCount();
    };
    std::string nameA, nameB;
    for (int i = 1; i <= std::min(12, full.model.speciesCount()) && nameA.empty(); ++i)
        for (int j = i + 1; j <= std::min(12, full.model.speciesCount()) && nameA.empty(); ++j) {
            const std::string& a = full.model.cell(2, full.model.freqRow() + i);
            const std::string& b = full.model.cell(2, full.model.freqRow() + j);
            std::set<int> counts;
            for (int mode = 1; mode <= 4; ++mode) counts.insert(countOf(a, b, mode));
            if (counts.size() == 4) nameA = a, nameB = b;
        }
    ASSERT_FALSE(nameA.empty()) << "no pair of species tells the four modes apart";
    const std::string grid = trimControl(full.model.cell(4, 4));

    struct Case {
        const char* button;
        std::function<void(Session&, BatchUi&)> core;
        std::string grid;  // typed into EditGrid
    };
    auto plant = [](int mode) {
        return [mode](Session& s, BatchUi& ui) {
            addByPlantAsking(s.table, s.dictionary, s.addPanel, ui, mode);
        };
    };
    const std::vector<Case> cases = {
        {"Ａのみ", plant(1), ""},
        {"ＡとＢ", plant(2), ""},
        {"ＡかＢ", plant(3), ""},
        {"Ｂなし", plant(4), ""},
        {"地理区画のみ指定　",
         [](Session& s, BatchUi& ui) { AddbyGridBtnClick(s.table, s.dictionary, s.addPanel, ui); },
         grid.substr(0, 2)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button);
        Window w;
        w.show();
        openPanel(w);
        AddRelevePanel* p = w.form.addRelevePanel();
        typeText(p->EditName1, qs(nameA));
        typeText(p->EditName2, qs(nameB));
        typeText(p->EditGrid, qs(c.grid));
        QPushButton* button = nullptr;
        for (QPushButton* b : p->findChildren<QPushButton*>())
            if (b->text() == u(c.button)) button = b;
        ASSERT_NE(button, nullptr);
        QTest::mouseClick(button, Qt::LeftButton);

        CoreRun core([&](Session& s, BatchUi& ui) {
            s.addPanel.EditName1 = nameA;
            s.addPanel.EditName2 = nameB;
            s.addPanel.EditGrid = c.grid;
            c.core(s, ui);
        });
        ASSERT_GT(core.s.table.model.releveCount(), 0);
        EXPECT_EQ(w.t().model.releveCount(), core.s.table.model.releveCount());
        EXPECT_EQ(rowsInUse(w.t()), rowsInUse(core.s.table));
        EXPECT_TRUE(p->isHidden());
    }
}

TEST(AddRelevePanel, TypedRangeIsTheOneScannedAndABadOneKeepsThePanelOpen) {
    Window w;
    w.show();
    openPanel(w);
    AddRelevePanel* p = w.form.addRelevePanel();
    auto typeRange = [&](const char* first, const char* last) {
        for (auto [box, text] : {std::pair{p->RtN1, first}, std::pair{p->RtN2, last}}) {
            box->selectAll();
            QTest::keyClicks(box, QString::fromLatin1(text));
        }
    };
    typeRange("5", "3");
    QString shown;
    closeNextMessageBox(shown);
    QTest::mouseClick(p->AddbyRecordBtn, Qt::LeftButton);
    EXPECT_TRUE(shown.contains(u("5～3"))) << shown.toStdString();
    EXPECT_TRUE(p->isVisible());
    EXPECT_EQ(w.t().model.releveCount(), 0);

    typeRange("2", "4");
    QTest::mouseClick(p->AddbyRecordBtn, Qt::LeftButton);
    EXPECT_EQ(w.t().model.releveCount(), 3);
    EXPECT_TRUE(p->isHidden());

    // A cancelled dialog opens no panel; "取止め" closes a reopened one and
    // changes nothing.
    w.form.item(QStringLiteral("Item_AddReleve"))->trigger();
    EXPECT_TRUE(p->isHidden());
    openPanel(w);
    ASSERT_TRUE(p->isVisible());
    QTest::mouseClick(p->Btn_AddCancel, Qt::LeftButton);
    EXPECT_TRUE(p->isHidden());
    EXPECT_EQ(w.t().model.releveCount(), 3);
}

TEST(AddRelevePanel, NameBoxesHoldAtMost28ShiftJisBytes) {
    Window w;
    AddRelevePanel* p = w.form.addRelevePanel();
    typeText(p->EditName1, u("ミヤマカタバミモドキノナカマノシュルイ"));  // 19 full-width
    EXPECT_EQ(p->EditName1->text(), u("ミヤマカタバミモドキノナカマ"));   // 14: 28 bytes
    // Half-width letters and kana take one byte: 16 + 6 x 2.
    typeText(p->EditName2, u("Abies ｱｵﾓﾘﾄﾄﾞﾏﾂ オオシラビソモドキ"));
    EXPECT_EQ(p->EditName2->text(), u("Abies ｱｵﾓﾘﾄﾄﾞﾏﾂ オオシラビソ"));
    QTest::keyClicks(p->EditCov1, u("12"));
    EXPECT_EQ(p->EditCov1->text(), u("+1"));
}

// Adding the same records again asks first; Enter takes the default, 加えない,
// and the rest of the range is still added.
TEST(AddReleveWindow, AddingRecordsAgainAsksWithDontAddAsTheDefault) {
    Window w;
    w.show();
    openPanel(w);
    AddRelevePanel* p = w.form.addRelevePanel();
    p->RtN2->setValue(3);
    QTest::mouseClick(p->AddbyRecordBtn, Qt::LeftButton);
    ASSERT_EQ(w.t().model.releveCount(), 3);
    openPanel(w);
    p->RtN2->setValue(5);
    QString shown, byDefault;
    testing::answerNextModal([&](QWidget* dialog) {
        auto* box = qobject_cast<QMessageBox*>(dialog);
        ASSERT_NE(box, nullptr);
        shown = box->text();
        if (box->defaultButton()) byDefault = box->defaultButton()->text();
        QTest::keyClick(box, Qt::Key_Return);
    });
    QTest::mouseClick(p->AddbyRecordBtn, Qt::LeftButton);
    EXPECT_EQ(shown, u("3 件の測定は既に表にあります。もう一度加えますか？"));
    EXPECT_EQ(byDefault, u("加えない"));
    EXPECT_EQ(w.t().model.releveCount(), 5);  // records 4 and 5 only
}

}  // namespace
}  // namespace tamsel

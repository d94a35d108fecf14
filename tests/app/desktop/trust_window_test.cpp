// The window keeps the user's work and says what it holds and did: the question
// before a changed table is replaced, the cell inspector and report lines of the
// status bar, dialogs that start where the data is, Qt's dialogs in Japanese.
#include <gtest/gtest.h>

#include <QAction>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <filesystem>
#include <fstream>

#include "app/desktop/add_releve_panel.h"
#include "app/session/session.h"
#include "datafile/cover_codes.h"
#include "platform/qt/qt_text.h"
#include "text/sjis.h"
#include "window_helpers.h"

namespace tamsel {
namespace {

using testing::answerNextModal;
using testing::fillFromSample;
using testing::rowsInUse;
using testing::samplePath;
using testing::u;
using testing::Window;

TEST(TrustWindow, AChangedTableAsksBeforeItIsReplaced) {
    QTemporaryDir dir;
    const std::string saved = pathOf(dir.filePath(QStringLiteral("saved.vtb")));
    {  // a table to load
        Window w;
        fillFromSample(w);
        w.form.item(QStringLiteral("Item_SortPlant"))->trigger();  // unlike a fresh fill
        w.fileAnswers = {saved};
        w.form.item(QStringLiteral("Item_SaveTable"))->trigger();
        ASSERT_TRUE(std::filesystem::exists(saved));
    }
    struct Case {
        const char* item;  // Item_Quit: the window's close
        SaveAnswer answer;
        bool replaced;
    } cases[] = {
        {"Item_Quit", SaveAnswer::Cancel, false},
        {"Item_Quit", SaveAnswer::Discard, true},
        {"Item_LoadTable", SaveAnswer::Cancel, false},
        {"Item_LoadTable", SaveAnswer::Discard, true},
        {"Item_NewTable", SaveAnswer::Cancel, false},
        {"ItemReadINI", SaveAnswer::Cancel, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.item) +
                     (c.answer == SaveAnswer::Cancel ? " cancel" : " discard"));
        Window w;
        w.show();
        fillFromSample(w);
        ASSERT_TRUE(w.t().changed());
        EXPECT_TRUE(w.form.windowTitle().startsWith(u("森林群落組成表＊  NR=")));
        const auto before = rowsInUse(w.t());
        w.saveAnswers = {c.answer};
        w.fileAnswers = {saved, samplePath("sample.ini")};
        const std::size_t dialogs = w.requests.size();
        w.form.item(QString::fromUtf8(c.item))->trigger();

        EXPECT_EQ(w.questions, std::vector<std::string>{sj(UnsavedQuestion)});
        if (std::string(c.item) == "Item_Quit") {
            EXPECT_EQ(w.form.isVisible(), !c.replaced);
        } else {
            EXPECT_EQ(w.requests.size(), dialogs + (c.replaced ? 1 : 0));  // cancel: no dialog
            EXPECT_EQ(rowsInUse(w.t()) != before, c.replaced);
        }
        if (!c.replaced) {
            EXPECT_EQ(rowsInUse(w.t()), before);
            EXPECT_TRUE(w.t().changed());
        }
    }
}

TEST(TrustWindow, SaveFromTheQuestionSavesFirstAndACancelledSaveStops) {
    QTemporaryDir dir;
    const std::string path = pathOf(dir.filePath(QStringLiteral("first.vtb")));
    Window w;
    w.show();
    fillFromSample(w);
    // 保存, then the save dialog is cancelled: nothing is replaced.
    w.saveAnswers = {SaveAnswer::Save};
    w.fileAnswers = {std::nullopt};
    w.form.item(QStringLiteral("Item_NewTable"))->trigger();
    EXPECT_GT(w.t().model.releveCount(), 0);
    EXPECT_FALSE(std::filesystem::exists(path));

    w.saveAnswers = {SaveAnswer::Save};
    w.fileAnswers = {path};
    w.form.item(QStringLiteral("Item_NewTable"))->trigger();
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_EQ(w.t().model.releveCount(), 0);
    EXPECT_FALSE(w.t().changed());
}

// Ctrl+S writes the loaded table back to its file without a dialog; the caption
// names the file.
TEST(TrustWindow, CtrlSAfterALoadWritesTheLoadedFile) {
    QTemporaryDir dir;
    const std::string path = pathOf(dir.filePath(QStringLiteral("loaded.vtb")));
    auto bytes = [&] {
        std::ifstream in(path, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), {});
    };
    {
        Window w;
        fillFromSample(w);
        w.fileAnswers = {path};
        w.form.item(QStringLiteral("Item_SaveTable"))->trigger();
    }
    const std::string saved = bytes();
    Window w;
    w.show();
    w.form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w.form));
    w.fileAnswers = {path};
    w.form.item(QStringLiteral("Item_LoadTable"))->trigger();
    EXPECT_TRUE(w.form.windowTitle().contains(u("loaded.vtb")));
    w.form.item(QStringLiteral("Item_SortPlant"))->trigger();
    ASSERT_TRUE(w.t().changed());
    const std::size_t asked = w.requests.size();
    QTest::keyClick(&w.form, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(w.requests.size(), asked);  // no dialog
    EXPECT_FALSE(w.t().changed());
    EXPECT_NE(bytes(), saved);
    EXPECT_EQ(w.form.statusReport()->text(), u("保存しました: ") + qPath(path));
}

TEST(TrustWindow, AnUnchangedTableAsksNothing) {
    QTemporaryDir dir;
    const std::string path = pathOf(dir.filePath(QStringLiteral("t.vtb")));
    Window w;
    w.show();
    // Blank at start; a table just saved, loaded or blanked.
    w.form.item(QStringLiteral("Item_NewTable"))->trigger();
    fillFromSample(w);
    w.fileAnswers = {path};
    w.form.item(QStringLiteral("Item_SaveTable"))->trigger();
    EXPECT_FALSE(w.form.windowTitle().contains(u("＊")));
    EXPECT_EQ(w.form.statusReport()->text(), u("保存しました: ") + qPath(path));
    w.fileAnswers = {path};
    w.form.item(QStringLiteral("Item_LoadTable"))->trigger();
    w.form.item(QStringLiteral("Item_Quit"))->trigger();
    EXPECT_TRUE(w.questions.empty());
    EXPECT_FALSE(w.form.isVisible());
}

TEST(TrustWindow, TheQuestionHasItsThreeButtonsAndTheWindowStaysOnCancel) {
    Window w;
    w.show();
    fillFromSample(w);
    w.form.ui().setSaveQuestionHook({});  // the real message box
    QString text;
    QStringList buttons;
    answerNextModal([&](QWidget* dialog) {
        auto* box = qobject_cast<QMessageBox*>(dialog);
        if (!box) return dialog->close();
        text = box->text();
        for (QAbstractButton* b : box->buttons()) buttons << b->text();
        for (QAbstractButton* b : box->buttons())
            if (b->text() == u("キャンセル")) b->click();
        return true;
    });
    EXPECT_FALSE(w.form.close());
    EXPECT_EQ(text, u("現在の表は保存されていません。保存しますか？"));
    buttons.sort();
    QStringList expected{u("保存"), u("保存しない"), u("キャンセル")};
    expected.sort();
    EXPECT_EQ(buttons, expected);
    EXPECT_TRUE(w.form.isVisible());
}

TEST(TrustWindow, TheStatusBarShowsTheSevenCodesOfAHoveredCellAndWhatCommandsDid) {
    Window w;
    w.show();
    fillFromSample(w);
    const TableState& t = w.t();
    EXPECT_TRUE(w.form.statusReport()->text().endsWith(u(" 件の測定を表に加えました")))
        << w.form.statusReport()->text().toStdString();

    // A cell holding a species.
    const TableLayout layout = layoutOf(t);
    int col = -1, row = -1;
    for (int r = layout.firstSpeciesRow();
         r <= layout.lastSpeciesRow(t.model.speciesCount()) && col < 0; ++r)
        for (int c = TableLayout::FirstReleveCol;
             c <= TableLayout::lastReleveCol(t.model.releveCount()); ++c)
            if (!t.model.cell(c, r).empty()) {
                col = c;
                row = r;
                break;
            }
    ASSERT_GE(col, 0);
    QTest::mouseMove(w.form.windowHandle(), w.cellCentre(col, row));
    const QString shown = w.form.statusInspector()->text();
    EXPECT_TRUE(shown.startsWith(qs(t.model.cell(TableLayout::NameCol, row)) + u(" ｜ ")))
        << shown.toStdString();
    const LayerCodes& codes = t.model.codesAt(col, row);
    QString layers;
    for (int k = 0; k < 7; ++k)
        layers += (k ? u("  ") : QString()) + qs(t.print.LayerLabels[k]).trimmed() + u(": ") +
                  qs(CoverCodeText(codes[k], 2)).trimmed();
    EXPECT_TRUE(shown.endsWith(u(" ｜ ") + layers)) << shown.toStdString();

    // A header cell shows its whole text; nothing under the mouse: the counts.
    QTest::mouseMove(w.form.windowHandle(), w.cellCentre(TableLayout::NameCol, 1));
    EXPECT_EQ(w.form.statusInspector()->text(), qs(t.model.cell(TableLayout::NameCol, 1)));

    w.form.item(QStringLiteral("Item_SortPlant"))->trigger();
    EXPECT_EQ(w.form.statusReport()->text(), u("「植物を頻度多順に並び替え」を実行しました"));
}

TEST(TrustWindow, DialogsStartWhereTheLastFileWasChosen) {
    Window w;
    w.fileAnswers = {samplePath("sample.rli")};
    w.form.item(QStringLiteral("Item_AddReleve"))->trigger();
    w.form.item(QStringLiteral("Item_SaveTable"))->trigger();  // cancelled
    ASSERT_EQ(w.requests.size(), 2u);
    EXPECT_EQ(w.requests[1].initialDir,
              std::filesystem::path(samplePath("sample.rli")).parent_path().string());
}

TEST(TrustWindow, QtDialogsSpeakJapaneseAndTheFontDialogKeepsAnUnchangedFont) {
    QDialogButtonBox box(QDialogButtonBox::Cancel | QDialogButtonBox::Save);
    EXPECT_EQ(box.button(QDialogButtonBox::Cancel)->text(), u("キャンセル"));

    Window w;
    FontSpec odd = w.t().print.TableFont;
    odd.family = sj("No Such Family");
    odd.pixelSize = 17;
    answerNextModal([](QWidget* dialog) {
        if (auto* d = qobject_cast<QFontDialog*>(dialog)) return d->accept();
        dialog->close();
    });
    EXPECT_EQ(w.form.ui().fontDialog(odd), std::optional<FontSpec>(odd));
}

}  // namespace
}  // namespace tamsel

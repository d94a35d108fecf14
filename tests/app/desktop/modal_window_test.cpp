// What the window shows when a command asks or tells the user something, what a
// command that changes nothing leaves, where the file dialogs start.
#include <gtest/gtest.h>

#include <QDialog>
#include <QEventLoop>
#include <QFile>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <map>
#include <mutex>
#include <thread>

#include "analysis/twinspan_table.h"
#include "app/desktop/print_panel.h"
#include "app/session/analysis_commands.h"
#include "app/session/edit_commands.h"
#include "io/safe_file.h"
#include "platform/qt/qt_text.h"
#include "window_helpers.h"

namespace tamsel {
namespace {

using testing::u;
using testing::Window;

void checkAccessKeys(const QString& where, const QList<QAction*>& actions) {
    std::map<QString, QString> seen;
    for (const QAction* a : actions) {
        if (a->menu()) checkAccessKeys(a->text(), a->menu()->actions());
        const QString key = QKeySequence::mnemonic(a->text()).toString();
        if (key.isEmpty()) continue;
        const auto [it, fresh] = seen.emplace(key, a->text());
        EXPECT_TRUE(fresh) << where.toStdString() << ": " << a->text().toStdString() << " and "
                           << it->second.toStdString();
    }
}

TEST(ModalWindow, NoTwoItemsOfOneMenuShareAnAccessKey) {
    Window w;
    checkAccessKeys(u("menu bar"), w.form.menuBar()->actions());
}

// The command's progress still on screen: the message panel, a cancel dialog.
QStringList progressShown(Window& w) {
    QStringList shown;
    if (w.form.findChild<QWidget*>(QStringLiteral("Panel_ofMessage"))->isVisible())
        shown << QStringLiteral("Panel_ofMessage");
    for (const QProgressDialog* d : w.form.findChildren<QProgressDialog*>())
        if (d->isVisible()) shown << d->labelText();
    return shown;
}

// Runs command; the next modal window it shows is looked at after a while (a
// cancel dialog shows itself late), then closed. Returns what of the progress
// was on screen with it; text: the message's text.
std::string progressOverModal(Window& w, const std::function<void()>& command, QString& text,
                              const std::function<void(QWidget*)>& also = {}) {
    QStringList shown{QStringLiteral("no modal")};
    testing::answerNextModal([&](QWidget* dialog) {
        QTest::qWait(700);
        shown = progressShown(w);
        if (auto* box = qobject_cast<QMessageBox*>(dialog)) text = box->text();
        if (also) also(dialog);
        dialog->close();
    });
    // From the event loop, as a menu command runs: what the command leaves to be
    // deleted later stays while the modal window runs its own loop.
    QEventLoop loop;
    QTimer::singleShot(0, &loop, [&] {
        command();
        loop.quit();
    });
    loop.exec();
    return shown.join(QStringLiteral(", ")).toStdString();
}

// The same options as the dialog shows them.
void answerOptionsAsShown(Window& w) {
    w.form.ui().setFieldsDialogHook([](const FieldsDialogRequest& r) {
        std::vector<std::string> texts;
        for (const auto& f : r.fields) texts.push_back(f.text);
        return std::optional(texts);
    });
}

TEST(ModalWindow, NoProgressIsLeftOverAMessageOrAReport) {
    QTemporaryDir dir;
    const QString bad = dir.filePath(QStringLiteral("bad.xml"));
    {
        QFile f(bad);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("<Plots><Plot releve_nr=\"1\"><Species");
    }
    Window w;
    w.show();
    answerOptionsAsShown(w);
    QString text;
    // An add that fails.
    w.fileAnswers.push_back(pathOf(bad));
    EXPECT_EQ(progressOverModal(
                  w, [&] { w.form.item(QStringLiteral("Item_AddTurboveg"))->trigger(); }, text),
              "");
    EXPECT_FALSE(text.isEmpty());
    // An analysis refused on an empty table (its menu item waits for relevés).
    ASSERT_FALSE(w.form.item(QStringLiteral("Item_Twinspan"))->isEnabled());
    Session& s = w.form.session();
    EXPECT_EQ(progressOverModal(
                  w,
                  [&] {
                      w.form.runCommand(
                          [&] { Item_TwinspanClick(s.table, w.form.ui(), s.twinspanOptions); });
                  },
                  text),
              "");
    EXPECT_FALSE(text.isEmpty());

    // A report after success; 保存 writes it and leaves it open.
    testing::fillFromSample(w);
    const std::string saved = pathOf(dir.filePath(QStringLiteral("report.txt")));
    bool openAfterSave = false;
    QString shownReport;
    EXPECT_EQ(progressOverModal(
                  w, [&] { w.form.item(QStringLiteral("Item_Twinspan"))->trigger(); }, text,
                  [&](QWidget* report) {
                      if (auto* view = report->findChild<QPlainTextEdit*>())
                          shownReport = view->toPlainText();
                      for (QPushButton* b : report->findChildren<QPushButton*>())
                          if (b->text() == u("保存")) {
                              w.fileAnswers.push_back(saved);
                              b->click();
                          }
                      openAfterSave = report->isVisible();
                  }),
              "");
    EXPECT_TRUE(openAfterSave);
    EXPECT_TRUE(shownReport.startsWith(u("TWINSPAN"))) << shownReport.toStdString();
    EXPECT_TRUE(shownReport.contains(u("分割 1  固有値 "))) << shownReport.toStdString();
    // The file keeps the words its readers parse.
    EXPECT_NE(readWholeFile(saved).find("division 1 eigenvalue "), std::string::npos);
}

TEST(ModalWindow, AnOutputThatChangesNothingIsNoStep) {
    QTemporaryDir dir;
    Window w;
    w.show();
    testing::fillFromSample(w);
    // A row moved by hand keeps its running number until the next recount, which
    // the print-item panel makes when it opens.
    const int row = w.t().model.freqRow() + 2;
    ASSERT_TRUE(w.form.runCommand([&] { moveRowByDrag(w.t(), row, row + 4); }));
    const std::string table = pathOf(dir.filePath(QStringLiteral("work.vtb")));
    w.fileAnswers.push_back(table);
    w.form.item(QStringLiteral("Item_SaveTable"))->trigger();
    // A saved table, as the user opens it.
    w.fileAnswers.push_back(table);
    w.form.item(QStringLiteral("Item_LoadTable"))->trigger();
    ASSERT_EQ(w.t().files.TableFileName, table);
    const std::string undo = w.t().history.undoName();
    ASSERT_FALSE(w.form.windowTitle().contains(u("＊")));
    PrintItemPanel* panel = w.form.printItemPanel();
    auto unchanged = [&](const char* what) {
        SCOPED_TRACE(what);
        EXPECT_FALSE(w.form.windowTitle().contains(u("＊"))) << w.form.windowTitle().toStdString();
        EXPECT_EQ(w.t().history.undoName(), undo);
        EXPECT_FALSE(w.t().history.canRedo());
    };
    const auto rows = testing::rowsInUse(w.t());
    for (const char* item : {"Item_TextFile", "Item_ExcelFile", "Item_PrintTable"}) {
        w.form.item(QString::fromLatin1(item))->trigger();
        ASSERT_TRUE(panel->isVisible());
        EXPECT_NE(testing::rowsInUse(w.t()), rows);  // renumbered by the panel's recount
        QTest::mouseClick(panel->BtnCancelPrint, Qt::LeftButton);
        unchanged(item);
        EXPECT_EQ(testing::rowsInUse(w.t()), rows);
    }
    // The file dialog cancelled; a PDF printed under the same title.
    w.form.item(QStringLiteral("Item_TextFile"))->trigger();
    QTest::mouseClick(panel->BtnToPrint, Qt::LeftButton);
    unchanged("text file cancelled");
    const std::string pdf = pathOf(dir.filePath(QStringLiteral("work.pdf")));
    w.fileAnswers.push_back(pdf);
    w.form.item(QStringLiteral("Item_PrintTable"))->trigger();
    QTest::mouseClick(panel->BtnToPrint, Qt::LeftButton);
    ASSERT_TRUE(std::filesystem::exists(pdf));
    unchanged("printed");
    // Another title is a change.
    w.form.item(QStringLiteral("Item_TextFile"))->trigger();
    panel->EditTitle->setText(u("別の標題"));
    QTest::mouseClick(panel->BtnToPrint, Qt::LeftButton);
    EXPECT_TRUE(w.form.windowTitle().contains(u("＊")));
    EXPECT_TRUE(w.t().history.canUndo());
}

TEST(ModalWindow, FileDialogsStartWhereTheUserWorks) {
    QTemporaryDir dir;
    const std::string work = pathOf(dir.path());
    const std::string started = std::filesystem::current_path().string();
    const std::string samples =
        std::filesystem::path(testing::samplePath("sample.rli")).parent_path().string();
    Window w;
    auto last = [&] { return w.requests.back(); };

    // Nothing chosen yet: the folder the program was started from.
    w.form.item(QStringLiteral("Item_LoadTable"))->trigger();
    EXPECT_EQ(last().initialDir, started);
    // A data file chosen: the next one is looked for there; cancelled, no panel.
    testing::openPanel(w);
    QTest::mouseClick(w.form.addRelevePanel()->Btn_AddCancel, Qt::LeftButton);
    w.form.item(QStringLiteral("Item_AddReleve"))->trigger();
    EXPECT_EQ(last().initialDir, samples);
    EXPECT_TRUE(w.form.addRelevePanel()->isHidden());
    // Another kind of file starts there too, for this run.
    w.form.item(QStringLiteral("Item_SaveTable"))->trigger();
    EXPECT_EQ(last().initialDir, samples);

    // Once the table has a file, every dialog starts in its folder, and a save
    // proposes its name.
    w.fileAnswers.push_back(work + "/work.vtb");
    w.form.item(QStringLiteral("Item_SaveTable"))->trigger();
    w.form.item(QStringLiteral("Item_SaveTable"))->trigger();
    EXPECT_EQ(last().initialDir, work);
    EXPECT_EQ(last().fileName, "work.vtb");
    w.form.item(QStringLiteral("Item_AddReleve"))->trigger();
    EXPECT_EQ(last().initialDir, work);
    w.form.item(QStringLiteral("Item_LoadTable"))->trigger();
    EXPECT_EQ(last().initialDir, work);
}

// The conditions form's live text is made beside the window: a text that is being
// made when the fields change is stopped, the last fields' text is the one shown,
// and none is being made once the dialog has gone.
TEST(ModalWindow, TheLiveTextIsMadeBesideTheWindowAndEndsWithTheDialog) {
    Window w;
    std::atomic<int> running{0}, stops{0};
    std::atomic<bool> stop{false}, release{false};
    std::mutex m;
    std::string last;  // the fields the text being made is for
    FieldsDialogRequest r;
    r.title = "live";
    r.fields = {{"a", ""}};
    r.live = [&](const std::vector<std::string>& texts) {
        stop = false;
        {
            std::lock_guard lock(m);
            last = texts.at(0);
        }
        ++running;
        // A count that takes until the test releases it, or until it is stopped.
        while (!stop && !release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        --running;
        return "said " + texts.at(0);
    };
    r.stopLive = [&] {
        ++stops;
        stop = true;
    };
    auto makingFor = [&](const char* text) {
        std::lock_guard lock(m);
        return running == 1 && last == text;
    };
    auto waitFor = [](const auto& done) {
        for (int k = 0; k < 200 && !done(); ++k) QTest::qWait(5);
        return done();
    };
    QString shown;
    testing::answerNextModal([&](QWidget* dialog) {
        auto* edit = dialog->findChild<QLineEdit*>();
        auto said = [dialog] {
            for (QLabel* l : dialog->findChildren<QLabel*>())
                if (l->text().startsWith(u("said"))) return l->text();
            return QString();
        };
        EXPECT_TRUE(waitFor([&] { return makingFor(""); }));
        // A change stops the text being made and makes the new fields' one.
        edit->setText(u("xy"));
        EXPECT_TRUE(waitFor([&] { return makingFor("xy"); }));
        EXPECT_EQ(stops, 1);
        EXPECT_EQ(said(), QString());  // a stopped text is not shown
        release = true;
        EXPECT_TRUE(waitFor([&] { return said() == u("said xy"); })) << said().toStdString();
        shown = said();
        release = false;
        edit->setText(u("xyz"));
        EXPECT_TRUE(waitFor([&] { return makingFor("xyz"); }));
        static_cast<QDialog*>(dialog)->reject();
    });
    EXPECT_FALSE(w.form.ui().fieldsDialog(r));
    EXPECT_EQ(running, 0);  // the dialog stopped the last one and waited for it
    EXPECT_EQ(stops, 2);
    EXPECT_EQ(shown, u("said xy"));
}

}  // namespace
}  // namespace tamsel

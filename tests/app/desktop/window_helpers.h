// Helpers of the window tests: modal dialogs answered from a timer (and those
// nobody answers failed and closed), the main
// window with its dialogs answered by a hook, real mouse events through the
// window system (so the press on the grid holds the mouse as it does for a user).
#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QInputMethodEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPrinter>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/desktop/add_releve_panel.h"
#include "app/desktop/main_window.h"
#include "app/desktop/veg_table.h"
#include "app/session/compose_commands.h"
#include "app/session/session.h"
#include "compose/add_releve.h"
#include "platform/batch/batch_ui.h"
#include "table/table_state.h"

namespace tamsel::testing {

inline QString u(const char* utf8) {
    return QString::fromUtf8(utf8);
}

inline std::string samplePath(const char* file) {
    return std::string(TAMSEL_SAMPLE_DIR) + "/" + file;
}

// Answers the next modal dialog, if one comes within five seconds: hands it to
// inspect, then closes it.
inline void answerNextModal(std::function<void(QWidget*)> inspect) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    auto ticks = std::make_shared<int>(500);
    QObject::connect(timer, &QTimer::timeout, [timer, inspect, ticks] {
        QWidget* w = QApplication::activeModalWidget();
        if (w || --*ticks == 0) {
            timer->stop();
            timer->deleteLater();
        }
        if (w) inspect(w);
    });
    timer->start();
}

// What a dialog says: its title and its message, or the texts of its labels.
inline QString dialogText(QWidget* dialog) {
    QString text = dialog->windowTitle();
    if (auto* box = qobject_cast<QMessageBox*>(dialog)) {
        text += u(": ") + box->text();
        if (!box->informativeText().isEmpty()) text += u(" ") + box->informativeText();
        return text;
    }
    for (QLabel* label : dialog->findChildren<QLabel*>())
        if (!label->text().isEmpty()) text += u(" | ") + label->text();
    return text;
}

// Fails the running test when a modal dialog stays open with nothing to answer
// it (an error the test did not expect, a question it armed no answer for),
// with the dialog's text, and closes the dialog: the test then ends at once
// instead of at ctest's timeout. Answers the test expects come within
// milliseconds (answerNextModal). main() keeps one for the whole run.
class ModalWatchdog {
  public:
    static constexpr int PatienceMs = 1500;

    ModalWatchdog() {
        timer_.setInterval(100);
        QObject::connect(&timer_, &QTimer::timeout, [this] { check(); });
        timer_.start();
    }

  private:
    void check() {
        QWidget* dialog = QApplication::activeModalWidget();
        // A progress dialog asks nothing: the command behind it goes on by itself.
        if (qobject_cast<QProgressDialog*>(dialog)) dialog = nullptr;
        if (dialog != open_) {
            open_ = dialog;
            since_.start();
            return;
        }
        if (!dialog || since_.elapsed() < PatienceMs) return;
        ADD_FAILURE() << "a dialog nobody answered was open for " << since_.elapsed()
                      << " ms and is closed: " << dialogText(dialog).toStdString();
        open_ = nullptr;
        if (auto* d = qobject_cast<QDialog*>(dialog))
            d->reject();
        else
            dialog->close();
    }

    QTimer timer_;
    QPointer<QWidget> open_;
    QElapsedTimer since_;
};

// The text of the next message box goes to shown, and the box is closed.
inline void closeNextMessageBox(QString& shown) {
    answerNextModal([&shown](QWidget* dialog) {
        if (auto* box = qobject_cast<QMessageBox*>(dialog)) shown = box->text();
        dialog->close();
    });
}

// Japanese text arrives from the input method, one committed character at a time.
inline void typeText(QWidget* w, const QString& text) {
    for (QChar c : text) {
        QInputMethodEvent e;
        e.setCommitString(QString(c));
        QApplication::sendEvent(w, &e);
    }
}

// The main window; its file dialogs take answers in order and record requests,
// and so does the question whether to save a changed table (no answer left:
// 保存しない).
struct Window {
    Session session;  // outlives the window, as in the program
    TForm1 form{session, "", {}};
    std::deque<std::optional<std::string>> fileAnswers;
    std::vector<FileDialogRequest> requests;
    std::deque<SaveAnswer> saveAnswers;
    std::vector<std::string> questions;

    Window() {
        form.ui().setSaveQuestionHook([this](const std::string& question) {
            questions.push_back(question);
            if (saveAnswers.empty()) return SaveAnswer::Discard;
            SaveAnswer a = saveAnswers.front();
            saveAnswers.pop_front();
            return a;
        });
        form.ui().setFileDialogHook([this](const FileDialogRequest& r, bool) {
            requests.push_back(r);
            if (fileAnswers.empty()) return std::optional<std::string>();
            auto a = fileAnswers.front();
            fileAnswers.pop_front();
            return a;
        });
        // The print dialog prints to the PDF file of the next file answer; no
        // answer (or an empty one) cancels it.
        form.ui().setPrinterDialogHook([this](QPrinter& printer, bool setup) {
            if (setup) return true;
            if (fileAnswers.empty() || !fileAnswers.front()) {
                if (!fileAnswers.empty()) fileAnswers.pop_front();
                return false;
            }
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(QString::fromStdString(*fileAnswers.front()));
            fileAnswers.pop_front();
            return true;
        });
    }
    TableState& t() { return form.session().table; }
    VegTable* grid() { return form.vegTable(); }

    // Shown, so that the widgets have their sizes and the mouse reaches them.
    void show() {
        form.show();
        (void)QTest::qWaitForWindowExposed(&form);
    }
    // The centre of a cell in window coordinates; a cell out of sight (or cut by
    // the edge) is first scrolled to the top (left) of the scrolled part.
    QPoint cellCentre(int col, int row) {
        const QRect view = grid()->viewport()->rect();
        auto inSight = [&](int c, int r) {
            const QRect cell = grid()->cellRect(c, r);
            return !cell.isEmpty() && view.contains(cell.center());
        };
        if (row >= grid()->fixedRows() && !inSight(0, row)) grid()->setTopRow(row);
        if (col >= grid()->fixedCols() && !inSight(col, 0)) grid()->setLeftCol(col);
        return grid()->viewport()->mapTo(&form, grid()->cellRect(col, row).center());
    }
    static QPoint centreOf(QWidget* w, QWidget* top) { return w->mapTo(top, w->rect().center()); }
    void press(Qt::MouseButton b, QPoint at) {
        QTest::mousePress(form.windowHandle(), b, Qt::NoModifier, at);
    }
    void release(Qt::MouseButton b, QPoint at) {
        QTest::mouseMove(form.windowHandle(), at);
        QTest::mouseRelease(form.windowHandle(), b, Qt::NoModifier, at);
    }
};

// The rows in use of the table, as texts, for comparing two tables.
inline std::vector<std::vector<std::string>> rowsInUse(const TableState& t) {
    std::vector<std::vector<std::string>> rows;
    for (int r = 0; r <= t.model.freqRow() + t.model.speciesCount(); ++r) {
        auto texts = t.model.rowTexts(r);
        texts.resize(static_cast<std::size_t>(t.model.releveCount()) + 4);
        rows.push_back(std::move(texts));
    }
    return rows;
}

// A command run by the core alone, on a fresh table with the sample chosen in
// the add-relevé dialog.
struct CoreRun {
    BatchUi ui;
    Session s;
    explicit CoreRun(const std::function<void(Session&, BatchUi&)>& command) {
        FormCreate(s, ui, {}, false);
        ui.fileAnswers.push_back(samplePath("sample.rli"));
        Item_AddReleveClick(s.table, s.addPanel, ui);
        command(s, ui);
    }
};

inline void openPanel(Window& w) {
    w.fileAnswers.push_back(samplePath("sample.rli"));
    w.form.item(QStringLiteral("Item_AddReleve"))->trigger();
}

// Every relevé of the sample, added through the panel.
inline void fillFromSample(Window& w) {
    openPanel(w);
    QTest::mouseClick(w.form.addRelevePanel()->AddbyRecordBtn, Qt::LeftButton);
}

}  // namespace tamsel::testing

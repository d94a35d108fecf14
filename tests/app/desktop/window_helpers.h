// Helpers of the window tests: modal dialogs answered from a timer, the main
// window with its dialogs answered by a hook, real mouse events through the
// window system (so the press on the grid holds the mouse as it does for a user).
#pragma once

#include <QApplication>
#include <QInputMethodEvent>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/desktop/main_window.h"
#include "app/desktop/veg_table.h"
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

// The main window; its file dialogs take answers in order and record requests.
struct Window {
    TForm1 form{"", {}};
    std::deque<std::optional<std::string>> fileAnswers;
    std::vector<FileDialogRequest> requests;

    Window() {
        form.ui().setFileDialogHook([this](const FileDialogRequest& r, bool) {
            requests.push_back(r);
            if (fileAnswers.empty()) return std::optional<std::string>();
            auto a = fileAnswers.front();
            fileAnswers.pop_front();
            return a;
        });
    }
    TableState& t() { return form.session().table; }
    VegTable* grid() { return form.vegTable(); }

    // Shown, so that the widgets have their sizes and the mouse reaches them.
    void show() {
        form.show();
        (void)QTest::qWaitForWindowExposed(&form);
    }
    QPoint cellCentre(int col, int row) {
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

}  // namespace tamsel::testing

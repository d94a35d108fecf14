// The definitions file's editor: a fault marked on its line as the editor opens,
// and a corrected text saved as Shift-JIS.
#include <gtest/gtest.h>

#include <QAction>
#include <QDialog>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <string>

#include "io/safe_file.h"
#include "text/sjis.h"
#include "window_helpers.h"

namespace tamsel {
namespace {

using testing::u;
using testing::Window;

TEST(DefinitionsEditor, MarksTheFaultyLineAndSavesTheCorrection) {
    Window w;
    testing::fillFromSample(w);
    QTemporaryDir dir;
    const std::string path = dir.filePath(QStringLiteral("units.txt")).toStdString();
    writeFileSafely(path, sj("# units\ngroup G: ブナ\n\nunit U: G and H\n"));
    w.fileAnswers.push_back(path);
    QString verdict;
    int lineAt = -1;
    testing::answerNextModal([&](QWidget* dialog) {
        auto* edit = dialog->findChild<QPlainTextEdit*>();
        lineAt = edit->textCursor().blockNumber();
        for (QLabel* l : dialog->findChildren<QLabel*>())
            if (!l->text().isEmpty()) verdict = l->text();
        edit->setPlainText(u("# units\ngroup G: ブナ\n\nunit U: G and not G\n"));
        for (QPushButton* b : dialog->findChildren<QPushButton*>())
            if (b->text() == u("保存")) b->click();
        static_cast<QDialog*>(dialog)->reject();
    });
    w.form.item(QStringLiteral("Item_EditDefinitions"))->trigger();
    EXPECT_EQ(lineAt, 3);
    EXPECT_TRUE(verdict.contains(u("4 行目"))) << verdict.toStdString();
    EXPECT_TRUE(verdict.contains(u("「H」"))) << verdict.toStdString();
    EXPECT_EQ(readWholeFile(path), sj("# units\ngroup G: ブナ\n\nunit U: G and not G\n"));
}

}  // namespace
}  // namespace tamsel

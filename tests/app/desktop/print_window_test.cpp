#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <filesystem>

#include "app/desktop/print_panel.h"
#include "io/safe_file.h"
#include "output/output_channel.h"
#include "output/text_layout.h"
#include "platform/qt/qt_text.h"
#include "support/table_fields.h"
#include "window_helpers.h"

namespace tamsel {
namespace {

using testing::u;
using testing::Window;

TEST(PrintPanelWindow, OpensWithTheRecountedRangeCancelsAndWrites) {
    QTemporaryDir dir;
    const std::string path = pathOf(dir.filePath(QStringLiteral("table.txt")));
    Window w;
    w.show();
    testing::fillFromSample(w);
    w.requests.clear();
    TableState& t = w.t();
    // A stale count: the panel recounts when it opens.
    testing::editFields(t.model, [](TableFields& f) { f.freq[1] = 0; });
    const int species = t.model.speciesCount();
    ASSERT_GT(species, 0);

    PrintItemPanel* panel = w.form.printItemPanel();
    ASSERT_TRUE(panel->isHidden());
    w.form.item(QStringLiteral("Item_TextFile"))->trigger();
    ASSERT_TRUE(panel->isVisible());
    EXPECT_GT(t.model.freq()[1], 0);
    EXPECT_EQ(panel->PN1->value(), 1);
    EXPECT_EQ(panel->PN2->value(), species);
    EXPECT_EQ(panel->PN2->minimum(), 0);
    EXPECT_EQ(panel->PN2->maximum(), species);
    EXPECT_EQ(panel->EditTitle->text(), u("森林群落組成表"));
    EXPECT_EQ(panel->Label4->text(), u("出力する項目を選択してください"));
    EXPECT_EQ(panel->ChkBox[1]->text(), u("表の通し番号"));
    EXPECT_EQ(panel->ChkBox[30]->text(), u("出現種数"));
    EXPECT_FALSE(panel->ChkBox[4]->isEnabled());
    EXPECT_TRUE(panel->ChkBox[2]->isChecked());
    EXPECT_EQ(panel->ChkBoxfq->text(), u("出現頻度"));
    EXPECT_EQ(panel->ChkBox1t->text(), u("出現１回の種"));
    EXPECT_EQ(panel->BtnToPrint->text(), u("決定・出力"));
    EXPECT_EQ(panel->BtnCancelPrint->text(), u("取止め"));

    // "取止め": nothing asked, nothing written, the title as it was.
    panel->EditTitle->setText(u("別の標題"));
    QTest::mouseClick(panel->BtnCancelPrint, Qt::LeftButton);
    EXPECT_TRUE(panel->isHidden());
    EXPECT_TRUE(w.requests.empty());
    EXPECT_EQ(t.model.title(), sj("森林群落組成表"));

    // "決定・出力" with the frequency column, item 2 off and rows 2.. written.
    w.form.item(QStringLiteral("Item_TextFile"))->trigger();
    // On the box itself, at the left of the widget.
    for (QCheckBox* box : {panel->ChkBoxfq, panel->ChkBox[2]})
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
    panel->PN1->setValue(2);
    panel->EditTitle->setText(u("標題A"));
    w.fileAnswers.push_back(path);
    QTest::mouseClick(panel->BtnToPrint, Qt::LeftButton);
    EXPECT_TRUE(panel->isHidden());
    EXPECT_EQ(t.model.title(), sj("標題A"));
    ASSERT_EQ(w.requests.size(), 1u);
    EXPECT_EQ(w.requests[0].filterIndex, 2);
    EXPECT_EQ(w.requests[0].fileName, "標題A.txt");
    EXPECT_TRUE(w.form.session().printPanel.ChkBoxfq);
    EXPECT_FALSE(t.print.PrintItemBoxes[2].checked);

    StringSink expected;
    SinkChannel channel(expected);
    PrintTable(t, w.form.session().printPanel, channel, 45, 2, static_cast<std::uint16_t>(species));
    EXPECT_EQ(readWholeFile(path), expected.text);
    EXPECT_EQ(expected.text.find(sj("測定番号")), std::string::npos);

    // The choices are there when the panel opens again.
    w.form.item(QStringLiteral("Item_TextFile"))->trigger();
    EXPECT_TRUE(panel->ChkBoxfq->isChecked());
    EXPECT_FALSE(panel->ChkBox[2]->isChecked());
    EXPECT_EQ(panel->PN1->value(), 1);
    QTest::mouseClick(panel->BtnCancelPrint, Qt::LeftButton);
}

TEST(PrintPanelWindow, CsvMenuItemsWriteTheirFiles) {
    QTemporaryDir dir;
    Window w;
    testing::fillFromSample(w);
    for (const char* name : {"Item_PCordCSV", "Item_ValueMatrix", "Item_PlotData"}) {
        const std::string path = pathOf(dir.filePath(QString::fromLatin1(name) + u(".csv")));
        w.fileAnswers.push_back(path);
        w.form.item(QString::fromLatin1(name))->trigger();
        EXPECT_TRUE(std::filesystem::exists(path)) << name;
        EXPECT_EQ(w.requests.back().filterIndex, 3) << name;
        EXPECT_EQ(w.form.statusReport()->text(), u("出力しました: ") + qPath(path)) << name;
    }
    EXPECT_TRUE(std::filesystem::exists(pathOf(dir.filePath(u("Item_PCordCSV.lst")))));
}

}  // namespace
}  // namespace tamsel

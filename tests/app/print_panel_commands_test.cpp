#include "app/session/output_commands.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "io/safe_file.h"
#include "output/small_table.h"
#include "output/text_file.h"
#include "platform/error.h"
#include "support/data_file_writer.h"
#include "support/recording_server.h"
#include "support/table_fields.h"
#include "support/temp_dir.h"
#include "table/dialog_filters.h"

namespace tamsel {
namespace {

using testing::panelTable;
using testing::SmallTable;
using testing::TempDir;

// The panel opened for the text file, over a file "old" the output may replace.
struct TextFilePanel {
    TempDir dir;
    SmallTable s = panelTable();
    std::string path = dir.file("table.txt");
    TextFilePanel() {
        testing::writeBytes(path, "old");
        Item_TextFileClick(s.t, s.p, s.ui());
    }
};

TEST(PrintPanel, OpeningRecountsAndSetsTitleAndRange) {
    SmallTable s = panelTable();
    s.p.ChkBoxfq = true;
    s.t.print.PrintItemBoxes[2].checked = false;
    s.t.model.setTitle(sj("標題"));
    Item_TextFileClick(s.t, s.p, s.ui());
    EXPECT_TRUE(s.p.visible);
    EXPECT_EQ(s.p.target, OutputTarget::TextFile);
    EXPECT_EQ(s.p.EditTitle, sj("標題"));
    EXPECT_EQ(s.t.model.freq()[1], 2);
    EXPECT_EQ(s.t.model.numSp()[2], 2);
    EXPECT_EQ(s.p.PN1.value, 1);
    EXPECT_EQ(s.p.PN2.value, 3);
    EXPECT_EQ(s.p.PN1.maxValue, 3);
    EXPECT_EQ(s.p.PN2.minValue, 0);
    // What the user chose last stays.
    EXPECT_TRUE(s.p.ChkBoxfq);
    EXPECT_FALSE(s.t.print.PrintItemBoxes[2].checked);
}

TEST(PrintPanel, CancelWritesNothingAndKeepsTheTitle) {
    SmallTable s = panelTable();
    Item_TextFileClick(s.t, s.p, s.ui());
    s.p.EditTitle = sj("新しい標題");
    BtnCancelPrintClick(s.p);
    EXPECT_FALSE(s.p.visible);
    EXPECT_EQ(s.t.model.title(), sj("森林群落組成表"));
    EXPECT_TRUE(s.ui().dialogs.empty());
}

TEST(PrintPanel, ConfirmTakesTheTitleAndWritesTheTextFile) {
    TextFilePanel panel;
    SmallTable& s = panel.s;
    const std::string& path = panel.path;
    s.p.EditTitle = sj("新しい標題");
    s.p.PN1.value = 2;
    s.ui().fileAnswers = {path};
    BtnToPrintClick(s.t, s.p, s.ui());
    EXPECT_FALSE(s.p.visible);
    EXPECT_EQ(s.t.model.title(), sj("新しい標題"));
    EXPECT_NE(captionOf(s.t).find(sj("新しい標題")), std::string::npos);
    ASSERT_EQ(s.ui().dialogs.size(), 1u);
    const FileDialogRequest& r = s.ui().dialogs[0];
    EXPECT_EQ(r.filter, saveDialogFilter());
    EXPECT_EQ(r.filterIndex, 2);
    EXPECT_EQ(r.defaultExt, ".txt");
    EXPECT_EQ(r.fileName, "新しい標題.txt");
    // Rows 2..3 on one page of capacity 45: B and C occur once, A is row 1.
    EXPECT_EQ(readWholeFile(path), s.text(45, 2, 3));
    EXPECT_EQ(readWholeFile(path).find("A "), std::string::npos);
    EXPECT_NE(readWholeFile(path).find(sj("新しい標題")), std::string::npos);
}

TEST(PrintPanel, RefusedTitleAndFailedWritesLeaveEverythingAsItWas) {
    TextFilePanel panel;
    SmallTable& s = panel.s;
    const std::string& path = panel.path;

    s.p.EditTitle = "a\r\nb";
    EXPECT_THROW(BtnToPrintClick(s.t, s.p, s.ui()), Error);
    EXPECT_TRUE(s.p.visible);
    EXPECT_EQ(s.t.model.title(), sj("森林群落組成表"));

    // A slot that is no number stops the output; the old file stays.
    s.p.EditTitle = "T";
    const std::string slot = s.t.model.cell(TableLayout::SlotCol, s.layout().speciesRow(1));
    auto setSlot = [&](const std::string& text) {
        testing::editGrid(s.t.model, [&](Grid& g) {
            g.setCell(TableLayout::SlotCol, s.layout().speciesRow(1), text);
        });
    };
    setSlot("x");
    s.ui().fileAnswers = {path};
    EXPECT_THROW(BtnToPrintClick(s.t, s.p, s.ui()), Error);
    EXPECT_EQ(readWholeFile(path), "old");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(panel.dir.path()), {}), 1);
    setSlot(slot);

    // A cancelled dialog writes nothing.
    s.p.visible = true;
    s.ui().fileAnswers = {std::nullopt};
    BtnToPrintClick(s.t, s.p, s.ui());
    EXPECT_EQ(readWholeFile(path), "old");

    // A range value the outputs cannot read.
    s.p.PN2.value = 70000;
    EXPECT_THROW(BtnToPrintClick(s.t, s.p, s.ui()), Error);
}

TEST(OutPutPrinter, CancelledDialogPrintsNothing) {
    SmallTable s({});
    s.add({}, {{"Sp", testing::codes({{5, 10}})}});
    s.recount();
    // The command line's dialog without an answer is a cancelled one.
    s.p.PN1 = {1, 0, 1};
    s.p.PN2 = {1, 0, 1};
    s.ui().printAnswers.push_back(std::nullopt);
    OutPut_Printer(s.t, s.p, s.ui());
    EXPECT_EQ(s.ui().printDialogs, 1);
}

TEST(ExcelOutput, SaveDialogOffersXlsxUnderTheTitle) {
    SmallTable s({});
    s.add({}, {{"Sp", testing::codes({{5, 10}})}});
    ServerRegistry registry;
    CallRecord record;
    addRecordingServer(registry, "Excel.Application", record);
    BatchUi& ui = s.ui();
    ui.panelLabels.clear();
    s.t.model.setTitle(sj("植生/調査"));
    ui.fileAnswers.push_back(std::nullopt);
    Output_ExcelFile(s.t, ui, registry, {1, 3, false});
    ASSERT_EQ(ui.dialogs.size(), 1u);
    const FileDialogRequest& r = ui.dialogs[0];
    EXPECT_EQ(r.filterIndex, 4);
    EXPECT_EQ(r.defaultExt, ".xlsx");
    EXPECT_EQ(r.fileName, "植生_調査.xlsx");
    // The fourth entry of the filter list is the .xlsx one.
    std::vector<std::string> parts;
    std::size_t at = 0;
    for (std::size_t bar; (bar = r.filter.find('|', at)) != std::string::npos; at = bar + 1)
        parts.push_back(r.filter.substr(at, bar - at));
    parts.push_back(r.filter.substr(at));
    ASSERT_GE(parts.size(), 8u);
    EXPECT_EQ(parts[7], "*.xlsx");
    // Cancelled: nothing started.
    EXPECT_TRUE(record.lines.empty());
    EXPECT_TRUE(ui.panelLabels.empty());
}

}  // namespace
}  // namespace tamsel

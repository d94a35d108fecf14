#include "app/session/output_commands.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "io/safe_file.h"
#include "output/small_table.h"
#include "output/text_file.h"
#include "platform/error.h"
#include "support/data_file_writer.h"
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

}  // namespace
}  // namespace tamsel

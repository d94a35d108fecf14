#include "app/session/table_file_commands.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/batch/batch_ui.h"
#include "support/temp_dir.h"
#include "tablefile/small_tables.h"
#include "text/sjis.h"

namespace tamsel {
namespace {

using testing::makeTable;
using testing::smallTable;
using testing::TempDir;

TEST(TableFileTest, CommandsUseTheirDialogsPanelAndProgress) {
    BatchUi ui;
    TempDir dir;
    TableState t = smallTable(ui);
    t.model.setTitle(sj("ブナ林"));
    t.files.OpenDialogFolder = dir.path().string();
    const std::string path = dir.file("x.vtb");

    Item_SaveTableClick(t, ui);  // cancelled: nothing written
    ui.fileAnswers.push_back(path);
    Item_SaveTableClick(t, ui);
    ASSERT_EQ(ui.dialogs.size(), 2u);
    EXPECT_EQ(ui.dialogs[1].title, sj("組成表の保存"));
    EXPECT_EQ(ui.dialogs[1].filterIndex, 1);
    EXPECT_EQ(ui.dialogs[1].defaultExt, ".vtb");
    EXPECT_EQ(ui.dialogs[1].fileName, "ブナ林.vtb");
    EXPECT_EQ(ui.panelLabels.back(), sj("組成表を保存中"));
    ASSERT_TRUE(std::filesystem::exists(path));

    TableState u = makeTable(ui);
    u.files.OpenDialogFolder = dir.path().string();
    Item_LoadTableClick(u, ui);  // cancelled
    EXPECT_EQ(u.model.releveCount(), 0);
    ui.fileAnswers.push_back(path);
    Item_LoadTableClick(u, ui);
    const FileDialogRequest& r = ui.dialogs.back();
    EXPECT_EQ(r.title, sj("組成表の読込"));
    EXPECT_EQ(r.filterIndex, 2);
    EXPECT_EQ(r.fileName, "*.vtb");
    EXPECT_EQ(r.initialDir, dir.path().string());
    EXPECT_EQ(ui.panelLabels.back(), sj("組成表を読込中"));
    EXPECT_FALSE(ui.panelShown);
    EXPECT_EQ(ui.busyDepth, 0);
    EXPECT_EQ(ui.progressBar1().max(), 1 + 5);
    EXPECT_EQ(ui.progressBar1().position(), 0);
    EXPECT_EQ(u.model.releveCount(), 2);
    EXPECT_EQ(captionOf(u), sj("ブナ林") + "  NR=2, NS=1    " + sj("辞書なし"));
    EXPECT_EQ(u.files.DataFileName, "x.vtb");
}

}  // namespace
}  // namespace tamsel

#include "app/session/compose_commands.h"

#include <gtest/gtest.h>

#include "compose/dictionary.h"
#include "platform/batch/batch_ui.h"
#include "platform/error.h"
#include "support/data_file_writer.h"
#include "support/temp_dir.h"
#include "text/sjis.h"

namespace tamsel {
namespace {

using testing::TempDir;
using testing::writeBytes;

TEST(Dictionary, MenuCommand) {
    TempDir dir;
    std::string path = dir.file("names.dic");
    writeBytes(path, "a,b\n");
    TableState t;
    InitGlobals(t);
    t.files.OpenDialogFolder = dir.path().string();
    ReplaceName d;
    BatchUi ui;

    ui.fileAnswers.push_back(std::nullopt);
    Item_CheckNameClick(t, d, ui);
    ASSERT_EQ(ui.dialogs.size(), 1u);
    EXPECT_EQ(ui.dialogs[0].filterIndex, 4);
    EXPECT_EQ(ui.dialogs[0].initialDir, t.files.OpenDialogFolder);
    EXPECT_NE(ui.dialogs[0].filter.find(sj("異名辞書ファイル (*.dic)|*.dic")), std::string::npos);
    EXPECT_EQ(t.files.DictionaryStatus, sj("辞書なし"));

    ui.fileAnswers.push_back(dir.file("none.dic"));
    EXPECT_THROW(Item_CheckNameClick(t, d, ui), Error);
    EXPECT_EQ(t.files.DictionaryFileName, dir.file("none.dic"));
    EXPECT_EQ(t.files.DictionaryStatus, sj("辞書なし"));
    EXPECT_TRUE(ui.messages.empty());

    ui.fileAnswers.push_back(path);
    Item_CheckNameClick(t, d, ui);
    EXPECT_EQ(t.files.DictionaryStatus, sj("辞書＝") + path);
    EXPECT_EQ(LookupSynonym(d, "A"), "b");
}

}  // namespace
}  // namespace tamsel

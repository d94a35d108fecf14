#include "app/session/output_commands.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "io/safe_file.h"
#include "output/pcord_table.h"
#include "platform/error.h"
#include "support/temp_dir.h"
#include "table/dialog_filters.h"
#include "text/sjis.h"

namespace tamsel {
namespace {

TEST(Exports, MenuCommandsAskAndWriteSafely) {
    testing::TempDir dir;
    testing::SmallTable s = testing::pcordTable();
    s.t.model.setTitle(sj("表A/B"));
    struct Case {
        void (*command)(const TableState&, Ui&);
        std::string ending;
        std::string expected;
    };
    const Case cases[] = {
        {Item_PCordCSVClick, "-pcm.csv", testing::PCordExpected},
        {Item_ValueMatrixClick, "-vm.csv", testing::ValueMatrixExpected},
        {Item_PlotDataClick, "-plot.csv", testing::lines({sj("測定番号"), "101", "102", "103"})}};
    for (const Case& c : cases) {
        BatchUi& ui = s.ui();
        ui.dialogs.clear();
        ui.fileAnswers = {std::nullopt};  // cancelled: nothing written
        const std::string path = dir.file("t" + c.ending);
        c.command(s.t, ui);
        EXPECT_FALSE(std::filesystem::exists(path));
        ASSERT_EQ(ui.dialogs.size(), 1u);
        EXPECT_EQ(ui.dialogs[0].filter, saveDialogFilter());
        EXPECT_EQ(ui.dialogs[0].filterIndex, 3);
        EXPECT_EQ(ui.dialogs[0].defaultExt, ".csv");
        EXPECT_EQ(ui.dialogs[0].fileName, "表A_B" + c.ending);

        // Into a folder that does not exist: an error, nothing written.
        ui.fileAnswers = {dir.file("no/such" + c.ending)};
        EXPECT_THROW(c.command(s.t, ui), Error);

        ui.fileAnswers = {path};
        c.command(s.t, ui);
        EXPECT_EQ(readWholeFile(path), c.expected) << c.ending;
        EXPECT_EQ(ui.busyDepth, 0);
    }
    EXPECT_TRUE(std::filesystem::exists(dir.file("t-pcm.lst")));
}

}  // namespace
}  // namespace tamsel

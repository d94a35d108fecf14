#include "output/print_panel.h"

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

TEST(PrintPanel, RangeFieldsOnLeavingAndItemClicks) {
    const SpinEdit field{1, 0, 3};
    const std::pair<const char*, int> cases[] = {{"2", 2}, {"7", 3},  {"-1", 0}, {"abc", 0},
                                                 {"", 0},  {" 3", 3}, {"2.5", 0}};
    for (auto [typed, value] : cases) EXPECT_EQ(spinValueOnExit(field, typed), value) << typed;

    SmallTable s = panelTable();
    EXPECT_TRUE(clickPrintItem(s.t, 2, false));
    EXPECT_FALSE(s.t.print.PrintItemBoxes[2].checked);
    EXPECT_FALSE(clickPrintItem(s.t, 4, true));  // disabled: takes no click
    EXPECT_FALSE(s.t.print.PrintItemBoxes[4].checked);
    EXPECT_FALSE(clickPrintItem(s.t, 31, true));
}

}  // namespace
}  // namespace tamsel

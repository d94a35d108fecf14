#include "app/session/analysis_commands.h"

#include <gtest/gtest.h>

#include "analysis/pattern_table.h"
#include "analysis/synoptic.h"
#include "io/safe_file.h"
#include "platform/error.h"
#include "support/temp_dir.h"
#include "text/sjis.h"

namespace tamsel {
namespace {

using testing::PatternTable;

TEST(SynopticCommand, WritesWhatTheCoreWrites) {
    PatternTable p({{"A,b", "xx|..."},
                    {sj(" 　C "), "x.|xxx"},
                    {sj("コメント"), "..|..."},
                    {"D\"q\"", ".x|.x."}});
    StringSink out;
    writeSynopticCsv(out, computeSynoptic(p.t, {}));
    // The menu command: options dialog, save dialog on the CSV entry, the same bytes.
    testing::TempDir dir;
    p.t.model.setTitle("T/1");
    p.ui.fieldsAnswers.push_back(BatchUi::FieldsAnswer{});
    p.ui.fileAnswers.push_back(dir.file("s.csv"));
    Item_SynopticClick(p.t, p.ui, LayerMerge::Sum);
    ASSERT_EQ(p.ui.dialogs.size(), 1U);
    EXPECT_EQ(p.ui.dialogs[0].fileName, "T_1-syn.csv");
    EXPECT_EQ(p.ui.dialogs[0].filterIndex, 3);
    EXPECT_EQ(readWholeFile(dir.file("s.csv")), out.text);
}

TEST(SynopticCommand, NoRelevesRefusedBeforeAnyDialog) {
    PatternTable empty({{"a", "..."}, {"b", "..."}});
    // The menu commands say so before their options dialog asks anything.
    EXPECT_THROW(Item_SynopticClick(empty.t, empty.ui, LayerMerge::Sum), Error);
    EXPECT_THROW(Item_SortFidelityClick(empty.t, empty.ui), Error);
    EXPECT_TRUE(empty.ui.fieldsDialogs.empty());
}

}  // namespace
}  // namespace tamsel

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "app/batch_run.h"
#include "app/session/batch.h"
#include "support/data_file_writer.h"
#include "support/temp_dir.h"
#include "text/sjis.h"

namespace tamsel {
namespace {

using testing::Outcome;
using testing::runCommands;

Outcome run(const std::vector<std::string>& args) {
    return runCommands(args);
}

class BatchBuild : public ::testing::Test {
  protected:
    void SetUp() override {
        testing::writeThreeReleves(dir.file("veg"));
        testing::writeBytes(dir.file("syn.dic"), sj("イタヤ旧,イタヤカエデ\r\n"));
    }
    std::string rli() const { return dir.file("veg.rli"); }
    testing::TempDir dir;
};

TEST_F(BatchBuild, BuildSortAndPrint) {
    Outcome r = run({"dict", dir.file("syn.dic"), "add", rli(), "sort-species", "sort-releves",
                     "grid", "caption"});
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<std::string> l = r.lines();
    ASSERT_EQ(l.size(), 34u);  // rows 0 .. FreqRow 28 + 4 species, and the caption
    // Species by frequency 3, 2, 2, 1 (ブナ before スゲ as before); relevés by species
    // number 4, 2, 2 (101 before 103 as before). Slots travel with rows and columns.
    EXPECT_EQ(l[0], "\t\t\t\t2\t1\t3");
    EXPECT_EQ(l[1], "\t\t表の通し番号\t\t   1\t   2\t   3");
    EXPECT_EQ(l[2], "\t\t測定番号\t\t102     \t101     \t103     ");
    EXPECT_EQ(l[4], "\t\t地理区画コード\t\t5236    \t5235    \t4520    ");
    EXPECT_EQ(l[5], "\t\t調査地標高(m)\t\t    \t    \t    ");
    EXPECT_EQ(l[27], "\t\t出現種数\t\t   4\t   2\t   2");
    EXPECT_EQ(l[28], "\t\t\tF＼N\t   4\t   2\t   2");
    EXPECT_EQ(l[29], "2\t   1\tササ\t   3\t   3\t   +\t   2");
    EXPECT_EQ(l[30], "1\t   2\tブナ\t   2\t2   \t4   \t");
    EXPECT_EQ(l[31], "4\t   3\tスゲ\t   2\t   r\t\t   +");
    EXPECT_EQ(l[32], "3\t   4\tイタヤカエデ\t   1\t  1 \t\t");
    EXPECT_EQ(l[33], "森林群落組成表  NR=3, NS=4    辞書＝" + dir.file("syn.dic"));
}

TEST_F(BatchBuild, FewestFirst) {
    Outcome r = run({"add", rli(), "sort-releves-fewest", "grid"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.lines()[2], "\t\t測定番号\t\t101     \t103     \t102     ");
    EXPECT_EQ(r.lines()[31], "3\t   3\tイタヤ旧\t   1\t\t\t  1 ");  // no dictionary
}

TEST_F(BatchBuild, SelectionOptions) {
    struct Case {
        std::vector<std::string> options;
        const char* numbers;  // row 2 of the table, trimmed cells joined by blanks
    } cases[] = {
        {{}, "101 102 103"},
        {{"--records", "2-3"}, "102 103"},
        {{"--grid", "52"}, "101 102"},
        {{"--plant", "a", "--a", "ササ", "--cover-a", "2"}, "102 103"},
        {{"--plant", "a-or-b", "--a", "イタヤ旧", "--b", "ブナ", "--cover-b", "3"}, "101 102"},
        {{"--plant", "a-not-b", "--a", "ササ", "--b", "スゲ", "--cover-b", "r"}, "101"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"add", rli()};
        args.insert(args.end(), c.options.begin(), c.options.end());
        args.push_back("grid");
        Outcome r = run(args);
        ASSERT_EQ(r.status, 0) << r.err;
        std::string row2 = r.lines()[2], got;
        std::istringstream cells(row2);
        for (std::string cell; std::getline(cells, cell, '\t');)
            if (!cell.empty() && cell[0] == '1')
                got += (got.empty() ? "" : " ") + cell.substr(0, 3);
        EXPECT_EQ(got, c.numbers) << row2;
    }
}

TEST_F(BatchBuild, Failures) {
    struct Case {
        std::vector<std::string> args;
        const char* message;
    } cases[] = {
        {{"add", rli(), "--records", "3-2"}, "最後のレコード番号"},
        {{"add", rli(), "--plant", "a", "--a", "ササ", "--cover-a", ""}, "最低値が空欄"},
        {{"add", rli(), "--cover-a", "2"}, "--plant"},
        {{"add", rli(), "--plant", "some"}, "--plant"},
        {{"add", dir.file("none.rli")}, "ファイルが開けません"},
        {{"dict", dir.file("none.dic")}, "none.dic"},
    };
    for (const Case& c : cases) {
        Outcome r = run(c.args);
        EXPECT_EQ(r.status, 1) << c.message;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    }
}

}  // namespace
}  // namespace tamsel

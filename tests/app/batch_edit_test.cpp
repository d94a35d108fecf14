#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "app/batch_run.h"
#include "support/data_file_writer.h"
#include "support/temp_dir.h"
#include "text/sjis.h"

namespace tamsel {
namespace {

using testing::ReleveIn;
using Lines = std::vector<std::string>;

using testing::Outcome;
Outcome run(const std::vector<std::string>& args) {
    return testing::runCommands(args);
}
std::string layer(int k, const std::string& text) {
    return testing::layerText(k, text);
}

ReleveIn releve(const char* number, std::vector<std::pair<const char*, std::string>> species) {
    ReleveIn r;
    r.releveNumber = number;
    for (auto& [name, codes] : species) r.species.push_back({sj(name), codes});
    return r;
}

const int T1 = 0, S1 = 2, H1 = 4;

class BatchEdit : public ::testing::Test {
  protected:
    void SetUp() override {
        // Rows ブナ ササ イタヤ スゲ (slots 1-4) at grid rows 29-32; relevés
        // 101 102 103 (slots 1-3) at grid columns 4-6.
        testing::writeDataFilePair(
            dir.file("veg"), {releve("101", {{"ブナ", layer(T1, "4")}, {"ササ", layer(H1, "+")}}),
                              releve("102", {{"ササ", layer(H1, "3")},
                                             {"イタヤ", layer(S1, "1")},
                                             {"ブナ", layer(T1, "2")},
                                             {"スゲ", layer(H1, "r")}}),
                              releve("103", {{"スゲ", layer(H1, "+")}, {"ササ", layer(H1, "2")}})});
        // The chain K-L-M-N-O: relevés R P S Q in this order, every code "1".
        auto one = layer(H1, "1");
        testing::writeDataFilePair(
            dir.file("chain"),
            {releve("R", {{"M", one}, {"N", one}}), releve("P", {{"K", one}, {"L", one}}),
             releve("S", {{"N", one}, {"O", one}}), releve("Q", {{"L", one}, {"M", one}})});
    }
    std::string rli() const { return dir.file("veg.rli"); }
    testing::TempDir dir;
};

TEST_F(BatchEdit, DeleteColumnRemovesTheRowsLeftEmpty) {
    Outcome r = run({"add", rli(), "delete-col", "5", "grid", "caption"});
    ASSERT_EQ(r.status, 0) << r.err;
    Lines l = r.lines();
    ASSERT_EQ(l.size(), 33u);  // rows 0 .. 31 and the caption
    EXPECT_EQ(l[0], "\t\t\t\t1\t3");
    EXPECT_EQ(l[1], "\t\t表の通し番号\t\t   1\t   2");
    EXPECT_EQ(l[28], "\t\t\tF＼N\t   2\t   2");
    EXPECT_EQ(l[29], "1\t   1\tブナ\t   1\t4   \t");
    EXPECT_EQ(l[30], "2\t   2\tササ\t   2\t   +\t   2");
    EXPECT_EQ(l[31], "4\t   3\tスゲ\t   1\t\t   +");  // イタヤ (only in 102) went
    EXPECT_EQ(l[32], "森林群落組成表  NR=2, NS=3    辞書なし");
}

TEST_F(BatchEdit, InsertCommentDragAndTitle) {
    Outcome r =
        run({"add", rli(), "insert-col", "5", "insert-row", "30", "comment", "30", "区分 A",
             "move-row", "29", "31", "move-col", "4", "6", "title", "新しい表", "grid", "caption"});
    ASSERT_EQ(r.status, 0) << r.err;
    Lines l = r.lines();
    ASSERT_EQ(l.size(), 35u);
    // Columns: the inserted one (slot 4), 102, 101, 103; the serial numbers and
    // running numbers travelled with the dragged column and row.
    EXPECT_EQ(l[0], "\t\t\t\t4\t2\t1\t3");
    EXPECT_EQ(l[1], "\t\t表の通し番号\t\t   2\t   3\t   1\t   4");
    EXPECT_EQ(l[28], "\t\t\tF＼N\t\t   4\t   2\t   2");
    EXPECT_EQ(l[29], "5\t   2\t区分 A\t\t\t\t\t");
    EXPECT_EQ(l[30], "2\t   3\tササ\t   3\t\t   3\t   +\t   2");
    EXPECT_EQ(l[31], "1\t   1\tブナ\t   2\t\t2   \t4   \t");
    EXPECT_EQ(l[32], "3\t   4\tイタヤ\t   1\t\t  1 \t\t");
    EXPECT_EQ(l[33], "4\t   5\tスゲ\t   2\t\t   r\t\t   +");
    EXPECT_EQ(l[34], "新しい表  NR=4, NS=5    辞書なし");
}

TEST_F(BatchEdit, DeleteRowAndEmptyTexts) {
    Outcome r = run(
        {"add", rli(), "delete-row", "29", "comment", "29", "", "title", "", "grid", "caption"});
    ASSERT_EQ(r.status, 0) << r.err;
    Lines l = r.lines();
    ASSERT_EQ(l.size(), 33u);
    EXPECT_EQ(l[29], "2\t   1\t\t   3\t   +\t   3\t   2");
    EXPECT_EQ(l[31], "4\t   3\tスゲ\t   2\t\t   r\t   +");
    EXPECT_EQ(l[28], "\t\t\tF＼N\t   2\t   4\t   2");  // not recounted
    EXPECT_EQ(l.back(), "  NR=3, NS=3    辞書なし");
}

TEST_F(BatchEdit, RecipOrdersTheChainThroughTheSlots) {
    // Rows come as M N K L O; drags make them M K O L N with their slots 1 3 5 4 2.
    Outcome r = run({"add", dir.file("chain.rli"), "move-row", "30", "33", "move-row", "31", "32",
                     "recip", "grid"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "recip: 10 passes, converged\n");
    Lines l = r.lines();
    ASSERT_EQ(l.size(), 34u);
    EXPECT_NE(l[2].find("P       \tQ       \tR       \tS       "), std::string::npos) << l[2];
    std::string names;
    for (int row = 29; row <= 33; ++row) {
        std::istringstream cells(l[row]);
        std::string slot, running, name;
        std::getline(cells, slot, '\t');
        std::getline(cells, running, '\t');
        std::getline(cells, name, '\t');
        names += name;
    }
    EXPECT_EQ(names, "KLMNO");
    // K has its code in P only, O in S only; slots and running numbers travelled.
    EXPECT_EQ(l[29], "3\t   3\tK\t   1\t   1\t\t\t");
    EXPECT_EQ(l[33], "5\t   5\tO\t   1\t\t\t\t   1");
}

TEST_F(BatchEdit, RefusalsSayWhat) {
    struct Case {
        std::vector<std::string> args;
        const char* message;
    } cases[] = {
        {{"delete-col", "7"},
         "列を削除できません: 列 7 は対象外です（削除できるのは列 4～6 です）"},
        {{"insert-col", "8"},
         "列を挿入できません: 列 8 は対象外です（挿入できるのは列 4～7 です）"},
        {{"insert-col", "3"}, "列 3 は測定の列ではありません"},
        {{"delete-row", "33"},
         "行を削除できません: 行 33 は対象外です（削除できるのは行 29～32 です）"},
        {{"insert-row", "28"}, "行 28 は種の行ではありません"},
        {{"comment", "40", "x"}, "コメントを記入できません: 行 40 は対象外です"},
        {{"comment", "29", "a😀"}, "Shift-JIS で表せない文字があります"},
        {{"title", "two\nlines"},
         "標題にできません: 改行やタブなどの制御文字は使えません（4 バイト目）"},
        {{"move-row", "28", "30"},
         "行 28 を 30 へ移動できません（移動できるのは使用中の種の行 29～32 です）"},
        {{"move-col", "4", "7"},
         "列 4 を 7 へ移動できません（移動できるのは使用中の測定の列 4～6 です）"},
        {{"delete-col", "x"}, "数値ではありません"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[0]);
        std::vector<std::string> args = {"add", rli()};
        args.insert(args.end(), c.args.begin(), c.args.end());
        Outcome r = run(args);
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find(std::string("error: ") + c.message), std::string::npos) << r.err;
    }
}

TEST_F(BatchEdit, RecipRefusesAnUnorderableTable) {
    testing::writeDataFilePair(dir.file("one"), {releve("1", {{"ブナ", layer(T1, "4")}}),
                                                 releve("2", {{"ブナ", layer(T1, "2")}})});
    Outcome r = run({"add", dir.file("one.rli"), "recip"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("error: 反復平均法で並び替えできません: 種の行が１つしかありません"),
              std::string::npos)
        << r.err;
}

}  // namespace
}  // namespace tamsel

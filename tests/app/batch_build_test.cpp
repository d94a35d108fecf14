#include <gtest/gtest.h>

#include <fstream>
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

// The command line adds records already in the table again, with a note.
TEST_F(BatchBuild, AddingAgainAddsWithANote) {
    Outcome r = run({"add", rli(), "add", rli(), "caption"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("note: 3 件の測定は既に表にありましたが、もう一度加えました。"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.out.find("NR=6"), std::string::npos) << r.out;
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

namespace tamsel {
namespace {

// Plots of a Turboveg package make the very table that a data file pair holding
// the same relevés makes, saved byte for byte.
TEST(AddTurboveg, SavesTheTableOfTheSameRelevesFromADataFilePair) {
    testing::TempDir dir;
    testing::writeBytes(dir.file("syn.dic"), sj("イタヤ旧,イタヤカエデ\r\n"));
    testing::writeBytes(
        dir.file("plots.xml"),
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Plot_package><Plots>\n"
        "<Plot><header_data><standard_record releve_nr=\"101\" coverscale=\"02\" "
        "locality=\"白神山地ブナ林\" date=\"20050612\" altitude=\"620.0\" exposition=\"NE\" "
        "inclinatio=\"15\" surf_area=\"100\" tree_high=\"25\" cov_tree=\"80\" "
        "cov_herbs=\"60\"/></header_data><species_data>\n"
        "<species><standard_record nr=\"1\" cover=\"4\" layer=\"1\"/></species>\n"
        "<species><standard_record nr=\"2\" cover=\"+\" layer=\"6\"/></species>\n"
        "<species><standard_record nr=\"3\" cover=\"1\" layer=\"4\"/></species>\n"
        "<species><standard_record nr=\"2\" cover=\"2a\" layer=\"0\"/></species>\n"
        "</species_data></Plot>\n"
        "<Plot><header_data><standard_record releve_nr=\"102\" coverscale=\"00\" "
        "locality=\"null\"/></header_data><species_data>\n"
        "<species><standard_record nr=\"3\" cover=\"30\" layer=\"5\"/></species>\n"
        "<species><standard_record nr=\"4\" cover=\"0.05\" layer=\"9\"/></species>\n"
        "<species><standard_record nr=\"9\" cover=\"m\" layer=\"7\"/></species>\n"
        "</species_data></Plot>\n"
        "<Plot><header_data><standard_record releve_nr=\"103\"/></header_data>"
        "<species_data></species_data></Plot>\n"
        "</Plots><Lookup_tables><Coverscale_list>\n"
        "<coverscale_record code=\"02\"><data_record code=\"r\" percentage=\"1\"/>"
        "<data_record code=\"+\" percentage=\"2\"/><data_record code=\"1\" percentage=\"3\"/>"
        "<data_record code=\"2a\" percentage=\"8\"/><data_record code=\"4\" percentage=\"63\"/>"
        "</coverscale_record>\n"
        "<coverscale_record code=\"00\"><data_record code=\"m\" percentage=\"4\"/>"
        "</coverscale_record>\n"
        "</Coverscale_list><Species_list>\n"
        "<species_record nr=\"1\" name=\"ブナ\"/><species_record nr=\"2\" name=\"ササ\"/>\n"
        "<species_record nr=\"3\" name=\"イタヤ旧\"/><species_record nr=\"4\" name=\"スゲ\"/>\n"
        "</Species_list></Lookup_tables></Plot_package>\n");
    const int T1 = 0, S1 = 2, S2 = 3, H1 = 4, H2 = 5, M = 6;
    using testing::layerText;
    auto releve = [](const char* number, std::vector<testing::SpeciesIn> species) {
        testing::ReleveIn r;
        r.releveNumber = number;
        r.coverNotation = "1";
        r.species = std::move(species);
        return r;
    };
    testing::ReleveIn r101 = releve("101", {{sj("ブナ"), layerText(T1, "4")},
                                            {sj("ササ"), layerText(H1, "2")},
                                            {sj("イタヤ旧"), layerText(S1, "1")}});
    r101.siteName = sj("白神山地");
    r101.surveyDate = "20050612";
    r101.fours[0] = "620", r101.fours[1] = "NE", r101.fours[2] = "15", r101.fours[7] = "100";
    r101.heights[T1] = "25", r101.covers[T1] = "80", r101.covers[H1] = "60";
    testing::writeDataFilePair(dir.file("same"),
                               {r101,
                                releve("102", {{sj("イタヤ旧"), layerText(S2, "3")},
                                               {sj("スゲ"), layerText(M, "r")},
                                               {"Turboveg nr 9", layerText(H2, "1")}}),
                                releve("103", {})});

    Outcome a = run({"dict", dir.file("syn.dic"), "add-turboveg", dir.file("plots.xml"), "save",
                     dir.file("a.vtb"), "grid"});
    Outcome b = run({"dict", dir.file("syn.dic"), "add", dir.file("same.rli"), "save",
                     dir.file("b.vtb"), "grid"});
    ASSERT_EQ(a.status, 0) << a.err;
    ASSERT_EQ(b.status, 0) << b.err;
    EXPECT_EQ(a.out, b.out);
    auto bytes = [](const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    const std::string saved = bytes(dir.file("a.vtb"));
    EXPECT_GT(saved.size(), 100u);
    EXPECT_EQ(saved, bytes(dir.file("b.vtb")));
}

}  // namespace
}  // namespace tamsel

#include "app/session/batch.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "support/data_file_writer.h"
#include "support/temp_dir.h"
#include "text/sjis.h"

namespace tamsel {
namespace {

struct Outcome {
    int status;
    std::string out, err;
};

Outcome run(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    int status = runBatch(args, out, err);
    return {status, out.str(), err.str()};
}

TEST(Batch, Caption) {
    Outcome r = run({"caption"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "森林群落組成表  NR=0, NS=0    辞書なし\n");
    EXPECT_EQ(r.err, "");
}

TEST(Batch, GridOfTheBlankTable) {
    // Rows 0 .. FreqRow (28), columns 0 .. 3, cells joined by TAB.
    const char* const items[] = {
        "測定番号",
        "調査地名",
        "地理区画コード",
        "調査地標高(m)",
        "傾斜方位",
        "傾斜角度",
        "地形位置",
        "微地形",
        "表層地質",
        "土壌型",
        "調査面積（㎡）",
        "高 木 層高さ（m）",
        "亜高木層高さ（m）",
        "低木層１高さ（m）",
        "低木層２高さ（m）",
        "草本層１高さ（m）",
        "草本層２高さ（m）",
        "コ ケ 層高さ（m）",
        "高 木 層植被率（%）",
        "亜高木層植被率（%）",
        "低木層１植被率（%）",
        "低木層２植被率（%）",
        "草本層１植被率（%）",
        "草本層２植被率（%）",
        "コ ケ 層植被率（%）",
        "出現種数",
    };
    std::string want = "\t\t\t\n\t\t表の通し番号\t\n";
    for (const char* item : items) want += std::string("\t\t") + item + "\t\n";
    want += "\t\t\tF＼N\n";
    Outcome r = run({"grid"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, want);
}

TEST(Batch, CommandsRunInOrder) {
    Outcome r = run({"caption", "clear", "caption"});
    EXPECT_EQ(r.status, 0);
    std::string line = "森林群落組成表  NR=0, NS=0    辞書なし\n";
    EXPECT_EQ(r.out, line + line);
}

TEST(Batch, Help) {
    Outcome r = run({"--help"});
    EXPECT_EQ(r.status, 0);
    for (const char* word : {"usage: tamsel-batch", "caption", "grid", "read FILE.rli N"})
        EXPECT_NE(r.out.find(word), std::string::npos) << word;
    Outcome v = run({"--version"});
    EXPECT_EQ(v.status, 0);
    EXPECT_EQ(v.out.rfind("Tamsel Windows Version ", 0), 0U) << v.out;
}

// The command-line form derived from a description with every kind of argument:
// the usage line, what the handler reads back, the dialogs' answers in the order
// the description gives, and the errors for what is missing or unknown.
TEST(Batch, TheCommandLineIsDerivedFromTheArgumentDescription) {
    using K = Arg::Kind;
    Command cmd{
        .name = "probe",
        .args = {{.name = "OUT", .kind = K::File, .dialog = 2},
                 {"K", K::Boxes},
                 {.name = "PDF",
                  .kind = K::Path,
                  .orOption = "--printer",
                  .print = Arg::PrintPart::PdfFile},
                 {.name = "--printer",
                  .kind = K::Text,
                  .value = "NAME",
                  .print = Arg::PrintPart::Printer},
                 {"--n", K::Number, "N"},
                 {"--flag", K::Flag},
                 {.name = "--t", .kind = K::Field, .value = "T", .field = 1},
                 {.name = "--in", .kind = K::File, .value = "IN", .dialog = 1, .required = true},
                 {.name = "--g", .value = "a|b"},
                 {.name = "--x", .value = "X", .required = true, .within = "--g"},
                 {.name = "--y", .value = "Y", .within = "--g"}},
        .handler =
            [](CommandCall& c) {
                auto& ui = static_cast<BatchUi&>(c.ui);
                for (const auto& f : ui.fileAnswers) c.out << "file " << f.value_or("-") << "\n";
                for (const auto& f : ui.fieldsAnswers)
                    for (const auto& v : f.value()) c.out << "field " << v.value_or("-") << "\n";
                for (const auto& p : ui.printAnswers)
                    c.out << "print " << p->pdfPath << "|" << p->printerName << "\n";
                for (const char* n : {"K", "--n", "--flag", "--g", "--x", "--y"})
                    if (c.args.has(n))
                        for (const std::string& v : c.args.all(n)) c.out << n << " " << v << "\n";
            },
    };
    EXPECT_EQ(commandUsage(cmd),
              "OUT K... PDF|--printer NAME [--n N] [--flag] [--t T] --in IN [--g a|b --x X [--y "
              "Y]]");
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string out, err;
    } cases[] = {
        {{"probe", "o", "3", "freq", "p.pdf", "--in", "i", "--n", "7", "--flag", "--t", "9", "--g",
          "a", "--x", "1", "--n", "8", "caption"},
         0,
         "file i\nfile o\nfield -\nfield 9\nprint p.pdf|\nK 3\nK freq\n--n 7\n--n "
         "8\n--flag \n--g a\n--x 1\n森林群落組成表  NR=0, NS=0    辞書なし\n",
         ""},
        {{"probe", "o", "4", "--printer", "lp", "--in", "i"},
         0,
         "file i\nfile o\nfield -\nfield -\nprint |lp\nK 4\n",
         ""},
        {{"probe", "o", "4", "p.pdf", "--in"}, 1, "", "error: 引数が足りません: --in IN\n"},
        {{"probe", "o", "4", "p.pdf", "--n", "x"}, 1, "", "error: 数値ではありません (--n): x\n"},
        {{"probe", "o", "4", "p.pdf"}, 1, "", "error: probe には --in IN が要ります\n"},
        {{"probe", "o", "4", "p.pdf", "--z"},
         1,
         "",
         "error: probe のオプションではありません: --z\n"},
        {{"probe", "o"}, 1, "", "error: 引数が足りません: K\n"},
        {{"probe", "o", "4", "--printer", "lp", "--in", "i", "p.pdf"},
         2,
         "file i\nfile o\nfield -\nfield -\nprint |lp\nK 4\n",
         "error: unknown command p.pdf (see --help)\n"},
    };
    for (const Case& c : cases) {
        std::ostringstream out, err;
        int status = runBatchWith({cmd, allBatchCommands().front()}, c.args, out, err);
        EXPECT_EQ(status, c.status) << c.args[1];
        EXPECT_EQ(out.str(), c.out);
        EXPECT_EQ(err.str(), c.err);
    }
}

TEST(Batch, UnknownCommandOrOption) {
    Outcome r = run({"frobnicate"});
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("frobnicate"), std::string::npos);
    r = run({"--frob", "caption"});
    EXPECT_NE(r.status, 0);
    EXPECT_EQ(r.out, "");
}

class BatchRead : public ::testing::Test {
  protected:
    void SetUp() override {
        testing::ReleveIn a;
        a.releveNumber = "R12";
        a.siteName = sj("白神");
        a.surveyDate = "19980721";
        a.latitude = "403012";
        a.longitude = "1400512";
        a.gridCode = "5940-11";
        a.fours = {"820", "N30E", "25", sj("尾根"), "", "GR", "BD", "400"};
        a.heights = {"22", "12", "4", "", "1.2", "", ""};
        a.covers = {"90", "30", "20", "", "60", "", "5"};
        a.coverScale = "5";
        a.coverNotation = "1";
        a.species = {
            {sj("ブナ"), "5       +     "},
            {sj("チシマザサ"), "        45    "},
            {sj("ハウチワカエデ"), "  2 +2  r     "},
            {sj("スギゴケ"), "            * "},
        };
        testing::ReleveIn b;
        b.releveNumber = "R13";
        b.speciesTotal = "12  ";  // unreadable
        testing::writeDataFilePair(base(), {a, b});
    }
    std::string base() const { return dir.file("veg"); }

    testing::TempDir dir;
};

TEST_F(BatchRead, PrintsTheRecord) {
    Outcome r = run({"read", base() + ".rli", "1"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "record\t1\tlast\t2\n"
              "scale\t5\tnotation\t1\tspecies\t4\n"
              "field\tReleveNumber\tR12\n"
              "field\tSiteName\t白神\n"
              "field\tSurveyDate\t19980721\n"
              "field\tLatitude\t403012\n"
              "field\tLongitude\t1400512\n"
              "field\tGridCode\t5940-11\n"
              "field\tAltitude\t820\n"
              "field\tAspect\tN30E\n"
              "field\tSlopeAngle\t25\n"
              "field\tLandform\t尾根\n"
              "field\tMicroLandform\t\n"
              "field\tSurfaceGeology\tGR\n"
              "field\tSoilType\tBD\n"
              "field\tPlotArea\t400\n"
              "field\tLayerHeights\t22\n"
              "field\tLayerHeights\t12\n"
              "field\tLayerHeights\t4\n"
              "field\tLayerHeights\t\n"
              "field\tLayerHeights\t1.2\n"
              "field\tLayerHeights\t\n"
              "field\tLayerHeights\t\n"
              "field\tLayerCovers\t90\n"
              "field\tLayerCovers\t30\n"
              "field\tLayerCovers\t20\n"
              "field\tLayerCovers\t\n"
              "field\tLayerCovers\t60\n"
              "field\tLayerCovers\t\n"
              "field\tLayerCovers\t5\n"
              "field\tSpeciesTotal\t4\n"
              "field\tCoverScale\t5\n"
              "field\tCoverNotation\t1\n"
              "field\tFirstSpeciesRecord\t1\n"
              "species\t1\tブナ\t50 0 0 0 7 0 0\n"
              "species\t2\tチシマザサ\t0 0 0 0 45 0 0\n"
              "species\t3\tハウチワカエデ\t0 20 2 0 6 0 0\n"
              "species\t4\tスギゴケ\t0 0 0 0 0 0 1\n");
    EXPECT_EQ(r.err, "");
}

TEST_F(BatchRead, ReadThenCaptionInOneRun) {
    Outcome r = run({"read", base() + ".rli", "1", "caption"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("species\t4\tスギゴケ"), std::string::npos);
    EXPECT_NE(r.out.find("\n森林群落組成表  NR=0"), std::string::npos);
}

TEST_F(BatchRead, Failures) {
    struct Case {
        std::vector<std::string> args;
        std::string inMessage;
    };
    const Case cases[] = {
        {{"read", base() + ".rli", "2"}, "2"},  // SpeciesTotal "12  "
        {{"read", base() + ".rli", "3"}, "3"},  // past the end
        {{"read", base() + ".rli", "-1"}, "-1"},
        {{"read", dir.file("none.rli"), "1"}, "ファイルが開けません"},
        {{"read", base() + ".rli", "x"}, "x"},
        {{"read", base() + ".rli"}, "N"},
    };
    for (const Case& c : cases) {
        Outcome r = run(c.args);
        EXPECT_EQ(r.status, 1) << c.inMessage;
        EXPECT_EQ(r.err.rfind("error: ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find(c.inMessage), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "") << c.inMessage;
    }
    // The first failing command ends the run.
    Outcome r = run({"read", base() + ".rli", "2", "caption"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
}

TEST_F(BatchRead, MissingSpeciesFile) {
    std::filesystem::remove(base() + ".rld");
    Outcome r = run({"read", base() + ".rli", "1"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("error: ファイルが開けません"), std::string::npos) << r.err;
}

TEST(BatchReadNames, GarbageBytesPrintAsQuestionMarks) {
    testing::TempDir dir;
    testing::ReleveIn a;
    a.species = {
        {"ab\xff"
         "c",
         "+"}};
    testing::writeDataFilePair(dir.file("g"), {a});
    Outcome r = run({"read", dir.file("g.rli"), "1"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("species\t1\tab?c\t7 0 0 0 0 0 0\n"), std::string::npos) << r.out;
}

TEST(StartUp, FormCreate) {
    Session s;
    BatchUi ui;
    FormCreate(s, ui, {}, false);
    EXPECT_EQ(captionOf(s.table), sj("森林群落組成表") + "  NR=0, NS=0    " + sj("辞書なし"));
    EXPECT_EQ(s.table.model.freqRow(), 28);
    EXPECT_EQ(s.table.model.grid().rowCount(), 159);
    EXPECT_EQ(s.table.model.grid().colCount(), 27);
    EXPECT_EQ(s.table.print.LayerLabels[2], "S1");
    EXPECT_TRUE(ui.messages.empty());
}

}  // namespace
}  // namespace tamsel

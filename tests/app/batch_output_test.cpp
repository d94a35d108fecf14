#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/batch_run.h"
#include "io/safe_file.h"
#include "platform/error.h"
#include "support/data_file_writer.h"
#include "support/temp_dir.h"
#include "text/sjis.h"

namespace tamsel {
namespace {

using testing::Outcome;
using testing::runCommands;

std::string crlf(const std::vector<std::string>& utf8Lines) {
    std::string s;
    for (const auto& l : utf8Lines) s += sj(l) + "\r\n";
    return s;
}

std::string padded(const std::string& utf8, std::size_t width) {
    std::string s = sj(utf8);
    s.resize(std::max(width, s.size()), ' ');
    return s;
}

class BatchOutput : public ::testing::Test {
  protected:
    void SetUp() override { testing::writeThreeReleves(dir.file("veg")); }
    // The enabled items other than 2 (測定番号) and 30 (出現種数).
    static std::vector<std::string> otherItems() {
        std::vector<std::string> v;
        for (int k = 3; k <= 29; ++k)
            if (k < 4 || k > 6) v.push_back(std::to_string(k));
        return v;
    }
    Outcome run(std::vector<std::string> args) {
        args.insert(args.begin(), {"add", dir.file("veg.rli")});
        return runCommands(args);
    }
    testing::TempDir dir;
};

TEST_F(BatchOutput, TextFileWithChosenItemsRangeAndTitle) {
    std::vector<std::string> args{"uncheck"};
    for (const auto& k : otherItems()) args.push_back(k);
    args.insert(args.end(), {"check", "freq", "once", "text-file", dir.file("t.txt"), "--to", "9",
                             "--title", "T"});
    Outcome r = run(args);
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string rule = [] {
        std::string s;
        for (int k = 0; k < 24; ++k) s += sj("─");
        return s;
    }();
    const std::string expected =
        "\r\nT\r\n" + rule + "\r\n" + padded("表の通し番号", 32) + "    1    2    3\r\n" + rule +
        "\r\n" + padded("測定番号", 32) + " 101  102  103 \r\n" + std::string(47, ' ') + "\r\n" +
        padded("出現種数", 32) + "    2    4    2\r\n" + rule + "\r\n" + padded("ブナ", 28) +
        " T1:  4.0  2.0   .    67\r\n" + padded("ササ", 28) + " H1:   +   3.0  2.0  100\r\n" +
        padded("スゲ", 28) + " H1:   .    r    +    67\r\n" + rule + "\r\n" +
        crlf({"出現回数１回の種", "No.2, イタヤ旧 S1:1.0.", ""});
    EXPECT_EQ(readWholeFile(dir.file("t.txt")), expected);

    // The choices stay for the next output; --from beyond the rows is brought back.
    r = run({"uncheck", "30", "check", "freq", "text-file", dir.file("u.txt"), "--from", "7"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string u = readWholeFile(dir.file("u.txt"));
    EXPECT_NE(u.find(sj("森林群落組成表")), std::string::npos);
    EXPECT_EQ(u.find(sj("出現種数")), std::string::npos);
    EXPECT_NE(u.find(padded("スゲ", 28)), std::string::npos);  // row 4 = SpeciesCount
    EXPECT_EQ(u.find(padded("ブナ", 28)), std::string::npos);
}

TEST_F(BatchOutput, CsvExports) {
    Outcome r = run({"pcord", dir.file("t-pcm.csv"), "value-matrix", dir.file("t-vm.csv"),
                     "plot-data", dir.file("t-plot.csv")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readWholeFile(dir.file("t-pcm.csv")),
              crlf({"3,Releve,,,", "4,Species,,,", ",Q,Q,Q,Q", ",ブナ,ササ,イタヤ旧,スゲ",
                    "101     ,625,1,0,0", "102     ,150,375,25,1", "103     ,0,150,0,1"}));
    EXPECT_EQ(readWholeFile(dir.file("t-pcm.lst")),
              crlf({"ブナ ブナ", "ササ ササ", "イタヤ旧 イタヤ旧", "スゲ スゲ"}));
    EXPECT_EQ(readWholeFile(dir.file("t-vm.csv")),
              crlf({",101     ,102     ,103     ", "\"ブナ\",625,150,0", "\"ササ\",1,375,150",
                    "\"イタヤ旧\",0,25,0", "\"スゲ\",0,1,1"}));
    const std::string plot = readWholeFile(dir.file("t-plot.csv"));
    const std::string firstLine = plot.substr(0, plot.find("\r\n"));
    EXPECT_EQ(firstLine.rfind(sj("測定番号,調査地名,地理区画コード,調査地標高(m),"), 0), 0u);
    EXPECT_EQ(firstLine.substr(firstLine.size() - 33), sj("出現種数") + std::string(25, ','));
    EXPECT_NE(plot.find("\r\n101,,5235" + std::string(23, ',') + "2\r\n"), std::string::npos);
    EXPECT_NE(plot.find("\r\n103,,4520" + std::string(23, ',') + "2\r\n"), std::string::npos);
}

TEST_F(BatchOutput, TwinspanGroupsFeedTheSynopticTable) {
    Outcome r = run({"twinspan", "--group-min", "2", "--report", dir.file("tw.txt"), "synoptic",
                     dir.file("syn.csv")});
    ASSERT_EQ(r.status, 0) << r.err;
    // The group sizes of the report, in table order, are the synoptic table's groups.
    std::string sizes;
    const std::string report = readWholeFile(dir.file("tw.txt"));
    for (std::size_t at = report.find("\r\ngroup "); at != std::string::npos;
         at = report.find("\r\ngroup ", at + 1)) {
        const std::size_t size = report.find(' ', at + 8) + 1;
        sizes += "," + report.substr(size, report.find(':', size) - size);
    }
    const std::string csv = readWholeFile(dir.file("syn.csv"));
    const std::size_t second = csv.find("\r\n") + 2;
    // (the line goes on with empty fields under the phi columns)
    EXPECT_EQ(
        csv.substr(second, csv.find("\r\n", second) - second).rfind(sj("測定数") + sizes + ",", 0),
        0u);
    EXPECT_GE(sizes.size(), 4u) << report;  // at least two groups

    for (const char* option : {"--levels", "--cuts", "--clusters", "--heterogeneity"}) {
        r = run({"twinspan", option, "-1"});
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find(option), std::string::npos) << r.err;
    }
}

// --indval ticks the dialog's check box: the same file with four blocks more;
// optimclass and beals take their options from the command line. Three relevés:
// three groups of one.
TEST_F(BatchOutput, IndValOptimClassAndBealsFromTheCommandLine) {
    Outcome r = run({"twinspan",
                     "--clusters",
                     "3",
                     "--group-min",
                     "1",
                     "synoptic",
                     dir.file("a.csv"),
                     "synoptic",
                     dir.file("b.csv"),
                     "--indval",
                     "optimclass",
                     dir.file("o.csv"),
                     "--max-groups",
                     "3",
                     "--group-min",
                     "1",
                     "--levels",
                     "1",
                     "--p",
                     "0.5",
                     "beals",
                     dir.file("s.csv"),
                     "--exclude-self"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string a = readWholeFile(dir.file("a.csv")), b = readWholeFile(dir.file("b.csv"));
    std::size_t at = 0, bt = 0;
    for (int line = 0; line < 3; ++line) {
        const std::size_t ae = a.find("\r\n", at), be = b.find("\r\n", bt);
        EXPECT_EQ(b.substr(bt, ae - at), a.substr(at, ae - at)) << line;
        if (line == 0) {
            EXPECT_EQ(b.substr(ae - at + bt, be - (ae - at + bt)),
                      ",A1,A2,A3,B1,B2,B3,IndVal1,IndVal2,IndVal3,IndVal.g1,IndVal.g2,IndVal.g3");
        }
        at = ae + 2, bt = be + 2;
    }
    const std::string o = readWholeFile(dir.file("o.csv"));
    EXPECT_EQ(o.rfind("method,groups,faithful,groups_with_min\r\nmodified,2,", 0), 0U) << o;
    EXPECT_NE(o.find("\r\nmodified,3,"), std::string::npos) << o;
    EXPECT_NE(o.find("\r\nclassic,2,"), std::string::npos) << o;
    EXPECT_EQ(readWholeFile(dir.file("s.csv")).rfind(sj("測定番号,"), 0), 0U);
    r = run({"optimclass", dir.file("o.csv"), "--max-groups", "1"});
    EXPECT_EQ(r.status, 1);
}

TEST_F(BatchOutput, SpreadsheetThroughThePanelAndTheWorkbookServer) {
    Outcome r = run({"check", "freq", "spreadsheet", dir.file("t.xlsx"), "--to", "2"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readWholeFile(dir.file("t.xlsx")).substr(0, 4), std::string("PK\x03\x04", 4));
    // A folder that does not exist: an error, and nothing written.
    r = run({"spreadsheet", dir.file("no/such/t.xlsx")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("error: "), std::string::npos);
}

TEST_F(BatchOutput, RefusedBoxesAndValues) {
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"check", "4"}, "error: 出力項目 4 は無効なので選べません（調査年月日）"},
        {{"uncheck", "31"}, "error: 出力項目は 1 から 30、freq、once です: 31"},
        {{"text-file", dir.file("x.txt"), "--from", "x"}, "error: 数値ではありません (--from): x"},
        {{"text-file", dir.file("x.txt"), "--size", "1"},
         "error: text-file のオプションではありません: --size"},
    };
    for (const auto& [args, message] : cases) {
        Outcome r = run(args);
        EXPECT_EQ(r.status, 1) << message;
        EXPECT_EQ(r.err, message + "\n");
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("x.txt")));
}

// Keeps the targets the print dialog was answered with, and prints on none.
struct RecordingPrinters : PrinterService {
    std::vector<PrintTarget> targets;
    std::unique_ptr<PrinterSurface> open(const PrintTarget& target) override {
        targets.push_back(target);
        throw Error(sj("開けません"));
    }
};

TEST_F(BatchOutput, PrintArgumentsAnswerThePrintDialog) {
    const std::string pdf = dir.file("t.pdf");
    RecordingPrinters printers;
    auto print = [&](std::vector<std::string> args) {
        args.insert(args.begin(), {"add", dir.file("veg.rli"), "print"});
        return runCommands(args, &printers);
    };
    EXPECT_EQ(print({pdf, "--paper", "B4", "--landscape", "--to", "2"}).err, "error: 開けません\n");
    EXPECT_EQ(print({"--printer", "lp0", "--title", "標題"}).status, 1);
    ASSERT_EQ(printers.targets.size(), 2u);
    EXPECT_EQ(printers.targets[0].pdfPath, pdf);
    EXPECT_EQ(printers.targets[0].paper, Paper::B4);
    EXPECT_TRUE(printers.targets[0].landscape);
    EXPECT_EQ(printers.targets[1].printerName, "lp0");
    EXPECT_TRUE(printers.targets[1].pdfPath.empty());
    EXPECT_EQ(printers.targets[1].paper, Paper::Default);

    EXPECT_EQ(print({pdf, "--paper", "A5"}).err,
              "error: 用紙は A4、A3、B4、Letter のどれかです: A5\n");
    EXPECT_EQ(print({pdf, "--printer", "lp0"}).err,
              "error: PDF ファイルと --printer は同時に指定できません\n");
    EXPECT_EQ(printers.targets.size(), 2u);
    // Without Qt (or a service given) the command line cannot print.
    EXPECT_EQ(run({"print", pdf}).err, "error: このプログラムは印刷できません（Qt なしの構成）\n");
    EXPECT_FALSE(std::filesystem::exists(pdf));
}

}  // namespace
}  // namespace tamsel

namespace tamsel {
namespace {

TEST_F(BatchOutput, SynopticTableAndSortByFidelity) {
    // Relevés 102 101 | 103 after the sort and the empty column: groups of 2 and 1.
    Outcome r = run({"sort-releves", "insert-col", "6", "synoptic", dir.file("g.csv"),
                     "sort-fidelity", "synoptic", dir.file("h.csv"), "--threshold", "60"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("note: 2 群　識別種 群1: 2 種、群2: 1 種\n"), std::string::npos) << r.err;
    const std::vector<std::string> head = {"種名,常在度1,常在度2,φ1,φ2,識別群", "測定数,2,1,,,"};
    auto lines = [&](std::vector<std::string> rows) {
        rows.insert(rows.begin(), head.begin(), head.end());
        return crlf(rows);
    };
    EXPECT_EQ(readWholeFile(dir.file("g.csv")),
              lines({"ブナ,100,0,100,-100,1", "ササ,100,100,0,0,", "イタヤ旧,50,0,58,-58,1",
                     "スゲ,50,100,-58,58,2"}));
    // Group 1's block by phi, then group 2's, then the rest; 58 is below 60.
    EXPECT_EQ(readWholeFile(dir.file("h.csv")),
              lines({"ブナ,100,0,100,-100,1", "イタヤ旧,50,0,58,-58,", "スゲ,50,100,-58,58,",
                     "ササ,100,100,0,0,"}));

    // Fisher: 2 of 2 inside a group of 2 from 3 has p = 1/3.
    r = run({"sort-releves", "insert-col", "6", "synoptic", dir.file("f.csv"), "--fisher", "0.3"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readWholeFile(dir.file("f.csv")).find(",1\r\n"), std::string::npos);

    for (std::vector<std::string> bad : {std::vector<std::string>{"--threshold", "abc"},
                                         {"--threshold", "101"},
                                         {"--fisher", "2"},
                                         {"--level", "1"}}) {
        bad.insert(bad.begin(), {"synoptic", dir.file("x.csv")});
        r = run(bad);
        EXPECT_EQ(r.status, 1) << bad[2];
        EXPECT_EQ(r.err.rfind("error: ", 0), 0u) << r.err;
    }
}

}  // namespace
}  // namespace tamsel

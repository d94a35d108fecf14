#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/batch_run.h"
#include "support/data_file_writer.h"
#include "support/temp_dir.h"
#include "text/sjis.h"

namespace tamsel {
namespace {

using testing::layerText;
using testing::runCommands;
using testing::TempDir;
using testing::writeBytes;

std::string fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

std::vector<std::string> crlfLines(const std::string& bytes) {
    std::vector<std::string> v;
    std::size_t pos = 0;
    for (std::size_t e; (e = bytes.find("\r\n", pos)) != std::string::npos; pos = e + 2)
        v.push_back(bytes.substr(pos, e - pos));
    return v;
}

class BatchFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const int T1 = 0, S1 = 2, H1 = 4, M = 6;
        testing::ReleveIn a, b;
        a.releveNumber = "1";
        std::string ah = layerText(S1, "20");
        ah.replace(2 * H1, 2, "07");
        a.species = {{"Abies firma", ah}};
        b.releveNumber = "2";
        b.species = {{"Abies firma", layerText(T1, "10")}, {"Fagus", layerText(M, "55")}};
        testing::writeDataFilePair(dir.file("veg"), {a, b});

        // Every item row off, so FreqRow is 2; a dictionary beside the file.
        std::string ini = "Batch table\r\n  No.\r\n";
        for (int n = 2; n <= 30; ++n) ini += "0 item\r\n";
        ini += "names.dic\r\n";
        writeBytes(dir.file("s.ini"), ini);
        writeBytes(dir.file("names.dic"), "Fagus,Fagus crenata\r\n");
    }
    std::string f(const char* name) { return dir.file(name); }
    TempDir dir;
};

TEST_F(BatchFileTest, BuiltTableSavesTheExpectedBytesAndReloadsToTheSameBytes) {
    auto r = runCommands({"--settings", f("s.ini"), "add", f("veg.rli"), "save", f("a.vtb"), "load",
                          f("a.vtb"), "save", f("b.vtb"), "load", f("b.vtb"), "save", f("c.vtb"),
                          "caption"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Batch table  NR=2, NS=2    辞書＝names.dic\n");
    auto lines = crlfLines(fileBytes(f("a.vtb")));
    ASSERT_EQ(lines.size(), 2u + 3u + 5u);
    EXPECT_EQ(lines[0], "Batch table");
    EXPECT_EQ(lines[1], "2 2 2");
    // Relevé slot 0, 1, 2; the relevés were read with scale 5 and notation 2.
    EXPECT_EQ(lines[2],
              "0000000"
              "5200000"
              "5200000");
    EXPECT_EQ(lines[3],
              "0000000"
              "00D0700"
              ":000000");
    EXPECT_EQ(lines[4],
              "0000000"
              "0000000"
              "000000g");
    EXPECT_EQ(lines[5].substr(0, 12), ",,,,1,2,3,4,");  // free columns keep their slots
    EXPECT_EQ(lines[6].substr(0, 6), ",,No.,");
    EXPECT_EQ(lines[9].rfind("2,\"   2\",\"Fagus crenata\",\"   1\",,\"", 0), 0u) << lines[9];
    EXPECT_EQ(fileBytes(f("b.vtb")), fileBytes(f("c.vtb")));
    // Loaded: capacity equals the counts, so the grid lines end after relevé 2.
    EXPECT_EQ(crlfLines(fileBytes(f("b.vtb")))[5], ",,,,1,2");
}

TEST_F(BatchFileTest, IniBlanksTheTableAndReadsTheDictionary) {
    auto r = runCommands({"add", f("veg.rli"), "ini", f("s.ini"), "caption"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Batch table  NR=0, NS=0    辞書＝names.dic\n");
}

TEST_F(BatchFileTest, BadFilesEndTheRunWithTheirMessage) {
    writeBytes(f("bad.vtb"), "x\r\n1 1 2\r\n00000000000000\r\n");
    writeBytes(f("bad.ini"), "title\r\n");
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string inError;
    } cases[] = {
        {{"load", f("bad.vtb")}, 1, "bad.vtb の 3 行目"},
        {{"load", f("none.vtb")}, 1, "none.vtb"},
        {{"--settings", f("bad.ini"), "caption"}, 1, "bad.ini の 2 行目"},
        {{"ini", f("bad.ini")}, 1, "bad.ini の 2 行目"},
        {{"--settings"}, 2, "--settings"},
    };
    for (const auto& c : cases) {
        auto r = runCommands(c.args);
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_NE(r.err.find(c.inError), std::string::npos) << r.err;
    }
}

}  // namespace
}  // namespace tamsel

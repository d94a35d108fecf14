#include "app/session/compose_commands.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "compose/add_releve.h"
#include "compose/dictionary.h"
#include "platform/batch/batch_ui.h"
#include "platform/error.h"
#include "support/data_file_writer.h"
#include "support/temp_dir.h"
#include "text/sjis.h"

namespace tamsel {
namespace {

using testing::ReleveIn;
using testing::SpeciesIn;
using testing::TempDir;

// A 14-byte layer text with one layer set (0 T1 .. 6 M).
std::string layer(int k, const std::string& text) {
    std::string s(14, ' ');
    s.replace(static_cast<std::size_t>(2 * k), text.size(), text);
    return s;
}

ReleveIn releve(const std::string& number, const std::string& grid, std::vector<SpeciesIn> sp) {
    ReleveIn r;
    r.releveNumber = number;
    r.gridCode = grid;
    r.species = std::move(sp);
    return r;
}

constexpr int H1 = 4, T1 = 0, S1 = 2, M = 6;

// R1..R8: which of them each way takes is worked out by hand in the cases below.
std::vector<ReleveIn> sampleReleves() {
    return {
        releve("R1", "5235", {{"A", layer(H1, "+")}, {"B", layer(S1, "1")}}),
        releve("R2", "52", {{"A", layer(H1, "*")}}),
        releve("R3", "4520", {{"A", layer(T1, "3")}, {"B", layer(H1, "r")}}),
        releve("R4", "5236", {{"B", layer(H1, "2")}}),
        releve("R5", "6001", {{"A", layer(M, "r")}, {"B", layer(H1, "*")}}),
        // Plant B twice: only the first entry decides "Ｂなし".
        releve("R6", "5201",
               {{"A", layer(H1, "+2")}, {"B", layer(H1, "*")}, {"B", layer(H1, "5")}}),
        // Plant A first below every threshold but "*", then at cover 2.
        releve("R7", "7000", {{"A", layer(H1, "*")}, {"C", layer(H1, "1")}, {"A", layer(S1, "2")}}),
        releve("R8", "8000", {{"OldA", layer(H1, "3")}}),
    };
}

class AddReleveTest : public ::testing::Test {
  protected:
    void SetUp() override {
        startBlankTable(t, ui);
        base = dir.file("veg");
        testing::writeDataFilePair(base, sampleReleves());
        choose(base + ".rli");
    }
    void choose(const std::optional<std::string>& path) {
        ui.fileAnswers.push_back(path);
        Item_AddReleveClick(t, f, ui);
    }
    // The relevé numbers of the columns in use, in column order.
    std::vector<std::string> taken() const {
        std::vector<std::string> v;
        for (int j = 1; j <= t.model.releveCount(); ++j)
            v.push_back(trimControl(t.model.cell(j + 3, 2)));
        return v;
    }
    // The command throws and nothing happened: no column, panel open, no recount,
    // pair closed.
    template <typename Command>
    void expectRefused(const char* what, Command&& command) {
        EXPECT_THROW(command(), Error) << what;
        EXPECT_EQ(t.model.releveCount(), 0) << what;
        EXPECT_TRUE(f.visible) << what;
        EXPECT_EQ(t.model.cell(3, t.model.freqRow() + 1), "mark") << what;
        EXPECT_FALSE(t.data.headerFile.isOpen()) << what;
        EXPECT_TRUE(ui.messages.empty()) << what;
    }

    TempDir dir;
    std::string base;
    TableState t{};
    BatchUi ui;
    ReplaceName dict;
    AddReleveForm f;
};

TEST_F(AddReleveTest, ChoosingTheFileSetsNameRangeAndPanel) {
    ASSERT_EQ(ui.dialogs.size(), 1u);
    const FileDialogRequest& r = ui.dialogs[0];
    EXPECT_EQ(r.filterIndex, 1);
    EXPECT_EQ(r.fileName, "*.rli");
    EXPECT_EQ(r.title, sj("データファイルの選択"));
    EXPECT_NE(r.filter.find(sj("植生データファイル (*.rli)|*.rli")), std::string::npos);
    EXPECT_EQ(t.files.DataFileName, "veg.rli");
    EXPECT_EQ(t.files.DataFolder, dir.path().string());
    EXPECT_EQ(f.RtN1, 1);
    EXPECT_EQ(f.RtN2, 8);
    EXPECT_TRUE(f.visible);
    EXPECT_EQ(f.labelFileName, "veg.rli");
    EXPECT_EQ(ui.progressBar1().max(), 2147483647);
    EXPECT_EQ(ui.progressBar1().position(), 1);
    EXPECT_FALSE(t.data.headerFile.isOpen());
    Btn_AddCancelClick(f);
    EXPECT_FALSE(f.visible);
    EXPECT_EQ(t.model.releveCount(), 0);
}

TEST_F(AddReleveTest, PlantModes) {
    struct Case {
        int mode;
        const char *a, *covA, *b, *covB, *grid;
        std::vector<std::string> expected;
    } cases[] = {
        {1, "A", "+", "", "+", "", {"R1", "R3", "R5", "R6", "R7"}},
        {1, "A", "*", "", "+", "", {"R1", "R2", "R3", "R5", "R6", "R7"}},
        {1, "A", "r", "", "+", "", {"R1", "R3", "R5", "R6", "R7"}},
        {1, "A", "2", "", "+", "", {"R3", "R7"}},
        {1, "A", "3", "", "+", "", {"R3"}},
        {1, "A", "0", "", "+", "", {"R1", "R2", "R3", "R5", "R6", "R7"}},  // threshold 0
        {1, " A ", "+", "", "+", "52", {"R1", "R6"}},
        {1, "A", "*", "", "+", "52", {"R1", "R2", "R6"}},
        {1, "OldA", "+", "", "+", "", {"R8"}},
        {2, "A", "+", "B", "+", "", {"R1", "R3", "R6"}},
        {2, "A", "+", "B", "1", "", {"R1", "R6"}},
        {3, "A", "+", "B", "+", "", {"R1", "R3", "R4", "R5", "R6", "R7"}},
        {3, "", "+", "B", "+", "", {"R1", "R3", "R4", "R6"}},
        {3, "C", "+", "B", "2", "", {"R4", "R6", "R7"}},
        {4, "A", "+", "B", "+", "", {"R5", "R6", "R7"}},
        {4, "A", "+", "B", "*", "", {"R7"}},
        {4, "A", "+", "B", "5", "", {"R1", "R3", "R5", "R6", "R7"}},
        {1, "Nowhere", "+", "", "+", "", {}},
    };
    for (const Case& c : cases) {
        ClearTable(t, ui);
        f.visible = true;
        f.EditName1 = c.a;
        f.EditCov1 = c.covA;
        f.EditName2 = c.b;
        f.EditCov2 = c.covB;
        f.EditGrid = c.grid;
        addByPlantAsking(t, dict, f, ui, c.mode);
        std::string what = std::to_string(c.mode) + " " + c.a + " " + c.covA + " " + c.b + " " +
                           c.covB + " " + c.grid;
        EXPECT_EQ(taken(), c.expected) << what;
        // The status line tells how many were placed, and when none matched.
        ASSERT_FALSE(ui.statusLines.empty());
        EXPECT_EQ(ui.statusLines.back(), c.expected.empty() ? sj("0 件が条件に合いました")
                                                            : std::to_string(c.expected.size()) +
                                                                  sj(" 件の測定を表に加えました"))
            << what;
        EXPECT_FALSE(f.visible) << what;
        EXPECT_EQ(f.SelectionMode, c.mode);
        EXPECT_FALSE(t.data.headerFile.isOpen());
    }
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(ui.alerts, 0);
}

TEST_F(AddReleveTest, PlantNamesMatchTheDictionaryReplacement) {
    dict.OldNames = {"olda"};
    dict.NewNames = {"A"};
    f.EditName1 = "A";
    AddPlantABtnClick(t, dict, f, ui);
    EXPECT_EQ(taken(), (std::vector<std::string>{"R1", "R3", "R5", "R6", "R7", "R8"}));
    // The placed relevé stands under the replacement name.
    EXPECT_EQ(t.model.cell(2, t.model.freqRow() + 1), "A");
    EXPECT_EQ(t.model.speciesCount(), 3);  // A, B, C
}

TEST_F(AddReleveTest, GridAndRecordWays) {
    f.EditGrid = " 52 ";
    AddbyGridBtnClick(t, dict, f, ui);
    EXPECT_EQ(taken(), (std::vector<std::string>{"R1", "R2", "R4", "R6"}));  // not 4520
    EXPECT_FALSE(f.visible);
    EXPECT_EQ(ui.alerts, 0);

    f.EditGrid.clear();
    f.visible = true;
    AddbyGridBtnClick(t, dict, f, ui);
    EXPECT_EQ(t.model.releveCount(), 4);  // an empty filter takes nothing
    EXPECT_FALSE(f.visible);

    ClearTable(t, ui);
    f.RtN1 = 2;
    f.RtN2 = 4;
    AddbyRecordBtnClick(t, dict, f, ui);
    EXPECT_EQ(taken(), (std::vector<std::string>{"R2", "R3", "R4"}));
    EXPECT_EQ(ui.alerts, 1);
    EXPECT_FALSE(f.visible);
    EXPECT_EQ(ui.progressBar1().min(), 2);
    EXPECT_EQ(ui.progressBar1().max(), 4);
    EXPECT_EQ(ui.progressBar1().position(), 4);
    // Recounted and captioned: A in R2 and R3, B in R3 and R4.
    EXPECT_EQ(t.model.cell(3, t.model.freqRow() + 1), "   2");
    EXPECT_EQ(t.model.cell(4, t.model.freqRow()), "   1");
    EXPECT_EQ(t.model.freq()[2], 2);
    EXPECT_NE(toUtf8(captionOf(t)).find("NR=3, NS=2"), std::string::npos);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(AddReleveTest, RefusedBeforeAnyRecordIsRead) {
    // One column in, then the recount's mark, to see that no command recounts.
    AddbyRecordBtnClick(t, dict, f, ui);
    ClearTable(t, ui);
    t.model.setCell(3, t.model.freqRow() + 1, "mark");
    f.visible = true;
    f.EditName1 = "A";

    auto plantA = [&] { AddPlantABtnClick(t, dict, f, ui); };
    auto byGrid = [&] { AddbyGridBtnClick(t, dict, f, ui); };
    auto byRecord = [&] { AddbyRecordBtnClick(t, dict, f, ui); };
    f.EditCov1 = "";
    expectRefused("empty cover A", plantA);
    f.EditCov1 = "+";
    f.EditCov2 = "";
    expectRefused("empty cover B", [&] { AddPlantAnotBBtnClick(t, dict, f, ui); });
    // What is no cover code would quietly mean "any cover": refused, naming the field.
    for (const char* bad : {"zz", "+9", "26", "-1"}) {
        f.EditCov2 = bad;
        expectRefused(bad, plantA);
        try {
            plantA();
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()).rfind(sj("植物Ｂの最低値 \"") + bad + "\"", 0), 0u)
                << toUtf8(e.what());
        }
    }
    f.EditCov2 = "+";

    f.RtN1 = 5;
    f.RtN2 = 4;
    expectRefused("plant, last below first", plantA);
    f.EditGrid = "52";
    expectRefused("grid, last below first", byGrid);
    expectRefused("record, last below first", byRecord);

    for (auto [lo, hi] : {std::pair<int, int>{-1, 3}, {1, 65536}}) {
        f.RtN1 = lo;
        f.RtN2 = hi;
        expectRefused("grid, outside 0..65535", byGrid);
        expectRefused("record, outside 0..65535", byRecord);
    }
    // The plant way has no such limit; records beyond the file are skipped
    // silently, as they hold no relevé. Record 0 is the writer's blank filler.
    f.RtN1 = 0;
    f.RtN2 = 70000;
    f.EditGrid.clear();
    AddPlantABtnClick(t, dict, f, ui);
    EXPECT_EQ(t.model.releveCount(), 5);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].find(sj("のレコード 1 件が読めなかった")), std::string::npos)
        << toUtf8(ui.messages[0]);
    EXPECT_NE(ui.messages[0].find(sj("レコード 0: 被度階級の欄が数値ではありません")),
              std::string::npos)
        << toUtf8(ui.messages[0]);
}

// Records 1 and 3 are good; 2 and 4 to 9 cannot be read, each for its reason.
TEST_F(AddReleveTest, SkippedRecordsAreReportedOnceWhenTheCommandEnds) {
    using testing::headerRecord;
    using testing::speciesRecord;
    ReleveIn good = releve("G", "5235", {{"A", layer(H1, "+")}});
    std::vector<std::string> rli{std::string(256, ' ')}, rld{std::string(512, ' ')};
    auto add = [&](ReleveIn r, std::string species) {
        rli.push_back(headerRecord(r, static_cast<std::int32_t>(rld.size())));
        rld.push_back(std::move(species));
    };
    auto spoiled = [&](std::size_t offset, const std::string& text) {
        ReleveIn r = good;
        std::string rec = headerRecord(r, static_cast<std::int32_t>(rld.size()));
        rec.replace(offset, text.size(), text);
        rli.push_back(rec);
        rld.push_back(speciesRecord(good.species, 0));
    };
    // Record 4 links back to itself within the two records its 13 species need.
    ReleveIn looped = good;
    looped.speciesTotal = "  13";
    add(good, speciesRecord(good.species, 0));                                        // 1
    spoiled(hdr::SpeciesTotal, "ab  ");                                               // 2
    add(good, speciesRecord(good.species, 0));                                        // 3
    add(looped, speciesRecord(good.species, static_cast<std::int32_t>(rld.size())));  // 4: loop
    spoiled(hdr::CoverNotation, " ");                                                 // 5
    add(good, speciesRecord({{"A", "2m"}}, 0));                                       // 6
    spoiled(hdr::FirstSpeciesRecord, "  9999");                                       // 7
    add(good, speciesRecord({{"A", "2m"}}, 0));                                       // 8
    spoiled(hdr::SpeciesTotal, "x");                                                  // 9
    testing::writeRecords(base, rli, rld);

    f.RtN1 = 1;
    f.RtN2 = 12;  // 10 to 12 lie beyond the file: no relevé is lost there
    AddbyRecordBtnClick(t, dict, f, ui);
    EXPECT_EQ(t.model.releveCount(), 2);
    EXPECT_EQ(ui.alerts, 1);
    EXPECT_EQ(ui.statusLines,
              std::vector<std::string>{
                  sj("2 件の測定を表に加えました（読めないレコード 7 件を飛ばしました）")});
    ASSERT_EQ(ui.messages.size(), 1u);
    const std::string m = toUtf8(ui.messages[0]);
    const std::string expected =
        "データファイル veg.rli のレコード 7 "
        "件が読めなかったので、飛ばしました（表には加えていません）。\n"
        "レコード 2: 出現種数の欄が数値ではありません\n"
        "レコード 4: 種レコードのつながりが同じレコードに戻っています（循環）\n"
        "レコード 5: 被度表記の欄が数値ではありません\n"
        "レコード 6: 種の被度コードが正しくありません\n"
        "レコード 7: 種レコードのつながりが種ファイル（.rld）の終わりを越えています\n"
        "ほか 2 件（種の被度コードが正しくありません 1 件、出現種数の欄が数値ではありません 1 件）";
    EXPECT_EQ(m, expected);

    // The plant way reads every record of the range too, and tells the same.
    ui.messages.clear();
    ClearTable(t, ui);
    f.EditName1 = "A";
    f.RtN1 = 2;
    f.RtN2 = 4;
    AddPlantABtnClick(t, dict, f, ui);
    EXPECT_EQ(t.model.releveCount(), 1);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(toUtf8(ui.messages[0]),
              "データファイル veg.rli のレコード 2 "
              "件が読めなかったので、飛ばしました（表には加えていません）。\n"
              "レコード 2: 出現種数の欄が数値ではありません\n"
              "レコード 4: 種レコードのつながりが同じレコードに戻っています（循環）");
}

TEST_F(AddReleveTest, EmptyFileGivesARangeThatIsRefused) {
    std::string empty = dir.file("empty");
    testing::writeBytes(empty + ".rli", "");
    testing::writeBytes(empty + ".rld", "");
    choose(empty + ".rli");
    EXPECT_EQ(f.RtN2, -1);
    t.model.setCell(3, t.model.freqRow() + 1, "mark");
    expectRefused("record", [&] { AddbyRecordBtnClick(t, dict, f, ui); });
}

TEST_F(AddReleveTest, PairThatCannotBeOpenedNamesTheMissingFile) {
    for (const char* missing : {".rld", ".rli"}) {
        SCOPED_TRACE(missing);
        std::filesystem::remove(base + missing);
        f.visible = false;
        try {
            choose(base + ".rli");
            ADD_FAILURE() << "no error";
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()), sj("ファイルが開けません: ") + base + missing);
        }
        EXPECT_FALSE(f.visible);  // the panel is not opened
    }
}

TEST_F(AddReleveTest, CancelledDialogOpensThePanelWithTheLastName) {
    t.files.DataFileName = "nofile";  // as at start
    t.files.DataFolder.clear();
    f.visible = false;
    choose(std::nullopt);
    EXPECT_TRUE(f.visible);
    EXPECT_EQ(f.labelFileName, "nofile");
    EXPECT_THROW(AddbyRecordBtnClick(t, dict, f, ui), Error);
    EXPECT_TRUE(f.visible);  // the record way ends at once
    f.EditName1 = "A";
    EXPECT_THROW(AddPlantABtnClick(t, dict, f, ui), Error);
    EXPECT_FALSE(f.visible);  // the plant way closes the panel
    f.visible = true;
    EXPECT_THROW(AddbyGridBtnClick(t, dict, f, ui), Error);
    EXPECT_FALSE(f.visible);  // and so does the grid way
}

TEST(ParseMinCover, Texts) {
    struct Case {
        const char* text;
        std::optional<int> expected;
    } cases[] = {{"+", 2},   {"r", 2},  {"*", 1},    {"x", 0},          {"R", 0},  {"1", 10},
                 {"5", 50},  {"0", 0},  {"12", 120}, {"25", 250},       {"26", 0}, {" 3", 30},
                 {"+3", 30}, {"-1", 0}, {"3 ", 0},   {"", std::nullopt}};
    for (const Case& c : cases) {
        auto v = ParseMinCover(c.text);
        EXPECT_EQ(v ? std::optional<int>(*v) : std::nullopt, c.expected) << '"' << c.text << '"';
    }
}

}  // namespace
}  // namespace tamsel

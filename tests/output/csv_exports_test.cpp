#include "output/csv_exports.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "io/csv.h"
#include "io/safe_file.h"
#include "output/pcord_table.h"
#include "platform/error.h"
#include "support/data_file_writer.h"
#include "support/table_fields.h"
#include "support/temp_dir.h"
#include "table/dialog_filters.h"
#include "table/editing.h"

namespace tamsel {
namespace {

using testing::codes;
using testing::lines;
using testing::PCordExpected;
using testing::pcordTable;
using testing::SmallTable;
using testing::TempDir;
using testing::ValueMatrixExpected;

TEST(Csv, QuotesOnlyFieldsThatNeedIt) {
    const std::pair<std::string, std::string> cases[] = {
        {"plain", "plain"},
        {"Carex sp., cf.", "\"Carex sp., cf.\""},
        {"Viola \"x\"", "\"Viola \"\"x\"\"\""},
        {"a\r\nb", "\"a\r\nb\""},
        {sj("ソ表"), sj("ソ表")},  // trail bytes 0x5C are no special characters
        {"", ""},
    };
    for (const auto& [field, written] : cases) {
        StringSink s;
        writeCsvField(s, field);
        EXPECT_EQ(s.text, written) << field;
    }
}

std::string pcordMatrix(const TableState& t) {
    StringSink out;
    writePCordMatrix(out, t, ShortNames(t));
    return out.text;
}

std::string valueMatrix(const TableState& t) {
    StringSink out;
    writeValueMatrix(out, t);
    return out.text;
}

std::string plotData(const TableState& t) {
    StringSink out;
    writePlotData(out, t);
    return out.text;
}

TEST(PCord, MatrixAndSpeciesList) {
    SmallTable s = pcordTable();
    EXPECT_EQ(pcordMatrix(s.t), PCordExpected);
    StringSink list;
    writeSpeciesList(list, s.t, ShortNames(s.t));
    EXPECT_EQ(list.text, lines({"Quercus  Quercus serrata", "-- comme -- comment --",
                                "Quercu 2 Quercus crispula", "Pinus de Pinus densiflora"}));
}

TEST(PCord, NoUsedSpecies) {
    SmallTable s = pcordTable();
    testing::editFields(s.t.model,
                        [](TableFields& f) { std::fill(f.freq.begin(), f.freq.end(), 0); });
    EXPECT_EQ(pcordMatrix(s.t), lines({"2,Releve", "0,Species", "", "", "101", "103"}));
}

TEST(PCord, ShortNamesAreUniqueByRowOrder) {
    struct Case {
        std::vector<std::string> names, codes;  // UTF-8
    };
    const Case cases[] = {
        {{"Carex sp.1", "Carex sp.2", "Carex sp.3", "Carex"},
         {"Carex sp", "Carex  2", "Carex  3", "Carex"}},
        // A later name equal to a changed code is made unique only against rows after it.
        {{"ABCDEFGHx", "ABCDEFGHy", "ABCDEF 2"}, {"ABCDEFGH", "ABCDEF 2", "ABCDEF 2"}},
        // The counter starts again for each row.
        {{"ABCDEFGHa", "ABCDEFGHb", "ABCDEFGHc", "ABCDEF 2x"},
         {"ABCDEFGH", "ABCDEF 2", "ABCDEF 3", "ABCDEF 2"}},
        // Double-byte names: whole characters only.
        {{"ススキ属の一種", "ススキ属の二種", "aススキ属"}, {"ススキ属", "ススキ 2", "aススキ"}},
    };
    for (const Case& c : cases) {
        SmallTable s({2});
        for (const auto& n : c.names) s.comment(n);
        std::vector<std::string> expected{""};
        for (const auto& code : c.codes) expected.push_back(sj(code));
        EXPECT_EQ(ShortNames(s.t), expected) << c.names[0];
    }
}

TEST(PCord, CodesAndLabelsWithCommasAreQuoted) {
    SmallTable s({2});
    s.add({{2, "1,2"}}, {{"A,B", codes({{5, 10}})}, {"C\"D", codes({{5, 20}})}});
    s.add({{2, "3"}}, {{"A,B", codes({{5, 10}})}});
    s.recount();
    EXPECT_EQ(pcordMatrix(s.t), lines({"2,Releve,", "2,Species,", ",Q,Q", ",\"A,B\",\"C\"\"D\"",
                                       "\"1,2\",25,150", "3,25,0"}));
}

TEST(PCord, SpeciesListBesideTheMatrix) {
    EXPECT_EQ(speciesListPath("/d/t-pcm.csv"), "/d/t-pcm.lst");
    EXPECT_EQ(speciesListPath("/d.x/t"), "/d.x/t.lst");
    EXPECT_EQ(speciesListPath("a.b.c"), "a.b.lst");
}

TEST(PCord, SpeciesListIsWrittenWhenTheMatrixFails) {
    TempDir dir;
    const std::string matrix = dir.file("t-pcm.csv"), list = dir.file("t-pcm.lst");
    testing::writeBytes(matrix, "old matrix");
    SmallTable s = pcordTable();
    testing::editGrid(s.t.model, [&](Grid& g) {
        g.setCell(TableLayout::releveCol(3), TableLayout::SlotRow, "999");
    });
    try {
        savePCord(s.t, matrix);
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), sj("測定の列 3 の格納番号が範囲外です: 999"));
    }
    EXPECT_EQ(readWholeFile(matrix), "old matrix");
    EXPECT_EQ(readWholeFile(list).substr(0, 26), "Quercus  Quercus serrata\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
}

TEST(ValueMatrix, QuotedTrimmedNamesAndUsedColumnsOnly) {
    SmallTable s = pcordTable();
    EXPECT_EQ(valueMatrix(s.t), ValueMatrixExpected);

    SmallTable q({2});
    q.add({{2, "1,2"}}, {{" Carex sp., cf. ", codes({{5, 10}})}, {"Viola \"x\"", codes({{5, 1}})}});
    q.add({{2, "表"}}, {{" Carex sp., cf. ", codes({{5, 30}})}});
    q.recount();
    EXPECT_EQ(valueMatrix(q.t), lines({",\"1,2\"," + sj("表"), "\"Carex sp., cf.\",25,375",
                                       "\"Viola \"\"x\"\"\",0,0"}));
}

TEST(Exports, EmptyTable) {
    SmallTable s({2, 3});
    EXPECT_EQ(valueMatrix(s.t), "\r\n");
    EXPECT_EQ(plotData(s.t), lines({sj("測定番号,調査地名,")}));
    EXPECT_EQ(pcordMatrix(s.t), lines({"0,Releve", "0,Species", "", ""}));
}

TEST(PlotData, RowsTwoToFreqRowTrimmedAndQuoted) {
    SmallTable s({2, 3});
    s.add({{2, "  101 "}, {3, "Mt. A, top"}}, {{"X", codes({{5, 10}})}});
    s.add({}, {});
    s.add({{2, "7"}, {3, "ソ表"}}, {{"X", codes({{5, 10}})}});
    s.recount();
    s.t.model.setCell(TableLayout::FreqCol, TableLayout::FirstItemRow, "x");
    EXPECT_EQ(plotData(s.t),
              lines({sj("測定番号,調査地名x,"), "101,\"Mt. A, top\"", ",", "7," + sj("ソ表")}));
}

TEST(PlotData, AllItemsDisabledWritesTheFrequencyRow) {
    SmallTable s({});
    s.add({}, {{"X", codes({{5, 10}})}, {"Y", codes({{5, 10}})}});
    s.add({}, {{"X", codes({{5, 10}})}});
    s.recount();
    EXPECT_EQ(plotData(s.t), lines({sj("F＼N"), "2", "1"}));
}

// Inserting a row and a column moves the counts with them: without a recount the
// matrices stay as they were.
TEST(Exports, ReadTheMovedCountsAfterInsertingWithoutARecount) {
    SmallTable s = pcordTable();
    const TableLayout layout = s.layout();
    insertReleveColumn(s.t, TableLayout::releveCol(1));
    insertSpeciesRow(s.t, layout.speciesRow(2));
    ASSERT_EQ(s.t.model.releveCount(), 4);
    ASSERT_EQ(s.t.model.speciesCount(), 5);
    EXPECT_EQ(pcordMatrix(s.t), PCordExpected);
    EXPECT_EQ(valueMatrix(s.t), ValueMatrixExpected);
}

}  // namespace
}  // namespace tamsel

#include "analysis/twinspan_table.h"

#include <gtest/gtest.h>

#include <regex>

#include "analysis/synoptic.h"
#include "platform/batch/batch_ui.h"
#include "support/small_table.h"
#include "table/frequency.h"
#include "text/sjis.h"

namespace tamsel {
namespace {

using L = TableLayout;

// Two obvious communities, their relevés interleaved: wet (A B C, the even
// columns) and dry (X Y Z, the odd ones), each relevé with one species of the
// other side; a relevé with a header and no species after them, an empty column
// in the middle, a comment row and a row that occurs nowhere among the species.
struct TwoCommunities {
    TableState t{};
    BatchUi ui;
    std::vector<std::string> headers;  // relevé number per column, "" for the empty one
    TwoCommunities() {
        startBlankTable(t, ui);
        t.model.growReleves(14);
        t.model.growSpecies(8);
        for (const char* name : {"A", "X", "*note", "B", "Y", "C", "unused", "Z"})
            testing::addTableRow(t, name);
        const LayerCodes cover1{0, 0, 0, 0, 10, 0, 0}, cover3{0, 0, 0, 0, 30, 0, 0};
        for (int j = 1; j <= 14; ++j) {
            testing::addReleveColumn(t);
            if (j == 7) {
                headers.push_back("");
                continue;
            }
            headers.push_back(std::to_string(100 + j));
            testing::setHeader(t, j, 2, headers.back());
            if (j == 14) continue;  // the relevé without species
            const bool wet = j % 2 == 0;
            const int own[3] = {wet ? 1 : 2, wet ? 4 : 5, wet ? 6 : 8};
            for (int s : own) testing::setCodes(t, j, s, cover3);
            testing::setCodes(t, j, wet ? 2 + 3 * (j % 3 == 0) : 1 + 3 * (j % 3 == 0), cover1);
        }
        recount(t, ui);
    }
    std::string header(int j) const {
        return t.model.cell(L::releveCol(j), layoutOf(t).itemRow(2));
    }
    std::string name(int i) const { return t.model.cell(L::NameCol, layoutOf(t).speciesRow(i)); }
};

TEST(TwinspanTable, TwoCommunitiesBecomeTwoGroupsWithTheEmptyReleveAtTheEnd) {
    TwoCommunities p;
    TwinspanOptions o;
    o.groupMin = 7;  // one division only
    // As a command runs it: one step of the history.
    const auto run = [&] {
        HistoryStep step(p.t, "TWINSPAN");
        return classifyTable(p.t, p.ui, o);
    }();
    ASSERT_TRUE(run);
    // Relevé columns: one community, an empty column, the other, an empty column,
    // the relevé without species.
    std::vector<std::string> wet, dry;
    for (int j = 1; j <= 6; ++j) wet.push_back(p.header(j));
    for (int j = 8; j <= 13; ++j) dry.push_back(p.header(j));
    if (wet.front() != "102") std::swap(wet, dry);
    EXPECT_EQ(wet, (std::vector<std::string>{"102", "104", "106", "108", "110", "112"}));
    EXPECT_EQ(dry, (std::vector<std::string>{"101", "103", "105", "109", "111", "113"}));
    EXPECT_EQ(p.header(7), "");
    EXPECT_EQ(p.header(14), "");
    EXPECT_EQ(p.header(15), "114");
    const auto groups = releveGroups(p.t.model.numSp(), p.t.model.releveCount());
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_EQ(groups[0].size() + groups[1].size(), 12u);
    // Species rows: the six species, then the comment and the unused row as they stood.
    EXPECT_EQ(p.name(7), "*note");
    EXPECT_EQ(p.name(8), "unused");
    EXPECT_TRUE(p.t.changed());
    // The report: one division line, its eigenvalue with six decimals, signed
    // indicators named with their level.
    const std::regex division(
        R"(division 1 eigenvalue 0\.\d{6} threshold -?\d+ indicators( [+-][A-Z][1-5])+\r)");
    std::smatch m;
    ASSERT_TRUE(std::regex_search(run->report, m, division)) << run->report;
    EXPECT_NE(run->report.find("group 2 6: "), std::string::npos);
    EXPECT_NE(run->report.find("group 3 6: "), std::string::npos);
}

TEST(TwinspanTable, ACancelLeavesTheTableAsItWas) {
    TwoCommunities p;
    const std::uint64_t before = p.t.model.grid().revision();
    p.ui.cancelAfter = 0;
    EXPECT_FALSE(classifyTable(p.t, p.ui, {}));
    EXPECT_EQ(p.t.model.grid().revision(), before);
}

}  // namespace
}  // namespace tamsel

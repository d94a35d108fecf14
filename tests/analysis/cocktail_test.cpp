// Sociological species groups: the m of a group worked by hand, the Cocktail
// steps of a small table with ties, and the definitions file read, judged and
// used to arrange the table.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "analysis/cocktail.h"
#include "analysis/definitions.h"
#include "io/byte_sink.h"
#include "io/safe_file.h"
#include "platform/batch/batch_ui.h"
#include "platform/error.h"
#include "support/small_table.h"
#include "table/frequency.h"
#include "table/table_layout.h"
#include "text/sjis.h"

namespace tamsel {
namespace {

// One relevé per entry: the species it holds (cover 10 %, or as given).
TwinspanMatrix matrixOf(std::int32_t species,
                        const std::vector<std::vector<std::pair<std::int32_t, double>>>& releves) {
    TwinspanMatrix m;
    m.species = species;
    for (const auto& r : releves) m.addReleve(r);
    return m;
}

TEST(SpeciesGroup, ThreeSpeciesByHand) {
    // A in relevés 0-4, B in 0-3, C in 0-1 of ten: shares .5, .4, .2.
    const TwinspanMatrix m = matrixOf(3, {{{0, 1}, {1, 1}, {2, 1}},
                                          {{0, 1}, {1, 1}, {2, 1}},
                                          {{0, 1}, {1, 1}},
                                          {{0, 1}, {1, 1}},
                                          {{0, 1}},
                                          {},
                                          {},
                                          {},
                                          {},
                                          {}});
    const SpeciesPresence p(m);
    const std::int32_t group[] = {0, 1, 2};
    const GroupFit f = fitGroup(p, group);
    EXPECT_EQ(f.observed, (std::vector<std::int32_t>{5, 1, 2, 2}));
    // Expected shares .24, .46, .26, .04 of ten relevés.
    ASSERT_EQ(f.expected.size(), 4U);
    const double want[] = {2.4, 4.6, 2.6, 0.4};
    for (int c = 0; c < 4; ++c) EXPECT_NEAR(f.expected[c], want[c], 1e-12) << c;
    // At least 3: 2 observed > 0.4; at least 2: 4 > 3.0; at least 1: 5 < 7.6.
    EXPECT_EQ(f.m, 2);
}

TEST(SpeciesGroup, ThresholdRule) {
    struct Case {
        std::vector<std::int32_t> observed;
        std::vector<double> expected;
        std::int32_t m;
    };
    const std::vector<Case> cases = {
        {{5, 0}, {4, 1}, 1},        // one species
        {{0, 0, 5}, {1, 2, 2}, 2},  // more than expected throughout: k
        {{5, 0, 0}, {3, 1, 1}, 1},  // no relevé holds any: 1
        {{3, 2, 0}, {1, 3, 1}, 2},  // crossing at 1, though fewer hold all than expected
        {{1, 1, 2, 2, 0}, {1, 2, 1, 3, 0.5}, 4},  // the highest of two crossings
        {{2, 1, 1, 2}, {1, 2, 1, 2}, 2},          // expected as many as observed is none
    };
    for (std::size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ(groupThreshold(cases[i].observed, cases[i].expected), cases[i].m) << i;
}

TEST(Cocktail, TiesMergedInOnePassAndChained) {
    // A = B and C = D (phi 1, tied); E then ties with both groups at -0.25.
    const TwinspanMatrix m = matrixOf(5, {{{0, 1}, {1, 1}, {4, 1}},
                                          {{0, 1}, {1, 1}},
                                          {{2, 1}, {3, 1}, {4, 1}},
                                          {{2, 1}, {3, 1}},
                                          {{4, 1}},
                                          {{4, 1}}});
    const SpeciesPresence p(m);
    const auto steps = cocktail(p);
    ASSERT_TRUE(steps);
    StringSink out;
    writeCocktailCsv(out, *steps, {"A", "B", "C", "D", "E"});
    // #3 = {A, B, E}: expected at least 3 0.44, 2 2.44 > observed 2: m 3.
    // #4 = all five: expected at least 2 4.03 > observed 4: m 3.
    EXPECT_EQ(out.text,
              "step,item1,item2,phi,k,m,releves\r\n"
              "1,A,B,1.000000,2,2,2\r\n"
              "2,C,D,1.000000,2,2,2\r\n"
              "3,E,#1,-0.250000,3,3,1\r\n"
              "4,#3,#2,-0.250000,5,3,2\r\n");
    // Each group's m is the one a group of its species gets on its own.
    const std::int32_t all[] = {0, 1, 2, 3, 4};
    EXPECT_EQ(fitGroup(p, all).m, (*steps)[3].m);
}

TEST(Cocktail, AGroupHeldByEveryReleveEndsTheRestAtPhiZero) {
    // Steps as cocktailr gives them (its k of the last merge is 0, the count
    // being taken before the members; here the members are counted).
    const char* rows[] = {"110011", "110111", "000111", "111011", "011111", "101110",
                          "111011", "111010", "111101", "100110", "011111"};
    std::vector<std::vector<std::pair<std::int32_t, double>>> releves;
    for (const char* r : rows) {
        releves.emplace_back();
        for (std::int32_t s = 0; s < 6; ++s)
            if (r[s] == '1') releves.back().push_back({s, 1});
    }
    const auto steps = cocktail(SpeciesPresence(matrixOf(6, releves)));
    ASSERT_TRUE(steps);
    StringSink out;
    writeCocktailCsv(out, *steps, {"s1", "s2", "s3", "s4", "s5", "s6"});
    EXPECT_EQ(out.text,
              "step,item1,item2,phi,k,m,releves\r\n"
              "1,s2,s6,0.541667,2,2,7\r\n"
              "2,s3,#1,0.214286,3,3,5\r\n"
              "3,s4,#2,-0.069007,4,4,3\r\n"
              "4,s1,s5,-0.193649,2,1,11\r\n"
              "5,#4,#3,0.000000,6,1,11\r\n");
}

// Species A..F; relevés 0-3 hold A, B (A at 40 %), 4-5 C, D, E, relevé 2 also C, D.
struct Definitions : ::testing::Test {
    TwinspanMatrix m = matrixOf(6, {{{0, 40}, {1, 5}},
                                    {{0, 40}, {1, 5}},
                                    {{0, 10}, {1, 5}, {2, 5}, {3, 5}},
                                    {{0, 25}, {1, 5}},
                                    {{2, 5}, {3, 5}, {4, 5}},
                                    {{2, 5}, {3, 5}, {4, 5}, {5, 1}}});
    SpeciesPresence p{m};
    std::vector<std::string> names{"A", "B", "C", "D", "E", "Sp F"};
    UnitDefinitions parse(const std::string& text) {
        return parseUnitDefinitions(sj(text), names, p);
    }
};

TEST_F(Definitions, EveryConstructAndARelevéMeetingTwoUnits) {
    const UnitDefinitions d = parse(
        "# groups\n"
        "group AB: A, B   # m from the table\r\n"
        "group CDE (m = 2): C, D,E\n"
        "\n"
        "unit Open: CDE and not (AB or cover(\"Sp F\") >= 1)\n"
        "unit Dense: AB and (cover(\"A\") > 25 or cover(\"A\") <= 10 and cover(\"A\") < 11)\n"
        "unit Rest: AB or CDE\n");
    ASSERT_EQ(d.groups.size(), 2U);
    EXPECT_EQ(d.groups[0].species, (std::vector<std::int32_t>{0, 1}));
    EXPECT_EQ(d.groups[0].m, fitGroup(p, d.groups[0].species).m);
    EXPECT_FALSE(d.groups[0].mGiven);
    EXPECT_EQ(d.groups[1].m, 2);
    EXPECT_EQ(d.units.size(), 3U);
    const UnitAssignment a = assignUnits(d, m);
    // Relevé 2 holds AB and CDE: not Open for AB, Dense for cover 10 <= 10.
    EXPECT_EQ(a.unitOf, (std::vector<std::int32_t>{1, 1, 1, 2, 0, 2}));
    EXPECT_EQ(a.counts, (std::vector<std::int32_t>{1, 3, 2}));
    ASSERT_EQ(a.several.size(), 4U);
    EXPECT_EQ(a.several[2].first, 2);
    EXPECT_EQ(a.several[2].second, (std::vector<std::int32_t>{1, 2}));
    EXPECT_EQ(a.several[3].first, 4);
    EXPECT_EQ(a.several[3].second, (std::vector<std::int32_t>{0, 2}));
}

TEST_F(Definitions, ErrorsNameTheLineAndTheWord) {
    struct Case {
        const char* text;
        int line;
        const char* word;
    };
    const Case cases[] = {
        {"group G: A\nfoo X: A", 2, "foo"},            // not group or unit
        {"group G A, B", 1, "group G A, B"},           // no colon
        {"group G: A, Q", 1, "Q"},                     // unknown species
        {"group G: A,, B", 1, "A,, B"},                // empty species
        {"group G (m=3): A, B", 1, "3"},               // m above k
        {"group G (n=1): A", 1, "(n=1)"},              // m written wrong
        {"group G: A\ngroup G: B", 2, "G"},            // the same name twice
        {"group a(b: A", 1, "(b"},                     // a name with a parenthesis
        {"group G: A\nunit U: G and H", 2, "H"},       // unknown group
        {"unit U: cover(\"Q\") > 1", 1, "Q"},          // unknown species in cover
        {"group G: A\n\nunit U: (G", 3, "行末"},       // missing parenthesis
        {"group G: A\nunit U: G G", 2, "G"},           // words after the formula
        {"unit U: cover(\"A\") = 1", 1, "="},          // not a comparison
        {"unit U: cover(\"A\") > x", 1, "x"},          // not a number
        {"unit U: cover(A) > 1", 1, "A"},              // name not quoted
        {"unit U: cover(\"A) > 1", 1, "\"A) > 1"},     // quote not closed
        {"unit U:", 1, ""},                            // no formula
        {"group G: A\nunit U: G\nunit U: G", 3, "U"},  // the same unit twice
        {"group and: A", 1, "and"},                    // a keyword as a name
    };
    for (const Case& c : cases) {
        try {
            parse(c.text);
            ADD_FAILURE() << c.text;
        } catch (const DefinitionsError& e) {
            EXPECT_EQ(e.line(), c.line) << c.text;  // the editor marks this line
            const std::string text = toUtf8(e.what());
            EXPECT_NE(text.find(" " + std::to_string(c.line) + " 行目"), std::string::npos)
                << c.text << ": " << text;
            EXPECT_NE(text.find(std::string("「") + c.word + "」"), std::string::npos)
                << c.text << ": " << text;
        }
    }
}

// The table arranged by units: relevé numbers 101.. in item 2.
TEST(AssignUnits, ColumnsInUnitsThenTheRestAfterEmptyColumns) {
    TableState t;
    BatchUi ui;
    startBlankTable(t, ui);
    const std::vector<std::string> names{"A", "B", "C"};
    // Relevés: 1 C; 2 A, B; 3 C; 4 A; 5 B.
    const std::vector<std::vector<int>> holds{{2}, {0, 1}, {2}, {0}, {1}};
    t.model.growReleves(5);
    t.model.growSpecies(3);
    for (const std::string& n : names) testing::addTableRow(t, n);
    for (const auto& h : holds) {
        const std::int32_t j = testing::addReleveColumn(t);
        for (int s : h) testing::setCodes(t, j, s + 1, LayerCodes{0, 0, 0, 0, 20, 0, 0});
        testing::setHeader(t, j, 2, std::to_string(100 + j));
    }
    recount(t, ui);
    const std::string path =
        (std::filesystem::temp_directory_path() / "tamsel-units-test.txt").string();
    writeFileSafely(path, std::string("group GA (m=1): A\nunit Wet: cover(\"C\") > 0 and not GA\n"
                                      "unit Dry: GA\n"));
    const std::string report = assignUnitsFromFile(t, ui, path);
    std::filesystem::remove(path);
    const TableLayout layout = layoutOf(t);
    std::vector<std::string> order;
    for (std::int32_t j = 1; j <= t.model.releveCount(); ++j)
        order.push_back(trimControl(t.model.cell(TableLayout::releveCol(j), layout.itemRow(2))));
    EXPECT_EQ(order, (std::vector<std::string>{"101", "103", "", "102", "104", "", "105"}));
    EXPECT_EQ(t.model.cell(TableLayout::releveCol(3), t.model.freqRow()), "");
    // A in 2 of 5 relevés: 3 expected to hold none, 2 to hold it.
    EXPECT_NE(report.find("group GA k 1 m 1 given observed 3,2 expected 3.000000,2.000000\r\n"
                          "unit Wet 2\r\nunit Dry 2\r\nunassigned 1\r\n"),
              std::string::npos)
        << report;
    t.model.checkInvariants();
}

}  // namespace
}  // namespace tamsel

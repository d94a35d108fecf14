#include "analysis/synoptic.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>

#include "analysis/pattern_table.h"
#include "io/safe_file.h"
#include "platform/batch/batch_ui.h"
#include "platform/error.h"
#include "support/temp_dir.h"
#include "table/frequency.h"
#include "text/sjis.h"

namespace tamsel {
namespace {

using L = TableLayout;

using testing::PatternTable;

TEST(Synoptic, GroupsAreRunsBetweenEmptyColumns) {
    using G = std::vector<std::pair<int, int>>;
    const std::vector<std::pair<std::vector<std::uint16_t>, G>> cases = {
        {{0, 3, 1, 2}, {{1, 3}}},                        // no empty column: one group
        {{0, 0, 2, 0, 0, 5, 1, 0}, {{2, 2}, {5, 6}}},    // at both ends, side by side
        {{0, 1, 0, 1, 0, 1}, {{1, 1}, {3, 3}, {5, 5}}},  // groups of one
        {{0, 0, 0}, {}},                                 // no relevé with species
        {{0}, {}},                                       // no relevé at all
    };
    for (const auto& [numSp, want] : cases) {
        G got;
        for (const ReleveGroup& g :
             releveGroups(numSp, static_cast<std::int32_t>(numSp.size()) - 1))
            got.emplace_back(g.first, g.last);
        EXPECT_EQ(got, want);
    }
}

TEST(Synoptic, ConstancyRoundsHalvesToEvenAndClassesOnTheExactPercentage) {
    struct Case {
        std::uint32_t n, N;
        int percent;
        const char* cls;
    };
    const Case cases[] = {
        {0, 5, 0, "."},        {1, 5, 20, "I"},       {2, 5, 40, "II"},     {3, 5, 60, "III"},
        {4, 5, 80, "IV"},      {5, 5, 100, "V"},      {1, 8, 12, "I"},      {3, 8, 38, "II"},
        {201, 1000, 20, "II"}, {799, 1000, 80, "IV"}, {801, 1000, 80, "V"}, {0, 0, 0, "."},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(roundedPercent(c.n, c.N), c.percent) << c.n << "/" << c.N;
        EXPECT_STREQ(constancyClass(c.n, c.N), c.cls) << c.n << "/" << c.N;
    }
}

TEST(Synoptic, PhiEqualisesTheGroupSize) {
    auto plain = [](double ng, double Ng, double n, double N) {
        return (N * ng - n * Ng) / std::sqrt(n * Ng * (N - n) * (N - Ng));
    };
    struct Case {
        std::uint32_t ng, Ng, n, N, K;
        double phi;
    };
    const Case cases[] = {
        // Groups of equal size: the plain phi.
        {4, 5, 5, 10, 2, plain(4, 5, 5, 10)},
        {1, 2, 1, 4, 2, plain(1, 2, 1, 4)},
        {0, 3, 4, 9, 3, plain(0, 3, 4, 9)},
        // Groups of 2 and 8, the species in 2 of the first and 1 of the second:
        // N'p = 5, n'p = 5 (and 0.625), n' = 5.625 either way.
        {2, 2, 3, 10, 2, 21.875 / std::sqrt(5.625 * 5 * 4.375 * 5)},
        {1, 8, 3, 10, 2, -21.875 / std::sqrt(5.625 * 5 * 4.375 * 5)},
        // Undefined: one group, a group of all relevés, a species everywhere.
        {3, 5, 3, 5, 1, 0},
        {2, 10, 2, 10, 2, 0},
        {3, 3, 10, 10, 3, 0},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(fidelityPhi(c.ng, c.Ng, c.n, c.N, c.K), c.phi, 1e-12)
            << c.ng << "/" << c.Ng << " of " << c.n << "/" << c.N;
    EXPECT_EQ(phiPercent(21.875 / std::sqrt(5.625 * 5 * 4.375 * 5)), 88);
    EXPECT_EQ(phiPercent(-0.125), -12);
    EXPECT_EQ(phiPercent(0.375), 38);
}

TEST(Synoptic, FisherUpperTailIsTheExactHypergeometricSum) {
    struct Case {
        std::uint32_t ng, Ng, n, N;
        double p;
    };
    const Case cases[] = {
        {4, 5, 4, 10, 6.0 / 252},           // C(4,4) C(6,1) / C(10,5)
        {3, 5, 4, 10, 66.0 / 252},          // + C(4,3) C(6,2)
        {0, 5, 4, 10, 1},                   // every table
        {3, 3, 3, 8, 1.0 / 56},             // C(8,3) = 56
        {2, 6, 3, 40, 205905.0 / 3838380},  // 3 C(37,4) + C(37,3) over C(40,6)
        {5, 5, 4, 10, 0},                   // more than can be
        {1, 5, 8, 10, 1},                   // at least 3 must be inside anyway
        // Many terms (exact sums of binomial products, in fractions).
        {40, 200, 100, 1000, 8.853525964860996e-07},
        {20, 200, 100, 1000, 0.5440760001458428},
        {5, 200, 100, 1000, 0.999998444925534},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(fisherUpperTail(c.ng, c.Ng, c.n, c.N), c.p, 1e-10 * c.p)
            << c.ng << " " << c.Ng << " " << c.n << " " << c.N;
    // Beyond the range of a double: 0, not NaN.
    EXPECT_EQ(fisherUpperTail(500, 500, 600, 10000), 0);
}

TEST(Synoptic, OptionsOutOfRangeOrNotNumbersAreRefused) {
    EXPECT_EQ(parseSynopticOptions(" 30 ", "").threshold, 30);
    EXPECT_FALSE(parseSynopticOptions("-100", " ").fisherLevel);
    EXPECT_EQ(parseSynopticOptions("+1.5", "0.05").fisherLevel, 0.05);
    const std::pair<const char*, const char*> bad[] = {
        {"", ""},    {"abc", ""},    {"25x", ""},    {"100.5", ""}, {"-101", ""},
        {"nan", ""}, {"25", "1.01"}, {"25", "-0.1"}, {"25", "p"},   {"inf", ""},
    };
    for (auto [threshold, level] : bad)
        EXPECT_THROW(parseSynopticOptions(threshold, level), Error) << threshold << " " << level;
}

TEST(Synoptic, CsvOfASmallTable) {
    // Groups of 2 and 3 relevés, an empty column between, a comment row.
    PatternTable p({{"A,b", "xx|..."},
                    {sj(" 　C "), "x.|xxx"},
                    {sj("コメント"), "..|..."},
                    {"D\"q\"", ".x|.x."}});
    Synoptic s = computeSynoptic(p.t, {});
    StringSink out;
    writeSynopticCsv(out, s);
    EXPECT_EQ(out.text, sj("種名,常在度1,常在度2,φ1,φ2,識別群\r\n"
                           "測定数,2,3,,,\r\n"
                           "\"A,b\",100,0,100,-100,1\r\n"
                           "　C,50,100,-58,58,2\r\n"
                           "\"D\"\"q\"\"\",50,33,17,-17,\r\n"));
    EXPECT_EQ(s.diagnosticCounts(), (std::vector<std::uint32_t>{1, 1}));
    // Fisher's test keeps C out: 3 of 3 from 5 with 4 present has p = 0.4.
    Synoptic strict = computeSynoptic(p.t, {25, 0.3});
    EXPECT_EQ(strict.rows[0].diagnostic, 1);  // 2 of 2 with 2 present: p = 0.1
    EXPECT_EQ(strict.rows[1].diagnostic, 0);
}

TEST(Synoptic, SortPutsDiagnosticBlocksFirstThenByFrequency) {
    PatternTable p({{"other1", "x.|x."},
                    {"g2a", "..|xx"},
                    {"g1a", "x.|.."},
                    {"zero", "..|.."},
                    {"g1b", "xx|.."},
                    {"g1c", ".x|.."},
                    {"other2", "xx|xx"},
                    {"g1d", "xx|x."},
                    {"comment", "..|.."}});
    const std::vector<std::string> before = p.names();
    // g1d and g1a/g1c tie on phi (58): constancy decides, then table order.
    sortByFidelity(p.t, p.ui, {});
    EXPECT_EQ(p.names(), (std::vector<std::string>{"g1b", "g1d", "g1a", "g1c", "g2a", "other2",
                                                   "other1", "zero", "comment"}));
    EXPECT_EQ(p.t.model.freq()[1], 2);  // the counts moved with their rows
    EXPECT_EQ(p.t.model.freq()[6], 4);
    EXPECT_EQ(p.t.model.cell(L::releveCol(4), layoutOf(p.t).speciesRow(5)), "+");  // g2a
    ASSERT_EQ(p.ui.messages.size(), 1U);
    EXPECT_EQ(p.ui.messages[0], synopticSummary(computeSynoptic(p.t, {})));
    EXPECT_NE(before, p.names());
}

TEST(Synoptic, DegenerateTablesGiveNoDiagnosticGroup) {
    // One group (phi 0 everywhere, even with a negative threshold); groups of one.
    PatternTable one({{"a", "xxx"}, {"b", "x.."}});
    for (const SynopticRow& r : computeSynoptic(one.t, {-100, {}}).rows) {
        EXPECT_EQ(r.phi, std::vector<int>{0});
        EXPECT_EQ(r.diagnostic, 0);
    }
    PatternTable singles({{"a", "x|x|x"}, {"b", "x|.|."}});
    Synoptic s = computeSynoptic(singles.t, {25, 0.5});
    EXPECT_EQ(s.rows[0].phi, (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(s.rows[1].phi, (std::vector<int>{100, -50, -50}));
    EXPECT_EQ(s.rows[1].diagnostic, 1);  // p = 1/3
    // No relevés: refused with a message before any file is asked for.
    PatternTable empty({{"a", "..."}, {"b", "..."}});
    EXPECT_THROW(synopticOfTable(empty.t, empty.ui, {}), Error);
}

}  // namespace
}  // namespace tamsel

// IndVal in the synoptic table, Beals smoothing and OptimClass: small tables
// worked by hand, and the dune data against R's labdsv, vegan and fisher.test.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "analysis/beals.h"
#include "analysis/optimclass.h"
#include "analysis/synoptic.h"
#include "dune.h"
#include "io/byte_sink.h"
#include "platform/batch/batch_ui.h"
#include "support/small_table.h"
#include "table/frequency.h"
#include "text/sjis.h"

namespace tamsel {
namespace {

// A table of the named species and one column per entry of columns: that
// relevé's code per species (0 absent) in one layer; a column without codes is
// an empty one. Relevé numbers (item 2) are " 10j ". The recount has been made.
struct CodeTable {
    TableState t{};
    BatchUi ui;
    CodeTable(const std::vector<std::string>& names,
              const std::vector<std::vector<CoverCode>>& columns) {
        startBlankTable(t, ui);
        t.model.growReleves(static_cast<std::int32_t>(columns.size()));
        t.model.growSpecies(static_cast<std::int32_t>(names.size()));
        for (const std::string& n : names) testing::addTableRow(t, n);
        for (const auto& codes : columns) {
            const std::int32_t j = testing::addReleveColumn(t);
            bool any = false;
            for (std::size_t s = 0; s < codes.size(); ++s)
                if (codes[s] != 0) {
                    testing::setCodes(t, j, static_cast<std::int32_t>(s) + 1,
                                      LayerCodes{0, 0, 0, 0, codes[s], 0, 0});
                    any = true;
                }
            if (any) testing::setHeader(t, j, 2, " " + std::to_string(100 + j) + " ");
        }
        recount(t, ui);
    }
};

std::vector<std::string> fields(const std::string& line) {
    std::vector<std::string> out(1);
    for (char c : line)
        if (c == ',')
            out.emplace_back();
        else if (c != '\r')
            out.back() += c;
    return out;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) out.push_back(l);
    return out;
}

// Codes 10, 20, 30, 40 are 2.5, 15, 37.5 and 62.5 % cover.
TEST(IndVal, HandWorkedTableWithAnAbsenceAndAGroupOfOne) {
    // Groups: relevés 1-2, 4 (one relevé), 6-7.
    CodeTable c({"X", "Y"}, {{20, 40}, {10, 0}, {}, {30, 0}, {}, {0, 10}, {0, 10}});
    SynopticOptions o;
    StringSink plain;
    writeSynopticCsv(plain, computeSynoptic(c.t, o));
    o.indval = true;
    const Synoptic s = computeSynoptic(c.t, o);
    StringSink out;
    writeSynopticCsv(out, s);
    const auto got = lines(out.text), before = lines(plain.text);
    ASSERT_EQ(got.size(), 4U);
    EXPECT_EQ(fields(before[0]).size(), 8U);
    // The new columns come after the old ones, which stay as they were.
    EXPECT_EQ(got[0], before[0].substr(0, before[0].size() - 1) +
                          ",A1,A2,A3,B1,B2,B3,IndVal1,IndVal2,IndVal3,IndVal.g1,IndVal.g2,"
                          "IndVal.g3\r");
    EXPECT_EQ(fields(got[1]).size(), 20U);
    // X: means 8.75, 37.5, 0 (sum 46.25); present in 2 of 2, 1 of 1, 0 of 2.
    // Y: means 31.25, 0, 2.5 (sum 33.75); present in 1 of 2, 0 of 1, 2 of 2.
    const std::vector<std::vector<std::string>> want = {
        {"18.9", "81.1", "0.0", "100.0", "100.0", "0.0", "18.9", "81.1", "0.0", "43.5", "90.0",
         "0.0"},
        {"92.6", "0.0", "7.4", "50.0", "0.0", "100.0", "46.3", "0.0", "7.4", "68.0", "0.0", "27.2"},
    };
    for (std::size_t r = 0; r < 2; ++r) {
        EXPECT_EQ(got[2 + r].substr(0, before[2 + r].size() - 1),
                  before[2 + r].substr(0, before[2 + r].size() - 1));
        const auto f = fields(got[2 + r]);
        EXPECT_EQ(std::vector<std::string>(f.end() - 12, f.end()), want[r]) << r;
    }
}

// The dune data with its values 1-9 placed as codes (1: "+", 2-3: 10, 4-5: 20,
// 6-7: 30, 8: 40, 9: 50) in TWINSPAN's seven final groups (dune-expected.md),
// groups ordered 4, 20, 21, 22, 23, 6, 7. The reference numbers are R's:
//   pct <- c(0.1,2.5,2.5,15,15,37.5,37.5,62.5,87.5)
//   x <- as.data.frame(lapply(dune, function(v) ifelse(v > 0, pct[pmax(v,1)], 0)))
//   g <- match(c(22,22,22,22,21,21,21,6,23,21,4,6,6,7,7,7,4,20,4,7), c(4,20,21,22,23,6,7))
//   iv <- labdsv::indval(x, g); 100 * iv$relabu; 100 * iv$relfrq
TEST(IndVal, DuneAgreesWithLabdsv) {
    const Dune d = readDune();
    const std::vector<std::vector<int>> groups = {
        {11, 17, 19}, {18}, {5, 6, 7, 10}, {1, 2, 3, 4}, {9}, {8, 12, 13}, {14, 15, 16, 20}};
    const CoverCode code[] = {0, 2, 10, 10, 20, 20, 30, 30, 40, 50};
    std::vector<std::vector<CoverCode>> columns;
    for (const auto& g : groups) {
        if (!columns.empty()) columns.emplace_back();
        for (int r : g) {
            std::vector<CoverCode> col(d.names.size(), 0);
            for (std::int64_t e = d.m.start[r - 1]; e < d.m.start[r]; ++e)
                col[d.m.index[e]] = code[static_cast<int>(d.m.value[e])];
            columns.push_back(col);
        }
    }
    CodeTable c(d.names, columns);
    SynopticOptions o;
    o.indval = true;
    const Synoptic s = computeSynoptic(c.t, o);
    struct Ref {
        const char* name;
        double a[7], b[7];
    };
    const Ref refs[] = {
        {"Achimill", {11.7233, 0, 79.1325, 9.1442, 0, 0, 0}, {33.3333, 0, 100, 50, 0, 0, 0}},
        {"Agrostol", {0, 0, 0, 33.6957, 4.3478, 26.0870, 35.8696}, {0, 0, 0, 50, 100, 100, 100}},
        {"Lolipere",
         {16.1290, 3.2258, 37.0968, 33.8710, 3.2258, 6.4516, 0},
         {33.3333, 100, 100, 100, 100, 33.3333, 0}},
        {"Poatriv",
         {0, 0, 20.9302, 23.4672, 15.2220, 39.7463, 0.6342},
         {0, 0, 100, 100, 100, 100, 25}},
        {"Juncbufo", {0, 0, 2.9126, 0, 69.9029, 27.1845, 0}, {0, 0, 25, 0, 100, 66.6667, 0}},
    };
    for (const Ref& ref : refs) {
        const SynopticRow* row = nullptr;
        for (const SynopticRow& r : s.rows)
            if (r.name == ref.name) row = &r;
        ASSERT_TRUE(row) << ref.name;
        for (int g = 0; g < 7; ++g) {
            EXPECT_NEAR(100 * row->indvalA[g], ref.a[g], 1e-4) << ref.name << g;
            EXPECT_NEAR(100 * row->indvalB[g], ref.b[g], 1e-4) << ref.name << g;
        }
    }
}

// Presences a b | a | (empty) | b c | c: joint occurrences ab 1, bc 1, each
// species twice. With self, relevé {a b} gives a (2/2 + 1/2) / 2 = 0.75; without,
// a's own term and count go: (1/2) / 1 = 0.5; a relevé of one species holds 0
// for it then.
TEST(Beals, HandWorkedTableBothWays) {
    CodeTable c({"a", "b", "c"}, {{10, 10, 0}, {10, 0, 0}, {}, {0, 20, 20}, {0, 0, 20}});
    const std::string header = sj("測定番号") + ",a,b,c";
    const std::vector<std::pair<bool, std::vector<std::string>>> cases = {
        {false,
         {header, "101,0.750000,0.750000,0.250000", "102,1.000000,0.500000,0.000000",
          "104,0.250000,0.750000,0.750000", "105,0.000000,0.500000,1.000000"}},
        {true,
         {header, "101,0.500000,0.500000,0.250000", "102,0.000000,0.500000,0.000000",
          "104,0.250000,0.500000,0.500000", "105,0.000000,0.500000,0.000000"}},
    };
    for (const auto& [excludeSelf, want] : cases) {
        StringSink out;
        writeBealsCsv(out, c.t, excludeSelf);
        std::vector<std::string> got;
        for (std::string l : lines(out.text)) got.push_back(l.substr(0, l.size() - 1));
        EXPECT_EQ(got, want) << excludeSelf;
    }
}

// Reference values from R:
//   b1 <- vegan::beals(dune, include = TRUE); b0 <- vegan::beals(dune, include = FALSE)
//   b1[c(1, 9, 18), 1:5]; b0[c(1, 9, 18), 1:5]
TEST(Beals, DuneAgreesWithVegan) {
    const Dune d = readDune();
    const BealsSmoothing beals(d.m);
    const std::int32_t releves[] = {1, 9, 18};
    const double include[3][5] = {
        {0.59230769, 0.34578755, 0.04285714, 0.45402930, 0.37582418},
        {0.29607988, 0.61550437, 0.03496642, 0.57830492, 0.24129684},
        {0.38445767, 0.32116402, 0.08754409, 0.28573633, 0.37599206},
    };
    const double exclude[3][5] = {
        {0.49038462, 0.34578755, 0.04285714, 0.45402930, 0.37582418},
        {0.29607988, 0.58346306, 0.03496642, 0.54316367, 0.24129684},
        {0.38445767, 0.32116402, 0.08754409, 0.28573633, 0.37599206},
    };
    std::vector<double> v;
    for (int k = 0; k < 3; ++k) {
        beals.releve(releves[k] - 1, false, v);
        for (int s = 0; s < 5; ++s) EXPECT_NEAR(v[s], include[k][s], 1e-8) << k << s;
        beals.releve(releves[k] - 1, true, v);
        for (int s = 0; s < 5; ++s) EXPECT_NEAR(v[s], exclude[k][s], 1e-8) << k << s;
    }
}

// Groups {0 1}, {2 3}, {4}; relevé 5 left out. s0 in 0 1 (and 5): P = 1/C(5,2)
// = 0.1; s1 in 0 only: P = 2/5; s2 everywhere: P = 1; s3 in 4 only (the group of
// one): P = 1/5.
TEST(OptimClass, FaithfulSpeciesByHandWithAPExactlyAtTheLevel) {
    TwinspanMatrix m;
    m.species = 4;
    const std::vector<std::vector<std::int32_t>> held = {{0, 1, 2}, {0, 2}, {2},
                                                         {2},       {2, 3}, {0, 2}};
    for (const auto& h : held) {
        std::vector<std::pair<std::int32_t, double>> e;
        for (std::int32_t s : h) e.push_back({s, 1.0});
        m.addReleve(e);
    }
    const std::vector<std::int32_t> groupOf = {0, 0, 1, 1, 2, -1};
    struct Case {
        double p;
        int minFaithful;
        std::uint32_t faithful, groupsWithMin;
    };
    const Case cases[] = {
        {0.1, 1, 1, 1}, {0.0999, 1, 0, 0}, {0.2, 1, 2, 2},
        {0.2, 2, 2, 0}, {0.4, 1, 3, 2},    {0.4, 2, 3, 1},
    };
    for (const Case& c : cases) {
        const FaithfulCount got = countFaithful(m, groupOf, 3, c.p, c.minFaithful);
        EXPECT_EQ(got.faithful, c.faithful) << c.p << " " << c.minFaithful;
        EXPECT_EQ(got.groupsWithMin, c.groupsWithMin) << c.p << " " << c.minFaithful;
    }
}

// The counts of R's fisher.test(alternative = "greater") (P <= 0.05, groups with
// at least 2) on the dune partitions of dune-expected.md: modified TWINSPAN's 2, 3
// and 4 clusters (class 2 is divided before class 3), classic TWINSPAN's levels
// 1-4, each counted in R over species and groups of that partition.
TEST(OptimClass, DuneCountsAgreeWithFisherTestInR) {
    const Dune d = readDune();
    OptimClassOptions o;
    o.maxGroups = 4;
    o.p = 0.05;
    o.minFaithful = 2;
    const OptimClassRun run = optimClass(d.m, TwinspanOptions{}, o);
    std::vector<std::string> got;
    for (const OptimClassPoint& p : run.points)
        got.push_back(std::string(p.classic ? "classic " : "modified ") + std::to_string(p.groups) +
                      " " + std::to_string(p.count.faithful) + " " +
                      std::to_string(p.count.groupsWithMin));
    const std::vector<std::string> want = {"modified 2 12 2", "modified 3 14 3", "modified 4 17 4",
                                           "classic 2 12 2",  "classic 4 17 4",  "classic 5 15 4",
                                           "classic 7 17 4"};
    EXPECT_EQ(got, want);
    ASSERT_GE(run.best(), 0);
    EXPECT_EQ(run.points[run.best()].groups, 4);  // 17, the fewest groups among equals
}

}  // namespace
}  // namespace tamsel

#include "analysis/recip.h"

#include <gtest/gtest.h>

#include <numeric>
#include <random>

#include <string>
#include <tuple>
#include <vector>

#include "platform/batch/batch_ui.h"
#include "platform/error.h"
#include "support/table_fields.h"
#include "text/sjis.h"

namespace tamsel {

using testing::editFields;
namespace {

using Scores = std::vector<std::uint16_t>;
using Names = std::vector<std::string>;

// A table built directly: species rows and relevé columns named by position, every
// row and column at the slot equal to its position until a test moves them.
struct Fixture {
    TableState t;
    BatchUi ui;

    Fixture(const Names& species, const Names& releves) {
        startBlankTable(t, ui);
        int n = static_cast<int>(species.size()), m = static_cast<int>(releves.size());
        for (int i = 0; i < n; ++i) t.model.appendSpeciesRow(species[i]);
        for (int j = 0; j < m; ++j) {
            t.model.appendReleveColumn();
            t.model.setCell(4 + j, 2, releves[j]);
        }
        editFields(t.model, [&](TableFields& f) {
            for (int i = 0; i < n; ++i) f.freq[i + 1] = static_cast<std::uint16_t>(100 + i);
            for (int j = 0; j < m; ++j) f.numSp[j + 1] = static_cast<std::uint16_t>(200 + j);
        });
        ui.messages.clear();
        ui.panelLabels.clear();
    }

    int row(const std::string& name) const {
        for (int i = 1; i <= t.model.speciesCount(); ++i)
            if (t.model.cell(2, t.model.freqRow() + i) == name) return t.model.freqRow() + i;
        ADD_FAILURE() << "no species " << name;
        return -1;
    }
    int col(const std::string& name) const {
        for (int j = 4; j <= t.model.releveCount() + 3; ++j)
            if (t.model.cell(j, 2) == name) return j;
        ADD_FAILURE() << "no relevé " << name;
        return -1;
    }
    // One code in layer H1, written through the slots of the row and column.
    void put(const std::string& releve, const std::string& species, CoverCode code) {
        LayerCodes c{};
        c[4] = code;
        int k = col(releve), r = row(species);
        t.model.setCodes(t.model.releveSlotAt(k), t.model.speciesSlotAt(r), c);
    }
    Names speciesOrder() const {
        Names v;
        for (int i = 1; i <= t.model.speciesCount(); ++i)
            v.push_back(t.model.cell(2, t.model.freqRow() + i));
        return v;
    }
    Names releveOrder() const {
        Names v;
        for (int j = 4; j <= t.model.releveCount() + 3; ++j) v.push_back(t.model.cell(j, 2));
        return v;
    }
};

// The chain K-L-M-N-O over P, Q, R, S, rows standing M, K, O, L, N and columns
// R, P, S, Q.
void chain(Fixture& f) {
    for (auto [r, a, b] :
         {std::tuple{"P", "K", "L"}, {"Q", "L", "M"}, {"R", "M", "N"}, {"S", "N", "O"}}) {
        f.put(r, a, 10);
        f.put(r, b, 10);
    }
}
const Names chainSpecies{"M", "K", "O", "L", "N"};
const Names chainReleves{"R", "P", "S", "Q"};

struct Snapshot {
    std::vector<std::vector<std::string>> cells;
    std::vector<std::uint16_t> freq, numSp;
    bool operator==(const Snapshot&) const = default;
};
Snapshot snapshot(const TableState& t) {
    Snapshot s;
    for (int r = 0; r < t.model.grid().rowCount(); ++r) s.cells.push_back(t.model.rowTexts(r));
    s.freq = t.model.freq();
    s.numSp = t.model.numSp();
    return s;
}

// Every cell in use still shows the codes its slots address.
void expectCellsMatchCodes(const TableState& t) {
    for (int j = 4; j <= t.model.releveCount() + 3; ++j)
        for (int r = t.model.freqRow() + 1; r <= t.model.freqRow() + t.model.speciesCount(); ++r) {
            const LayerCodes& c = t.model.codesAt(j, r);
            EXPECT_EQ(t.model.cell(j, r), allZero(c) ? "" : LayerSummary(c)) << j << "," << r;
        }
}

TEST(Recip, ChainOrdersInTenPasses) {
    Fixture f(chainSpecies, chainReleves);
    chain(f);
    RecipResult r = reciprocalAveraging(f.t, f.ui);
    EXPECT_EQ(r.end, RecipEnd::Converged);
    EXPECT_EQ(r.passes, 10);
    // By position before the ordering: M K O L N and R P S Q.
    EXPECT_EQ(r.speciesScores, (Scores{0, 48, 0, 100, 14, 84}));
    EXPECT_EQ(r.releveScores, (Scores{0, 69, 0, 100, 28}));
    EXPECT_EQ(r.newestSpeciesScores, r.speciesScores);  // an even pass count: set 0 is newest
    EXPECT_EQ(f.speciesOrder(), (Names{"K", "L", "M", "N", "O"}));
    EXPECT_EQ(f.releveOrder(), (Names{"P", "Q", "R", "S"}));
    // FreqArray and NumSpArray moved with their rows and columns.
    EXPECT_EQ(f.t.model.freq()[1], 101);   // K stood second
    EXPECT_EQ(f.t.model.numSp()[1], 201);  // P stood second
    EXPECT_EQ(f.t.model.cell(3, f.t.model.freqRow()), sj("F＼N"));
    expectCellsMatchCodes(f.t);
    EXPECT_EQ(f.ui.panelLabels, (Names{sj("反復平均法準備中"), sj("反復平均法計算中"),
                                       sj("反復平均法並替－１"), sj("反復平均法並替－２")}));
    EXPECT_FALSE(f.ui.panelShown);
    EXPECT_EQ(f.ui.busyDepth, 0);
    EXPECT_EQ(f.ui.progressBar2().position(), 0);
    EXPECT_TRUE(f.ui.messages.empty());
}

TEST(Recip, RowsAndColumnsAwayFromTheirSlotsAreReadThroughTheSlots) {
    // Built in the order K..O / P..S, then moved into the worked example's order:
    // the scores must be those of the true codes.
    Fixture f({"K", "L", "M", "N", "O"}, {"P", "Q", "R", "S"});
    chain(f);
    f.t.model.permuteSpeciesRows({2, 0, 4, 1, 3});
    f.t.model.permuteReleveColumns({2, 0, 3, 1});
    ASSERT_EQ(f.speciesOrder(), chainSpecies);
    RecipResult r = reciprocalAveraging(f.t, f.ui);
    EXPECT_EQ(r.passes, 10);
    EXPECT_EQ(r.speciesScores, (Scores{0, 48, 0, 100, 14, 84}));
    EXPECT_EQ(f.speciesOrder(), (Names{"K", "L", "M", "N", "O"}));
    EXPECT_EQ(f.releveOrder(), (Names{"P", "Q", "R", "S"}));
    expectCellsMatchCodes(f.t);
}

TEST(Recip, CyclingTableEndsByTheCycleTest) {
    Fixture f({"a", "b", "c", "d"}, {"r1", "r2", "r3"});
    const int weights[3][4] = {{3, 0, 1, 1}, {3, 1, 1, 2}, {2, 1, 0, 1}};
    const CoverCode codeOf[] = {0, 7, 10, 20};
    for (int r = 0; r < 3; ++r)
        for (int s = 0; s < 4; ++s)
            if (weights[r][s])
                f.put("r" + std::to_string(r + 1), std::string(1, "abcd"[s]),
                      codeOf[weights[r][s]]);
    struct Pass {
        Scores species, releves;
        double Dsp, Drel;
    };
    std::vector<Pass> passes;
    RecipOptions o;
    o.onPass = [&](const RecipPass& p) { passes.push_back({p.species, p.releves, p.Dsp, p.Drel}); };
    RecipResult r = reciprocalAveraging(f.t, f.ui, o);

    ASSERT_GE(passes.size(), 7u);
    EXPECT_EQ(passes[0].species, (Scores{0, 100, 100, 100}));
    EXPECT_EQ(passes[0].releves, (Scores{0, 100, 0}));
    for (std::size_t p = 5; p <= passes.size(); ++p) {
        SCOPED_TRACE(p);
        const Pass& x = passes[p - 1];
        EXPECT_EQ(x.species, p % 2 ? (Scores{38, 100, 0, 50}) : (Scores{36, 100, 0, 50}));
        EXPECT_EQ(x.releves, p % 2 ? (Scores{0, 50, 100}) : (Scores{0, 52, 100}));
        if (p >= 6) {
            EXPECT_EQ(x.Dsp, 2.0);
            EXPECT_EQ(x.Drel, 2.0);
        }
    }
    EXPECT_EQ(r.end, RecipEnd::Cycle);
    EXPECT_EQ(r.passes, 7);  // pass 7 repeats pass 5
    // Set 0 holds pass 6: species 36 100 0 50 -> positions 3 1 4 2.
    EXPECT_EQ(r.speciesScores, (Scores{0, 36, 100, 0, 50}));
    EXPECT_EQ(f.speciesOrder(), (Names{"c", "a", "d", "b"}));
    EXPECT_EQ(f.releveOrder(), (Names{"r1", "r2", "r3"}));
}

TEST(Recip, PassLimitEndsTheLoopAndSetZeroOrders) {
    Fixture f(chainSpecies, chainReleves);
    chain(f);
    RecipOptions o;
    o.passLimit = 3;
    RecipResult r = reciprocalAveraging(f.t, f.ui, o);
    EXPECT_EQ(r.end, RecipEnd::Limit);
    EXPECT_EQ(r.passes, 3);
    EXPECT_NE(r.speciesScores, r.newestSpeciesScores);  // set 0 is pass 2
    Names want;
    Scores s0(r.speciesScores.begin() + 1, r.speciesScores.end());
    for (int k : exchangeOrder(s0)) want.push_back(chainSpecies[k]);
    EXPECT_EQ(f.speciesOrder(), want);
}

TEST(Recip, InitialScoresRoundHalvesToEven) {
    EXPECT_EQ(initialSpeciesScores(9), (Scores{0, 12, 25, 38, 50, 62, 75, 88, 100}));
    EXPECT_EQ(initialSpeciesScores(2), (Scores{0, 100}));
    EXPECT_EQ(initialSpeciesScores(5), (Scores{0, 25, 50, 75, 100}));
}

TEST(Recip, ExchangeOrderIsNotStable) {
    struct Case {
        Scores scores;
        std::vector<int> order;  // 0-based positions, top to bottom
    } cases[] = {{{40, 40, 10}, {2, 1, 0}},
                 {{30, 10, 30, 10}, {1, 3, 2, 0}},
                 {{50, 20, 20}, {1, 2, 0}},
                 {{1, 2, 3}, {0, 1, 2}},
                 {{}, {}},
                 {{5}, {0}}};
    for (const auto& c : cases) EXPECT_EQ(exchangeOrder(c.scores), c.order);
}

// The exchange procedure as written: every later smaller score is exchanged in.
std::vector<int> literalExchangeOrder(Scores s) {
    std::vector<int> idx(s.size());
    std::iota(idx.begin(), idx.end(), 0);
    for (std::size_t a = 0; a + 1 < s.size(); ++a)
        for (std::size_t b = a + 1; b < s.size(); ++b)
            if (s[a] > s[b]) {
                std::swap(s[a], s[b]);
                std::swap(idx[a], idx[b]);
            }
    return idx;
}

TEST(Recip, ExchangeOrderMatchesTheLiteralProcedure) {
    std::mt19937 rng(7);
    auto randomScores = [&](std::size_t n, int values) {
        Scores s(n);
        std::uniform_int_distribution<int> d(0, values - 1);
        for (auto& v : s) v = static_cast<std::uint16_t>(d(rng) * 100 / std::max(values - 1, 1));
        return s;
    };
    std::vector<Scores> lists;
    for (int k = 0; k < 200; ++k) lists.push_back(randomScores(1 + k % 37, 2 + k % 101));
    const std::size_t big = 12000;
    lists.push_back(Scores(big, 50));         // all equal
    lists.push_back(randomScores(big, 2));    // two values
    lists.push_back(randomScores(big, 101));  // every score
    Scores sorted(big), reversed(big), sawtooth(big);
    for (std::size_t k = 0; k < big; ++k) {
        sorted[k] = static_cast<std::uint16_t>(k * 101 / big);
        reversed[k] = static_cast<std::uint16_t>(100 - sorted[k]);
        sawtooth[k] = static_cast<std::uint16_t>(100 - k % 101);
    }
    lists.push_back(sorted);
    lists.push_back(reversed);
    lists.push_back(sawtooth);
    for (const auto& s : lists) ASSERT_EQ(exchangeOrder(s), literalExchangeOrder(s)) << s.size();
}

TEST(Recip, EmptyTableRunsOnePassAndChangesNothing) {
    Fixture f({}, {});
    Snapshot before = snapshot(f.t);
    RecipResult r = reciprocalAveraging(f.t, f.ui);
    EXPECT_EQ(r.end, RecipEnd::Converged);
    EXPECT_EQ(r.passes, 1);
    EXPECT_EQ(snapshot(f.t), before);
}

// The message of the Error a refused ordering throws; empty when none was thrown.
std::string refusalOf(TableState& t, BatchUi& ui) {
    try {
        reciprocalAveraging(t, ui);
    } catch (const Error& e) {
        return e.what();
    }
    ADD_FAILURE() << "not refused";
    return "";
}

TEST(Recip, TablesThatCannotBeOrderedAreRefusedUntouched) {
    struct Case {
        const char* what;
        Names species, releves;
        std::vector<std::tuple<const char*, const char*, CoverCode>> codes;
        const char* cause;  // part of the message
    } cases[] = {
        {"one species", {"a"}, {"p", "q"}, {{"p", "a", 10}, {"q", "a", 20}}, "１つ"},
        {"species but no relevé", {"a", "b"}, {}, {}, "測定の列がありません"},
        {"relevés but no species", {}, {"p"}, {}, "種の行がありません"},
        {"an empty relevé",
         {"a", "b"},
         {"p", "q", "r"},
         {{"p", "a", 10}, {"r", "b", 10}},
         "列 5（通し番号 2）"},
        {"a relevé of '*' only",
         {"a", "b"},
         {"p", "q"},
         {{"p", "a", 10}, {"q", "b", 1}},
         "列 5（通し番号 2）"},
        {"a single relevé",
         {"a", "b"},
         {"p"},
         {{"p", "a", 10}, {"p", "b", 20}},
         "すべての測定の得点が等しく"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Fixture f(c.species, c.releves);
        for (const auto& [r, s, code] : c.codes) f.put(r, s, code);
        Snapshot before = snapshot(f.t);
        std::string message = refusalOf(f.t, f.ui);
        EXPECT_EQ(snapshot(f.t), before);
        EXPECT_EQ(message.rfind(sj("反復平均法で並び替えできません: "), 0), 0u) << toUtf8(message);
        EXPECT_NE(message.find(sj(c.cause)), std::string::npos) << toUtf8(message);
        EXPECT_TRUE(f.ui.messages.empty());
        EXPECT_FALSE(f.ui.panelShown);
        EXPECT_EQ(f.ui.busyDepth, 0);
        EXPECT_EQ(f.ui.progressBar2().position(), 0);
    }
}

TEST(Recip, AllSpeciesScoresEqualIsRefused) {
    // b in one relevé of its own (score 100) and in 50 of weight 8 beside a of
    // weight 56 (raw 12.5 -> 12, stretched 0): a scores 0, b 100/401 -> 0.
    Names releves;
    for (int j = 0; j <= 50; ++j) releves.push_back("r" + std::to_string(j));
    Fixture f({"a", "b"}, releves);
    f.put("r0", "b", 7);
    for (int j = 1; j <= 50; ++j) {
        std::string r = "r" + std::to_string(j);
        LayerCodes all5{50, 50, 50, 50, 50, 50, 50};
        int k = f.col(r);
        f.t.model.setCodes(f.t.model.releveSlotAt(k), f.t.model.speciesSlotAt(f.row("a")), all5);
        f.put(r, "b", 50);
    }
    Snapshot before = snapshot(f.t);
    std::string message = refusalOf(f.t, f.ui);
    EXPECT_EQ(snapshot(f.t), before);
    EXPECT_NE(message.find(sj("すべての種の得点が等しく")), std::string::npos) << toUtf8(message);
}

TEST(Recip, UnweightedSpeciesScoresZeroAndGoesToTheTop) {
    Fixture f({"M", "K", "O", "L", "N", "X"}, chainReleves);
    chain(f);
    f.put("S", "X", 1);  // "*": weight 0
    RecipResult r = reciprocalAveraging(f.t, f.ui);
    EXPECT_EQ(r.end, RecipEnd::Converged);
    EXPECT_EQ(r.speciesScores[6], 0);
    Names order = f.speciesOrder();
    EXPECT_TRUE(order[0] == "X" || order[1] == "X");  // beside K, the other 0
    EXPECT_EQ(Names(order.begin() + 2, order.end()), (Names{"L", "M", "N", "O"}));
}

}  // namespace
}  // namespace tamsel

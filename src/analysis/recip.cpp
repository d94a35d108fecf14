#include "analysis/recip.h"

#include <algorithm>
#include <bit>
#include <cfloat>
#include <cstdlib>
#include <cstring>
#include <numeric>
#include <string>
#include <tuple>
#include <unordered_map>
#include <utility>

#include "datafile/cover_codes.h"
#include "platform/error.h"
#include "text/sjis.h"

namespace tamsel {

namespace {

using Scores = std::vector<std::uint16_t>;

// Nearest integer to a / b (a >= 0, b > 0), an exact half to the even neighbour,
// as nearbyint gives it for the quotient in double: adding 2^52 leaves no bits
// for a fraction, so the addition itself rounds, without a branch on the
// fraction (it mispredicts on the scores' rounding) or a call into libm.
static_assert(FLT_EVAL_METHOD == 0, "doubles rounded to double after each operation");
std::uint16_t roundedQuotient(std::int64_t a, std::int64_t b) {
    const double q = static_cast<double>(a) / static_cast<double>(b);
    return static_cast<std::uint16_t>((q + 0x1p52) - 0x1p52);
}

// Stretches the scores to 0..100 in whole numbers; false when they are all equal.
// Every score lies in lo..hi, so each distinct quotient is computed once.
bool stretch(Scores& v, std::uint16_t lo, std::uint16_t hi) {
    if (v.empty()) return true;
    if (hi == lo) return false;
    std::vector<std::uint16_t> to(static_cast<std::size_t>(hi - lo) + 1);
    for (int d = 0; d <= hi - lo; ++d) to[d] = static_cast<std::uint16_t>((d * 100) / (hi - lo));
    for (auto& x : v) x = to[x - lo];
    return true;
}

// The nonzero weights of W (mostly zero) for one half-step of a pass, in runs by
// what they average into (a relevé, or a species): each run's entries are
// contiguous, the position each reads (16 bits while the positions fit) and its
// weight (1..56) in parallel arrays, so that a half-step is a gather into a
// register. Scattering the relevé runs into per-species sums instead stalls on
// the sums just written.
class Runs {
  public:
    Runs() = default;
    // each(f) calls f(run, position read, weight) for every entry.
    template <typename Each>
    Runs(int runs, int positions, Each&& each) {
        start_.assign(static_cast<std::size_t>(runs) + 1, 0);
        total_.assign(static_cast<std::size_t>(runs), 0);
        each([&](int run, int, int) { ++start_[static_cast<std::size_t>(run) + 1]; });
        std::partial_sum(start_.begin(), start_.end(), start_.begin());
        if (positions <= 0x10000)
            narrow_.resize(start_.back());
        else
            wide_.resize(start_.back());
        weight_.resize(start_.back());
        std::vector<std::size_t> next(start_.begin(), start_.end() - 1);
        each([&](int run, int position, int weight) {
            const std::size_t k = next[run]++;
            if (narrow_.empty())
                wide_[k] = static_cast<std::uint32_t>(position);
            else
                narrow_[k] = static_cast<std::uint16_t>(position);
            weight_[k] = static_cast<std::uint8_t>(weight);
            total_[run] += weight;
        });
    }

    // to[run] = the weighted mean of from over the run's entries, rounded (0 for
    // a run without weight). Returns the least and the greatest.
    std::pair<std::uint16_t, std::uint16_t> average(const Scores& from, Scores& to) const {
        return narrow_.empty() ? averageWith(wide_.data(), from, to)
                               : averageWith(narrow_.data(), from, to);
    }

  private:
    template <typename Position>
    std::pair<std::uint16_t, std::uint16_t> averageWith(const Position* position,
                                                        const Scores& from, Scores& to) const {
        std::uint16_t lo = 6000, hi = 0;
        const std::uint16_t* score = from.data();
        const std::uint8_t* weight = weight_.data();
        for (std::size_t run = 0; run + 1 < start_.size(); ++run) {
            std::int64_t a = 0;
            for (std::size_t k = start_[run], end = start_[run + 1]; k < end; ++k)
                a += std::int64_t{score[position[k]]} * weight[k];
            to[run] = total_[run] > 0 ? roundedQuotient(a, total_[run]) : 0;
            lo = std::min(lo, to[run]);
            hi = std::max(hi, to[run]);
        }
        return {lo, hi};
    }

    std::vector<std::size_t> start_;  // entries of run i: start_[i] .. start_[i + 1] - 1
    std::vector<std::uint16_t> narrow_;
    std::vector<std::uint32_t> wide_;
    std::vector<std::uint8_t> weight_;
    std::vector<std::int64_t> total_;
};

struct WeightMatrix {
    Runs byReleve, bySpecies;
};

// Thrown before anything has moved when the table cannot be ordered.
Error refusal(const std::string& why) {
    return Error(msg("反復平均法で並び替えできません: %1", why));
}

WeightMatrix readWeights(const TableState& t, ProgressBar& bar) {
    const int n = t.model.speciesCount(), m = t.model.releveCount();
    if (n >= (1 << 26)) throw Error(sj("種の行が多すぎて反復平均法で並び替えできません"));
    // As read: species position << 6 | weight, relevé by relevé.
    std::vector<std::uint32_t> entries;
    std::vector<std::size_t> start(static_cast<std::size_t>(m) + 1, 0);

    // Species slot -> position of the row carrying it.
    std::vector<std::int32_t> posOfSlot(static_cast<std::size_t>(t.model.codes().speciesSlots()),
                                        -1);
    const TableLayout layout(t.model.freqRow());
    for (int s = 0; s < n; ++s) {
        int row = layout.speciesRow(s + 1);
        std::int32_t slot = t.model.speciesSlotAt(row);
        if (slot < 1 || slot >= t.model.codes().speciesSlots() || posOfSlot[slot] >= 0)
            throw Error(msg("種の行 %1 のスロット番号 %2 が不正です（範囲外か重複）", row, slot));
        posOfSlot[slot] = s;
    }
    std::vector<bool> releveSlotUsed(static_cast<std::size_t>(t.model.codes().releveSlots()),
                                     false);
    // Sized once (every slot's entries, a bound): at a million relevés the
    // doubling moved hundreds of megabytes.
    std::size_t most = 0;
    for (int slot = 1; slot < t.model.codes().releveSlots(); ++slot)
        most += t.model.codes().releve(slot).size();
    entries.reserve(most);
    bar.setRange(0, m);
    for (int r = 0; r < m; ++r) {
        bar.setPosition(r + 1);
        int col = TableLayout::releveCol(r + 1);
        std::int32_t slot = t.model.releveSlotAt(col);
        if (slot < 1 || slot >= t.model.codes().releveSlots() || releveSlotUsed[slot])
            throw Error(msg("測定の列 %1 のスロット番号 %2 が不正です（範囲外か重複）", col, slot));
        releveSlotUsed[slot] = true;
        std::int64_t total = 0;
        for (const auto& [speciesSlot, codes] : t.model.codes().releve(slot)) {
            if (speciesSlot >= static_cast<std::int32_t>(posOfSlot.size())) continue;
            std::int32_t s = posOfSlot[speciesSlot];
            int weight = coverSumValue(2, codes);
            if (s < 0 || weight <= 0) continue;
            entries.push_back(static_cast<std::uint32_t>(s) << 6 |
                              static_cast<std::uint32_t>(weight));
            total += weight;
        }
        start[r + 1] = entries.size();
        if (total == 0) {
            std::string serial = trimControl(t.model.cell(col, TableLayout::SerialRow));
            throw refusal(
                msg("列 %1（通し番号 %2）の測定に、被度のある種がありません（空の列か、"
                    "「*」だけの列です）",
                    col, serial));
        }
    }
    auto each = [&](auto&& f) {
        for (int r = 0; r < m; ++r)
            for (std::size_t k = start[r]; k < start[r + 1]; ++k)
                f(r, static_cast<int>(entries[k] >> 6), static_cast<int>(entries[k] & 63));
    };
    return {Runs(m, n, each), Runs(n, m, [&](auto&& f) {
                each([&](int r, int s, int weight) { f(s, r, weight); });
            })};
}

// Four scores a step: the hash only picks the states to compare.
std::uint64_t hashState(const Scores& state) {
    std::uint64_t h = 1469598103934665603ULL;
    auto mix = [&h](std::uint64_t v) { h = (h ^ v) * 1099511628211ULL; };
    std::size_t k = 0;
    for (; k + 4 <= state.size(); k += 4) {
        std::uint64_t v;
        std::memcpy(&v, state.data() + k, sizeof v);
        mix(v);
    }
    for (; k < state.size(); ++k) mix(state[k]);
    return h;
}

// The exchange procedure (for each a, every later b with a smaller score is
// exchanged with a) as one pass per a: the scan from a carries the current value
// along its chain of strictly smaller scores, dropping each carried element where
// the next one is picked up. A min tree finds each next smaller score, and
// scores are whole numbers 0..100, so a chain has at most 101 links: O(m log m)
// instead of the procedure's m²/2 comparisons, with exactly its permutation.
class MinTree {
  public:
    // Sixteen children a node: five levels for 100,000 scores, each step a scan
    // of sixteen neighbouring scores instead of a chain of dependent loads.
    static constexpr std::size_t Fan = 16;

    explicit MinTree(const Scores& s) {
        std::vector<std::uint16_t> level(s.begin(), s.end());
        for (;;) {
            level.resize(std::max(Fan, (level.size() + Fan - 1) / Fan * Fan), NoScore);
            levels_.push_back(std::move(level));
            const std::vector<std::uint16_t>& below = levels_.back();
            if (below.size() == Fan) break;
            level.assign(below.size() / Fan, NoScore);
            for (std::size_t g = 0; g < level.size(); ++g)
                level[g] =
                    *std::min_element(below.begin() + g * Fan, below.begin() + (g + 1) * Fan);
        }
    }
    void set(std::size_t pos, std::uint16_t v) {
        levels_[0][pos] = v;
        // Above the first node whose minimum stays, nothing changes.
        for (std::size_t k = 1; k < levels_.size(); ++k) {
            const std::size_t g = pos / Fan;
            const std::uint16_t* first = levels_[k - 1].data() + g * Fan;
            const std::uint16_t m = *std::min_element(first, first + Fan);
            if (levels_[k][g] == m) break;
            levels_[k][g] = m;
            pos = g;
        }
    }
    // The first position >= from whose score is below v, or -1: climb while the
    // rest of each group holds nothing smaller, then go down to the first one.
    long firstBelow(std::size_t from, std::uint16_t v) const {
        std::size_t i = from, k = 0;
        for (;;) {
            const std::vector<std::uint16_t>& level = levels_[k];
            if (i >= level.size()) return -1;
            const std::size_t group = i / Fan * Fan;
            const unsigned hit = below(level.data() + group, v) >> (i - group);
            if (hit) {
                i += static_cast<std::size_t>(std::countr_zero(hit));
                break;
            }
            if (++k == levels_.size()) return -1;
            i = i / Fan + 1;
        }
        while (k > 0) {
            --k;
            i *= Fan;
            i += static_cast<std::size_t>(std::countr_zero(below(levels_[k].data() + i, v)));
        }
        return static_cast<long>(i);
    }

  private:
    static constexpr std::uint16_t NoScore = 0xFFFF;
    // Bit k set where group[k] < v; a loop without exits, so it vectorises.
    static unsigned below(const std::uint16_t* group, std::uint16_t v) {
        unsigned mask = 0;
        for (unsigned k = 0; k < Fan; ++k) mask |= static_cast<unsigned>(group[k] < v) << k;
        return mask;
    }
    std::vector<std::vector<std::uint16_t>> levels_;  // leaves first, padded to whole groups
};

template <typename Progress>
std::vector<int> exchangeOrderWith(Scores s, Progress&& progress) {
    const int n = static_cast<int>(s.size());
    std::vector<int> idx(static_cast<std::size_t>(n));
    std::iota(idx.begin(), idx.end(), 0);
    if (n < 2) return idx;
    MinTree tree(s);
    for (int a = 0; a + 1 < n; ++a) {
        progress(a + 1);
        std::uint16_t cur = s[a];
        int curIdx = idx[a];
        for (long b = tree.firstBelow(static_cast<std::size_t>(a) + 1, cur); b >= 0;
             b = tree.firstBelow(static_cast<std::size_t>(b) + 1, cur)) {
            std::swap(cur, s[b]);
            std::swap(curIdx, idx[b]);
            tree.set(static_cast<std::size_t>(b), s[b]);
        }
        s[a] = cur;
        idx[a] = curIdx;
    }
    return idx;
}

Scores oneBased(const Scores& v) {
    Scores out(v.size() + 1, 0);
    std::copy(v.begin(), v.end(), out.begin() + 1);
    return out;
}

// The position of ProgressBar2 goes back to 0 on every path.
struct BarReset {
    ProgressBar& bar;
    ~BarReset() { bar.setPosition(0); }
};

void run(TableState& t, Progress& progress, const RecipOptions& options, RecipResult& result);

}  // namespace

std::string recipReport(const RecipResult& r) {
    switch (r.end) {
        case RecipEnd::Converged:
            return msg("反復平均法: %1 回の反復で収束しました", r.passes);
        case RecipEnd::Cycle:
            return msg("反復平均法: %1 回の反復で同じ状態に戻ったため止めました", r.passes);
        case RecipEnd::Limit:
            break;
    }
    return msg("反復平均法: 上限の %1 回で止めました（収束していません）", r.passes);
}

const char* recipEndName(RecipEnd end) {
    switch (end) {
        case RecipEnd::Converged:
            return "converged";
        case RecipEnd::Cycle:
            return "cycle";
        case RecipEnd::Limit:
            return "limit";
    }
    return "limit";
}

std::vector<std::uint16_t> initialSpeciesScores(int n) {
    std::vector<std::uint16_t> v(static_cast<std::size_t>(std::max(n, 0)), 0);
    if (n < 2) return v;  // one species has no spread (the command refuses it)
    for (int s = 0; s < n; ++s) v[s] = roundedQuotient(std::int64_t{s} * 100, n - 1);
    return v;
}

std::vector<int> exchangeOrder(std::vector<std::uint16_t> scores) {
    return exchangeOrderWith(std::move(scores), [](int) {});
}

RecipResult reciprocalAveraging(TableState& t, Progress& progress, const RecipOptions& options) {
    RecipResult result;
    run(t, progress, options, result);
    return result;
}

namespace {

void run(TableState& t, Progress& progress, const RecipOptions& options, RecipResult& result) {
    const int n = t.model.speciesCount(), m = t.model.releveCount();
    MessagePanelScope panel(progress, sj("反復平均法準備中"));
    ProgressBar& bar = progress.progressBar2();
    BarReset barReset{bar};

    Scores ss[2], rs[2];
    {  // stages 1 and 2; W and the seen states go before the ordering
        if (n == 1) throw refusal(sj("種の行が１つしかありません"));
        if (n == 0 && m > 0) throw refusal(sj("表に種の行がありません"));
        if (m == 0 && n > 0) throw refusal(sj("表に測定の列がありません"));
        ss[0] = initialSpeciesScores(n);
        ss[1].assign(static_cast<std::size_t>(n), 0);
        rs[0].assign(static_cast<std::size_t>(m), 0);
        rs[1].assign(static_cast<std::size_t>(m), 0);
        WeightMatrix w = readWeights(t, bar);

        panel.relabel(sj("反復平均法計算中"));
        bar.setRange(0, 30);
        int oldSet = 1, newSet = 0;
        std::unordered_multimap<std::uint64_t, std::size_t> seen;
        std::vector<Scores> states;  // newest species and relevé scores of each pass
        for (;;) {
            oldSet = 1 - oldSet;
            newSet = 1 - newSet;
            ++result.passes;
            bar.setPosition(result.passes);

            Scores& rNew = rs[newSet];
            auto [lo, hi] = w.byReleve.average(ss[oldSet], rNew);
            if (!stretch(rNew, lo, hi))
                throw refusal(
                    msg("第 %1 回の計算で、すべての測定の得点が等しくなりました", result.passes));

            Scores& sNew = ss[newSet];
            std::tie(lo, hi) = w.bySpecies.average(rNew, sNew);
            if (!stretch(sNew, lo, hi))
                throw refusal(
                    msg("第 %1 回の計算で、すべての種の得点が等しくなりました", result.passes));

            // Whole numbers, summed exactly as integers.
            std::int64_t dsp = 0, drel = 0;
            for (int s = 0; s < n; ++s) dsp += std::abs(int{ss[oldSet][s]} - int{sNew[s]});
            for (int r = 0; r < m; ++r) drel += std::abs(int{rs[oldSet][r]} - int{rNew[r]});
            result.Dsp = static_cast<double>(dsp);
            result.Drel = static_cast<double>(drel);
            if (options.onPass)
                options.onPass({result.passes, sNew, rNew, result.Dsp, result.Drel});
            if (result.Dsp < 2.0 && result.Drel < 2.0) {
                result.end = RecipEnd::Converged;
                break;
            }
            // The newest scores alone decide every later pass: once they repeat,
            // the tests repeat too and will never succeed.
            Scores state = sNew;
            state.insert(state.end(), rNew.begin(), rNew.end());
            std::uint64_t h = hashState(state);
            bool cycle = false;
            auto [first, last] = seen.equal_range(h);
            for (auto it = first; it != last && !cycle; ++it) cycle = states[it->second] == state;
            if (cycle) {
                result.end = RecipEnd::Cycle;
                break;
            }
            if (result.passes >= options.passLimit) {
                result.end = RecipEnd::Limit;
                break;
            }
            seen.emplace(h, states.size());
            states.push_back(std::move(state));
        }
        result.newestSpeciesScores = oneBased(ss[newSet]);
        result.newestReleveScores = oneBased(rs[newSet]);
    }
    result.speciesScores = oneBased(ss[0]);
    result.releveScores = oneBased(rs[0]);

    // Both orders are found before either is applied. The running numbers and
    // serials move with their rows and columns.
    panel.relabel(sj("反復平均法並替－１"));
    bar.setRange(0, n);
    auto rowOrder = exchangeOrderWith(ss[0], [&bar](int a) { bar.setPosition(a); });

    panel.relabel(sj("反復平均法並替－２"));
    bar.setRange(0, m);
    auto colOrder = exchangeOrderWith(rs[0], [&bar](int a) { bar.setPosition(a); });
    t.model.permuteSpeciesRows(rowOrder);
    t.model.permuteReleveColumns(colOrder);
}

}  // namespace

}  // namespace tamsel

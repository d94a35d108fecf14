#include "analysis/synoptic.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <numeric>

#include "analysis/cover_matrix.h"
#include "analysis/sorting.h"
#include "io/csv.h"
#include "platform/error.h"
#include "table/frequency.h"
#include "text/sjis.h"

namespace tamsel {

std::vector<ReleveGroup> releveGroups(const std::vector<std::uint16_t>& numSp,
                                      std::int32_t releveCount) {
    std::vector<ReleveGroup> groups;
    const std::int32_t last =
        std::min<std::int32_t>(releveCount, static_cast<std::int32_t>(numSp.size()) - 1);
    for (std::int32_t j = 1; j <= last; ++j) {
        if (numSp[j] == 0) continue;
        if (groups.empty() || groups.back().last != j - 1)
            groups.push_back({j, j});
        else
            groups.back().last = j;
    }
    return groups;
}

namespace {

std::optional<double> parseNumber(const std::string& text) {
    const std::string s = trimControl(text);
    double v = 0;
    const char* end = s.data() + s.size();
    // from_chars takes no leading plus sign; a user may well type one.
    const char* begin = s.data() + (!s.empty() && s[0] == '+' ? 1 : 0);
    auto r = std::from_chars(begin, end, v);
    if (s.empty() || r.ec != std::errc() || r.ptr != end || !std::isfinite(v)) return std::nullopt;
    return v;
}

}  // namespace

SynopticOptions parseSynopticOptions(const std::string& threshold, const std::string& level) {
    SynopticOptions o;
    auto t = parseNumber(threshold);
    if (!t || *t < -100 || *t > 100)
        throw Error(msg("φの閾値は -100 から 100 までの数で指定してください: %1", threshold));
    o.threshold = *t;
    if (!trimControl(level).empty()) {
        auto p = parseNumber(level);
        if (!p || *p < 0 || *p > 1)
            throw Error(
                msg("Fisher検定の有意水準は 0 から 1 までの数で指定してください: %1", level));
        o.fisherLevel = *p;
    }
    return o;
}

int roundedPercent(std::uint32_t n, std::uint32_t total) {
    if (total == 0) return 0;
    // In integers, so that a half is exactly a half.
    const std::uint64_t q = 100ULL * n;
    std::uint64_t whole = q / total, rest = q % total;
    if (2 * rest > total || (2 * rest == total && whole % 2 == 1)) ++whole;
    return static_cast<int>(whole);
}

const char* constancyClass(std::uint32_t n, std::uint32_t total) {
    if (n == 0 || total == 0) return ".";
    const std::uint64_t p = 100ULL * n;
    const std::uint64_t N = total;
    if (p <= 20 * N) return "I";
    if (p <= 40 * N) return "II";
    if (p <= 60 * N) return "III";
    if (p <= 80 * N) return "IV";
    return "V";
}

double fidelityPhi(std::uint32_t ng, std::uint32_t groupSize, std::uint32_t n, std::uint32_t total,
                   std::uint32_t groups) {
    if (groups < 2 || groupSize == 0 || groupSize >= total) return 0;
    const double N = total, Ng = groupSize, K = groups;
    const double Np = N / K;
    const double np = ng * Np / Ng;
    const double nn = np + (static_cast<double>(n) - ng) * (N - Np) / (N - Ng);
    const double d = nn * Np * (N - nn) * (N - Np);
    if (!(d > 0)) return 0;
    const double phi = (N * np - nn * Np) / std::sqrt(d);
    return std::isfinite(phi) ? phi : 0;
}

int phiPercent(double phi) {
    return static_cast<int>(std::nearbyint(phi * 100));
}

double fisherUpperTail(std::uint32_t ng, std::uint32_t groupSize, std::uint32_t n,
                       std::uint32_t total) {
    if (n > total || groupSize > total) return 1;
    const std::uint32_t hi = std::min(n, groupSize);
    const std::uint32_t lo = n + groupSize > total ? n + groupSize - total : 0;
    if (ng > hi) return 0;
    if (ng <= lo) return 1;
    const double N = total, M = n, D = groupSize;
    auto logChoose = [](double a, double b) {
        return std::lgamma(a + 1) - std::lgamma(b + 1) - std::lgamma(a - b + 1);
    };
    // Terms from ng upwards by the ratio of neighbours, summed as a log-sum-exp
    // so that neither tiny nor huge terms lose the others. Past the mode the
    // terms fall; once they are 1e-17 of the largest the rest cannot count.
    const double mode = std::floor((D + 1) * (M + 1) / (N + 2));
    double logTerm = logChoose(M, ng) + logChoose(N - M, D - ng) - logChoose(N, D);
    double top = logTerm, sum = 1;
    for (std::uint32_t k = ng; k < hi; ++k) {
        const double kk = k;
        logTerm += std::log((M - kk) * (D - kk)) - std::log((kk + 1) * (N - M - D + kk + 1));
        if (logTerm > top) {
            sum = sum * std::exp(top - logTerm) + 1;
            top = logTerm;
        } else {
            sum += std::exp(logTerm - top);
        }
        if (kk > mode && logTerm < top - 40) break;
    }
    const double p = std::exp(top + std::log(sum));
    return std::isfinite(p) ? std::clamp(p, 0.0, 1.0) : 1;
}

std::vector<std::uint32_t> Synoptic::diagnosticCounts() const {
    std::vector<std::uint32_t> counts(groups.size(), 0);
    for (const SynopticRow& r : rows)
        if (r.diagnostic > 0) ++counts[r.diagnostic - 1];
    return counts;
}

namespace {

// A and B of every row: the cover sums per (row, group) in one pass over the
// cover entries of the grouped relevés.
void addIndicatorValues(const TableState& t, const std::vector<std::int32_t>& groupOf,
                        LayerMerge layers, Synoptic& s) {
    s.indval = true;
    const CoverMatrix c = coverMatrix(t, {t.model.freq(), t.model.numSp()}, layers);
    const std::size_t K = s.groups.size();
    // The matrix's species are the rows with a frequency above 0, as s.rows.
    if (c.rows.size() != s.rows.size()) throw Error(sj("出現頻度の表が組成表と合いません"));
    std::vector<double> sums(c.rows.size() * K, 0.0);
    for (std::size_t k = 0; k < c.cols.size(); ++k) {
        const std::int32_t g = groupOf[c.cols[k]];
        if (g < 0) continue;
        const TwinspanMatrix& m = c.cover;
        for (std::int64_t e = m.start[k]; e < m.start[k + 1]; ++e)
            sums[static_cast<std::size_t>(m.index[e]) * K + g] += m.value[e];
    }
    for (std::size_t u = 0; u < s.rows.size(); ++u) {
        SynopticRow& r = s.rows[u];
        r.indvalA.assign(K, 0.0);
        r.indvalB.assign(K, 0.0);
        double total = 0;
        for (std::size_t g = 0; g < K; ++g) {
            const double size = s.groups[g].size();
            r.indvalA[g] = sums[u * K + g] / size;
            r.indvalB[g] = r.present[g] / size;
            total += r.indvalA[g];
        }
        for (double& a : r.indvalA) a = total > 0 ? a / total : 0.0;
    }
}

}  // namespace

Synoptic computeSynoptic(const TableState& t, const SynopticOptions& options) {
    using L = TableLayout;
    Synoptic s;
    const std::int32_t nr = std::max(t.model.releveCount(), 0),
                       ns = std::max(t.model.speciesCount(), 0);
    if (t.model.numSp().size() <= static_cast<std::size_t>(nr) ||
        t.model.freq().size() <= static_cast<std::size_t>(ns))
        throw Error(sj("出現頻度の表が組成表より小さくなっています"));
    s.groups = releveGroups(t.model.numSp(), nr);
    const auto K = static_cast<std::uint32_t>(s.groups.size());
    // The group of each relevé column, -1 for the empty ones: then each row is one
    // pass over its cells, whatever the number of groups.
    std::vector<std::int32_t> groupOf(static_cast<std::size_t>(nr) + 1, -1);
    for (std::uint32_t g = 0; g < K; ++g) {
        s.total += s.groups[g].size();
        for (std::int32_t j = s.groups[g].first; j <= s.groups[g].last; ++j) groupOf[j] = g;
    }
    // Each species' presences per group, in one pass over the cells shown.
    std::vector<std::uint32_t> present(static_cast<std::size_t>(ns + 1) * K, 0);
    t.model.forEachSpeciesCell([&](std::int32_t j, std::int32_t i) {
        if (groupOf[static_cast<std::size_t>(j)] >= 0)
            ++present[static_cast<std::size_t>(i) * K + static_cast<std::size_t>(groupOf[j])];
    });
    const TableLayout layout(t.model.freqRow());
    for (std::int32_t i = 1; i <= ns; ++i) {
        if (t.model.freq()[i] == 0) continue;
        SynopticRow r;
        r.row = i;
        const int row = layout.speciesRow(i);
        r.name = trimControl(t.model.cell(L::NameCol, row));
        const auto first = present.begin() + static_cast<std::ptrdiff_t>(i) * K;
        r.present.assign(first, first + K);
        r.n = std::accumulate(r.present.begin(), r.present.end(), 0U);
        r.constancy.resize(K);
        r.phi.resize(K);
        int best = 0;
        for (std::uint32_t g = 0; g < K; ++g) {
            const std::uint32_t Ng = s.groups[g].size();
            r.constancy[g] = roundedPercent(r.present[g], Ng);
            r.phi[g] = phiPercent(fidelityPhi(r.present[g], Ng, r.n, s.total, K));
            if (r.phi[g] > r.phi[best]) best = static_cast<int>(g);
        }
        if (K >= 2 && r.phi[best] >= options.threshold &&
            (!options.fisherLevel || fisherUpperTail(r.present[best], s.groups[best].size(), r.n,
                                                     s.total) < *options.fisherLevel))
            r.diagnostic = best + 1;
        s.rows.push_back(std::move(r));
    }
    if (options.indval) addIndicatorValues(t, groupOf, options.layers, s);
    return s;
}

std::vector<int> fidelityOrder(const TableState& t, const Synoptic& s) {
    const std::int32_t ns = std::max(t.model.speciesCount(), 0);
    // Position -> its synoptic row, for the diagnostic blocks.
    std::vector<const SynopticRow*> rowOf(static_cast<std::size_t>(ns) + 1, nullptr);
    for (const SynopticRow& r : s.rows) rowOf[r.row] = &r;
    // (block, key 1, key 2): block g for group g's diagnostic species, K + 1 for
    // the other species, K + 2 for rows of frequency 0; smaller keys first.
    struct Key {
        std::uint32_t block;
        int k1, k2;
    };
    const auto K = static_cast<std::uint32_t>(s.groups.size());
    std::vector<Key> keys(static_cast<std::size_t>(ns));
    for (std::int32_t i = 1; i <= ns; ++i) {
        const SynopticRow* r = rowOf[i];
        Key& k = keys[i - 1];
        if (r && r->diagnostic > 0)
            k = {static_cast<std::uint32_t>(r->diagnostic), -r->phi[r->diagnostic - 1],
                 -r->constancy[r->diagnostic - 1]};
        else if (t.model.freq()[i] > 0)
            k = {K + 1, -static_cast<int>(t.model.freq()[i]), 0};
        else
            k = {K + 2, 0, 0};
    }
    std::vector<int> order(static_cast<std::size_t>(ns));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const Key &x = keys[a], &y = keys[b];
        if (x.block != y.block) return x.block < y.block;
        if (x.k1 != y.k1) return x.k1 < y.k1;
        return x.k2 < y.k2;
    });
    return order;
}

namespace {

void appendInt(std::string& line, long long v) {
    char buf[24];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    line.append(buf, r.ptr);
}

// x 100 with one decimal.
void appendHundredfold(std::string& line, double v) {
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, v * 100, std::chars_format::fixed, 1);
    line.append(buf, r.ptr);
}

}  // namespace

void writeSynopticCsv(ByteSink& out, const Synoptic& s) {
    const std::size_t K = s.groups.size();
    std::string line = sj("種名");
    auto block = [&](const std::string& head) {
        for (std::size_t g = 1; g <= K; ++g) ((line += ',') += head) += std::to_string(g);
    };
    block(sj("常在度"));
    block(sj("φ"));
    line += sj(",識別群");
    if (s.indval)
        for (const char* head : {"A", "B", "IndVal", "IndVal.g"}) block(head);
    line += "\r\n";
    line += sj("測定数");
    for (const ReleveGroup& g : s.groups) {
        line += ',';
        appendInt(line, g.size());
    }
    line.append(K + 1 + (s.indval ? 4 * K : 0), ',');
    line += "\r\n";
    out.write(line);
    StringSink name;
    for (const SynopticRow& r : s.rows) {
        name.text.clear();
        writeCsvField(name, r.name);
        line = name.text;
        for (int c : r.constancy) (line += ',', appendInt(line, c));
        for (int p : r.phi) (line += ',', appendInt(line, p));
        line += ',';
        if (r.diagnostic > 0) appendInt(line, r.diagnostic);
        if (s.indval) {
            for (double a : r.indvalA) (line += ',', appendHundredfold(line, a));
            for (double b : r.indvalB) (line += ',', appendHundredfold(line, b));
            for (std::size_t g = 0; g < K; ++g)
                (line += ',', appendHundredfold(line, r.indvalA[g] * r.indvalB[g]));
            for (std::size_t g = 0; g < K; ++g)
                (line += ',', appendHundredfold(line, std::sqrt(r.indvalA[g] * r.indvalB[g])));
        }
        line += "\r\n";
        out.write(line);
    }
}

std::string synopticSummary(const Synoptic& s) {
    std::string text = msg("%1 群", s.groups.size());
    const std::vector<std::uint32_t> counts = s.diagnosticCounts();
    for (std::size_t g = 0; g < counts.size(); ++g) {
        text += g == 0 ? sj("　識別種 ") : sj("、");
        text += msg("群%1: %2 種", g + 1, counts[g]);
    }
    return text;
}

void requireReleves(const TableState& t) {
    // The first species cell shown settles it: a whole count of a large table
    // is a third of the command, and the recount after the dialog does it.
    bool found = false;
    t.model.forEachSpeciesCell([&](std::int32_t, std::int32_t) {
        found = true;
        return false;
    });
    if (!found) throw Error(sj("群に分ける測定がありません"));
}

Synoptic synopticOfTable(TableState& t, Progress& progress, const SynopticOptions& options) {
    recount(t, progress);
    Synoptic s = computeSynoptic(t, options);
    if (s.total == 0) throw Error(sj("群に分ける測定がありません"));
    return s;
}

void sortByFidelity(TableState& t, Progress& progress, const SynopticOptions& options) {
    Synoptic s = synopticOfTable(t, progress, options);
    {
        MessagePanelScope panel(progress, sj("植物を並べ替えています"));
        reorderSpeciesRows(t, fidelityOrder(t, s));
    }
    progress.message(synopticSummary(s));
}

}  // namespace tamsel

#include "analysis/optimclass.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <map>
#include <tuple>

#include "analysis/cover_matrix.h"
#include "analysis/synoptic.h"
#include "io/safe_file.h"
#include "platform/error.h"
#include "table/frequency.h"
#include "table/table_layout.h"
#include "text/sjis.h"

namespace tamsel {

namespace {

std::optional<double> number(const std::string& text) {
    const std::string s = trimControl(text);
    double v = 0;
    auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    if (s.empty() || r.ec != std::errc() || r.ptr != s.data() + s.size() || !std::isfinite(v))
        return std::nullopt;
    return v;
}

int depthOf(std::uint64_t c) {
    int d = 0;
    while (c > 1) c >>= 1, ++d;
    return d;
}

}  // namespace

std::string shortNumber(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g", v);
    return buf;
}

OptimClassOptions parseOptimClassOptions(const std::string& maxGroups, const std::string& p,
                                         const std::string& minFaithful) {
    OptimClassOptions o;
    auto k = number(maxGroups);
    if (!k || *k != std::floor(*k) || *k < 2 || *k > 1000)
        throw Error(msg("群の数の上限は 2 から 1000 までの整数で指定してください: %1", maxGroups));
    o.maxGroups = static_cast<int>(*k);
    auto level = number(p);
    if (!level || *level < 0 || *level > 1)
        throw Error(msg("Fisher検定の有意水準は 0 から 1 までの数で指定してください: %1", p));
    o.p = *level;
    auto n = number(minFaithful);
    if (!n || *n != std::floor(*n) || *n < 0 || *n > 1e9)
        throw Error(msg("忠実種の最小数は 0 以上の整数で指定してください: %1", minFaithful));
    o.minFaithful = static_cast<int>(*n);
    return o;
}

FaithfulCount countFaithful(const TwinspanMatrix& presence,
                            const std::vector<std::int32_t>& groupOf, int groups, double p,
                            int minFaithful) {
    const auto G = static_cast<std::size_t>(std::max(groups, 0));
    const auto S = static_cast<std::size_t>(presence.species);
    std::vector<std::uint32_t> size(G, 0), inGroup(S * G, 0), n(S, 0);
    std::uint32_t total = 0;
    for (std::int32_t r = 0; r < presence.releves(); ++r) {
        const std::int32_t g = groupOf[r];
        if (g < 0) continue;
        ++size[g];
        ++total;
        for (std::int64_t e = presence.start[r]; e < presence.start[r + 1]; ++e) {
            ++inGroup[static_cast<std::size_t>(presence.index[e]) * G + g];
            ++n[presence.index[e]];
        }
    }
    // P exactly at the level counts: the tail is summed in floating point, and a
    // P that is the level in exact arithmetic must not fall out by a rounding.
    const double level = p * (1 + 1e-9);
    FaithfulCount count;
    std::vector<std::uint32_t> perGroup(G, 0);
    for (std::size_t s = 0; s < S; ++s) {
        bool faithful = false;
        for (std::size_t g = 0; g < G; ++g) {
            const std::uint32_t ng = inGroup[s * G + g];
            if (ng == 0) continue;
            // At least one below the expectation the tail is above one half (the
            // median lies within one of the mean): no test needed for a level below it.
            if (p < 0.5 &&
                (static_cast<double>(ng) + 1) * total <= static_cast<double>(n[s]) * size[g])
                continue;
            if (fisherUpperTail(ng, size[g], n[s], total) <= level) {
                faithful = true;
                ++perGroup[g];
            }
        }
        if (faithful) ++count.faithful;
    }
    for (std::uint32_t f : perGroup)
        if (static_cast<int>(f) >= minFaithful) ++count.groupsWithMin;
    return count;
}

int OptimClassRun::best() const {
    int b = -1;
    for (std::size_t k = 0; k < points.size(); ++k)
        if (b < 0 || points[k].count.faithful > points[b].count.faithful ||
            (points[k].count.faithful == points[b].count.faithful &&
             points[k].groups < points[b].groups))
            b = static_cast<int>(k);
    return b;
}

OptimClassRun optimClass(const TwinspanMatrix& data, const TwinspanOptions& twinspanOptions,
                         const OptimClassOptions& o, const TwinspanProgress& progress) {
    // Classic first: it tells which relevés can be classified at all, and so
    // how many clusters the modified form can make.
    TwinspanOptions classic = twinspanOptions;
    classic.clusters = 0;
    const auto part = [&](double from, double to) -> TwinspanProgress {
        if (!progress) return {};
        return [&progress, from, to](double done) { return progress(from + (to - from) * done); };
    };
    const TwinspanResult c = twinspan(data, classic, part(0, 0.3));
    const std::int32_t R = data.releves();
    int classified = 0, depth = 0;
    for (std::uint64_t cls : c.releveClass)
        if (cls != 0) ++classified, depth = std::max(depth, depthOf(cls));

    OptimClassRun run;
    std::vector<std::int32_t> groupOf(static_cast<std::size_t>(R));
    // Each relevé's group: the index of its final class's ancestor among leaves.
    auto partition = [&](const std::vector<std::uint64_t>& finalClass,
                         const std::map<std::uint64_t, int>& leaves) {
        for (std::int32_t r = 0; r < R; ++r) {
            groupOf[r] = -1;
            for (std::uint64_t a = finalClass[r]; a >= 1; a >>= 1)
                if (auto it = leaves.find(a); it != leaves.end()) {
                    groupOf[r] = it->second;
                    break;
                }
        }
    };
    auto leafMap = [](const auto& classes) {
        std::map<std::uint64_t, int> m;
        for (std::uint64_t cls : classes) m.emplace(cls, 0);
        int k = 0;
        for (auto& [cls, index] : m) index = k++;
        return m;
    };

    // Modified TWINSPAN divides one cluster at a time, and which one depends only
    // on the clusters there are: the run to K clusters passes through the
    // partitions into 2 .. K - 1 on its way.
    const int K = std::min(o.maxGroups, classified);
    std::vector<OptimClassPoint> modifiedPoints;
    if (K >= 2) {
        TwinspanOptions mo = twinspanOptions;
        mo.clusters = K;
        const TwinspanResult m = twinspan(data, mo, part(0.3, 0.9));
        std::vector<std::uint64_t> leaves{1};
        for (const TwinspanDivision& dv : m.divisions) {
            if (!dv.divided) continue;
            std::erase(leaves, dv.cls);
            leaves.push_back(2 * dv.cls);
            leaves.push_back(2 * dv.cls + 1);
            partition(m.releveClass, leafMap(leaves));
            const int G = static_cast<int>(leaves.size());
            run.points.push_back(
                {false, 0, G, countFaithful(data, groupOf, G, o.p, o.minFaithful)});
        }
    }
    for (int level = 1; level <= depth; ++level) {
        std::vector<std::uint64_t> at;
        for (std::uint64_t cls : c.releveClass)
            if (cls != 0) at.push_back(cls >> std::max(0, depthOf(cls) - level));
        const auto leaves = leafMap(at);
        partition(c.releveClass, leaves);
        const int G = static_cast<int>(leaves.size());
        run.points.push_back({true, level, G, countFaithful(data, groupOf, G, o.p, o.minFaithful)});
    }
    if (progress && !progress(1.0)) throw TwinspanCancelled{};
    return run;
}

void writeOptimClassCsv(ByteSink& out, const OptimClassRun& run) {
    std::string text = "method,groups,faithful,groups_with_min\r\n";
    for (const OptimClassPoint& p : run.points)
        text += std::string(p.classic ? "classic" : "modified") + ',' + std::to_string(p.groups) +
                ',' + std::to_string(p.count.faithful) + ',' +
                std::to_string(p.count.groupsWithMin) + "\r\n";
    out.write(text);
}

std::optional<OptimClassRun> optimClassOfTable(const TableState& t, Progress& progress,
                                               const TwinspanOptions& twinspan,
                                               const OptimClassOptions& o) {
    checkTwinspanOptions(twinspan);
    const CoverMatrix m = coverMatrix(t, countPresences(t.model), twinspan.layers);
    MessagePanelScope panel(progress, sj("OptimClass: 群の数を比べています"));
    progress.offerCancel();
    ProgressBar& bar = progress.progressBar2();
    bar.setRange(0, 1000);
    try {
        return optimClass(m.cover, twinspan, o, [&](double done) {
            bar.setPosition(static_cast<int>(done * 1000));
            return !progress.cancelRequested();
        });
    } catch (const TwinspanCancelled&) {
        return std::nullopt;
    }
}

std::optional<TwinspanTableRun> arrangeByPoint(TableState& t, Progress& progress,
                                               TwinspanOptions twinspan,
                                               const OptimClassPoint& point) {
    if (point.classic) {
        twinspan.clusters = 0;
        twinspan.levels = point.level;
    } else {
        twinspan.clusters = point.groups;
    }
    return classifyTable(t, progress, twinspan);
}

}  // namespace tamsel

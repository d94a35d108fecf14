#include "analysis/twinspan.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <map>
#include <numeric>

#include "platform/error.h"
#include "text/sjis.h"

namespace tamsel {

void TwinspanMatrix::addReleve(std::vector<std::pair<std::int32_t, double>> entries) {
    std::sort(entries.begin(), entries.end());
    for (const auto& [s, v] : entries) {
        if (!(v > 0)) continue;
        if (s < 0 || s >= species) throw Error(sj("種の番号が範囲の外です"));
        index.push_back(s);
        value.push_back(v);
    }
    start.push_back(static_cast<std::int64_t>(index.size()));
}

void checkTwinspanOptions(const TwinspanOptions& o) {
    if (o.cuts.empty() || o.cuts.size() > 9)
        throw Error(sj("カットレベルは 1 個から 9 個までで指定してください"));
    for (std::size_t k = 0; k < o.cuts.size(); ++k) {
        if (!std::isfinite(o.cuts[k]) || o.cuts[k] < 0)
            throw Error(sj("カットレベルに負の数や数でないものがあります"));
        if (k > 0 && !(o.cuts[k] > o.cuts[k - 1]))
            throw Error(sj("カットレベルは小さい順に、同じ値を重ねずに指定してください"));
    }
    if (o.maxIndicators < 0 || o.maxIndicators > 15)
        throw Error(sj("指標種の数は 0 から 15 までで指定してください"));
    if (o.groupMin < 0) throw Error(sj("分割する群の最小の大きさに負の数は指定できません"));
    if (o.levels < 1 || o.levels > 15)
        throw Error(sj("分割の段数は 1 から 15 までで指定してください"));
    if (o.clusters < 0) throw Error(sj("群の数に負の数は指定できません"));
    if (!o.levelWeights.empty() && o.levelWeights.size() != o.cuts.size())
        throw Error(sj("レベルの重みの数がカットレベルの数と合いません"));
    for (double w : o.levelWeights)
        if (!std::isfinite(w) || w <= 0) throw Error(sj("レベルの重みは正の数で指定してください"));
}

std::vector<std::pair<std::uint64_t, std::vector<std::int32_t>>> TwinspanResult::groups() const {
    std::vector<std::pair<std::uint64_t, std::vector<std::int32_t>>> out;
    for (std::int32_t r : releveOrder) {
        std::uint64_t c = releveClass[static_cast<std::size_t>(r)];
        if (c == 0) continue;
        if (out.empty() || out.back().first != c) out.push_back({c, {}});
        out.back().second.push_back(r);
    }
    return out;
}

namespace {

// Hill's constants.
constexpr double Feeble = 0.1;   // weakest indicator value taken
constexpr double FrqLim = 0.2;   // rarer pseudospecies are down-weighted
constexpr double Tol = 5e-6;     // residual that ends the ordination
constexpr double TTol = 1e-5;    // smallest eigenvalue of a real axis
constexpr double RatLim = 3.0;   // preference ratio counted as full
constexpr double Precis = 1e-7;  // slack of the indicator comparison
constexpr double CwtMin = 0.01;  // weight left to the rarest pseudospecies
constexpr double CrLong = 0.2;   // half-width of the borderline zone, share of the axis
constexpr double CrCut = 0.2;    // the same for the refinement
constexpr int ZoneOut = 4;       // zones on each side outside the borderline
constexpr int ZoneCrit = 8;      // zones inside it
constexpr int Zones = ZoneCrit + 2 * ZoneOut;
constexpr int ZoneInd = 4;    // width of the indicator borderline, in zones
constexpr int MaxDepth = 62;  // class numbers stay within 64 bits

using Vec = std::vector<double>;

// Items (relevés, or species in the species classification) by attributes
// (pseudospecies, or relevé-class fidelity levels), with Hill's weights.
struct Incidence {
    std::vector<std::int64_t> start{0};
    std::vector<std::int32_t> attr;
    Vec itemWeight, attrWeight;
    std::vector<std::int32_t> attrSpecies;  // the attribute standing for its whole species
    std::vector<int> attrLevel;             // 0-based
    std::int32_t items() const { return static_cast<std::int32_t>(start.size()) - 1; }
    std::int32_t attributes() const { return static_cast<std::int32_t>(attrWeight.size()); }
};

bool inSubtree(std::uint64_t c, std::uint64_t root) {
    if (c == 0 || root == 0) return false;
    while (c > root) c >>= 1;
    return c == root;
}

int depthOf(std::uint64_t c) {
    return std::bit_width(c) - 1;
}

// Class numbers in the order of the tree: the path left-justified.
std::uint64_t pathKey(std::uint64_t c) {
    return c << (63 - depthOf(c));
}

// One class's part of the incidence with its attributes numbered locally, in
// the order of their global numbers.
struct Local {
    std::vector<std::int32_t> items;
    std::vector<std::int64_t> start{0};
    std::vector<std::int32_t> col;
    std::vector<std::int32_t> attrs;
    std::int32_t m() const { return static_cast<std::int32_t>(items.size()); }
    std::int32_t n() const { return static_cast<std::int32_t>(attrs.size()); }
};

// y_j = colW_j * sum over items i holding j of rowW_i x_i
void xyMult(const Local& a, const Vec& x, const Vec& rowW, const Vec& colW, Vec& y) {
    y.assign(static_cast<std::size_t>(a.n()), 0.0);
    for (std::int32_t i = 0; i < a.m(); ++i) {
        const double ax = x[i] * rowW[i];
        for (std::int64_t e = a.start[i]; e < a.start[i + 1]; ++e) y[a.col[e]] += ax;
    }
    for (std::int32_t j = 0; j < a.n(); ++j) y[j] *= colW[j];
}

// x_i = rowW_i * sum over attributes j of i of colW_j y_j
void yxMult(const Local& a, const Vec& y, const Vec& rowW, const Vec& colW, Vec& x) {
    x.resize(static_cast<std::size_t>(a.m()));
    for (std::int32_t i = 0; i < a.m(); ++i) {
        double s = 0;
        for (std::int64_t e = a.start[i]; e < a.start[i + 1]; ++e)
            s += y[a.col[e]] * colW[a.col[e]];
        x[i] = s * rowW[i];
    }
}

std::pair<double, double> maxMin(const Vec& x) {
    double mx = -1e10, mn = 1e10;
    for (double v : x) {
        mx = std::max(mx, v);
        mn = std::min(mn, v);
    }
    return {mx, mn};
}

// Reciprocal averaging's transition matrix on a class's incidence, with the
// row totals and their sum that its vectors are centred and measured by.
struct Transition {
    Transition(const Local& a, const Vec& rowW, const Vec& colW);
    // The product of a vector with the matrix, before the division by the row
    // totals: two passes over the entries, the column factors folded into one
    // (the sweeps are nearly all of the time).
    void apply(const Vec& v, Vec& out);
    // A vector's length, weighted by the row totals.
    double norm(const Vec& v) const;

    const Local& a;
    const Vec& rowW;
    Vec rtot, factor, y;
    double tot = 0;
};

Transition::Transition(const Local& a_, const Vec& rowW_, const Vec& colW) : a(a_), rowW(rowW_) {
    const std::int32_t m = a.m(), n = a.n();
    Vec ctot;
    xyMult(a, Vec(m, 1.0), rowW, colW, ctot);
    yxMult(a, Vec(n, 1.0), rowW, colW, rtot);
    for (double c : ctot) tot += c;
    factor.resize(static_cast<std::size_t>(n));
    for (std::int32_t j = 0; j < n; ++j) factor[j] = colW[j] * colW[j] / ctot[j];
}

void Transition::apply(const Vec& v, Vec& out) {
    const std::int32_t m = a.m(), n = a.n();
    y.assign(static_cast<std::size_t>(n), 0.0);
    for (std::int32_t i = 0; i < m; ++i) {
        const double ax = v[i] * rowW[i];
        for (std::int64_t e = a.start[i]; e < a.start[i + 1]; ++e) y[a.col[e]] += ax;
    }
    for (std::int32_t j = 0; j < n; ++j) y[j] *= factor[j];
    out.resize(static_cast<std::size_t>(m));
    for (std::int32_t i = 0; i < m; ++i) {
        double sum = 0;
        for (std::int64_t e = a.start[i]; e < a.start[i + 1]; ++e) sum += y[a.col[e]];
        out[i] = sum * rowW[i];
    }
}

double Transition::norm(const Vec& v) const {
    double s = 0;
    for (std::int32_t i = 0; i < a.m(); ++i) s += v[i] * v[i] * rtot[i];
    return std::sqrt(s);
}

// The 4 x 4 tridiagonal matrix of one block step: the diagonal t11 .. t44 and
// the band beside it t12, t23, t34.
struct Tridiagonal {
    double t11 = 0, t12 = 0, t22 = 0, t23 = 0, t33 = 0, t34 = 0, t44 = 0;
};

// The block's third and fourth vectors, each the product of the one before less
// its mean and its projections, while the diagonal stays at TTol or above; the
// matrix's entries from t22 on.
void furtherVectors(Transition& tr, const Vec& x, const Vec& v2, Vec& v3, Vec& v4, Vec& u,
                    Tridiagonal& t) {
    const std::int32_t m = tr.a.m();
    const Vec& rtot = tr.rtot;
    const double tot = tr.tot;
    auto& [t11, t12, t22, t23, t33, t34, t44] = t;
    tr.apply(v2, u);
    double sum = 0;
    double b13 = 0;
    for (std::int32_t i = 0; i < m; ++i) {
        sum += u[i];
        t22 += u[i] * v2[i];
        b13 += u[i] * x[i];
    }
    if (t22 >= TTol) {
        for (std::int32_t i = 0; i < m; ++i)
            v3[i] = u[i] / rtot[i] - sum / tot - t22 * v2[i] - b13 * x[i];
        t23 = tr.norm(v3);
        for (double& v : v3) v /= t23;
        tr.apply(v3, u);
        sum = 0;
        double b14 = 0, b24 = 0;
        for (std::int32_t i = 0; i < m; ++i) {
            sum += u[i];
            t33 += u[i] * v3[i];
            b14 += u[i] * x[i];
            b24 += u[i] * v2[i];
        }
        if (t33 >= TTol) {
            for (std::int32_t i = 0; i < m; ++i)
                v4[i] = u[i] / rtot[i] - (sum / tot + t33 * v3[i] + b14 * x[i] + b24 * v2[i]);
            t34 = tr.norm(v4);
            for (double& v : v4) v /= t34;
            tr.apply(v4, u);
            for (std::int32_t i = 0; i < m; ++i) t44 += v4[i] * u[i];
        }
    }
}

// Leading eigenvector of the tridiagonal matrix, by squared powers, from c.
void leadingVector(const Tridiagonal& t, double (&c)[4]) {
    const auto& [t11, t12, t22, t23, t33, t34, t44] = t;
    double d[4];
    for (int it = 1; it <= 100; ++it) {
        d[0] = t11 * c[0] + t12 * c[1];
        d[1] = t12 * c[0] + t22 * c[1] + t23 * c[2];
        d[2] = t23 * c[1] + t33 * c[2] + t34 * c[3];
        d[3] = t34 * c[2] + t44 * c[3];
        c[0] = t11 * d[0] + t12 * d[1];
        c[1] = t12 * d[0] + t22 * d[1] + t23 * d[2];
        c[2] = t23 * d[1] + t33 * d[2] + t34 * d[3];
        c[3] = t34 * d[2] + t44 * d[3];
        const double ex = std::sqrt(c[0] * c[0] + c[1] * c[1] + c[2] * c[2] + c[3] * c[3]);
        for (double& v : c) v /= ex;
        if (it % 5 != 0) continue;
        const double r = std::sqrt(ex);
        double res = 0;
        for (int k = 0; k < 4; ++k) res += (c[k] - d[k] / r) * (c[k] - d[k] / r);
        if (std::sqrt(res) < Tol * 0.05) break;
    }
}

// The first non-trivial axis of reciprocal averaging, by Hill's block iteration:
// three further Krylov vectors orthogonalised against the trial vector, the
// 4 x 4 tridiagonal problem solved by powers, the trial vector replaced by its
// leading vector, until the residual is below Tol. x is the axis, scaled to
// unit weighted length; false when the matrix has no axis (eigenvalue <= TTol).
bool firstAxis(const Local& a, const Vec& rowW, const Vec& colW, Vec& x, double& eig) {
    const std::int32_t m = a.m();
    Transition tr(a, rowW, colW);
    const Vec& rtot = tr.rtot;
    const double tot = tr.tot;
    x.resize(static_cast<std::size_t>(m));
    for (std::int32_t i = 0; i < m; ++i) x[i] = i + 1;
    x[0] = 1.1;  // irregular, against coincidences
    Vec v2(m), v3(m), v4(m), u;
    eig = 0;
    for (int count = 0;; ++count) {
        double mean = 0;
        for (std::int32_t i = 0; i < m; ++i) mean += x[i] * rtot[i];
        mean /= tot;
        for (double& v : x) v -= mean;
        const double len = tr.norm(x);
        if (!(len > 0)) return false;
        for (double& v : x) v /= len;

        // Each new vector: the product, less its mean and its projections.
        Tridiagonal t;
        auto& [t11, t12, t22, t23, t33, t34, t44] = t;
        tr.apply(x, u);
        double sum = 0;
        for (std::int32_t i = 0; i < m; ++i) {
            sum += u[i];
            t11 += u[i] * x[i];
        }
        eig = t11;
        if (!(t11 > TTol)) return false;
        for (std::int32_t i = 0; i < m; ++i) v2[i] = u[i] / rtot[i] - sum / tot - t11 * x[i];
        t12 = tr.norm(v2);
        if (t12 < Tol || count > 999) return true;
        for (double& v : v2) v /= t12;

        furtherVectors(tr, x, v2, v3, v4, u, t);
        double c[4] = {1.0, 0.1, 0.01, 0.001};
        leadingVector(t, c);
        for (std::int32_t i = 0; i < m; ++i)
            x[i] = c[0] * x[i] + c[1] * v2[i] + c[2] * v3[i] + c[3] * v4[i];
    }
}

// Weighted presence of each attribute on the two sides of a cut: items are
// scored -1 .. 1 by their place between cut1 and cut2.
struct SideScores {
    Vec neg, pos;
    double negTotal = 0, posTotal = 0;
};

SideScores sideScores(const Local& a, const Vec& x, const Vec& rowW, double cut1, double cut2) {
    SideScores s;
    s.neg.assign(static_cast<std::size_t>(a.n()), 0.0);
    s.pos.assign(static_cast<std::size_t>(a.n()), 0.0);
    const double mid = (cut1 + cut2) / 2.0;
    const double half = (cut2 - cut1) / 2.0 + 1e-10;
    for (std::int32_t i = 0; i < a.m(); ++i) {
        double ax = std::clamp((x[i] - mid) / half, -1.0, 1.0) * rowW[i];
        if (ax > 0) {
            s.posTotal += ax;
            for (std::int64_t e = a.start[i]; e < a.start[i + 1]; ++e) s.pos[a.col[e]] += ax;
        } else {
            s.negTotal -= ax;
            for (std::int64_t e = a.start[i]; e < a.start[i + 1]; ++e) s.neg[a.col[e]] -= ax;
        }
    }
    return s;
}

// Hill's refinement: an additive score of the preferential attributes plus the
// mean preference of each item's attributes.
void refine(const Local& a, Vec& x, const Vec& rowW, const Vec& baseW) {
    const auto [mx, mn] = maxMin(x);
    const double mid = (mx + mn) * 0.5, half = (mx - mn) * 0.5 * CrCut;
    const SideScores s = sideScores(a, x, rowW, mid - half, mid + half);
    const double prLim = (RatLim - 1.0) / (RatLim + 1.0);
    const std::int32_t n = a.n();
    Vec colW(n), pref(n);
    for (std::int32_t j = 0; j < n; ++j) {
        const double an = s.neg[j] / s.negTotal, ap = s.pos[j] / s.posTotal;
        double p = an + ap > 0 ? (ap - an) / (ap + an) : 0.0;
        const double freq = std::min(ap + an, FrqLim);
        p = std::clamp(p, -prLim, prLim);
        if (std::abs(p) < 0.001) p = 0.001;
        const double q = std::abs(p) / prLim;
        colW[j] = baseW[j] * (freq / FrqLim) * (q * q * q * q);
        pref[j] = p / prLim;
    }
    const std::int32_t m = a.m();
    for (std::int32_t i = 0; i < m; ++i) {
        double sum = 0;
        for (std::int64_t e = a.start[i]; e < a.start[i + 1]; ++e)
            sum += pref[a.col[e]] * colW[a.col[e]];
        x[i] = sum;
    }
    const auto [xmx, xmn] = maxMin(x);
    const double scale = std::max(xmx, std::abs(xmn));
    if (scale > 0)
        for (double& v : x) v /= scale;
    for (std::int32_t i = 0; i < m; ++i) {
        double w = 0, sum = 0;
        for (std::int64_t e = a.start[i]; e < a.start[i + 1]; ++e) {
            w += baseW[a.col[e]];
            sum += baseW[a.col[e]] * pref[a.col[e]];
        }
        if (w > 0) x[i] += sum / w;
    }
}

int zoneOf(double v, double axMin, double crMin, double crMax, double axMax) {
    const double small = 1e-10;
    const double seg1 = (crMin - axMin) / (ZoneOut + small) + small;
    const double seg2 = (crMax - crMin) / (ZoneCrit + small) + small;
    const double seg3 = (axMax - crMax) / (ZoneOut + small) + small;
    if (v < crMin) return std::clamp(static_cast<int>((v - axMin) / seg1) + 1, 1, ZoneOut);
    if (v > crMax)
        return std::clamp(static_cast<int>((v - crMax) / seg3) + 1, 1, ZoneOut) + Zones - ZoneOut;
    return std::clamp(static_cast<int>((v - crMin) / seg2) + 1, 1, ZoneCrit) + ZoneOut;
}

// The border (zone, score) that misclassifies fewest items, given counts per
// zone (1..Zones) and score (1..scores); Hill's tie rules.
struct Border {
    int zone = 0, score = 0, miss = 1 << 30;
};

Border bestBorder(const std::vector<std::vector<int>>& pict, int scores, int shift) {
    // Cumulative counts: cum[z][s] = items in zones <= z with score <= s.
    std::vector<std::vector<int>> cum(Zones + 1, std::vector<int>(scores + 1, 0));
    for (int z = 1; z <= Zones; ++z)
        for (int s = 1; s <= scores; ++s)
            cum[z][s] = cum[z - 1][s] + cum[z][s - 1] - cum[z - 1][s - 1] + pict[z][s];
    Border b;
    b.miss = 10000;
    double bestC = 0;
    int bestA = 0, bestB = 0;
    for (int z = ZoneOut + ZoneInd; z <= ZoneOut + ZoneCrit; ++z) {
        for (int s = 1; s <= scores; ++s) {
            const int zz = z - ZoneInd;
            const int miss = cum[zz][scores] - cum[zz][s] + cum[Zones][s] - cum[z][s];
            const double na = cum[zz][scores], nb = cum[Zones][scores] - cum[z][scores];
            const double c = std::abs((na - nb) / (na + nb));
            const int ia = std::abs(s - shift), ib = std::abs(1 + Zones - z - zz);
            bool take = miss < b.miss;
            if (miss == b.miss) take = c < bestC || (c == bestC && (ia < bestA || ib < bestB));
            if (!take) continue;
            b = {z, s, miss};
            bestC = c;
            bestA = ia;
            bestB = ib;
        }
    }
    return b;
}

// The indicators' scores of a class's items: an item's score on the first k
// indicators is shiftOf(k) plus the signs of those it holds, so never below 1.
struct IndicatorScores {
    std::vector<int> sign;            // per indicator
    std::vector<std::uint32_t> bits;  // per item, the indicators it holds

    void markHeld(const Local& a, const std::vector<std::int32_t>& chosen) {
        const auto nInd = static_cast<int>(chosen.size());
        bits.assign(static_cast<std::size_t>(a.m()), 0);
        if (nInd > 0) {
            std::vector<int> bitOf(static_cast<std::size_t>(a.n()), -1);
            for (int k = 0; k < nInd; ++k) bitOf[chosen[k]] = k;
            for (std::int32_t i = 0; i < a.m(); ++i)
                for (std::int64_t e = a.start[i]; e < a.start[i + 1]; ++e)
                    if (bitOf[a.col[e]] >= 0) bits[i] |= 1u << bitOf[a.col[e]];
        }
    }
    int shiftOf(int k) const {
        int shift = 1;
        for (int t = 0; t < k; ++t) shift += sign[t] < 0 ? 1 : 0;
        return shift;
    }
    int scoreOf(std::int32_t i, int k) const {
        int s = shiftOf(k);
        for (int t = 0; t < k; ++t) s += sign[t] * static_cast<int>((bits[i] >> t) & 1u);
        return s;
    }
};

// Where a division falls: items in zones up to lower are negative, above upper
// positive, between them by their score on the first used indicators against
// border.
struct Split {
    int upper = (1 + Zones) / 2, lower = upper, border = 0, used = 0;
};

// The number of indicators and the border that misclassify fewest items.
Split bestSplit(const IndicatorScores& scores, const std::vector<int>& zone, int nInd) {
    Split split;
    auto& [upper, lower, border, used] = split;
    const auto m = static_cast<std::int32_t>(zone.size());
    if (nInd > 0) {
        int best = 10000;
        for (int k = 1; k <= nInd; ++k) {
            std::vector<std::vector<int>> pict(Zones + 1, std::vector<int>(k + 2, 0));
            for (std::int32_t i = 0; i < m; ++i) ++pict[zone[i]][scores.scoreOf(i, k)];
            const Border b = bestBorder(pict, k + 1, scores.shiftOf(k));
            if (b.miss >= best) continue;
            best = b.miss;
            upper = b.zone;
            lower = b.zone - ZoneInd;
            border = b.score;
            used = k;
        }
    }
    return split;
}

struct Outcome {
    bool divided = false;
    double eigenvalue = 0;
    std::vector<char> positive;                            // per local item
    std::vector<std::pair<std::int32_t, int>> indicators;  // global attribute, sign
    int threshold = 0;
    std::vector<std::int32_t> misclassified;  // global items
};

class Classifier {
  public:
    Classifier(const Incidence& d, int maxIndicators, std::vector<bool> levelIndicators)
        : d_(d),
          maxInd_(maxIndicators),
          levelInd_(std::move(levelIndicators)),
          localOf_(static_cast<std::size_t>(d.attributes()), -1),
          cls(static_cast<std::size_t>(d.items()), 0) {
        for (std::int32_t i = 0; i < d.items(); ++i)
            if (d.start[i + 1] > d.start[i]) cls[i] = 1;
    }

    // Divides the items of class c (ascending); on success their classes become
    // 2c and 2c+1.
    Outcome divide(std::uint64_t c, const std::vector<std::int32_t>& members);

    const Incidence& d_;
    int maxInd_;
    std::vector<bool> levelInd_;
    std::vector<std::int32_t> localOf_;
    std::vector<std::uint64_t> cls;

  private:
    Local localOf(const std::vector<std::int32_t>& members);
    void downWeight(const Local& a, Vec& rowW, Vec& baseW, Vec& colW) const;
    bool keepsOrientation(std::uint64_t c, const Local& a, const Vec& x, double crMid) const;
    void chooseIndicators(const Local& a, const Vec& x, const Vec& rowW, double crMid, double crMin,
                          double crMax, std::vector<std::int32_t>& chosen,
                          std::vector<int>& sign) const;
    double closer(std::uint64_t target, const Local& a, const Vec& y0, const Vec& y1, double tot0,
                  double tot1) const;
};

Local Classifier::localOf(const std::vector<std::int32_t>& members) {
    Local a;
    a.items = members;
    for (std::int32_t it : members)
        for (std::int64_t e = d_.start[it]; e < d_.start[it + 1]; ++e) {
            std::int32_t g = d_.attr[e];
            if (localOf_[g] < 0) {
                localOf_[g] = 0;
                a.attrs.push_back(g);
            }
        }
    std::sort(a.attrs.begin(), a.attrs.end());
    for (std::int32_t j = 0; j < a.n(); ++j) localOf_[a.attrs[j]] = j;
    a.start.reserve(members.size() + 1);
    for (std::int32_t it : members) {
        for (std::int64_t e = d_.start[it]; e < d_.start[it + 1]; ++e)
            a.col.push_back(localOf_[d_.attr[e]]);
        a.start.push_back(static_cast<std::int64_t>(a.col.size()));
    }
    return a;
}

// How much closer the items of class target (and below) are to the positive
// side than to the negative one, judged on the species that prefer a side.
double Classifier::closer(std::uint64_t target, const Local& a, const Vec& y0, const Vec& y1,
                          double tot0, double tot1) const {
    Vec y(static_cast<std::size_t>(a.n()), 1e-7);
    double tot = 0;
    for (std::int32_t it = 0; it < d_.items(); ++it) {
        if (!inSubtree(cls[it], target)) continue;
        tot += d_.itemWeight[it];
        for (std::int64_t e = d_.start[it]; e < d_.start[it + 1]; ++e) {
            const std::int32_t s = localOf_[d_.attrSpecies[d_.attr[e]]];
            if (s >= 0) y[s] += d_.itemWeight[it] * d_.attrWeight[d_.attr[e]];
        }
    }
    double yNeg = 0, yInd = 0, yPos = 0, xNeg = 0, xInd = 0, xPos = 0;
    for (std::int32_t j = 0; j < a.n(); ++j) {
        const std::int32_t g = a.attrs[j];
        if (d_.attrSpecies[g] != g) continue;
        const double ay = y[j] / tot, ay0 = y0[j] / tot0, ay1 = y1[j] / tot1;
        double pref = std::min(std::abs(ay0 - ay1) / (ay0 + ay1) / 0.3, 1.0);
        pref = pref * pref * pref * pref;
        const double pNeg = ay1 > ay0 ? 0.0 : pref, pPos = ay1 > ay0 ? pref : 0.0;
        const double pInd = 1.0 - pref;
        yNeg += pNeg * ay;
        yInd += pInd * ay;
        yPos += pPos * ay;
        xNeg += pNeg * (ay0 + ay1);
        xInd += pInd * (ay0 + ay1);
        xPos += pPos * (ay0 + ay1);
    }
    // The indifferent species count towards the side that has fewer preferential
    // ones, and by no more than the difference.
    if (xPos > xNeg) {
        yInd = -yInd;
        if (xInd > xPos - xNeg) yInd = yInd * (xPos - xNeg) / xInd;
    } else if (xInd > xNeg - xPos) {
        yInd = yInd * (xNeg - xPos) / xInd;
    }
    return (yPos - yNeg + yInd) * tot;
}

// Down-weighting of the rare attributes.
void Classifier::downWeight(const Local& a, Vec& rowW, Vec& baseW, Vec& colW) const {
    const std::int32_t m = a.m(), n = a.n();
    Vec count;
    double tot = 0;
    for (std::int32_t i = 0; i < m; ++i) tot += rowW[i] = d_.itemWeight[a.items[i]];
    for (std::int32_t j = 0; j < n; ++j) baseW[j] = d_.attrWeight[a.attrs[j]];
    xyMult(a, Vec(m, 1.0), rowW, Vec(n, 1.0), count);
    for (std::int32_t j = 0; j < n; ++j) {
        const double ay = std::min(count[j] / tot, FrqLim);
        colW[j] = baseW[j] * ((ay / FrqLim) * (1.0 - CwtMin) + CwtMin);
    }
}

// Orientation: the half that resembles the neighbour class goes next to it.
// Whether the axis x of class c already runs that way.
bool Classifier::keepsOrientation(std::uint64_t c, const Local& a, const Vec& x,
                                  double crMid) const {
    const std::int32_t m = a.m(), n = a.n();
    Vec y0(n, 1e-7), y1(n, 1e-7);
    double tot0 = 0, tot1 = 0;
    for (std::int32_t i = 0; i < m; ++i) {
        const std::int32_t it = a.items[i];
        const double w = d_.itemWeight[it];
        if (x[i] >= crMid) tot1 += w;
        if (x[i] <= crMid) tot0 += w;
        for (std::int64_t e = a.start[i]; e < a.start[i + 1]; ++e) {
            const std::int32_t g = a.attrs[a.col[e]];
            const std::int32_t s = localOf_[d_.attrSpecies[g]];
            if (x[i] >= crMid) y1[s] += w * d_.attrWeight[g];
            if (x[i] <= crMid) y0[s] += w * d_.attrWeight[g];
        }
    }
    const double score1 = closer(c ^ 1, a, y0, y1, tot0, tot1);
    const double score2 = c > 3 ? closer((c >> 1) ^ 1, a, y0, y1, tot0, tot1) : 0.0;
    const double w = (c % 4 == 1 || c % 4 == 2) ? -0.5 : 0.5;
    const double score = score1 + w * score2;
    return (c & 1) ? score <= 0 : score >= 0;
}

// Indicators: attributes ranked by their indicator value, one per species.
void Classifier::chooseIndicators(const Local& a, const Vec& x, const Vec& rowW, double crMid,
                                  double crMin, double crMax, std::vector<std::int32_t>& chosen,
                                  std::vector<int>& sign) const {
    const std::int32_t n = a.n();
    const double cut1 =
        crMid - 0.5 * (crMax - crMin) * static_cast<double>(ZoneInd) / (ZoneCrit + 0.001);
    const double cut2 = 2.0 * crMid - cut1;
    const SideScores s = sideScores(a, x, rowW, cut1, cut2);
    Vec value(n);
    std::vector<std::pair<long long, std::int32_t>> rank(static_cast<std::size_t>(n));
    for (std::int32_t j = 0; j < n; ++j) {
        value[j] = s.pos[j] / s.posTotal - s.neg[j] / s.negTotal;
        rank[j] = {-static_cast<long long>(std::abs(value[j]) * 500.0), j};
    }
    std::sort(rank.begin(), rank.end());
    std::vector<char> speciesUsed(static_cast<std::size_t>(n), 0);
    for (const auto& [key, j] : rank) {
        if (static_cast<int>(chosen.size()) == maxInd_) break;
        const std::int32_t g = a.attrs[j];
        const std::int32_t sp = localOf_[d_.attrSpecies[g]];
        if (speciesUsed[sp]) continue;
        if (Feeble - std::abs(value[j]) > Precis) continue;
        const auto level = static_cast<std::size_t>(d_.attrLevel[g]);
        if (level < levelInd_.size() && !levelInd_[level]) continue;
        speciesUsed[sp] = 1;
        chosen.push_back(j);
        sign.push_back(value[j] < 0 ? -1 : 1);
    }
}

Outcome Classifier::divide(std::uint64_t c, const std::vector<std::int32_t>& members) {
    Outcome out;
    Local a = localOf(members);
    struct Reset {
        std::vector<std::int32_t>& of;
        const std::vector<std::int32_t>& attrs;
        ~Reset() {
            for (std::int32_t g : attrs) of[g] = -1;
        }
    } reset{localOf_, a.attrs};
    const std::int32_t m = a.m(), n = a.n();
    if (m < 2) return out;

    Vec rowW(m), baseW(n), colW(n);
    downWeight(a, rowW, baseW, colW);

    Vec x;
    if (!firstAxis(a, rowW, colW, x, out.eigenvalue)) return out;
    out.divided = true;
    auto [axMax, axMin] = maxMin(x);
    if (!(axMax > -axMin)) {
        for (double& v : x) v = -v;
        std::swap(axMax, axMin);
        axMax = -axMax;
        axMin = -axMin;
    }
    double crMin = 0, crMax = 0, crMid = 0;
    for (int pass = 0; pass < 2; ++pass) {
        refine(a, x, rowW, baseW);
        std::tie(axMax, axMin) = maxMin(x);
        crMid = 0.5 * (axMin + axMax);
        const double half = 0.5 * CrLong * (axMax - axMin);
        crMin = crMid - half;
        crMax = crMid + half;
    }

    if (c > 1 && !keepsOrientation(c, a, x, crMid)) {
        for (double& v : x) v = -v;
        std::swap(axMax, axMin);
        axMax = -axMax;
        axMin = -axMin;
        std::swap(crMax, crMin);
        crMax = -crMax;
        crMin = -crMin;
        crMid = -crMid;
    }

    std::vector<int> zone(static_cast<std::size_t>(m));
    for (std::int32_t i = 0; i < m; ++i) zone[i] = zoneOf(x[i], axMin, crMin, crMax, axMax);

    std::vector<std::int32_t> chosen;
    IndicatorScores scores;
    if (maxInd_ > 0) chooseIndicators(a, x, rowW, crMid, crMin, crMax, chosen, scores.sign);
    const auto nInd = static_cast<int>(chosen.size());
    scores.markHeld(a, chosen);
    const auto [upper, lower, border, used] = bestSplit(scores, zone, nInd);
    if (nInd > 0) {
        out.threshold = border - scores.shiftOf(used) + 1;
        for (int k = 0; k < used; ++k)
            out.indicators.push_back({a.attrs[chosen[k]], scores.sign[k]});
    }

    out.positive.assign(static_cast<std::size_t>(m), 0);
    for (std::int32_t i = 0; i < m; ++i) {
        const int s = used > 0 ? scores.scoreOf(i, used) : 0;
        bool pos;
        if (zone[i] <= lower) {
            pos = false;
            if (used > 0 && s > border) out.misclassified.push_back(a.items[i]);
        } else if (zone[i] <= upper) {
            pos = s > border;
        } else {
            pos = true;
            if (used > 0 && s <= border) out.misclassified.push_back(a.items[i]);
        }
        out.positive[i] = pos ? 1 : 0;
        cls[a.items[i]] = 2 * c + (pos ? 1 : 0);
    }
    return out;
}

// Pseudospecies of the relevés, numbered as Hill numbers them: level by level,
// species ascending within a level.
struct Pseudospecies {
    Incidence inc;
    std::vector<std::int32_t> speciesOfAttr;  // original species number
    std::vector<std::int32_t> speciesIds;     // compressed species -> original
};

Pseudospecies pseudospecies(const TwinspanMatrix& data, const TwinspanOptions& o) {
    const auto levels = static_cast<int>(o.cuts.size());
    const std::int32_t R = data.releves(), S = data.species;
    auto levelsOf = [&](double v) {
        int k = 0;
        while (k < levels && v >= o.cuts[k] - 1e-9 * std::max(1.0, o.cuts[k])) ++k;
        return k;
    };
    // id[level][species], -1 where absent
    std::vector<std::vector<std::int32_t>> id(static_cast<std::size_t>(levels),
                                              std::vector<std::int32_t>(S, -1));
    for (std::int64_t e = 0; e < data.start.back(); ++e) {
        const int k = levelsOf(data.value[e]);
        for (int l = 0; l < k; ++l) id[l][data.index[e]] = 0;
    }
    Pseudospecies p;
    std::vector<std::int32_t> compressed(S, -1);
    std::int32_t next = 0;
    for (int l = 0; l < levels; ++l)
        for (std::int32_t s = 0; s < S; ++s) {
            if (id[l][s] < 0) continue;
            id[l][s] = next++;
            if (l == 0) {
                compressed[s] = static_cast<std::int32_t>(p.speciesIds.size());
                p.speciesIds.push_back(s);
            }
            p.speciesOfAttr.push_back(s);
            p.inc.attrSpecies.push_back(id[0][s]);
            p.inc.attrLevel.push_back(l);
            p.inc.attrWeight.push_back(o.levelWeights.empty() ? 1.0 : o.levelWeights[l]);
        }
    for (std::int32_t r = 0; r < R; ++r) {
        for (std::int64_t e = data.start[r]; e < data.start[r + 1]; ++e) {
            const int k = levelsOf(data.value[e]);
            for (int l = 0; l < k; ++l) p.inc.attr.push_back(id[l][data.index[e]]);
        }
        p.inc.start.push_back(static_cast<std::int64_t>(p.inc.attr.size()));
        p.inc.itemWeight.push_back(1.0);
    }
    return p;
}

double heterogeneityOf(const Incidence& d, const std::vector<std::int32_t>& members,
                       Heterogeneity kind, std::vector<std::int32_t>& scratch) {
    const auto n = static_cast<std::int32_t>(members.size());
    if (n < 2) return 0;
    scratch.resize(static_cast<std::size_t>(d.attributes()), 0);
    std::vector<std::int32_t> touched;
    for (std::int32_t it : members)
        for (std::int64_t e = d.start[it]; e < d.start[it + 1]; ++e)
            if (scratch[d.attr[e]]++ == 0) touched.push_back(d.attr[e]);
    double result = 0;
    if (kind == Heterogeneity::Inertia) {
        const double fifth = n / 5.0;
        auto weight = [&](std::int32_t g) {
            const double c = scratch[g];
            return c < fifth ? (c / fifth) * 0.99 + 0.01 : 1.0;
        };
        double sum = 0;
        for (std::int32_t it : members) {
            double r = 0;
            for (std::int64_t e = d.start[it]; e < d.start[it + 1]; ++e) r += weight(d.attr[e]);
            for (std::int64_t e = d.start[it]; e < d.start[it + 1]; ++e) {
                const double w = weight(d.attr[e]);
                sum += w * w / (r * scratch[d.attr[e]] * w);
            }
        }
        result = sum - 1.0;
    } else {
        // On species presence: the attributes that stand for their species.
        auto isSpecies = [&](std::int32_t g) { return d.attrSpecies[g] == g; };
        if (kind == Heterogeneity::Whittaker) {
            double species = 0, perReleve = 0;
            for (std::int32_t g : touched) species += isSpecies(g) ? 1 : 0;
            for (std::int32_t it : members)
                for (std::int64_t e = d.start[it]; e < d.start[it + 1]; ++e)
                    perReleve += isSpecies(d.attr[e]) ? 1 : 0;
            result = perReleve > 0 ? species / (perReleve / n) - 1.0 : 0.0;
        } else {
            // Shared species of every pair, through the relevés of each species.
            std::vector<std::vector<std::int32_t>> holders(
                static_cast<std::size_t>(d.attributes()));
            std::vector<double> richness(static_cast<std::size_t>(n), 0);
            for (std::int32_t k = 0; k < n; ++k)
                for (std::int64_t e = d.start[members[k]]; e < d.start[members[k] + 1]; ++e)
                    if (isSpecies(d.attr[e])) {
                        holders[d.attr[e]].push_back(k);
                        richness[k] += 1;
                    }
            std::vector<std::int32_t> shared(static_cast<std::size_t>(n), 0);
            double sum = 0;
            for (std::int32_t k = 0; k < n; ++k) {
                std::fill(shared.begin() + k + 1, shared.end(), 0);
                for (std::int64_t e = d.start[members[k]]; e < d.start[members[k] + 1]; ++e)
                    if (isSpecies(d.attr[e]))
                        for (std::int32_t other : holders[d.attr[e]])
                            if (other > k) ++shared[other];
                for (std::int32_t l = k + 1; l < n; ++l) {
                    const double a = shared[l], b = richness[k] + richness[l];
                    if (b <= 0) continue;
                    sum += kind == Heterogeneity::Sorensen ? 1.0 - 2.0 * a / b : 1.0 - a / (b - a);
                }
            }
            result = sum / (0.5 * n * (n - 1.0));
        }
    }
    for (std::int32_t g : touched) scratch[g] = 0;
    return result;
}

std::vector<std::int32_t> treeOrder(const std::vector<std::uint64_t>& cls) {
    std::vector<std::int32_t> order(cls.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](std::int32_t a, std::int32_t b) {
        const std::uint64_t ka = cls[a] == 0 ? 0 : pathKey(cls[a]);
        const std::uint64_t kb = cls[b] == 0 ? 0 : pathKey(cls[b]);
        return ka < kb;
    });
    return order;
}

class Progress {
  public:
    Progress(const TwinspanProgress& f, double total) : f_(f), total_(std::max(total, 1.0)) {}
    void add(double work) {
        done_ += work;
        if (f_ && !f_(std::min(done_ / total_, 1.0))) throw TwinspanCancelled{};
    }

  private:
    const TwinspanProgress& f_;
    double total_, done_ = 0;
};

// Classic runs: class by class, level by level, down to the given number of
// levels. The divisions are recorded for the relevé classification only.
void classifyClassic(Classifier& k, int levels, int groupMin, std::vector<TwinspanDivision>* record,
                     Progress& progress) {
    std::map<std::uint64_t, std::vector<std::int32_t>> pending;
    for (std::int32_t i = 0; i < static_cast<std::int32_t>(k.cls.size()); ++i)
        if (k.cls[i] == 1) pending[1].push_back(i);
    const std::uint64_t limit = std::uint64_t{1} << levels;
    while (!pending.empty() && pending.begin()->first < limit) {
        auto node = pending.extract(pending.begin());
        const std::uint64_t c = node.key();
        const std::vector<std::int32_t>& members = node.mapped();
        double entries = 0;
        for (std::int32_t it : members)
            entries += static_cast<double>(k.d_.start[it + 1] - k.d_.start[it]);
        if (static_cast<int>(members.size()) < groupMin || members.size() < 2) {
            progress.add(entries);
            continue;
        }
        Outcome o = k.divide(c, members);
        progress.add(entries);
        if (record) {
            TwinspanDivision dv;
            dv.cls = c;
            dv.size = static_cast<std::int32_t>(members.size());
            dv.eigenvalue = o.eigenvalue;
            dv.divided = o.divided;
            for (const auto& [g, s] : o.indicators) dv.indicators.push_back({g, 0, s});
            dv.threshold = o.threshold;
            dv.misclassified = o.misclassified;
            record->push_back(std::move(dv));
        }
        if (!o.divided) continue;
        for (std::size_t i = 0; i < members.size(); ++i)
            pending[2 * c + static_cast<std::uint64_t>(o.positive[i])].push_back(members[i]);
    }
}

// The species' fidelity to the relevé classes, as attributes: for each class
// (down to 511) up to three levels of the ratio of the species' share inside the
// class to its share outside.
Incidence fidelityIncidence(const Incidence& rel, std::vector<std::uint64_t> cls,
                            std::int32_t speciesCount) {
    std::uint64_t cmax = 0;
    for (auto& c : cls) {
        while (c > 511) c >>= 1;
        cmax = std::max(cmax, c);
    }
    const auto cm = static_cast<std::size_t>(cmax);
    Vec tot(cm + 1, 0.0);
    // Entries of each species by class.
    std::vector<std::vector<std::pair<std::uint32_t, double>>> bySpecies(
        static_cast<std::size_t>(speciesCount));
    Vec freq(static_cast<std::size_t>(speciesCount), 0.0);
    for (std::int32_t r = 0; r < rel.items(); ++r) {
        const auto c = static_cast<std::uint32_t>(cls[r]);
        std::int32_t last = -1;
        for (std::int64_t e = rel.start[r]; e < rel.start[r + 1]; ++e) {
            const std::int32_t s = rel.attrSpecies[rel.attr[e]];
            tot[c] += 1.0;
            auto& list = bySpecies[s];
            if (!list.empty() && list.back().first == c && s == last)
                list.back().second += 1.0;
            else
                list.push_back({c, 1.0});
            if (s != last) freq[s] += rel.attrWeight[s] * rel.itemWeight[r];
            last = s;
        }
    }
    for (std::size_t c = cm; c > 1; --c) tot[c / 2] += tot[c];
    Incidence f;
    Vec totj(cm + 1);
    for (std::int32_t s = 0; s < speciesCount; ++s) {
        std::fill(totj.begin(), totj.end(), 0.0);
        for (const auto& [c, q] : bySpecies[s]) totj[c] += q;
        for (std::size_t c = cm; c > 1; --c) totj[c / 2] += totj[c];
        for (std::size_t c = 1; c <= cm; ++c) {
            const double rat = totj[c] * (tot[1] - tot[c]) / (tot[c] * (totj[1] - totj[c]) + 1e-7);
            const auto base = static_cast<std::int32_t>(3 * (c - 1));
            if (rat >= 0.8) f.attr.push_back(base);
            if (rat >= 2.0) f.attr.push_back(base + 1);
            if (rat >= 6.0) f.attr.push_back(base + 2);
        }
        f.start.push_back(static_cast<std::int64_t>(f.attr.size()));
        f.itemWeight.push_back(freq[s] + 0.00001);
    }
    for (std::size_t c = 1; c <= cm; ++c) {
        double w = 1.0;
        for (std::size_t t = 2 * c; t <= 1023; t *= 2) w *= 1.414;
        w *= tot[c];
        for (int l = 0; l < 3; ++l) {
            const auto g = static_cast<std::int32_t>(3 * (c - 1) + l);
            f.attrWeight.push_back(l == 0 ? w : 2.0 * w);
            f.attrSpecies.push_back(g);
            f.attrLevel.push_back(0);
        }
    }
    return f;
}

// Modified runs: the most heterogeneous cluster is divided next, until there
// are the given number of clusters. tree gets every class that came to be.
void classifyModified(Classifier& k, const TwinspanOptions& options, Progress& progress,
                      std::vector<TwinspanDivision>& divisions,
                      std::map<std::uint64_t, std::vector<std::int32_t>>& tree,
                      std::vector<std::int32_t>& scratch) {
    const Incidence& inc = k.d_;
    const std::int32_t R = inc.items();
    std::map<std::uint64_t, double> open;  // dividable clusters and their measure
    std::map<std::uint64_t, std::vector<std::int32_t>> members;
    for (std::int32_t r = 0; r < R; ++r)
        if (k.cls[r] == 1) members[1].push_back(r);
    auto consider = [&](std::uint64_t c) {
        const auto& m = members[c];
        if (static_cast<int>(m.size()) >= options.groupMin && m.size() >= 2 &&
            depthOf(c) < MaxDepth)
            open[c] = heterogeneityOf(inc, m, options.heterogeneity, scratch);
    };
    consider(1);
    while (static_cast<int>(members.size()) < options.clusters && !open.empty()) {
        auto best = open.begin();
        for (auto it = open.begin(); it != open.end(); ++it)
            if (it->second > best->second) best = it;
        const std::uint64_t c = best->first;
        open.erase(best);
        const std::vector<std::int32_t> m = members[c];
        Outcome o = k.divide(c, m);
        double work = 0;
        for (std::int32_t it : m) work += static_cast<double>(inc.start[it + 1] - inc.start[it]);
        progress.add(work);
        std::size_t positives = 0;
        for (char v : o.positive) positives += v ? 1 : 0;
        TwinspanDivision dv;
        dv.cls = c;
        dv.size = static_cast<std::int32_t>(m.size());
        dv.eigenvalue = o.eigenvalue;
        // A division that leaves one side empty does not divide the cluster.
        dv.divided = o.divided && positives > 0 && positives < m.size();
        if (!dv.divided) {
            for (std::int32_t it : m) k.cls[it] = c;
            divisions.push_back(std::move(dv));
            continue;
        }
        for (const auto& [g, s] : o.indicators) dv.indicators.push_back({g, 0, s});
        dv.threshold = o.threshold;
        dv.misclassified = o.misclassified;
        divisions.push_back(std::move(dv));
        tree[c] = m;
        members.erase(c);
        for (std::size_t i = 0; i < m.size(); ++i)
            members[2 * c + static_cast<std::uint64_t>(o.positive[i])].push_back(m[i]);
        consider(2 * c);
        consider(2 * c + 1);
    }
    for (auto& [c, m] : members) tree[c] = std::move(m);
}

// Whether the species order runs the way the relevé order does: the places of
// each relevé and its species correlate positively.
bool runsAlong(const Incidence& inc, const std::vector<std::int32_t>& relOrder,
               const std::vector<std::int32_t>& spOrder) {
    const auto R = static_cast<std::int32_t>(relOrder.size());
    const auto S = static_cast<std::int32_t>(spOrder.size());
    Vec relPos(static_cast<std::size_t>(R)), spPos(static_cast<std::size_t>(S));
    for (std::int32_t q = 0; q < R; ++q) relPos[relOrder[q]] = q + 1;
    for (std::int32_t q = 0; q < S; ++q) spPos[spOrder[q]] = q + 1;
    double t1 = 0, tx = 0, ty = 0, txy = 0;
    for (std::int32_t r = 0; r < R; ++r)
        for (std::int64_t e = inc.start[r]; e < inc.start[r + 1]; ++e) {
            const double ax = relPos[r], ay = spPos[inc.attrSpecies[inc.attr[e]]];
            t1 += 1;
            tx += ax;
            ty += ay;
            txy += ax * ay;
        }
    return txy - tx * ty / t1 > 0;
}

}  // namespace

TwinspanResult twinspan(const TwinspanMatrix& data, const TwinspanOptions& options,
                        const TwinspanProgress& progressFn) {
    checkTwinspanOptions(options);
    Pseudospecies p = pseudospecies(data, options);
    const Incidence& inc = p.inc;
    const std::int32_t R = data.releves();
    std::int32_t classifiable = 0;
    for (std::int32_t r = 0; r < R; ++r) classifiable += inc.start[r + 1] > inc.start[r] ? 1 : 0;
    if (classifiable < 2) throw Error(sj("分類できる測定（種を含む測定）が 2 つ以上ありません"));
    if (options.clusters > classifiable)
        throw Error(msg("群の数が分類できる測定の数 %1 を超えています", classifiable));

    const auto entries = static_cast<double>(inc.attr.size());
    const bool modified = options.clusters > 0;
    Progress progress(progressFn, entries * (modified ? 2.0 * std::log2(options.clusters + 1.0) + 1
                                                      : options.levels + 1.0));
    Classifier k(inc, options.maxIndicators, options.levelIndicators);
    TwinspanResult res;
    std::vector<std::int32_t> scratch;
    std::map<std::uint64_t, std::vector<std::int32_t>> tree;  // every class that came to be
    if (!modified)
        classifyClassic(k, options.levels, options.groupMin, &res.divisions, progress);
    else
        classifyModified(k, options, progress, res.divisions, tree, scratch);
    if (!modified)
        for (std::int32_t r = 0; r < R; ++r)
            for (std::uint64_t c = k.cls[r]; c >= 1; c >>= 1) tree[c].push_back(r);
    for (const auto& [c, m] : tree) {
        if (m.size() < 2) continue;
        res.heterogeneity.push_back(
            {c, static_cast<std::int32_t>(m.size()),
             heterogeneityOf(inc, m, Heterogeneity::Inertia, scratch),
             options.heterogeneity == Heterogeneity::Inertia
                 ? 0.0
                 : heterogeneityOf(inc, m, options.heterogeneity, scratch)});
        if (options.heterogeneity == Heterogeneity::Inertia)
            res.heterogeneity.back().heterogeneity = res.heterogeneity.back().inertia;
    }
    // Indicators by original species and 1-based level.
    for (auto& dv : res.divisions)
        for (auto& ind : dv.indicators) {
            const std::int32_t g = ind.species;
            ind.species = p.speciesOfAttr[g];
            ind.level = inc.attrLevel[g] + 1;
        }
    res.releveClass = k.cls;

    // Species: classified by their fidelity to the final relevé classes.
    const auto S = static_cast<std::int32_t>(p.speciesIds.size());
    Incidence fid = fidelityIncidence(inc, k.cls, S);
    Classifier ks(fid, 0, {});
    classifyClassic(ks, options.levels, options.groupMin, nullptr, progress);
    std::vector<std::int32_t> relOrder = treeOrder(k.cls);
    std::vector<std::int32_t> spOrder = treeOrder(ks.cls);
    if (!runsAlong(inc, relOrder, spOrder)) std::reverse(spOrder.begin(), spOrder.end());
    // Relevés without pseudospecies go to the end.
    std::stable_partition(relOrder.begin(), relOrder.end(),
                          [&](std::int32_t r) { return k.cls[r] != 0; });
    res.releveOrder = std::move(relOrder);
    res.speciesClass.assign(static_cast<std::size_t>(data.species), 0);
    for (std::int32_t s = 0; s < S; ++s) res.speciesClass[p.speciesIds[s]] = ks.cls[s];
    for (std::int32_t s : spOrder) res.speciesOrder.push_back(p.speciesIds[s]);
    return res;
}

}  // namespace tamsel

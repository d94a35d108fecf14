#include "analysis/cocktail.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <limits>

#include "analysis/cover_matrix.h"
#include "io/csv.h"
#include "io/safe_file.h"
#include "table/frequency.h"
#include "table/table_layout.h"
#include "text/sjis.h"

namespace tamsel {

std::vector<double> expectedHolders(const std::vector<double>& shares,
                                    std::span<const std::int32_t> species, std::int32_t releves) {
    // Species by species, the chance of holding c of those added so far; the
    // products are taken in cocktailr's order so that its sums come out alike.
    std::vector<double> d(species.size() + 1, 0.0);
    d[0] = 1;
    std::size_t added = 0;
    for (std::int32_t s : species) {
        const double p = shares[s], q = 1 - p;
        ++added;
        for (std::size_t c = added; c >= 1; --c) d[c] = d[c - 1] * p + d[c] * q;
        d[0] = d[0] * q;
    }
    for (double& v : d) v *= releves;
    return d;
}

std::int32_t groupThreshold(const std::vector<std::int32_t>& observed,
                            const std::vector<double>& expected) {
    const auto k = static_cast<std::int32_t>(observed.size()) - 1;
    if (k < 1) return 1;
    double obs = observed[k], exp = expected[k];
    std::int32_t m = obs > exp ? k : 1;
    for (std::int32_t c = k - 1; c >= 1; --c) {
        obs += observed[c];
        exp += expected[c];
        if (obs > 0 && exp > obs) return c + 1;
    }
    return m;
}

SpeciesPresence::SpeciesPresence(const TwinspanMatrix& presence)
    : releves_(presence.releves()),
      holders_(static_cast<std::size_t>(std::max(presence.species, 0))) {
    for (std::int32_t r = 0; r < releves_; ++r)
        for (std::int64_t x = presence.start[r]; x < presence.start[r + 1]; ++x)
            if (presence.value[x] > 0) {
                auto& h = holders_[presence.index[x]];
                if (h.empty() || h.back() != r) h.push_back(r);
            }
    shares_.resize(holders_.size());
    for (std::size_t s = 0; s < holders_.size(); ++s)
        shares_[s] = releves_ > 0 ? static_cast<double>(holders_[s].size()) / releves_ : 0.0;
}

namespace {

// Relevés holding exactly c of the species, from each relevé's count.
template <class Counts>
std::vector<std::int32_t> tally(const Counts& held, std::size_t k) {
    std::vector<std::int32_t> observed(k + 1, 0);
    for (auto h : held) ++observed[h];
    return observed;
}

}  // namespace

GroupFit fitGroup(const SpeciesPresence& p, std::span<const std::int32_t> species) {
    std::vector<std::uint32_t> held(static_cast<std::size_t>(p.releves()), 0);
    for (std::int32_t s : species)
        for (std::int32_t r : p.holders(s)) ++held[r];
    GroupFit f;
    f.observed = tally(held, species.size());
    f.expected = expectedHolders(p.shares(), species, p.releves());
    f.m = groupThreshold(f.observed, f.expected);
    return f;
}

namespace {

// phi of two presence vectors from their joint and single counts, in the
// arithmetic cocktailr uses, so that equal values tie as they tie there: b is
// the count of the item that stands first.
double phiOf(double a, double first, double second, double n) {
    const double b = first - a, c = second - a, d = n - a - b - c;
    const double den = std::sqrt((a + c) * (b + d) * (a + b) * (c + d));
    if (!(den > 0)) return 0;
    const double v = (a * d - b * c) / den;
    return std::isfinite(v) ? v : 0;
}

class Clustering {
  public:
    explicit Clustering(const SpeciesPresence& p) : p_(p), n_(p.releves()) {}

    std::optional<std::vector<CocktailStep>> run(const std::function<bool(double)>& progress);

  private:
    struct Item {
        std::int32_t key = 0;   // the order in which items stand: ties go by it
        std::int32_t name = 0;  // species number, or -step
        std::int32_t count = 0;
        std::vector<std::int32_t> members;  // species, ascending
        std::vector<std::uint32_t> held;    // a group's species per relevé
        bool active = false;
    };
    // A species or a group made within one pass of merges.
    struct Node {
        std::int32_t name;
        std::vector<std::int32_t> members;
        std::vector<std::uint32_t> held;
        std::vector<std::uint64_t> bits;
        std::int32_t count = 0;
    };

    std::uint64_t* bits(std::size_t slot) { return &bits_[slot * words_]; }
    float& at(std::size_t i, std::size_t j) { return phi_[i * slots_ + j]; }
    std::int32_t joint(std::size_t i, std::size_t j) {
        const std::uint64_t *x = bits(i), *y = bits(j);
        std::int32_t a = 0;
        for (std::size_t w = 0; w < words_; ++w) a += std::popcount(x[w] & y[w]);
        return a;
    }
    double exactPhi(std::size_t i, std::size_t j) {
        if (items_[i].key > items_[j].key) std::swap(i, j);
        return phiOf(joint(i, j), items_[i].count, items_[j].count, n_);
    }
    void rescanRow(std::size_t i) {
        rowMax_[i] = -std::numeric_limits<float>::infinity();
        rowArg_[i] = -1;
        for (std::size_t j = 0; j < slots_; ++j)
            if (j != i && items_[j].active && at(i, j) > rowMax_[i]) {
                rowMax_[i] = at(i, j);
                rowArg_[i] = static_cast<std::int32_t>(j);
            }
    }
    void addHeld(std::vector<std::uint32_t>& to, const Node& node) const {
        if (node.name >= 0)
            for (std::int32_t r : p_.holders(node.name)) ++to[r];
        else
            for (std::size_t r = 0; r < to.size(); ++r) to[r] += node.held[r];
    }

    const SpeciesPresence& p_;
    double n_;
    std::size_t slots_ = 0, words_ = 0;
    std::vector<Item> items_;
    std::vector<std::uint64_t> bits_;
    std::vector<float> phi_;  // screens the pairs; exact values are made again for the best
    std::vector<float> rowMax_;
    std::vector<std::int32_t> rowArg_;
};

std::optional<std::vector<CocktailStep>> Clustering::run(
    const std::function<bool(double)>& progress) {
    std::vector<CocktailStep> steps;
    const auto N = static_cast<std::size_t>(p_.releves());
    for (std::int32_t s = 0; s < p_.species(); ++s)
        if (!p_.holders(s).empty()) {
            Item it;
            it.key = static_cast<std::int32_t>(items_.size());
            it.name = s;
            it.count = static_cast<std::int32_t>(p_.holders(s).size());
            it.members = {s};
            it.active = true;
            items_.push_back(std::move(it));
        }
    slots_ = items_.size();
    if (slots_ < 2) return steps;
    words_ = (N + 63) / 64;
    bits_.assign(slots_ * words_, 0);
    std::vector<std::vector<std::int32_t>> ofReleve(N);
    for (std::size_t u = 0; u < slots_; ++u)
        for (std::int32_t r : p_.holders(items_[u].name)) {
            bits(u)[r / 64] |= std::uint64_t{1} << (r % 64);
            ofReleve[r].push_back(static_cast<std::int32_t>(u));
        }
    // Joint counts from each relevé's species, then phi in their place.
    {
        std::vector<std::int32_t> joint(slots_ * slots_, 0);
        for (const auto& list : ofReleve)
            for (std::size_t x = 0; x < list.size(); ++x)
                for (std::size_t y = x + 1; y < list.size(); ++y)
                    ++joint[static_cast<std::size_t>(list[x]) * slots_ + list[y]];
        ofReleve = {};
        phi_.assign(slots_ * slots_, 0.0f);
        for (std::size_t i = 0; i < slots_; ++i)
            for (std::size_t j = i + 1; j < slots_; ++j)
                at(i, j) = at(j, i) = static_cast<float>(
                    phiOf(joint[i * slots_ + j], items_[i].count, items_[j].count, n_));
    }
    rowMax_.resize(slots_);
    rowArg_.resize(slots_);
    for (std::size_t i = 0; i < slots_; ++i) rescanRow(i);

    std::size_t activeCount = slots_;
    std::int32_t nextKey = static_cast<std::int32_t>(slots_);
    const double total = static_cast<double>(slots_ - 1);
    std::vector<char> removed(slots_, 0);
    struct Pair {
        double phi;
        std::int32_t lo, hi;  // slots, lo standing first
    };
    std::vector<Pair> best;
    bool allHeld = false;
    while (activeCount > 1 && !allHeld) {
        if (progress && !progress(static_cast<double>(steps.size()) / total)) return std::nullopt;
        // The best pairs: screened by their float, then exactly.
        float top = -std::numeric_limits<float>::infinity();
        for (std::size_t i = 0; i < slots_; ++i)
            if (items_[i].active) top = std::max(top, rowMax_[i]);
        best.clear();
        double exactTop = -std::numeric_limits<double>::infinity();
        for (std::size_t i = 0; i < slots_; ++i) {
            if (!items_[i].active || rowMax_[i] != top) continue;
            for (std::size_t j = 0; j < slots_; ++j) {
                if (j == i || !items_[j].active || items_[j].key < items_[i].key || at(i, j) != top)
                    continue;
                const double v = exactPhi(i, j);
                if (v < exactTop) continue;
                if (v > exactTop) best.clear();
                exactTop = v;
                best.push_back({v, static_cast<std::int32_t>(i), static_cast<std::int32_t>(j)});
            }
        }
        std::sort(best.begin(), best.end(), [&](const Pair& x, const Pair& y) {
            const std::int32_t kx = items_[x.lo].key, ky = items_[y.lo].key;
            return kx != ky ? kx < ky : items_[x.hi].key < items_[y.hi].key;
        });

        // All pairs tied at the top in one pass, but none whose two items both
        // stand in an earlier pair of the pass; chained pairs grow one group.
        std::vector<Node> nodes;
        std::vector<std::int32_t> nodeOf(slots_, -1), touched;
        auto nodeFor = [&](std::int32_t slot) {
            if (nodeOf[slot] < 0) {
                Item& it = items_[slot];
                Node nd{it.name, it.members, std::move(it.held), {}, it.count};
                nodeOf[slot] = static_cast<std::int32_t>(nodes.size());
                nodes.push_back(std::move(nd));
                touched.push_back(slot);
            }
            return nodeOf[slot];
        };
        std::vector<char> seen(slots_, 0);
        std::vector<std::int32_t> finals;  // nodes that end the pass as groups, by step
        for (const Pair& pr : best) {
            const bool both = seen[pr.lo] && seen[pr.hi];
            seen[pr.lo] = seen[pr.hi] = 1;
            if (both) continue;
            const std::int32_t left = nodeFor(pr.lo), right = nodeFor(pr.hi);
            Node g;
            g.name = -static_cast<std::int32_t>(steps.size() + 1);
            std::merge(nodes[left].members.begin(), nodes[left].members.end(),
                       nodes[right].members.begin(), nodes[right].members.end(),
                       std::back_inserter(g.members));
            g.held.assign(N, 0);
            addHeld(g.held, nodes[left]);
            addHeld(g.held, nodes[right]);
            const auto fitObserved = tally(g.held, g.members.size());
            const auto fitExpected = expectedHolders(p_.shares(), g.members, p_.releves());
            const std::int32_t m = groupThreshold(fitObserved, fitExpected);
            g.bits.assign(words_, 0);
            for (std::size_t r = 0; r < N; ++r)
                if (g.held[r] >= static_cast<std::uint32_t>(m)) {
                    g.bits[r / 64] |= std::uint64_t{1} << (r % 64);
                    ++g.count;
                }
            steps.push_back({nodes[left].name, nodes[right].name, exactTop,
                             static_cast<std::int32_t>(g.members.size()), m, g.count});
            const auto made = static_cast<std::int32_t>(nodes.size());
            nodes.push_back(std::move(g));
            for (std::int32_t s : touched)
                if (nodeOf[s] == left || nodeOf[s] == right) nodeOf[s] = made;
            std::erase_if(finals, [&](std::int32_t f) { return f == left || f == right; });
            finals.push_back(made);
            nodes[left].held = {};
            nodes[right].held = {};
        }
        allHeld = steps.back().releves == p_.releves();

        // The pass's items give way to its groups, which stand last in the order
        // of their steps, each in a slot one of them left.
        std::vector<std::int32_t> freed;
        for (std::int32_t s : touched) {
            items_[s].active = false;
            items_[s].held = {};
            removed[s] = 1;
            freed.push_back(s);
        }
        std::vector<std::int32_t> fresh;
        for (std::size_t f = 0; f < finals.size(); ++f) {
            Node& g = nodes[finals[f]];
            const std::int32_t slot = freed[f];
            Item& it = items_[slot];
            it.key = nextKey++;
            it.name = g.name;
            it.count = g.count;
            it.members = std::move(g.members);
            it.held = std::move(g.held);
            it.active = true;
            std::copy(g.bits.begin(), g.bits.end(), bits(slot));
            fresh.push_back(slot);
        }
        activeCount -= touched.size() - finals.size();
        if (allHeld) break;
        for (std::int32_t g : fresh)
            for (std::size_t j = 0; j < slots_; ++j)
                if (items_[j].active && j != static_cast<std::size_t>(g))
                    at(g, j) = at(j, g) = static_cast<float>(exactPhi(g, j));
        for (std::size_t i = 0; i < slots_; ++i) {
            if (!items_[i].active) continue;
            if (removed[i] || rowArg_[i] < 0 || removed[rowArg_[i]]) {
                rescanRow(i);
                continue;
            }
            for (std::int32_t g : fresh)
                if (at(i, g) > rowMax_[i]) {
                    rowMax_[i] = at(i, g);
                    rowArg_[i] = g;
                }
        }
        for (std::int32_t s : touched) removed[s] = 0;
    }

    // Once a group is held by every relevé, cocktailr ends with merges at phi 0:
    // the newest item with the one standing first, all relevés holding at m 1.
    if (allHeld) {
        std::vector<std::int32_t> order;
        for (std::size_t i = 0; i < slots_; ++i)
            if (items_[i].active) order.push_back(static_cast<std::int32_t>(i));
        std::sort(order.begin(), order.end(),
                  [&](std::int32_t x, std::int32_t y) { return items_[x].key < items_[y].key; });
        std::int32_t newest = order.back();
        order.pop_back();
        std::int32_t k = static_cast<std::int32_t>(items_[newest].members.size());
        std::int32_t name = items_[newest].name;
        for (std::int32_t first : order) {
            k += static_cast<std::int32_t>(items_[first].members.size());
            steps.push_back({name, items_[first].name, 0.0, k, 1, p_.releves()});
            name = -static_cast<std::int32_t>(steps.size());
        }
    }
    if (progress) progress(1.0);
    return steps;
}

}  // namespace

std::optional<std::vector<CocktailStep>> cocktail(const SpeciesPresence& p,
                                                  const std::function<bool(double)>& progress) {
    return Clustering(p).run(progress);
}

void writeCocktailCsv(ByteSink& out, const std::vector<CocktailStep>& steps,
                      const std::vector<std::string>& speciesNames) {
    StringSink line;
    out.write("step,item1,item2,phi,k,m,releves\r\n");
    auto item = [&](std::int32_t v) {
        if (v >= 0)
            writeCsvField(line, speciesNames[v]);
        else
            line.text += "#" + std::to_string(-v);
    };
    for (std::size_t s = 0; s < steps.size(); ++s) {
        const CocktailStep& st = steps[s];
        line.text = std::to_string(s + 1) + ",";
        item(st.item1);
        line.text += ',';
        item(st.item2);
        char buf[32];
        auto r = std::to_chars(buf, buf + sizeof buf, st.phi, std::chars_format::fixed, 6);
        line.text += ',' + std::string(buf, r.ptr) + ',' + std::to_string(st.k) + ',' +
                     std::to_string(st.m) + ',' + std::to_string(st.releves) + "\r\n";
        out.write(line.text);
    }
}

TablePresence tablePresence(const TableState& t) {
    const TableLayout layout = layoutOf(t);
    CoverMatrix c = coverMatrix(t, countPresences(t.model));
    TablePresence p;
    p.rows = std::move(c.rows);
    p.cols = std::move(c.cols);
    p.cover = std::move(c.cover);
    for (std::int32_t i : p.rows)
        p.names.push_back(trimControl(t.model.cell(TableLayout::NameCol, layout.speciesRow(i))));
    return p;
}

}  // namespace tamsel

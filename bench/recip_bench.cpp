// Reciprocal averaging of R relevés x S species, 40 species per relevé: along a
// gradient (a table with structure to find) and, at the small size, with species
// drawn at random (scores that wander until the cycle test or the pass limit).
// Prints passes, time per pass, the exchange ordering alone, and one read of
// the cover entries, the least a pass has to read.
//   bench_recip_bench [--large | --large-only]
#include <algorithm>
#include <cstdio>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "analysis/recip.h"
#include "bench_table.h"
#include "platform/batch/batch_ui.h"
#include "table/capacity.h"

namespace {

using namespace tamsel;
using bench::cpuSeconds;
using bench::putCodes;
using bench::sizedTable;

void build(TableState& t, BatchUi& ui, int releves, int species, int perReleve, bool gradient,
           unsigned seed) {
    const TableLayout layout = sizedTable(t, ui, releves, species, "sp");
    std::mt19937 rng(seed);
    const CoverCode codes[] = {7, 10, 20, 30, 40};
    for (int j = 1; j <= releves; ++j) {
        const int col = TableLayout::releveCol(j);
        int centre = static_cast<int>(static_cast<long long>(j) * species / releves);
        std::vector<int> chosen;
        while (static_cast<int>(chosen.size()) < perReleve) {
            int s = gradient ? std::clamp(centre + static_cast<int>(rng() % 201) - 100, 1, species)
                             : 1 + static_cast<int>(rng() % species);
            if (std::find(chosen.begin(), chosen.end(), s) == chosen.end()) chosen.push_back(s);
        }
        for (int s : chosen) {
            LayerCodes c{};
            c[4] = codes[rng() % 5];
            putCodes(t, col, layout.speciesRow(s), c);
        }
    }
    // Scramble rows and columns, so the table has to be read through its slots.
    std::vector<int> rows(species), cols(releves);
    std::iota(rows.begin(), rows.end(), 0);
    std::iota(cols.begin(), cols.end(), 0);
    std::shuffle(rows.begin(), rows.end(), rng);
    std::shuffle(cols.begin(), cols.end(), rng);
    t.VegTable.permuteRows(layout.firstSpeciesRow(), rows);
    t.VegTable.permuteCols(TableLayout::FirstReleveCol, cols);
}

void measure(const char* what, bench::Size size, bool gradient) {
    TableState t;
    BatchUi ui;
    build(t, ui, size.releves, size.species, 40, gradient, 12345);
    // The floor: the bytes a pass must read, one (index, weight) pair per cover
    // entry, read once in a flat array; the best of five sweeps.
    std::vector<std::uint32_t> index;
    std::vector<std::uint8_t> weight;
    for (int v = 0; v < t.TableArray.releveSlots(); ++v)
        for (const auto& [s, c] : t.TableArray.releve(v)) {
            index.push_back(static_cast<std::uint32_t>(s));
            weight.push_back(c[4]);
        }
    volatile std::uint64_t sink = 0;
    double sweep = bench::bestOfFive([&] {
        std::uint64_t sum = 0;
        for (std::size_t e = 0; e < index.size(); ++e) sum += index[e] * weight[e];
        sink = sink + sum;
    });
    RecipResult r;
    double total = cpuSeconds([&] { r = Item_RecipClick(t, ui); });
    double perPass = total / std::max(1, r.passes);
    std::vector<std::uint16_t> sp(r.speciesScores.begin() + 1, r.speciesScores.end());
    std::vector<std::uint16_t> rel(r.releveScores.begin() + 1, r.releveScores.end());
    double order = cpuSeconds([&] {
        exchangeOrder(sp);
        exchangeOrder(rel);
    });
    std::printf(
        "%-8s %6d x %5d: %.3f s, %d passes (%s), %.4f s per pass (%.1f x reading the "
        "cover entries once, %.5f s); exchange ordering alone %.4f s\n",
        what, size.releves, size.species, total, r.passes, recipEndName(r.end), perPass,
        perPass / sweep, sweep, order);
    if (!ui.messages.empty()) std::printf("  message: %s\n", ui.messages.front().c_str());
}

}  // namespace

int main(int argc, char** argv) {
    for (bench::Size size : bench::sizesFrom(argc, argv)) {
        measure("gradient", size, true);
        if (size.releves <= 10000) measure("random", size, false);
    }
    std::printf("peak memory %.0f MiB\n", bench::peakMiB());
    return 0;
}

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
#include "datafile/cover_codes.h"
#include "platform/batch/batch_ui.h"
#include "support/temp_dir.h"

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
    t.model.permuteSpeciesRows(rows);
    t.model.permuteReleveColumns(cols);
}

// vegan's decorana(x, ira = 1) (reciprocal averaging, no detrending) on the same
// weights, as a dense relevé x species matrix, timed inside R three times.
// Prints R's processor seconds (user + system) of each run, or nothing when R
// or vegan is not installed.
const char* const VeganScript = R"(
suppressMessages(library(vegan))
args <- commandArgs(TRUE)
e <- matrix(readBin(args[1], "integer", n = 3 * as.integer(args[4])), nrow = 3)
x <- matrix(0, as.integer(args[2]), as.integer(args[3]))
x[cbind(e[1, ], e[2, ])] <- e[3, ]
x <- x[rowSums(x) > 0, colSums(x) > 0]
for (k in 1:3) { t <- system.time(decorana(x, ira = 1)); cat(t[[1]] + t[[2]], "\n") }
)";

std::vector<double> veganSeconds(const TableState& t) {
    if (std::system("Rscript -e 'library(vegan)' >/dev/null 2>&1") != 0) return {};
    testing::TempDir dir;
    std::vector<std::int32_t> triples;
    for (int v = 1; v < t.model.codes().releveSlots(); ++v)
        for (const auto& [s, c] : t.model.codes().releve(v))
            if (s > 0 && coverSumValue(2, c) > 0)
                triples.insert(triples.end(), {v, s, coverSumValue(2, c)});
    const std::string data = dir.file("w.bin"), script = dir.file("decorana.R");
    if (std::FILE* f = std::fopen(data.c_str(), "wb")) {
        std::fwrite(triples.data(), sizeof(std::int32_t), triples.size(), f);
        std::fclose(f);
    }
    if (std::FILE* f = std::fopen(script.c_str(), "w")) {
        std::fputs(VeganScript, f);
        std::fclose(f);
    }
    const std::string command = "Rscript '" + script + "' '" + data + "' " +
                                std::to_string(t.model.codes().releveSlots()) + " " +
                                std::to_string(t.model.codes().speciesSlots()) + " " +
                                std::to_string(triples.size() / 3);
    std::vector<double> out;
    if (std::FILE* p = popen(command.c_str(), "r")) {
        double x;
        while (std::fscanf(p, "%lf", &x) == 1) out.push_back(x);
        pclose(p);
    }
    return out;
}

void measure(const char* what, bench::Size size, bool gradient, bool vegan) {
    TableState t;
    BatchUi ui;
    build(t, ui, size.releves, size.species, 40, gradient, 12345);
    // The floor: the bytes a pass must read, one (index, weight) pair per cover
    // entry, read once in a flat array; the best of five sweeps.
    std::vector<std::uint32_t> index;
    std::vector<std::uint8_t> weight;
    for (int v = 0; v < t.model.codes().releveSlots(); ++v)
        for (const auto& [s, c] : t.model.codes().releve(v)) {
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
    double total = cpuSeconds([&] { r = reciprocalAveraging(t, ui); });
    double perPass = total / std::max(1, r.passes);
    std::vector<std::uint16_t> sp(r.speciesScores.begin() + 1, r.speciesScores.end());
    std::vector<std::uint16_t> rel(r.releveScores.begin() + 1, r.releveScores.end());
    double order = cpuSeconds([&] {
        exchangeOrder(sp);
        exchangeOrder(rel);
    });
    // A digest of every score the command gave, to compare versions of the code.
    std::uint64_t digest = 1469598103934665603ULL;
    for (const auto* v :
         {&r.speciesScores, &r.releveScores, &r.newestSpeciesScores, &r.newestReleveScores})
        for (std::uint16_t x : *v) digest = (digest ^ x) * 1099511628211ULL;
    std::printf(
        "%-8s %6d x %5d: %.3f s, %d passes (%s), %.4f s per pass (%.1f x reading the "
        "cover entries once, %.5f s); exchange ordering alone %.4f s; scores %016llx\n",
        what, size.releves, size.species, total, r.passes, recipEndName(r.end), perPass,
        perPass / sweep, sweep, order, static_cast<unsigned long long>(digest));
    if (!ui.messages.empty()) std::printf("  message: %s\n", ui.messages.front().c_str());
    if (!vegan) return;
    std::vector<double> v = veganSeconds(t);
    if (v.empty()) {
        std::printf("  vegan: Rscript or vegan not installed\n");
        return;
    }
    std::sort(v.begin(), v.end());
    std::printf(
        "  vegan decorana(x, ira = 1), same weights: %.2f .. %.2f s over %zu runs; "
        "recip %.1f .. %.1f x faster\n",
        v.front(), v.back(), v.size(), v.front() / total, v.back() / total);
}

}  // namespace

int main(int argc, char** argv) {
    for (bench::Size size : bench::sizesFrom(argc, argv)) {
        measure("gradient", size, true, size.releves <= 10000);
        if (size.releves <= 10000) measure("random", size, false, false);
    }
    std::printf("peak memory %.0f MiB\n", bench::peakMiB());
    return 0;
}

// TWINSPAN with the defaults on a 10,000-relevé x 3,000-species table of 50
// simulated communities (40 species per relevé, half from the community's pool,
// the rest from anywhere; cover classes + to 4), columns shuffled, set against
// one reciprocal averaging ("recip") of the same table in the same run. Two
// structures: pools of 120 species along a gradient, each sharing half with its
// neighbours (as vegetation is), and 50 disjoint pools of 60, all alike: there
// several communities split equally well, the eigenvalues nearly coincide and
// the ordination runs to Hill's limit of 1,000 sweeps (the worst case).
//   bench_twinspan_bench [--small]
#include <cstdio>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "analysis/recip.h"
#include "analysis/twinspan_table.h"
#include "bench_table.h"
#include "platform/batch/batch_ui.h"

namespace {

using namespace tamsel;

void build(TableState& t, BatchUi& ui, int releves, int species, int communities, bool gradient) {
    const TableLayout layout = bench::sizedTable(t, ui, releves, species, "sp");
    std::mt19937 rng(2009);
    const CoverCode codes[] = {7, 10, 20, 30, 40, 10, 10};
    const int own = 60;
    for (int j = 1; j <= releves; ++j) {
        const int g = (j - 1) % communities;
        std::vector<char> taken(static_cast<std::size_t>(species) + 1, 0);
        for (int k = 0; k < 40;) {
            const int pool = gradient ? 2 * own : own;
            const int s = k % 2 == 0 ? 1 + (g * own + static_cast<int>(rng() % pool)) % species
                                     : 1 + static_cast<int>(rng() % species);
            if (taken[s]) continue;
            taken[s] = 1;
            ++k;
            LayerCodes c{};
            c[4] = codes[rng() % 7];
            bench::putCodes(t, TableLayout::releveCol(j), layout.speciesRow(s), c);
        }
    }
    std::vector<int> cols(static_cast<std::size_t>(releves));
    std::iota(cols.begin(), cols.end(), 0);
    std::shuffle(cols.begin(), cols.end(), rng);
    t.model.permuteReleveColumns(cols);
    recount(t, ui);
}

void measure(const char* what, int releves, int species, bool gradient) {
    double twinspanTime = 0, recipTime = 0, twinspanCpu = 0, recipCpu = 0;
    std::size_t groups = 0;
    {
        TableState t;
        BatchUi ui;
        build(t, ui, releves, species, 50, gradient);
        twinspanCpu = bench::cpuSeconds([&] {
            twinspanTime = bench::seconds([&] {
                auto run = classifyTable(t, ui, TwinspanOptions{});
                groups = run ? run->result.groups().size() : 0;
            });
        });
    }
    {
        TableState t;
        BatchUi ui;
        build(t, ui, releves, species, 50, gradient);
        recipCpu = bench::cpuSeconds(
            [&] { recipTime = bench::seconds([&] { reciprocalAveraging(t, ui); }); });
    }
    // The machine is shared: processor time is the figure to compare.
    std::printf(
        "twinspan %d x %d, %s: %zu groups, %.2f s (processor %.2f s); recip %.2f s (processor "
        "%.2f s); ratio %.2f (processor %.2f); peak %.0f MiB\n",
        releves, species, what, groups, twinspanTime, twinspanCpu, recipTime, recipCpu,
        twinspanTime / recipTime, twinspanCpu / recipCpu, bench::peakMiB());
}

}  // namespace

int main(int argc, char** argv) {
    const bool small = argc > 1 && std::string(argv[1]) == "--small";
    const int releves = small ? 1000 : 10000, species = small ? 300 : 3000;
    measure("gradient", releves, species, true);
    measure("disjoint alike", releves, species, false);
    return 0;
}

// Reciprocal averaging of a 10,000-relevé x 3,000-species table, 40 species per
// relevé: once along a gradient (a table with structure to find), once with species
// drawn at random (scores that wander until the cycle test or the pass limit).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "analysis/recip.h"
#include "platform/batch/batch_ui.h"
#include "table/capacity.h"

namespace {

using namespace tamsel;

void build(TableState& t, BatchUi& ui, int releves, int species, int perReleve, bool gradient,
           unsigned seed) {
    startBlankTable(t, ui);
    AddCol(t, releves);
    AddRow(t, species);
    t.ReleveCount = releves;
    t.SpeciesCount = species;
    std::mt19937 rng(seed);
    const CoverCode codes[] = {7, 10, 20, 30, 40};
    for (int i = 1; i <= species; ++i)
        t.VegTable.setCell(2, t.FreqRow + i, "sp" + std::to_string(i));
    for (int j = 1; j <= releves; ++j) {
        int col = j + 3;
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
            t.VegTable.setCell(col, t.FreqRow + s, LayerSummary(c));
            t.TableArray.set(releveSlotAt(t, col), speciesSlotAt(t, t.FreqRow + s), c);
        }
    }
    // Scramble rows and columns, so the table has to be read through its slots.
    std::vector<int> rows(species), cols(releves);
    std::iota(rows.begin(), rows.end(), 0);
    std::iota(cols.begin(), cols.end(), 0);
    std::shuffle(rows.begin(), rows.end(), rng);
    std::shuffle(cols.begin(), cols.end(), rng);
    t.VegTable.permuteRows(t.FreqRow + 1, rows);
    t.VegTable.permuteCols(4, cols);
}

void measure(const char* what, bool gradient, int limit = RecipPassLimit) {
    TableState t;
    BatchUi ui;
    build(t, ui, 10000, 3000, 40, gradient, 12345);
    auto start = std::chrono::steady_clock::now();
    RecipOptions o;
    o.passLimit = limit;
    RecipResult r = Item_RecipClick(t, ui, o);
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%-10s 10000 x 3000, 40 per relevé: %d passes, %s, %.3f s\n", what, r.passes,
                recipEndName(r.end), seconds);
    if (!ui.messages.empty()) std::printf("  message: %s\n", ui.messages.front().c_str());
}

}  // namespace

int main() {
    measure("gradient", true);
    measure("random", false);
    measure("one pass", false, 1);
    return 0;
}

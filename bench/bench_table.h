// The large table of the benchmarks, built directly in the table state as placing
// builds it, and the two measures they print.
#pragma once

#include <sys/resource.h>

#include <chrono>
#include <random>
#include <string>
#include <vector>

#include "platform/batch/batch_ui.h"
#include "table/capacity.h"
#include "table/frequency.h"

namespace tamsel::bench {

inline double peakMiB() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_maxrss) / 1024.0;
}

template <typename F>
double seconds(F&& f) {
    auto t0 = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// releves x species, perReleve species in each relevé: a random layer and H1.
inline void build(TableState& t, BatchUi& ui, int releves, int species, int perReleve) {
    startBlankTable(t, ui);
    AddCol(t, releves);
    AddRow(t, species);
    t.ReleveCount = releves;
    t.SpeciesCount = species;
    std::mt19937 rng(11);
    const CoverCode codes[] = {7, 10, 20, 30, 40, 55};
    for (int i = 1; i <= species; ++i)
        t.VegTable.setCell(2, t.FreqRow + i, "Species name " + std::to_string(i));
    for (int j = 1; j <= releves; ++j) {
        int col = j + 3;
        int rs = releveSlotAt(t, col);
        t.TableArray.set(rs, 0, LayerCodes{5, 2, 0, 0, 0, 0, 0});
        for (int row = 2; row < t.FreqRow; ++row)
            t.VegTable.setCell(col, row, std::to_string(j % 1000));
        std::vector<char> taken(static_cast<std::size_t>(species) + 1, 0);
        for (int k = 0; k < perReleve;) {
            int i = 1 + static_cast<int>(rng() % species);
            if (taken[i]) continue;
            taken[i] = 1;
            ++k;
            LayerCodes c{};
            c[rng() % LayerCount] = codes[rng() % 6];
            c[4] = codes[rng() % 6];
            int row = t.FreqRow + i;
            t.VegTable.setCell(col, row, LayerSummary(c));
            t.TableArray.set(rs, speciesSlotAt(t, row), c);
        }
    }
    Item_FrequencyClick(t, ui);
}

}  // namespace tamsel::bench

// Sociological species groups: the Cocktail clustering of the synoptic bench's
// table (10,000 relevés x 3,000 species in 50 groups, 40 species per relevé),
// and the assignment of 100,000 relevés (3,000 species in 50 communities, 40
// per relevé) to 300 units defined on 300 groups, each beside its aim.
// Processor seconds: the machine is shared.
#include <cstdio>
#include <random>
#include <string>

#include "analysis/cocktail.h"
#include "analysis/definitions.h"
#include "bench_table.h"
#include "platform/batch/batch_ui.h"

int main() {
    using namespace tamsel;
    using bench::cpuSeconds;
    {
        TableState t;
        BatchUi ui;
        bench::buildInGroups(t, ui);
        const TablePresence tp = tablePresence(t);
        const SpeciesPresence p(tp.cover);
        std::optional<std::vector<CocktailStep>> steps;
        const double took = cpuSeconds([&] { steps = cocktail(p); });
        std::printf("table: %d relevés, %zu species with a presence\n", p.releves(),
                    tp.rows.size());
        std::printf("Cocktail clustering:             %7.3f s   aim < 60 s (%zu merges)\n", took,
                    steps ? steps->size() : 0);
    }

    // 100,000 relevés of 3,000 species: half of each relevé's 40 from its
    // community's 60, covers 1-50 %.
    const int Releves = 100000, Species = 3000, Communities = 50, Pool = 60;
    std::mt19937 rng(11);
    TwinspanMatrix m;
    m.species = Species;
    std::vector<std::pair<std::int32_t, double>> entries;
    for (int r = 0; r < Releves; ++r) {
        const int c = static_cast<int>(rng() % Communities);
        entries.clear();
        std::vector<char> taken(Species, 0);
        for (int k = 0; k < 40;) {
            const int s = k % 2 == 0 ? c * Pool + static_cast<int>(rng() % Pool)
                                     : static_cast<int>(rng() % Species);
            if (taken[s]) continue;
            taken[s] = 1;
            ++k;
            entries.push_back({s, 1.0 + static_cast<double>(rng() % 50)});
        }
        m.addReleve(entries);
    }
    std::vector<std::string> names;
    for (int s = 0; s < Species; ++s) names.push_back("Species " + std::to_string(s));
    // Six groups of ten species per community; each unit two groups, a third
    // left out, and a cover.
    std::string text = "# bench\n";
    const int Groups = 300;
    for (int g = 0; g < Groups; ++g) {
        text += "group G" + std::to_string(g) + ": ";
        const int base = (g / 6) * Pool + (g % 6) * 10;
        for (int k = 0; k < 10; ++k) text += (k ? ", " : "") + names[base + k];
        text += "\n";
    }
    for (int u = 0; u < Groups; ++u) {
        const int a = u, b = (u / 6) * 6 + (u + 1) % 6, c = (u + 150) % Groups;
        text += "unit U" + std::to_string(u) + ": G" + std::to_string(a) + " and (G" +
                std::to_string(b) + " or cover(\"" + names[(u / 6) * Pool] + "\") > 25) and not G" +
                std::to_string(c) + "\n";
    }
    const SpeciesPresence p(m);
    UnitDefinitions d;
    const double parse = cpuSeconds([&] { d = parseUnitDefinitions(text, names, p); });
    UnitAssignment a;
    const double assign = cpuSeconds([&] { a = assignUnits(d, m); });
    std::int32_t assigned = 0;
    for (std::int32_t c : a.counts) assigned += c;
    std::printf("definitions (300 groups with their m, 300 units): %7.3f s\n", parse);
    std::printf("assignment of %d relevés to 300 units: %7.3f s   aim < 5 s\n", Releves, assign);
    std::printf("  %d assigned, %zu meeting more than one unit\n", assigned, a.several.size());
    std::printf("peak memory: %.0f MiB\n", bench::peakMiB());
    return 0;
}

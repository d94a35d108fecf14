// Undo and redo of the commands that reorder a large table: the species sort,
// the relevé sort and reciprocal averaging on R relevés x S species with 40 species
// per relevé. Prints each command's time, its undo and redo, and the bytes its step
// keeps in the history.
//   bench_undo_bench [--large | --large-only]
#include <cstdio>

#include "analysis/recip.h"
#include "analysis/sorting.h"
#include "app/session/analysis_commands.h"
#include "bench_table.h"
#include "platform/batch/batch_ui.h"

namespace {

using namespace tamsel;

void measure(bench::Size size) {
    TableState t;
    BatchUi ui;
    bench::build(t, ui, size.releves, size.species, 40);
    t.history.restart(t.model);
    struct Case {
        const char* name;
        void (*run)(TableState&, Ui&);
    };
    const Case cases[] = {
        {"sort-species", Item_SortPlantClick},
        {"sort-releves", Item_SortReleveClick},
        {"recip", [](TableState& s, Ui& u) { reciprocalAveraging(s, u); }},
    };
    std::printf("%d relevés x %d species\n", size.releves, size.species);
    for (const Case& c : cases) {
        const std::size_t before = t.history.bytes();
        double run = bench::seconds([&] {
            HistoryStep step(t, c.name);
            c.run(t, ui);
        });
        const std::size_t kept = t.history.bytes() - before;
        double undo = bench::seconds([&] { t.history.undo(t.model); });
        double redo = bench::seconds([&] { t.history.redo(t.model); });
        std::printf("  %-13s run %8.3f s   undo %7.2f ms   redo %7.2f ms   step %8.1f KiB\n",
                    c.name, run, undo * 1e3, redo * 1e3, static_cast<double>(kept) / 1024.0);
    }
}

}  // namespace

int main(int argc, char** argv) {
    for (bench::Size s : bench::sizesFrom(argc, argv)) measure(s);
    return 0;
}

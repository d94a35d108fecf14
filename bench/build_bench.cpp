// Adding relevés from data file pairs as the add command does: R relevés of 40
// species each out of S distinct species, in pairs of at most 50,000 records.
// Prints the add on a fresh table, reciprocal averaging, clearing, and the first
// pair added again to the cleared table, each beside the time of reading the
// same files; and the peak memory. Each add is one step of the history, as the
// window and tamsel-batch run it; the adds are undone and redone once. At the
// large size the figures are printed beside their aims (run it --large-only, so
// that the peak is the large add's).
//   bench_build_bench [--large | --large-only]
#include <malloc.h>

#include <cstdio>
#include <string>
#include <vector>

#include "analysis/recip.h"
#include "app/session/compose_commands.h"
#include "app/session/session.h"
#include "bench_pairs.h"
#include "bench_table.h"
#include "compose/add_releve.h"
#include "platform/batch/batch_ui.h"
#include "support/temp_dir.h"
#include "table/frequency.h"

using namespace tamsel;
using bench::cpuSeconds;
using bench::peakMiB;

namespace {

// The heap in use, in bytes.
double heapBytes() {
    return static_cast<double>(mallinfo2().uordblks + mallinfo2().hblkhd);
}

}  // namespace

int main(int argc, char** argv) {
    if (bench::writePairIfAsked(argc, argv)) return 0;
    bool ok = true;
    for (bench::Size size : bench::sizesFrom(argc, argv)) {
        testing::TempDir dir;
        const std::vector<std::string> pairs = bench::writePairs(dir, size.releves, size.species);
        const double floor = bench::readPairsFloor(pairs);
        double firstFloor =
            bench::readFloor(pairs[0] + ".rli") + bench::readFloor(pairs[0] + ".rld");

        Session s;
        BatchUi ui;
        FormCreate(s, ui, {}, false);
        TableState& t = s.table;
        auto add = [&](const std::string& base) {
            HistoryStep step(t, "add");
            ui.fileAnswers.push_back(base + ".rli");
            Item_AddReleveClick(t, s.addPanel, ui);
            AddbyRecordBtnClick(t, s.dictionary, s.addPanel, ui);
        };
        const double heapBefore = heapBytes();
        double firstFresh = 0, all = 0;
        for (std::size_t k = 0; k < pairs.size(); ++k) {
            double d = cpuSeconds([&] { add(pairs[k]); });
            if (k == 0) firstFresh = d;
            all += d;
        }
        const bool large = size.releves >= 100000;
        auto aim = [&](const char* text) { return large ? text : ""; };
        const double addPeak = peakMiB(), logBytes = static_cast<double>(t.history.bytes());
        std::printf("%d x %d, %d species each, %zu pair(s)\n", size.releves, size.species,
                    bench::PairPerReleve, pairs.size());
        std::printf(
            "  add:                  %.3f s  (%.1f x reading the files, %.3f s)  NR=%d NS=%d\n",
            all, all / floor, floor, t.model.releveCount(), t.model.speciesCount());
        std::printf("  peak memory so far:   %.0f MiB%s\n", addPeak,
                    aim("  (aim: at most 256 MiB)"));
        std::printf("  undo log of the adds: %.1f MiB, %.0f bytes a relevé\n",
                    logBytes / (1024.0 * 1024.0), logBytes / size.releves);
        ok = ok && t.model.releveCount() == size.releves && t.model.speciesCount() == size.species;
        const std::int32_t added = t.model.releveCount(), species = t.model.speciesCount();
        double undo = cpuSeconds([&] {
            for (std::size_t k = 0; k < pairs.size(); ++k) t.history.undo(t.model);
        });
        ok = ok && t.model.releveCount() == 0 && t.model.speciesCount() == 0;
        double redo = cpuSeconds([&] {
            for (std::size_t k = 0; k < pairs.size(); ++k) t.history.redo(t.model);
        });
        ok = ok && t.model.releveCount() == added && t.model.speciesCount() == species;
        std::printf("  undo of the adds:     %.3f s, redo %.3f s\n", undo, redo);
        // The table alone: what stays on the heap once its history is gone.
        t.history.restart(t.model);
        malloc_trim(0);
        const double tableBytes = heapBytes() - heapBefore;
        // The code lists (with malloc's eight bytes a block), as the model shows them.
        double codeBytes = 0;
        for (int r = 0; r < t.model.codes().releveSlots(); ++r) {
            const auto& v = t.model.codes().releve(r);
            codeBytes += static_cast<double>(sizeof v) +
                         (v.capacity() ? static_cast<double>(v.capacity() * sizeof v[0] + 8) : 0);
        }
        std::printf("  the table:            %.0f MiB, %.0f bytes a relevé%s\n",
                    tableBytes / (1024.0 * 1024.0), tableBytes / size.releves,
                    aim("  (aim: at most 1,024)"));
        // A copy of the grid costs what its cells and maps need, without the room
        // its rows keep for growth.
        const double beforeCopy = heapBytes();
        double gridBytes = 0;
        {
            const Grid copy = t.model.grid();
            gridBytes = heapBytes() - beforeCopy;
        }
        std::printf(
            "    of which cover codes %.0f, the grid, origins and counts %.0f (a copy of the grid "
            "%.0f)\n",
            codeBytes / size.releves, (tableBytes - codeBytes) / size.releves,
            gridBytes / size.releves);
        RecipResult r;
        double recip = cpuSeconds([&] { r = reciprocalAveraging(t, ui); });
        std::printf("  recip:                %.3f s  (%d passes, %s)\n", recip, r.passes,
                    recipEndName(r.end));
        double clear = cpuSeconds([&] { ClearTable(t, ui); });
        double again = cpuSeconds([&] { add(pairs[0]); });
        std::printf("  clear:                %.3f s\n", clear);
        std::printf(
            "  first pair again after recip and clear: %.3f s, fresh %.3f s (%.2f x fresh; "
            "%.1f x reading its files)\n",
            again, firstFresh, again / firstFresh, again / firstFloor);
        std::printf("  peak memory:          %.0f MiB\n", peakMiB());
        ok = ok && ui.messages.empty();
    }
    return ok ? 0 : 1;
}

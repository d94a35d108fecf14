// The synoptic table and the sort by fidelity on a 10,000-relevé x 3,000-species
// table in 50 groups (49 empty columns between them), 40 species per relevé, half
// of them from the group's own 40 species (1,000 species belong to no group).
// Each figure is set against its floor measured in the same run: one plain pass
// over the same grid cells (the least any computation from the cells can cost),
// and the same CSV bytes written by plain stdio.
#include <unistd.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "analysis/synoptic.h"
#include "bench_table.h"
#include "io/safe_file.h"
#include "platform/batch/batch_ui.h"
#include "table/frequency.h"

namespace {

using namespace tamsel;

}  // namespace

int main() {
    using tamsel::bench::seconds;
    TableState t;
    BatchUi ui;
    bench::buildInGroups(t, ui);
    const SynopticOptions options{25, 0.001};

    // The floor of a pass over the cells: touch every cell of every species row.
    const TableLayout layout = layoutOf(t);
    std::size_t bytes = 0;
    const double floorRead = seconds([&] {
        for (int i = 1; i <= t.model.speciesCount(); ++i)
            t.model.grid().forEachInRow(layout.speciesRow(i), [&](int col, const std::string& s) {
                bytes += s.size() + col;
            });
    });
    const double recount = seconds([&] { tamsel::recount(t, ui); });
    Synoptic s;
    const double compute = seconds([&] { s = computeSynoptic(t, options); });
    StringSink csv;
    const double format = seconds([&] { writeSynopticCsv(csv, s); });

    const std::string path = "/tmp/tamsel-synoptic-bench.csv";
    const double safeWrite =
        seconds([&] { writeFileSafely(path, [&](ByteSink& out) { writeSynopticCsv(out, s); }); });
    const double plainWrite = seconds([&] {
        std::FILE* f = std::fopen(path.c_str(), "wb");
        std::fwrite(csv.text.data(), 1, csv.text.size(), f);
        std::fflush(f);
        fsync(fileno(f));
        std::fclose(f);
    });
    std::remove(path.c_str());

    const double sort = seconds([&] { sortByFidelity(t, ui, options); });

    std::size_t cells = 0;
    for (int i = 1; i <= t.model.speciesCount(); ++i) cells += t.model.freq()[i];
    const auto counts = s.diagnosticCounts();
    std::size_t diagnostic = 0;
    for (auto c : counts) diagnostic += c;
    std::printf("table: %d relevés in %zu groups, %d species, %zu presences (checksum %zu)\n",
                t.model.releveCount(), s.groups.size(), t.model.speciesCount(), cells, bytes % 10);
    std::printf("diagnostic species: %zu (phi x 100 >= 25, Fisher p < 0.001)\n", diagnostic);
    std::printf("plain pass over the cells (floor): %8.4f s\n", floorRead);
    std::printf("recount:                           %8.4f s\n", recount);
    std::printf("synoptic table:                    %8.4f s  (%.1f x floor)\n", compute,
                compute / floorRead);
    std::printf("CSV in memory (%zu bytes):       %8.4f s\n", csv.text.size(), format);
    std::printf(
        "CSV through SafeFileWriter:        %8.4f s  (%.1f x in memory + plain write and fsync "
        "%.4f s)\n",
        safeWrite, safeWrite / (format + plainWrite), plainWrite);
    std::printf("sort by fidelity (recount, table, permutation): %8.4f s\n", sort);
    std::printf("peak memory: %.0f MiB\n", tamsel::bench::peakMiB());
    return 0;
}

// IndVal in the synoptic table, OptimClass to 20 groups and Beals smoothing on
// the synoptic bench's table (10,000 relevés x 3,000 species in 50 groups, 40
// species per relevé), each printed beside its aim. Processor seconds: the
// machine is shared.
#include <cstdio>
#include <string>

#include "analysis/beals.h"
#include "analysis/optimclass.h"
#include "analysis/synoptic.h"
#include "bench_table.h"
#include "io/byte_sink.h"
#include "platform/batch/batch_ui.h"

namespace {

using namespace tamsel;

// Counts the bytes: the measure is the computation and the formatting, not the disk.
class CountingSink : public ByteSink {
  public:
    void write(std::string_view bytes) override { size += bytes.size(); }
    std::size_t size = 0;
};

}  // namespace

int main() {
    using bench::cpuSeconds;
    TableState t;
    BatchUi ui;
    bench::buildInGroups(t, ui);

    SynopticOptions plain{25, 0.001};
    SynopticOptions withIndval = plain;
    withIndval.indval = true;
    CountingSink a, b;
    const double without = cpuSeconds([&] { writeSynopticCsv(a, computeSynoptic(t, plain)); });
    const double with = cpuSeconds([&] { writeSynopticCsv(b, computeSynoptic(t, withIndval)); });

    std::optional<OptimClassRun> run;
    const OptimClassOptions o{20, 0.001, 3};
    const double optim = cpuSeconds([&] { run = optimClassOfTable(t, ui, TwinspanOptions{}, o); });

    CountingSink beals;
    const double smoothing = cpuSeconds([&] { writeBealsCsv(beals, t, false); });

    std::printf("table: %d relevés (50 groups), %d species\n", t.model.releveCount(),
                t.model.speciesCount());
    std::printf("synoptic table, CSV in memory:   %7.3f s (%zu bytes)\n", without, a.size);
    std::printf("  with IndVal:                   %7.3f s (%zu bytes)\n", with, b.size);
    std::printf("  IndVal adds:                   %7.3f s   aim < 0.2 s\n", with - without);
    std::printf("OptimClass to 20 groups:         %7.3f s   aim < 30 s\n", optim);
    if (run && run->best() >= 0) {
        const OptimClassPoint& p = run->points[run->best()];
        std::printf("  %zu partitions; best: %s, %d groups, %u faithful species\n",
                    run->points.size(), p.classic ? "classic" : "modified", p.groups,
                    p.count.faithful);
    }
    std::printf("Beals smoothing, CSV formatted:  %7.3f s   aim < 5 s (%zu bytes)\n", smoothing,
                beals.size);
    std::printf("peak memory: %.0f MiB\n", bench::peakMiB());
    return 0;
}

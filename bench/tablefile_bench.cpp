// Saving and loading a table of R relevés x S species, 40 species per relevé,
// built directly in the table state as placing builds it. The save is set beside
// writing and syncing as many bytes, the load beside reading the file; the load
// runs in a process of its own, so its peak memory is the load's alone.
//   bench_tablefile_bench [--large | --large-only | --size RELEVES SPECIES] [--keep]
// --keep leaves the saved file in the temp folder, for profiling a load of it alone:
//   bench_tablefile_bench --load FILE
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_table.h"
#include "platform/batch/batch_ui.h"
#include "tablefile/table_file.h"

namespace {

using namespace tamsel;

using bench::build;
using bench::cpuSeconds;
using bench::peakMiB;

bool sameFiles(const std::string& x, const std::string& y) {
    std::FILE* a = std::fopen(x.c_str(), "rb");
    std::FILE* b = std::fopen(y.c_str(), "rb");
    bool same = a && b;
    std::vector<char> p(1 << 20), q(1 << 20);
    while (same) {
        std::size_t n = std::fread(p.data(), 1, p.size(), a),
                    m = std::fread(q.data(), 1, q.size(), b);
        if (n != m || std::memcmp(p.data(), q.data(), n) != 0) same = false;
        if (n == 0) break;
    }
    if (a) std::fclose(a);
    if (b) std::fclose(b);
    return same;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::strcmp(argv[1], "--load") == 0) {
        double before = bench::currentMiB();
        const std::string path = argv[2];
        {
            TableState u;
            InitGlobals(u);
            double load = cpuSeconds([&] { loadTableFile(u, path); });
            std::printf("%.3f %.0f %.0f %.0f\n", load, peakMiB(), before, bench::currentMiB());
            std::fflush(stdout);
            if (argc == 3) return 0;
            saveTableFile(u, path + ".again");
        }
        // A loaded table (capacity = counts) saves the same bytes after another load.
        TableState v;
        InitGlobals(v);
        loadTableFile(v, path + ".again");
        saveTableFile(v, path + ".third");
        return 0;
    }
    bool ok = true;
    bool keep = false;
    for (int k = 1; k < argc; ++k) keep = keep || std::strcmp(argv[k], "--keep") == 0;
    for (bench::Size size : bench::sizesFrom(argc, argv)) {
        BatchUi ui;
        TableState t;
        double before = bench::currentMiB();
        build(t, ui, size.releves, size.species, 40);
        double table = bench::currentMiB() - before;
        const std::string path =
            (std::filesystem::temp_directory_path() / "tamsel-tablefile-bench.vtb").string();
        // The disk is shared: below the large size the save and the floor take turns
        // three times (save first, then the floor first, ...), and each ratio is of one pair.
        const int turns =
            static_cast<long long>(size.releves) * size.species <= 300'000'000 ? 3 : 1;
        std::vector<std::string> pairs;
        double save = 0, wfloor = 0;
        std::uintmax_t bytes = 0;
        for (int k = 0; k < turns; ++k) {
            double cpu = 0, wall = 0, floorCpu = 0, floorWall = 0;
            auto saving = [&] {
                wall = bench::seconds([&] { cpu = cpuSeconds([&] { saveTableFile(t, path); }); });
                bytes = std::filesystem::file_size(path);
            };
            if (k % 2 == 0) saving();
            floorCpu = bench::writeFloor(path + ".floor", bytes, &floorWall);
            if (k % 2 == 1) saving();
            save = cpu;
            wfloor = floorCpu;
            char line[200];
            std::snprintf(line, sizeof line,
                          "    %s: save %.3f s, writing and syncing as many bytes %.3f s: %.2f x "
                          "(wall clock %.1f s, %.1f s: %.2f x)\n",
                          k % 2 ? "floor first" : "save first ", cpu, floorCpu, cpu / floorCpu,
                          wall, floorWall, wall / floorWall);
            pairs.push_back(line);
        }
        double mib = static_cast<double>(bytes) / (1024.0 * 1024.0);
        double rfloor = bench::readFloor(path);
        // The round trip of the saved bytes is checked at the small size only: at
        // the large one it would write the 7.5 GB file twice more.
        const bool roundTrip = size.releves <= 10000;
        std::string child = bench::runSelf("--load '" + path + "'" + (roundTrip ? " again" : ""));
        double load = 0, loadPeak = 0, childBase = 0, childAfter = 0;
        if (std::sscanf(child.c_str(), "%lf %lf %lf %lf", &load, &loadPeak, &childBase,
                        &childAfter) != 4)
            ok = false;
        bool same = !roundTrip || sameFiles(path + ".again", path + ".third");
        ok = ok && same;
        std::printf("%d x %d, 40 species each: file %.1f MiB, table in memory %.0f MiB\n",
                    size.releves, size.species, mib, table);
        std::printf("  save: %.3f s  (%.1f x writing and syncing as many bytes, %.3f s)\n", save,
                    save / wfloor, wfloor);
        for (const std::string& p : pairs) std::fputs(p.c_str(), stdout);
        std::printf(
            "  load: %.3f s  (%.1f x reading the file, %.3f s; aim: at most 3 x); peak memory "
            "of the loading process %.0f MiB (%.0f MiB before, the loaded table %.0f MiB)\n",
            load, load / rfloor, rfloor, loadPeak, childBase, childAfter - childBase);
        if (roundTrip)
            std::printf("  a loaded table saved, loaded and saved again: %s bytes\n",
                        same ? "same" : "DIFFERENT");
        if (keep)
            std::printf("  kept %s\n", path.c_str());
        else
            std::filesystem::remove(path);
        std::filesystem::remove(path + ".again");
        std::filesystem::remove(path + ".third");
    }
    std::printf("peak memory of this process %.0f MiB\n", peakMiB());
    return ok ? 0 : 1;
}

// The large table of the benchmarks, built directly in the table state as placing
// builds it, and the two measures they print.
#pragma once

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "platform/batch/batch_ui.h"
#include "table/frequency.h"
#include "table/table_layout.h"

namespace tamsel::bench {

inline double peakMiB() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_maxrss) / 1024.0;
}

// The resident memory now (not the peak), from /proc.
inline double currentMiB() {
    long pages = 0, resident = 0;
    if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) /
           (1024.0 * 1024.0);
}

// Processor seconds (user and system) of this process while f runs: the machine
// is shared, and wall-clock time would count the others' work too.
inline double cpuNow() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}
template <typename F>
double cpuSeconds(F&& f) {
    double start = cpuNow();
    f();
    return cpuNow() - start;
}
// Wall-clock seconds of f.
template <typename F>
double seconds(F&& f) {
    auto t0 = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}
// Too short for the processor clock's resolution: the best wall-clock time of
// five runs, which another process's work can only lengthen.
template <typename F>
double bestOfFive(F&& f) {
    double best = 1e9;
    for (int k = 0; k < 5; ++k) {
        auto t0 = std::chrono::steady_clock::now();
        f();
        best = std::min(
            best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    }
    return best;
}

struct Size {
    int releves, species;
};

// 10,000 x 3,000 always; 100,000 x 10,000 too with --large, or alone with --large-only;
// --size R S alone measures R relevés x S species.
inline std::vector<Size> sizesFrom(int argc, char** argv) {
    bool large = false, only = false;
    std::vector<Size> out;
    for (int k = 1; k < argc; ++k) {
        large = large || std::strcmp(argv[k], "--large") == 0;
        only = only || std::strcmp(argv[k], "--large-only") == 0;
        if (std::strcmp(argv[k], "--size") == 0 && k + 2 < argc)
            out.push_back({std::atoi(argv[k + 1]), std::atoi(argv[k + 2])});
    }
    if (!out.empty()) return out;
    if (!only) out.push_back({10000, 3000});
    if (large || only) out.push_back({100000, 10000});
    return out;
}

// The physical floors: the same bytes read from the file through a 1 MiB buffer
// (from the page cache, as the measured load reads it), and written to a file
// and synced, as the safe writer does.
inline double readFloor(const std::string& path) {
    std::vector<char> buf(1 << 20);
    return cpuSeconds([&] {
        std::FILE* in = std::fopen(path.c_str(), "rb");
        if (!in) std::abort();
        while (std::fread(buf.data(), 1, buf.size(), in) > 0) {
        }
        std::fclose(in);
    });
}
inline double writeFloor(const std::string& path, std::uint64_t bytes, double* wall = nullptr) {
    std::vector<char> buf(1 << 20, '0');
    const auto t0 = std::chrono::steady_clock::now();
    double s = cpuSeconds([&] {
        std::FILE* out = std::fopen(path.c_str(), "wb");
        if (!out) std::abort();
        for (std::uint64_t left = bytes; left > 0;) {
            std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(left, buf.size()));
            std::fwrite(buf.data(), 1, n, out);
            left -= n;
        }
        std::fflush(out);
        fsync(fileno(out));
        std::fclose(out);
    });
    if (wall) *wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    std::remove(path.c_str());
    return s;
}

// Runs this program again with args and returns what it printed: a step measured
// in a process of its own has its own peak memory.
inline std::string runSelf(const std::string& args) {
    char self[4096];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) std::abort();
    self[n] = 0;
    std::string out;
    if (std::FILE* p = popen((std::string("'") + self + "' " + args).c_str(), "r")) {
        char buf[4096];
        std::size_t got;
        while ((got = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, got);
        pclose(p);
    }
    return out;
}

// A blank table of releves x species whose species rows are named prefix1,
// prefix2, ...; the benches fill its cells. Returns its layout.
inline TableLayout sizedTable(TableState& t, BatchUi& ui, int releves, int species,
                              const std::string& prefix) {
    startBlankTable(t, ui);
    t.model.growReleves(releves);
    t.model.growSpecies(species);
    for (int j = 1; j <= releves; ++j) t.model.appendReleveColumn();
    for (int i = 1; i <= species; ++i) t.model.appendSpeciesRow(prefix + std::to_string(i));
    return TableLayout(t.model.freqRow());
}

// One species cell as placing writes it: its codes in TableArray, which the cell
// shows.
inline void putCodes(TableState& t, int col, int row, const LayerCodes& c) {
    t.model.setCodes(t.model.releveSlotAt(col), t.model.speciesSlotAt(row), c);
}

// releves x species, perReleve species in each relevé: a random layer and H1.
inline void build(TableState& t, BatchUi& ui, int releves, int species, int perReleve) {
    const TableLayout layout = sizedTable(t, ui, releves, species, "Species name ");
    std::mt19937 rng(11);
    const CoverCode codes[] = {7, 10, 20, 30, 40, 55};
    for (int j = 1; j <= releves; ++j) {
        const int col = TableLayout::releveCol(j);
        t.model.setCodes(t.model.releveSlotAt(col), 0, LayerCodes{5, 2, 0, 0, 0, 0, 0});
        for (int row = TableLayout::FirstItemRow; row <= layout.lastItemRow(); ++row)
            t.model.setCell(col, row, std::to_string(j % 1000));
        std::vector<char> taken(static_cast<std::size_t>(species) + 1, 0);
        for (int k = 0; k < perReleve;) {
            int i = 1 + static_cast<int>(rng() % species);
            if (taken[i]) continue;
            taken[i] = 1;
            ++k;
            LayerCodes c{};
            c[rng() % LayerCount] = codes[rng() % 6];
            c[4] = codes[rng() % 6];
            putCodes(t, col, layout.speciesRow(i), c);
        }
    }
    recount(t, ui);
}

// 10,000 relevés x 3,000 species in 50 groups (49 empty columns between them),
// 40 species per relevé, half of them from the group's own 40 species (1,000
// species belong to no group); every cover 2.5 %.
constexpr int Groups = 50, PerGroup = 200, Species = 3000, PerReleve = 40;

inline void buildInGroups(TableState& t, BatchUi& ui) {
    const int releves = Groups * PerGroup + Groups - 1;
    const TableLayout layout = bench::sizedTable(t, ui, releves, Species, "Species name ");
    std::mt19937 rng(7);
    for (int j = 1; j <= releves; ++j) {
        if (j % (PerGroup + 1) == 0) continue;  // the empty column between groups
        const int g = j / (PerGroup + 1);
        const int col = TableLayout::releveCol(j);
        std::vector<char> taken(Species + 1, 0);
        for (int k = 0; k < PerReleve;) {
            int i = k % 2 == 0 ? 1 + g * 40 + static_cast<int>(rng() % 40)
                               : 1 + static_cast<int>(rng() % Species);
            if (taken[i]) continue;
            taken[i] = 1;
            ++k;
            LayerCodes c{};
            c[4] = 10;
            bench::putCodes(t, col, layout.speciesRow(i), c);
        }
    }
    recount(t, ui);
}

}  // namespace tamsel::bench

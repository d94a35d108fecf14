// Reading a data file pair of 100,000 relevés with about 30 species each: opening
// the pair and ReadReleve of every record, against a plain sequential read of the
// same bytes. Usage: bench_read_bench [RELEVES]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "datafile/data_file_pair.h"
#include "support/data_file_writer.h"
#include "support/temp_dir.h"

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point t) {
    return std::chrono::duration<double>(Clock::now() - t).count();
}

std::vector<tamsel::testing::ReleveIn> makeReleves(int count) {
    static const char* const layers[] = {"5       +     ", "  3 +2  r     ", "        23    ",
                                         "    1   +     ", "          +2  ", "            * "};
    std::vector<tamsel::testing::ReleveIn> out;
    std::uint32_t seed = 12345;
    auto next = [&] { return seed = seed * 1103515245u + 12345u; };
    for (int k = 1; k <= count; ++k) {
        tamsel::testing::ReleveIn r;
        r.releveNumber = std::to_string(k);
        r.siteName = "site" + std::to_string(k % 97);
        r.gridCode = "5339-" + std::to_string(10 + k % 80);
        r.fours[0] = std::to_string(200 + k % 1500);
        int species = 25 + static_cast<int>(next() >> 16) % 11;  // 25..35
        for (int s = 0; s < species; ++s)
            r.species.push_back(
                {"species" + std::to_string((next() >> 16) % 600), layers[(next() >> 16) % 6]});
        out.push_back(std::move(r));
    }
    return out;
}

// Sequential read of a whole file in 64 KiB pieces; returns the bytes read.
std::size_t readAll(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return 0;
    std::vector<char> buf(64 * 1024);
    std::size_t total = 0, got;
    while ((got = std::fread(buf.data(), 1, buf.size(), f)) > 0) total += got;
    std::fclose(f);
    return total;
}

}  // namespace

int main(int argc, char** argv) {
    int count = argc > 1 ? std::atoi(argv[1]) : 100000;
    tamsel::testing::TempDir dir;
    std::string base = dir.file("bench");

    auto t0 = Clock::now();
    tamsel::testing::writeDataFilePair(base, makeReleves(count));
    std::printf("wrote %d releves in %.2f s\n", count, secondsSince(t0));
    double mb = static_cast<double>(std::filesystem::file_size(base + ".rli") +
                                    std::filesystem::file_size(base + ".rld")) /
                1e6;
    std::printf("pair: %.1f MB\n", mb);

    // Best of three runs of each, with the files in the page cache.
    double bestBytes = 1e9, bestRead = 1e9;
    long species = 0;
    for (int run = 0; run < 3; ++run) {
        auto t = Clock::now();
        std::size_t bytes = readAll(base + ".rli") + readAll(base + ".rld");
        bestBytes = std::min(bestBytes, secondsSince(t));
        if (bytes == 0) return 1;

        tamsel::DataFilePair p;
        t = Clock::now();
        if (!tamsel::openDataFilesAt(p, base + ".rli")) {
            std::fprintf(stderr, "cannot open the pair\n");
            return 1;
        }
        species = 0;
        for (std::int32_t n = 1; n <= p.LastRecord; ++n) {
            if (!tamsel::ReadReleve(p, n)) {
                std::fprintf(stderr, "record %d unreadable\n", n);
                return 1;
            }
            species += p.PlantSetCount;
        }
        tamsel::CloseDataFiles(p);
        bestRead = std::min(bestRead, secondsSince(t));
    }
    std::printf("species read: %ld (%.1f per releve)\n", species,
                static_cast<double>(species) / count);
    std::printf("plain sequential read: %.3f s, %.0f MB/s\n", bestBytes, mb / bestBytes);
    std::printf("open + ReadReleve all: %.3f s, %.0f MB/s, %.2f us per releve\n", bestRead,
                mb / bestRead, bestRead * 1e6 / count);
    std::printf("reader / bytes: %.2f\n", bestRead / bestBytes);
    return 0;
}

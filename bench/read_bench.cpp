// Reading a data file pair of 100,000 relevés with about 30 species each: opening
// the pair and ReadReleve of every record, against a plain sequential read of the
// same bytes; once with the species chains running forwards through the .rld file
// and once with the same records laid out backwards (every chain runs towards the
// start of the file). Usage: bench_read_bench [RELEVES]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "datafile/data_file_pair.h"
#include "support/data_file_writer.h"
#include "support/temp_dir.h"
#include "text/error.h"

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

// The pair with the .rld records in reverse order: species record i of the
// forward layout becomes record R + 1 - i, so every chain runs backwards.
void writeBackwardPair(const std::string& base,
                       const std::vector<tamsel::testing::ReleveIn>& releves) {
    using namespace tamsel::testing;
    std::int32_t total = 0;
    for (const ReleveIn& r : releves)
        total += static_cast<std::int32_t>((r.species.size() + 11) / 12);
    std::vector<std::string> rli{std::string(256, ' ')};
    std::vector<std::string> rld(static_cast<std::size_t>(total) + 1, std::string(512, ' '));
    std::int32_t forward = 1;
    for (const ReleveIn& r : releves) {
        auto records = static_cast<std::int32_t>((r.species.size() + 11) / 12);
        rli.push_back(headerRecord(r, records ? total + 1 - forward : 0));
        for (std::int32_t k = 0; k < records; ++k) {
            std::vector<SpeciesIn> part(
                r.species.begin() + 12 * k,
                r.species.begin() + std::min<std::size_t>(r.species.size(), 12 * (k + 1)));
            std::int32_t at = total + 1 - (forward + k);
            rld[static_cast<std::size_t>(at)] = speciesRecord(part, k + 1 < records ? at - 1 : 0);
        }
        forward += records;
    }
    writeRecords(base, rli, rld);
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

// Best of three: plain read of the pair's bytes and ReadReleve of every record.
struct Timing {
    double bytes = 1e9, reader = 1e9;
    long species = 0;
};

bool measure(const std::string& base, int count, Timing& out) {
    for (int run = 0; run < 3; ++run) {
        auto t = Clock::now();
        std::size_t bytes = readAll(base + ".rli") + readAll(base + ".rld");
        out.bytes = std::min(out.bytes, secondsSince(t));
        if (bytes == 0) return false;

        tamsel::DataFilePair p;
        t = Clock::now();
        try {
            tamsel::openDataFilesAt(p, base + ".rli");
        } catch (const tamsel::Error&) {
            std::fprintf(stderr, "cannot open the pair\n");
            return false;
        }
        out.species = 0;
        for (std::int32_t n = 1; n <= p.LastRecord; ++n) {
            if (!tamsel::ReadReleve(p, n)) {
                std::fprintf(stderr, "record %d unreadable\n", n);
                return false;
            }
            out.species += p.PlantSetCount;
        }
        tamsel::CloseDataFiles(p);
        out.reader = std::min(out.reader, secondsSince(t));
    }
    (void)count;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    int count = argc > 1 ? std::atoi(argv[1]) : 100000;
    tamsel::testing::TempDir dir;
    const auto releves = makeReleves(count);
    double forwardReader = 0;
    for (bool backward : {false, true}) {
        std::string base = dir.file(backward ? "backward" : "forward");
        auto t0 = Clock::now();
        if (backward)
            writeBackwardPair(base, releves);
        else
            tamsel::testing::writeDataFilePair(base, releves);
        double mb = static_cast<double>(std::filesystem::file_size(base + ".rli") +
                                        std::filesystem::file_size(base + ".rld")) /
                    1e6;
        std::printf("%s chains: wrote %d releves, %.1f MB, in %.2f s\n",
                    backward ? "backward" : "forward", count, mb, secondsSince(t0));
        Timing m;
        if (!measure(base, count, m)) return 1;
        std::printf("  species read: %ld (%.1f per releve)\n", m.species,
                    static_cast<double>(m.species) / count);
        std::printf("  plain sequential read: %.3f s, %.0f MB/s\n", m.bytes, mb / m.bytes);
        std::printf("  open + ReadReleve all: %.3f s, %.0f MB/s, %.2f us per releve\n", m.reader,
                    mb / m.reader, m.reader * 1e6 / count);
        std::printf("  reader / bytes: %.2f\n", m.reader / m.bytes);
        if (backward)
            std::printf("backward / forward reader: %.2f\n", m.reader / forwardReader);
        else
            forwardReader = m.reader;
    }
    return 0;
}

// Data file pairs for the benches: R relevés of 40 species each out of S distinct
// species, in pairs of at most 50,000 records (the add's record way reads record
// numbers up to 65,535). Each pair is written by a process of its own (this
// program run again with --write-pair), so that the records' memory is not in
// the bench's peak.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "bench_table.h"
#include "support/data_file_writer.h"
#include "support/temp_dir.h"

namespace tamsel::bench {

constexpr int PairPerReleve = 40, PairSize = 50000;

// Relevés first + 1 .. first + count, each of 40 distinct species out of distinct,
// in a random layer with a random code.
inline void writePair(const std::string& base, int first, int count, int distinct) {
    static const char* const texts[] = {"+", "r", "1", "2", "3", "4", "5", "*", "+2", "23"};
    std::mt19937 rng(static_cast<unsigned>(2024 + first));
    std::vector<testing::ReleveIn> out(static_cast<std::size_t>(count));
    std::vector<int> pool(static_cast<std::size_t>(distinct));
    for (int k = 0; k < distinct; ++k) pool[k] = k;
    for (int j = 0; j < count; ++j) {
        testing::ReleveIn& r = out[j];
        r.releveNumber = std::to_string(first + j + 1);
        r.gridCode = std::to_string(5000 + rng() % 900);
        // 40 distinct species: a partial shuffle of the pool.
        for (int k = 0; k < PairPerReleve; ++k) {
            std::swap(pool[k], pool[k + rng() % (distinct - k)]);
            std::string layers(14, ' ');
            int layer = static_cast<int>(rng() % 7);
            std::string text = texts[rng() % 10];
            layers.replace(2 * layer, text.size(), text);
            r.species.push_back({"Species " + std::to_string(pool[k] + 1), layers});
        }
    }
    testing::writeDataFilePair(base, out);
}

// The child's part: true when this run was asked to write one pair (and did).
inline bool writePairIfAsked(int argc, char** argv) {
    if (argc != 6 || std::strcmp(argv[1], "--write-pair") != 0) return false;
    writePair(argv[2], std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]));
    return true;
}

// Writes releves x species into dir as pair0, pair1, ...; returns their base paths.
inline std::vector<std::string> writePairs(const testing::TempDir& dir, int releves, int species) {
    std::vector<std::string> pairs;
    for (int first = 0; first < releves; first += PairSize) {
        pairs.push_back(dir.file("pair" + std::to_string(pairs.size())));
        runSelf("--write-pair '" + pairs.back() + "' " + std::to_string(first) + " " +
                std::to_string(std::min(PairSize, releves - first)) + " " +
                std::to_string(species));
    }
    return pairs;
}

// Reading the pairs' files plainly: the floor of an add.
inline double readPairsFloor(const std::vector<std::string>& pairs) {
    double floor = 0;
    for (const auto& p : pairs) floor += readFloor(p + ".rli") + readFloor(p + ".rld");
    return floor;
}

}  // namespace tamsel::bench

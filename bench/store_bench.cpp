// The relevé store at a million relevés: R relevés (1,000,000 unless --releves N)
// of 40 species each out of S species (20,000 unless --species S), with survey
// dates over 70 years and places over a 10° square, written as data file pairs
// of 50,000 and imported into one store. Then opening the store, the relevés
// holding one species, species and box and date together, and placing 10,000
// selected relevés into an empty table. Each figure is printed beside its aim and
// as a multiple of its floor: reading the pairs' files for the import; a bare
// sqlite3_open for the opening; the count of the narrowest condition's index
// entries alone (SQLite, no join) for a selection; the add of the same relevés
// from their pair for the placing.
//   bench_store_bench [--releves N] [--species S] [--keep DIR]
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "app/session/batch.h"
#include "app/session/session.h"
#include "bench_table.h"
#include "compose/add_releve.h"
#include "platform/error.h"
#include "store/releve_store.h"
#include "support/data_file_writer.h"
#include "support/temp_dir.h"
#include "text/sjis.h"

using namespace tamsel;
using bench::cpuSeconds;
using bench::peakMiB;
using bench::seconds;

namespace {

constexpr int PerReleve = 40, PairSize = 50000;

// Relevés first + 1 .. first + count, each of 40 distinct species out of distinct.
void writePair(const std::string& base, int first, int count, int distinct) {
    static const char* const texts[] = {"+", "r", "1", "2", "3", "4", "5", "*", "+2", "23"};
    std::mt19937 rng(static_cast<unsigned>(4242 + first));
    std::vector<testing::ReleveIn> out(static_cast<std::size_t>(count));
    std::vector<int> pool(static_cast<std::size_t>(distinct));
    for (int k = 0; k < distinct; ++k) pool[static_cast<std::size_t>(k)] = k;
    char text[32];
    for (int j = 0; j < count; ++j) {
        testing::ReleveIn& r = out[static_cast<std::size_t>(j)];
        r.releveNumber = std::to_string(first + j + 1);
        r.gridCode = std::to_string(5000 + rng() % 900);
        std::snprintf(text, sizeof text, "%04u%02u%02u", 1950 + static_cast<unsigned>(rng() % 70),
                      1 + static_cast<unsigned>(rng() % 12), 1 + static_cast<unsigned>(rng() % 28));
        r.surveyDate = text;
        std::snprintf(text, sizeof text, "%.4f", 35.0 + (rng() % 100000) / 10000.0);
        r.latitude = text;
        std::snprintf(text, sizeof text, "%.4f", 135.0 + (rng() % 100000) / 10000.0);
        r.longitude = text;
        r.fours[0] = std::to_string(rng() % 2500);
        for (int k = 0; k < PerReleve; ++k) {
            const auto at = static_cast<std::size_t>(k);
            std::swap(pool[at], pool[at + rng() % static_cast<unsigned>(distinct - k)]);
            std::string layers(14, ' ');
            const auto layer = static_cast<std::size_t>(rng() % 7);
            const std::string code = texts[rng() % 10];
            layers.replace(2 * layer, code.size(), code);
            r.species.push_back({"Species " + std::to_string(pool[at] + 1), layers});
        }
    }
    testing::writeDataFilePair(base, out);
}

struct Options {
    int releves = 1000000, species = 20000;
    std::string keep;  // a folder to write into and keep, instead of a temporary one
};

Options optionsFrom(int argc, char** argv) {
    Options o;
    for (int k = 1; k + 1 < argc; k += 2) {
        if (!std::strcmp(argv[k], "--releves")) o.releves = std::atoi(argv[k + 1]);
        if (!std::strcmp(argv[k], "--species")) o.species = std::atoi(argv[k + 1]);
        if (!std::strcmp(argv[k], "--keep")) o.keep = argv[k + 1];
    }
    return o;
}

// The best wall-clock seconds of three runs (too short for the processor clock).
template <typename F>
double best(F&& f) {
    double b = 1e9;
    for (int k = 0; k < 3; ++k) b = std::min(b, seconds(f));
    return b;
}

std::int64_t count(sqlite3* db, const std::string& sql) {
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr) != SQLITE_OK) return -1;
    std::int64_t n = sqlite3_step(s) == SQLITE_ROW ? sqlite3_column_int64(s, 0) : -1;
    sqlite3_finalize(s);
    return n;
}

void line(const char* what, double figure, const char* unit, double aim, double floor) {
    std::printf("%-46s %9.3f %s  aim %s %g %s (%.2f of it)  floor %.3f %s (%.1f ×)\n", what, figure,
                unit, "<", aim, unit, figure / aim, floor, unit, floor > 0 ? figure / floor : 0.0);
}

}  // namespace

int main(int argc, char** argv) {
    const Options o = optionsFrom(argc, argv);
    testing::TempDir temp;
    const std::filesystem::path dir = o.keep.empty() ? temp.path() : std::filesystem::path(o.keep);
    std::filesystem::create_directories(dir);
    std::printf("store bench: %d relevés × %d species entries, %d species\n", o.releves, PerReleve,
                o.species);
    std::vector<std::string> pairs;
    const double written = seconds([&] {
        for (int first = 0; first < o.releves; first += PairSize) {
            pairs.push_back((dir / ("pair" + std::to_string(pairs.size()))).string());
            if (!std::filesystem::exists(pairs.back() + ".rli"))
                writePair(pairs.back(), first, std::min(PairSize, o.releves - first), o.species);
        }
    });
    std::printf("pairs written in %.1f s (wall)\n", written);
    const std::string path = (dir / "bench.tsdb").string();
    std::filesystem::remove(path);
    BatchUi ui;
    try {
        double floor = 0;
        for (const auto& p : pairs)
            floor += bench::readFloor(p + ".rli") + bench::readFloor(p + ".rld");
        double cpu = 0;
        const double wall = seconds([&] {
            ReleveStore store = ReleveStore::open(path, true);
            for (const auto& p : pairs) cpu += cpuSeconds([&] { store.importSource(p + ".rli"); });
        });
        const double perMinute = o.releves / (wall / 60.0);
        std::printf(
            "%-46s %9.0f relevés a minute (wall %.1f s, processor %.1f s)  aim > 100000 "
            "(%.2f of it)  floor: reading the pairs %.2f s (%.1f ×)\n",
            "import", perMinute, wall, cpu, perMinute / 100000.0, floor, cpu / floor);
        std::printf("store file %.0f MiB\n",
                    static_cast<double>(std::filesystem::file_size(path)) / (1024.0 * 1024.0));

        sqlite3* raw = nullptr;
        const double bare = best([&] {
            sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr);
            count(raw, "PRAGMA user_version");
            sqlite3_close(raw);
        });
        line("open", best([&] { ReleveStore::open(path, false); }), "s", 1.0, bare);
        sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr);

        ReleveStore store = ReleveStore::open(path, false);
        const ReplaceName none;
        StoreSelection one;
        one.species = {"Species 7"};
        std::size_t n = 0;
        const std::int64_t sevenId =
            count(raw,
                  "SELECT id FROM species_names WHERE name = CAST('Species 7' || "
                  "substr('                            ', 1, 19) AS BLOB)");
        const std::string entriesOfSeven =
            "SELECT count(*) FROM species_entries WHERE species = " + std::to_string(sevenId);
        const double speciesFloor = best([&] { count(raw, entriesOfSeven); });
        line("relevés holding one species", best([&] { n = store.select(one, none).size(); }), "s",
             0.2, speciesFloor);
        std::printf("  %zu relevés\n", n);

        StoreSelection three = one;
        three.box = {{137.0, 37.0, 142.0, 42.0}};
        three.dates = {{19700000, 19999999}};
        line("species and box and date", best([&] { n = store.select(three, none).size(); }), "s",
             0.5, speciesFloor);
        std::printf("  %zu relevés\n", n);
        sqlite3_close(raw);

        // 10,000 relevés of the first pair, placed from the store and added from the pair.
        StoreSelection first;
        first.datasets = {"pair0.rli"};
        std::vector<std::int64_t> ids = store.select(first, none);
        ids.resize(std::min<std::size_t>(ids.size(), 10000));
        auto place = [&](auto&& add) {
            Session s;
            BatchUi quiet;
            FormCreate(s, quiet, {}, false);
            return cpuSeconds([&] {
                HistoryStep step(s.table, "add");
                add(s, quiet);
            });
        };
        const double fromPair = place([&](Session& s, BatchUi& u) {
            s.addPanel.RtN1 = 1;
            s.addPanel.RtN2 = 10000;
            s.table.files.DataFileName = "pair0.rli";
            s.table.files.DataFolder = dir.string();
            AddbyRecord(s.table, s.dictionary, s.addPanel, u, [](std::int64_t) { return true; });
        });
        const double fromStore = place([&](Session& s, BatchUi& u) {
            auto feed = store.feed(ids);
            addFromFeed(
                s.table, s.dictionary, u, [](std::int64_t) { return true; }, *feed);
        });
        std::printf("(%zu relevés placed)\n", ids.size());
        line("placing 10,000 into an empty table", fromStore, "s", 2.0, fromPair);
        std::printf("peak memory %.0f MiB\n", peakMiB());
    } catch (const Error& e) {
        std::fprintf(stderr, "error: %s\n", toUtf8(e.what()).c_str());
        return 1;
    }
    return 0;
}

// Building a large table from a data file pair: 10,000 relevés of 40 species each,
// 3,000 distinct species. Prints the time of each step and the peak memory.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <random>

#include "analysis/sorting.h"
#include "app/session/session.h"
#include "compose/add_releve.h"
#include "compose/dictionary.h"
#include "platform/batch/batch_ui.h"
#include "support/data_file_writer.h"
#include "support/temp_dir.h"
#include "table/frequency.h"

using namespace tamsel;

namespace {

constexpr int Releves = 10000, PerReleve = 40, Distinct = 3000;

std::vector<testing::ReleveIn> makeReleves() {
    static const char* const texts[] = {"+", "r", "1", "2", "3", "4", "5", "*", "+2", "23"};
    std::mt19937 rng(2024);
    std::vector<testing::ReleveIn> out(Releves);
    std::vector<int> pool(Distinct);
    for (int k = 0; k < Distinct; ++k) pool[k] = k;
    for (int j = 0; j < Releves; ++j) {
        testing::ReleveIn& r = out[j];
        r.releveNumber = std::to_string(j + 1);
        r.gridCode = std::to_string(5000 + rng() % 900);
        // 40 distinct species: a partial shuffle of the pool.
        for (int k = 0; k < PerReleve; ++k) {
            std::swap(pool[k], pool[k + rng() % (Distinct - k)]);
            std::string layers(14, ' ');
            int layer = static_cast<int>(rng() % 7);
            std::string text = texts[rng() % 10];
            layers.replace(2 * layer, text.size(), text);
            r.species.push_back({"Species " + std::to_string(pool[k] + 1), layers});
        }
    }
    return out;
}

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Wall-clock seconds of f; its processor seconds are printed beside it, since
// the machine may be shared.
template <typename F>
std::string seconds(F&& f) {
    auto start = std::chrono::steady_clock::now();
    double cpu = cpuSeconds();
    f();
    double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    char text[64];
    std::snprintf(text, sizeof text, "%.3f s (cpu %.3f s)", wall, cpuSeconds() - cpu);
    return text;
}

}  // namespace

int main() {
    testing::TempDir dir;
    testing::writeDataFilePair(dir.file("big"), makeReleves());

    Session s;
    BatchUi ui;
    FormCreate(s, ui, {}, false);
    ui.fileAnswers.push_back(dir.file("big.rli"));
    Item_AddReleveClick(s.table, s.addPanel, ui);
    TableState& t = s.table;

    std::string build = seconds([&] { AddbyRecordBtnClick(t, s.dictionary, s.addPanel, ui); });
    std::printf("build (add %d records, recount included): %s  NR=%d NS=%d\n", Releves,
                build.c_str(), t.ReleveCount, t.SpeciesCount);
    std::printf("recount:              %s\n", seconds([&] { Item_FrequencyClick(t, ui); }).c_str());
    std::printf("sort species:         %s\n", seconds([&] { Item_SortPlantClick(t, ui); }).c_str());
    std::printf("sort relevés, most:   %s\n", seconds([&] { SortReleve(t, ui, false); }).c_str());
    std::printf("sort relevés, fewest: %s\n", seconds([&] { SortReleve(t, ui, true); }).c_str());

    // Again with a dictionary of 5,000 entries, half of whose old names occur in
    // another letter case: every one of the 400,000 names is looked up.
    std::string dic;
    for (int k = 1; k <= 5000; ++k)
        dic += (k % 2 ? "SPECIES " : "Unknown ") + std::to_string(k) + ",Species " +
               std::to_string(k) + "\r\n";
    testing::writeBytes(dir.file("big.dic"), dic);
    ui.fileAnswers.push_back(dir.file("big.dic"));
    Item_CheckNameClick(t, s.dictionary, ui);
    ClearTable(t, ui);
    build = seconds([&] { AddbyRecordBtnClick(t, s.dictionary, s.addPanel, ui); });
    std::printf("build with a 5,000-entry dictionary: %s  NR=%d NS=%d\n", build.c_str(),
                t.ReleveCount, t.SpeciesCount);

    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    std::printf("peak memory:          %.1f MB\n", static_cast<double>(u.ru_maxrss) / 1024.0);
    return t.ReleveCount == Releves && t.SpeciesCount == Distinct && ui.messages.empty() ? 0 : 1;
}

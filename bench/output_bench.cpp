// Writing a 10,000-relevé x 3,000-species table out: the text file, the PCord
// matrix (with its species list), the value matrix, the plot data and the
// exchange exports (Cornell condensed, long table, relevé statistics, indicator
// means). Each is
// compared with one buffered write of the same number of bytes through the same
// safe file writer (temporary file, fsync, rename), measured in the same run.
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "bench_table.h"
#include "io/safe_file.h"
#include "output/csv_exports.h"
#include "output/exchange.h"
#include "output/print_panel.h"
#include "output/text_file.h"
#include "output/text_layout.h"
#include "platform/batch/batch_ui.h"
#include "support/temp_dir.h"
#include "table/frequency.h"
#include "table/table_layout.h"

namespace {

using namespace tamsel;

constexpr int Releves = 10000, Species = 3000, PerReleve = 40;

// Every species in the herb layer, a third also in the tree or shrub layer; the
// default header items filled.
void build(TableState& t, BatchUi& ui) {
    startBlankTable(t, ui);
    t.model.growReleves(Releves);
    t.model.growSpecies(Species);
    for (int j = 1; j <= Releves; ++j) t.model.appendReleveColumn();
    for (int i = 1; i <= Species; ++i)
        t.model.appendSpeciesRow("Species name " + std::to_string(i));
    const TableLayout layout = layoutOf(t);
    std::mt19937 rng(7);
    const CoverCode values[] = {1, 6, 7, 10, 20, 23, 30, 40, 55};
    std::vector<char> taken(Species + 1);
    for (int j = 1; j <= Releves; ++j) {
        const int col = TableLayout::releveCol(j);
        const int rs = t.model.releveSlotAt(col);
        for (int row = TableLayout::FirstItemRow; row <= layout.lastItemRow(); ++row)
            t.model.setCell(col, row, std::to_string(j % 10000));
        std::fill(taken.begin(), taken.end(), 0);
        for (int k = 0; k < PerReleve;) {
            int i = 1 + static_cast<int>(rng() % Species);
            if (taken[i]) continue;
            taken[i] = 1;
            ++k;
            LayerCodes c{};
            c[4] = values[rng() % 9];
            if (rng() % 3 == 0) c[rng() % 2 == 0 ? 0 : 2] = values[rng() % 9];
            int row = layout.speciesRow(i);
            t.model.setCodes(rs, t.model.speciesSlotAt(row), c);
        }
    }
    recount(t, ui);
}

double seconds(const std::function<void()>& f) {
    auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::uintmax_t sizeOf(const std::vector<std::string>& paths) {
    std::uintmax_t n = 0;
    for (const auto& p : paths) n += std::filesystem::file_size(p);
    return n;
}

// The floor: the same number of bytes, made beforehand, in one write, made safe
// as the safe writer makes it (temporary file, fsync, rename, folder fsync).
double plainWrite(const std::string& path, const std::string& block) {
    return seconds([&] {
        const std::string temp = path + ".tmp";
        int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        for (std::size_t done = 0; fd >= 0 && done < block.size();) {
            ssize_t n = ::write(fd, block.data() + done, block.size() - done);
            if (n <= 0) break;
            done += static_cast<std::size_t>(n);
        }
        ::fsync(fd);
        ::close(fd);
        std::filesystem::rename(temp, path);
        int dir = ::open(std::filesystem::path(path).parent_path().c_str(), O_RDONLY | O_DIRECTORY);
        ::fsync(dir);
        ::close(dir);
    });
}

// Counts the bytes and drops them: the time of making the content alone.
class CountingSink : public ByteSink {
  public:
    void write(std::string_view bytes) override { count += bytes.size(); }
    std::size_t count = 0;
};

// Each write and its floor three times, alternating, as the disk is shared;
// the best time of each.
void report(const char* what, const testing::TempDir& dir, const std::vector<std::string>& files,
            const std::function<void()>& write, const std::function<void(ByteSink&)>& make) {
    double took = 1e9, floor = 1e9;
    std::uintmax_t bytes = 0;
    std::string block;
    const std::string plain = dir.file("plain.bin");
    for (int round = 0; round < 3; ++round) {
        took = std::min(took, seconds(write));
        bytes = sizeOf(files);
        for (const auto& f : files) std::filesystem::remove(f);
        block.assign(bytes, 'x');
        floor = std::min(floor, plainWrite(plain, block));
        std::filesystem::remove(plain);
    }
    CountingSink counter;
    double made = 1e9, madeCpu = 1e9;
    for (int round = 0; round < 3; ++round) {
        counter.count = 0;
        madeCpu = std::min(madeCpu, tamsel::bench::cpuSeconds([&] {
                               made = std::min(made, seconds([&] { make(counter); }));
                           }));
    }
    double mb = static_cast<double>(bytes) / 1e6;
    std::printf(
        "%-13s %6.1f MB %6.3f s %7.1f MB/s | one plain write %6.3f s %7.1f MB/s | ratio %.2f | "
        "content alone %6.3f s %7.1f MB/s (processor %.3f s)\n",
        what, mb, took, mb / took, floor, mb / floor, floor / took, made,
        static_cast<double>(counter.count) / 1e6 / made, madeCpu);
}

}  // namespace

int main() {
    BatchUi ui;
    TableState t;
    std::printf("building %d relevés x %d species, %d each: %.2f s\n", Releves, Species, PerReleve,
                seconds([&] { build(t, ui); }));
    testing::TempDir dir;
    PrintPanel panel;
    panel.ChkBoxfq = panel.ChkBox1t = true;
    panel.PN1 = {1, 0, Species};
    panel.PN2 = {Species, 0, Species};

    const std::string text = dir.file("t.txt"), pcm = dir.file("t-pcm.csv"),
                      lst = dir.file("t-pcm.lst"), vm = dir.file("t-vm.csv"),
                      plot = dir.file("t-plot.csv");
    report(
        "text file", dir, {text}, [&] { writeTextFile(t, panel, text, 1, Species); },
        [&](ByteSink& out) {
            SinkChannel channel(out);
            PrintTable(t, panel, channel, TextFilePerPage, 1, Species);
        });
    report(
        "PCord + list", dir, {pcm, lst}, [&] { savePCord(t, pcm); },
        [&](ByteSink& out) {
            auto codes = ShortNames(t);
            writePCordMatrix(out, t, codes);
            writeSpeciesList(out, t, codes);
        });
    report(
        "value matrix", dir, {vm}, [&] { saveValueMatrix(t, vm); },
        [&](ByteSink& out) { writeValueMatrix(out, t); });
    report(
        "plot data", dir, {plot}, [&] { savePlotData(t, plot); },
        [&](ByteSink& out) { writePlotData(out, t); });

    const std::string cep = dir.file("t.cep"), longCsv = dir.file("t-long.csv"),
                      stats = dir.file("t-stats.csv"), ind = dir.file("t-ind.csv");
    report(
        "Cornell", dir, {cep}, [&] { saveCornell(t, cep, CornellValues::Percent); },
        [&](ByteSink& out) { writeCornell(out, t, CornellValues::Percent); });
    report(
        "long table", dir, {longCsv}, [&] { saveLongTable(t, longCsv); },
        [&](ByteSink& out) { writeLongTable(out, t); });
    report(
        "relevé stats", dir, {stats}, [&] { saveReleveStats(t, stats); },
        [&](ByteSink& out) { writeReleveStats(out, t); });
    // A value for every other species.
    std::string valuesFile;
    for (int i = 1; i <= Species; i += 2)
        valuesFile +=
            "Species name " + std::to_string(i) + "," + std::to_string(i % 9 + 1) + "\r\n";
    const IndicatorValues values = parseIndicatorValues(valuesFile, "values.csv");
    report(
        "indicator", dir, {ind}, [&] { saveIndicatorMeans(t, ind, values); },
        [&](ByteSink& out) { writeIndicatorMeans(out, t, values); });
    return 0;
}

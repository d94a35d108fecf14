// Saving and loading a 10,000-relevé x 3,000-species table, 40 species per relevé,
// built directly in the table state as placing builds it.
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
using bench::peakMiB;
using bench::seconds;

}  // namespace

int main() {
    const int releves = 10000, species = 3000, perReleve = 40;
    BatchUi ui;
    TableState t;
    build(t, ui, releves, species, perReleve);
    std::printf("table %d relevés x %d species, %d each; peak memory after building %.0f MiB\n",
                releves, species, perReleve, peakMiB());

    const std::string path =
        (std::filesystem::temp_directory_path() / "tamsel-tablefile-bench.vtb").string();
    double save = seconds([&] { saveTableFile(t, path); });
    auto size = std::filesystem::file_size(path);
    std::printf("save: %.3f s (aim < 1 s), file %.1f MiB, peak memory %.0f MiB\n", save,
                static_cast<double>(size) / (1024.0 * 1024.0), peakMiB());

    TableState u;
    InitGlobals(u);
    double load = seconds([&] { loadTableFile(u, path, &ui.progressBar1()); });
    std::printf("load: %.3f s (aim < 1 s), peak memory %.0f MiB\n", load, peakMiB());

    // The same load in its steps: the file's bytes, parsing, putting in place.
    std::string bytes;
    double readFile = seconds([&] {
        std::FILE* in = std::fopen(path.c_str(), "rb");
        bytes.resize(size);
        std::size_t got = std::fread(bytes.data(), 1, size, in);
        std::fclose(in);
        if (got != size) std::abort();
    });
    LoadedTable lt;
    double parse = seconds([&] { lt = readTableFile(bytes, path); });
    TableState w;
    InitGlobals(w);
    double install = seconds([&] { installLoadedTable(w, std::move(lt), path); });
    std::printf("  of which: reading the bytes %.3f s, parsing %.3f s, putting in place %.3f s\n",
                readFile, parse, install);
    bytes = std::string();

    // A loaded table (capacity = counts) saves the same bytes after another load.
    const std::string again = path + "2", third = path + "3";
    double save2 = seconds([&] { saveTableFile(u, again); });
    TableState v;
    InitGlobals(v);
    loadTableFile(v, again);
    saveTableFile(v, third);
    bool same = false;
    {
        std::FILE* a = std::fopen(again.c_str(), "rb");
        std::FILE* b = std::fopen(third.c_str(), "rb");
        same = a && b;
        std::vector<char> x(1 << 20), y(1 << 20);
        while (same) {
            std::size_t n = std::fread(x.data(), 1, x.size(), a),
                        m = std::fread(y.data(), 1, y.size(), b);
            if (n != m || std::memcmp(x.data(), y.data(), n) != 0) same = false;
            if (n == 0) break;
        }
        if (a) std::fclose(a);
        if (b) std::fclose(b);
    }
    std::printf(
        "save of the loaded table: %.3f s; saved again after loading it: %s bytes; peak memory "
        "%.0f MiB\n",
        save2, same ? "same" : "DIFFERENT", peakMiB());
    std::filesystem::remove(third);
    std::filesystem::remove(path);
    std::filesystem::remove(again);
    return same ? 0 : 1;
}

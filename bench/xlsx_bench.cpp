// The spreadsheet of a 10,000-relevé x 3,000-species table (about 30 million
// cells), 40 species per relevé, written through the automation dispatcher to
// the workbook server. Also the same calls answered by a server that does
// nothing, which is the cost of the logic and the dispatcher alone, and a first
// output of a tenth of the rows, so that memory can be seen not to grow with them.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include <xlsxwriter.h>

#include "bench_table.h"
#include "io/safe_file.h"
#include "output/excel_output.h"
#include "platform/batch/batch_ui.h"
#include "platform/xlsx/workbook_server.h"

namespace {

using namespace tamsel;

using bench::build;
using bench::peakMiB;
using bench::seconds;

// The library's own floor: rows x columns cells of one UTF-8 text, centred and
// wrapped, in the mode the server uses, with no automation calls; written to a
// working file and copied into place through the safe writer, as the server does.
void writeUniformWorkbook(const std::string& path, int rows, int columns,
                          const std::string& utf8Text) {
    const std::string work = path + ".work.xlsx";
    std::string folder = std::filesystem::temp_directory_path().string();
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = folder.data();
    lxw_workbook* wb = workbook_new_opt(work.c_str(), &options);
    lxw_worksheet* ws = wb ? workbook_add_worksheet(wb, nullptr) : nullptr;
    lxw_format* f = wb ? workbook_add_format(wb) : nullptr;
    if (!ws || !f) {
        if (wb) lxw_workbook_free(wb);
        throw std::runtime_error("cannot make the workbook");
    }
    std::vector<char> buffer(1 << 20);
    if (ws->optimize_tmpfile)
        std::setvbuf(ws->optimize_tmpfile, buffer.data(), _IOFBF, buffer.size());
    format_set_align(f, LXW_ALIGN_CENTER);
    format_set_text_wrap(f);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c)
            worksheet_write_string(ws, static_cast<lxw_row_t>(r), static_cast<lxw_col_t>(c),
                                   utf8Text.c_str(), f);
    if (workbook_close(wb) != LXW_NO_ERROR) throw std::runtime_error("cannot write the workbook");
    SafeFileWriter out(path);
    readFileInPieces(work, 1 << 20, [&](std::string_view piece) { out.write(piece); });
    out.commit();
    std::filesystem::remove(work);
}

// Answers every call and does nothing; counts the values put.
class NullServer : public AutomationServer {
  public:
    explicit NullServer(long long& values) : values_(values) {}
    std::uint64_t applicationId() const override { return 1; }
    bool ended() const override { return ended_; }
    AutoResult invoke(std::uint64_t, std::string_view member, CallKind kind,
                      std::span<const AutoArg>) override {
        if (kind == CallKind::PropertyPut) {
            if (sameMember(member, "Value")) ++values_;
            return {};
        }
        if (sameMember(member, "Quit")) ended_ = true;
        return AutoResult::of({this, 2});
    }

  private:
    long long& values_;
    bool ended_ = false;
};

}  // namespace

int main(int argc, char** argv) {
    // An optional argument sets the number of species, for a quicker run.
    const int releves = 10000, species = argc > 1 ? std::atoi(argv[1]) : 3000, perReleve = 40;
    BatchUi ui;
    TableState t;
    build(t, ui, releves, species, perReleve);
    std::printf("table %d relevés x %d species, %d each; peak memory after building %.0f MiB\n",
                releves, species, perReleve, peakMiB());
    const ExcelOutputOptions all{1, species, true};

    long long cells = 0;
    ServerRegistry nulls;
    nulls.add(ExcelApplication, [&] { return std::make_unique<NullServer>(cells); });
    double logic = seconds([&] { writeExcelFile(t, ui, nulls, all, "unused.xlsx"); });
    std::printf("logic and dispatcher alone: %lld cells in %.2f s, %.2f M cells/s\n", cells, logic,
                static_cast<double>(cells) / logic / 1e6);

    const std::string path =
        (std::filesystem::temp_directory_path() / "tamsel-xlsx-bench.xlsx").string();
    ServerRegistry servers;
    addWorkbookServer(servers);

    ExcelOutputOptions tenth{1, species / 10, true};
    double small = seconds([&] { writeExcelFile(t, ui, servers, tenth, path); });
    double peakTenth = peakMiB();
    std::printf("workbook of %d species rows: %.2f s, peak memory %.0f MiB\n", species / 10, small,
                peakTenth);

    // The floor: the library alone writing as many cells of the same size.
    const int columns = releves + 3;
    const long long floorCells = static_cast<long long>(species) * columns;
    double floor = seconds(
        [&] { writeUniformWorkbook(path, species, columns, " . \n . \n . \n . \n . \n . \n . "); });
    std::printf("libxlsxwriter alone, %lld cells of 7 lines: %.2f s, %.2f M cells/s\n", floorCells,
                floor, static_cast<double>(floorCells) / floor / 1e6);
    double full = seconds([&] { writeExcelFile(t, ui, servers, all, path); });
    auto size = std::filesystem::file_size(path);
    std::printf(
        "workbook of all %d species rows: %lld cells in %.2f s, %.2f M cells/s (aim >= 1), file "
        "%.0f MiB\n",
        species, cells, full, static_cast<double>(cells) / full / 1e6,
        static_cast<double>(size) / (1024.0 * 1024.0));
    std::printf("peak memory %.0f MiB (after a tenth of the rows: %.0f MiB)\n", peakMiB(),
                peakTenth);
    std::printf(
        "logic and dispatcher take %.0f %% of the time; cells per second %.2f of the "
        "library alone\n",
        100.0 * logic / full,
        (static_cast<double>(cells) / full) / (static_cast<double>(floorCells) / floor));

    for (const std::string& m : ui.messages) std::printf("message: %s\n", m.c_str());
    std::filesystem::remove(path);
    return ui.messages.empty() ? 0 : 1;
}

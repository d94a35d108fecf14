// Printing a large table to PDF through the printer channel (Qt's offscreen
// platform, A4 portrait, the default table font): the time, the PDF's size and
// the ratio to writing the same number of bytes plainly through the safe file
// writer. Also the layout alone (the text layout through the pager, measured in
// the printer font but not drawn), so that the drawing's share shows.
//   bench_print_bench [RELEVES SPECIES [KEEP.pdf]]   (default 10000 3000, 40 species each;
//   the PDF is kept as KEEP.pdf, to compare versions with pdftotext and pdftoppm)
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>

#include "bench_table.h"
#include "io/safe_file.h"
#include "output/printer_output.h"
#include "output/printer_pager.h"
#include "output/text_layout.h"
#include "platform/qt/print/qt_printer.h"
#include "support/temp_dir.h"

namespace {

using namespace tamsel;

// Counts the pages and the text the pager gives, and draws nothing.
class CountingPages : public PageSink {
  public:
    void beginPage() override { ++pages; }
    void drawRun(int, int, std::string_view s) override { bytes += s.size(); }
    long pages = 0;
    std::size_t bytes = 0;
};

}  // namespace

int main(int argc, char** argv) {
    const int releves = argc > 2 ? std::atoi(argv[1]) : 10000;
    const int species = argc > 2 ? std::atoi(argv[2]) : 3000;
    BatchUi ui;
    TableState t;
    std::printf("building %d relevés x %d species, 40 each: %.2f s\n", releves, species,
                bench::seconds([&] { bench::build(t, ui, releves, species, 40); }));
    PrintPanel panel;
    panel.PN1 = {1, 0, species};
    panel.PN2 = {species, 0, species};
    const auto to = static_cast<std::uint16_t>(species);
    testing::TempDir dir;

    QtPrinterService printers;
    const std::string pdf = dir.file("t.pdf");
    // The machine is shared: the processor time too.
    const std::clock_t cpu0 = std::clock();
    double took = bench::seconds([&] {
        auto surface = printers.open({.pdfPath = pdf, .printerName = {}});
        OutPut_Printer(t, panel, ui, *surface, 1, to);
    });
    const double cpu = static_cast<double>(std::clock() - cpu0) / CLOCKS_PER_SEC;
    const auto bytes = std::filesystem::file_size(pdf);
    if (argc > 3)
        std::filesystem::copy_file(pdf, argv[3], std::filesystem::copy_options::overwrite_existing);
    std::filesystem::remove(pdf);

    // The same through the pager, measured by the printer but not drawn.
    auto surface = printers.open({.pdfPath = pdf, .printerName = {}});
    surface->setFont(t.print.TableFont, 3 * t.print.TableFont.pixelSize);
    const std::uint16_t perPage = printerPerPage(surface->pageWidth(), surface->textWidth("01234"));
    CountingPages counted;
    double layout = bench::seconds([&] {
        PrinterPager pager(*surface, counted, surface->pageWidth(), surface->pageHeight());
        PrintTable(t, panel, pager, perPage, 1, to);
        pager.finish();
    });
    surface.reset();

    const std::string block(bytes, 'x');
    const std::string plain = dir.file("plain.bin");
    double floor = bench::seconds([&] { writeFileSafely(plain, block); });

    const double mb = static_cast<double>(bytes) / 1e6;
    std::printf("capacity %u, %ld pages, %.1f MB of text drawn\n", perPage, counted.pages,
                static_cast<double>(counted.bytes) / 1e6);
    std::printf(
        "print to PDF  %8.1f MB %8.2f s (processor %.2f s) %6.1f MB/s | plain write %6.2f s | "
        "ratio %.1f\n",
        mb, took, cpu, mb / took, floor, took / floor);
    std::printf(
        "layout, pager and measuring alone %.2f s (%.1f%% of the print); a page %.2f ms "
        "(processor %.2f ms); peak %.0f MiB\n",
        layout, 100.0 * layout / took, 1000.0 * took / static_cast<double>(counted.pages),
        1000.0 * cpu / static_cast<double>(counted.pages), bench::peakMiB());
    return 0;
}

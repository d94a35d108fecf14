#include "output/printer_output.h"

#include <algorithm>
#include <ctime>

#include "output/printer_pager.h"
#include "output/text_layout.h"
#include "text/sjis.h"

namespace tamsel {

namespace {
// The sheets of a dry run, counted and not drawn.
class CountingSink : public PageSink {
  public:
    void beginPage() override {}
    void drawRun(int, int, std::string_view) override {}
};

std::string today() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    char text[16] = "";
    if (localtime_r(&now, &local)) std::strftime(text, sizeof text, "%Y-%m-%d", &local);
    return text;
}
}  // namespace

void OutPut_Printer(const TableState& t, const PrintPanel& p, Progress& progress,
                    PrinterSurface& surface, std::uint16_t fromPlant, std::uint16_t toPlant) {
    try {
        surface.setFont(t.print.TableFont, 3 * t.print.TableFont.pixelSize);
        surface.setDocumentTitle(t.model.title());
        const int width = surface.pageWidth();
        // The footer's room is taken first: the table gets what is left.
        const int height = surface.pageHeight() - footerRoom(surface);
        const std::uint16_t perPage = printerPerPage(width, surface.textWidth("01234"));
        // Laid out once without printing: a table that cannot be laid out fails
        // before the first page, since not every printer engine can take back
        // the pages drawn so far; the run also counts the sheets for the footer.
        CountingSink counting;
        PrinterPager dry(surface, counting, width, height);
        PrintTable(t, p, dry, perPage, fromPlant, toPlant, p.repeatNames);
        dry.finish();
        PrinterPager pager(surface, surface, width, height);
        pager.setFooter(t.model.title() + "    " + today(), std::max(1, dry.pagesBegun()),
                        surface.pageHeight() - surface.charHeight());
        MessagePanelScope panel(progress, sj("印刷しています"));
        // A step per page of the text layout, moved on within it by each sheet
        // begun, so that the window repaints during a long page. A page of the
        // layout takes about as many sheets as the one before; the first one's
        // are guessed from its rows.
        ProgressBar& bar = progress.progressBar2();
        constexpr int Step = 100;
        bar.setRange(0, Step * PageCount(t, p, perPage, p.repeatNames));
        bar.setPosition(0);
        const int rows = std::max(0, toPlant - fromPlant + 1) + 20;
        int sheets = 0, formFeeds = 0;
        int expected = std::max(1, rows * surface.charHeight() / std::max(1, surface.pageHeight()));
        pager.onPage = [&] {
            if (pager.formFeeds() != formFeeds) {
                expected = std::max(1, sheets);
                formFeeds = pager.formFeeds();
                sheets = 0;
            }
            ++sheets;
            bar.setPosition(Step * formFeeds + std::min(Step - 1, Step * sheets / expected));
        };
        PrintTable(t, p, pager, perPage, fromPlant, toPlant, p.repeatNames);
        pager.finish();
        bar.setPosition(bar.max());
        surface.endJob();
    } catch (...) {
        surface.abortJob();
        throw;
    }
}

}  // namespace tamsel

// The printer channel: the lines and form feeds of the text layout become pages
// of text runs at positions in device units, measured through TextMeasure.
//
// A line starts at the left edge of the printable area. A line end moves down
// by the height of the text printed on that line plus 2, after an empty line by
// the character height. A line wider than the page continues on the next line,
// broken after the last whole character that fits. After a line end the next
// line starts a new page when it lies further down than the page height less
// twice the height of the line just finished (after an empty line: further down
// than the page height). A form feed starts a new page; a carriage return does
// nothing. A page is begun only when something is drawn on it or on a later
// page, so no blank sheet trails the job.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "output/output_channel.h"
#include "platform/printer.h"

namespace tamsel {

class PrinterPager : public OutputChannel {
  public:
    PrinterPager(TextMeasure& measure, PageSink& pages, int pageWidth, int pageHeight);

    void writeLine(std::string_view line) override;
    void writeChar(char c) override;
    // Draws text still waiting for its line end.
    void finish();

    // A footer at the foot of every sheet, below the page height the pager was
    // given: left at the left edge, "n / total" at the right edge, at y.
    void setFooter(std::string left, int total, int y);

    int pagesBegun() const { return begun_; }
    int formFeeds() const { return formFeeds_; }
    // Called after each page begun on the sink.
    std::function<void()> onPage;

  private:
    void put(std::string_view bytes);
    void flushText();
    void lineEnd(bool empty, int height);
    void draw(std::string_view run);
    std::size_t fittingBytes(std::string_view text);

    TextMeasure& measure_;
    PageSink& pages_;
    int width_, height_;
    int y_ = 0;
    int page_ = 0;   // index of the page being filled
    int begun_ = 0;  // pages begun on the sink
    int formFeeds_ = 0;
    std::string text_;    // text of the current line not drawn yet
    int lineHeight_ = 0;  // height of what was drawn on the current line
    bool lineDrawn_ = false;
    std::string footer_;
    int footerTotal_ = 0, footerY_ = -1;
};

// What a printed sheet's footer takes from the page: a line of the font and
// the same again as a gap above it.
int footerRoom(TextMeasure& measure);

// The page capacity number: how many "01234" fit across the page, less 8.
// Throws Error when it lies outside 0..65535 (a page narrower than eight).
std::uint16_t printerPerPage(int pageWidth, int sampleWidth);

}  // namespace tamsel

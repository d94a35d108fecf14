#include "output/printer_pager.h"

#include <vector>

#include "platform/error.h"
#include "text/sjis.h"

namespace tamsel {

PrinterPager::PrinterPager(TextMeasure& measure, PageSink& pages, int pageWidth, int pageHeight)
    : measure_(measure), pages_(pages), width_(pageWidth), height_(pageHeight) {}

void PrinterPager::setFooter(std::string left, int total, int y) {
    footer_ = std::move(left);
    footerTotal_ = total;
    footerY_ = y;
}

int footerRoom(TextMeasure& measure) {
    return 2 * measure.charHeight();
}

void PrinterPager::writeLine(std::string_view line) {
    put(line);
    put("\r\n");
}

void PrinterPager::writeChar(char c) {
    put(std::string_view(&c, 1));
}

void PrinterPager::finish() {
    flushText();
}

// The control bytes below are never the second byte of a double-byte
// character, so the bytes can be scanned one by one.
void PrinterPager::put(std::string_view bytes) {
    std::size_t start = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c != '\n' && c != '\f' && c != '\r') continue;
        text_.append(bytes.substr(start, i - start));
        start = i + 1;
        if (c == '\n') {
            flushText();
            lineEnd(!lineDrawn_, lineHeight_);
        } else if (c == '\f') {
            flushText();
            ++page_;
            y_ = 0;
            lineDrawn_ = false;
            ++formFeeds_;
        }
    }
    text_.append(bytes.substr(start));
}

void PrinterPager::flushText() {
    std::string_view rest = text_;
    while (!rest.empty()) {
        if (measure_.textWidth(rest) <= width_) {
            draw(rest);
            break;
        }
        const std::size_t n = fittingBytes(rest);
        draw(rest.substr(0, n));
        lineEnd(false, lineHeight_);
        rest.remove_prefix(n);
    }
    text_.clear();
}

void PrinterPager::lineEnd(bool empty, int height) {
    if (empty) {
        y_ += measure_.charHeight();
        if (y_ > height_) {
            ++page_;
            y_ = 0;
        }
    } else {
        y_ += height + 2;
        if (y_ > height_ - 2 * height) {
            ++page_;
            y_ = 0;
        }
    }
    lineDrawn_ = false;
    lineHeight_ = 0;
}

void PrinterPager::draw(std::string_view run) {
    // Pages left blank before this one are begun too; only trailing ones are not.
    for (; begun_ <= page_; ++begun_) {
        pages_.beginPage();
        if (footerY_ >= 0) {
            pages_.drawRun(0, footerY_, footer_);
            const std::string number = msg("%1 / %2", begun_ + 1, footerTotal_);
            pages_.drawRun(width_ - measure_.textWidth(number), footerY_, number);
        }
        if (onPage) onPage();
    }
    pages_.drawRun(0, y_, run);
    lineDrawn_ = true;
    lineHeight_ = measure_.textHeight(run);
}

// The bytes of the longest run of whole characters that fits across the page;
// at least one character, so that a page narrower than one character still ends.
std::size_t PrinterPager::fittingBytes(std::string_view text) {
    std::vector<std::size_t> ends;
    forEachChar(text, [&](std::size_t pos, std::size_t len) { ends.push_back(pos + len); });
    std::size_t lo = 0, hi = ends.size();  // ends[lo - 1] fits, ends[hi] does not
    while (hi - lo > 1) {
        const std::size_t mid = (lo + hi) / 2;
        if (measure_.textWidth(text.substr(0, ends[mid - 1])) <= width_)
            lo = mid;
        else
            hi = mid;
    }
    if (lo == 0) return ends[0];
    return ends[lo - 1];
}

std::uint16_t printerPerPage(int pageWidth, int sampleWidth) {
    const long long perPage =
        sampleWidth > 0 ? static_cast<long long>(pageWidth / sampleWidth) - 8 : -1;
    if (perPage < 0 || perPage > 65535)
        throw Error(
            msg("用紙の幅が狭すぎます（\"01234\" が 8 つ入りません）: 幅 %1、\"01234\" の幅 %2",
                pageWidth, sampleWidth));
    return static_cast<std::uint16_t>(perPage);
}

}  // namespace tamsel

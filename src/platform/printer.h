// What printing needs of the outside world: a surface that measures Shift-JIS
// text and draws it at positions in device units, page by page, and the choice
// the print dialog makes. The Qt implementation prints on the window's QPrinter,
// or on the command line on a PDF file or a CUPS printer; tests use a recording
// fake.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/font_spec.h"

namespace tamsel {

// Text measured in the surface's current font, in device units.
class TextMeasure {
  public:
    virtual ~TextMeasure() = default;
    virtual int textWidth(std::string_view sjis) = 0;
    virtual int textHeight(std::string_view sjis) = 0;
    // The font's character height: what an empty line advances.
    virtual int charHeight() = 0;
};

// Pages of positioned text. Positions are from the top left corner of the
// printable area.
class PageSink {
  public:
    virtual ~PageSink() = default;
    // Starts the next page; the first call starts the job.
    virtual void beginPage() = 0;
    virtual void drawRun(int x, int y, std::string_view sjis) = 0;
};

class PrinterSurface : public TextMeasure, public PageSink {
  public:
    // The font to print in: the family and style of font, heightUnits high.
    virtual void setFont(const FontSpec& font, int heightUnits) = 0;
    // The document's title (a PDF's Title), before the first page.
    virtual void setDocumentTitle(const std::string& /*sjis*/) {}
    // The printable area in device units.
    virtual int pageWidth() = 0;
    virtual int pageHeight() = 0;
    // Ends the job and hands it on (to the spooler, or the file into place);
    // throws Error when that fails.
    virtual void endJob() = 0;
    // Drops the job: nothing is printed, no file is left. Also what the
    // destructor does with a job neither ended nor aborted.
    virtual void abortJob() noexcept = 0;
};

// Paper sizes the command line names.
enum class Paper { Default, A4, A3, B4, Letter };

// The answer of the print dialog given without a dialog: a PDF file or a named
// printer, the paper and its orientation.
struct PrintTarget {
    std::string pdfPath{};      // native path; empty: printerName
    std::string printerName{};  // a CUPS printer
    Paper paper = Paper::Default;
    bool landscape = false;
};

// Opens surfaces on print targets (the command line's print dialog).
class PrinterService {
  public:
    virtual ~PrinterService() = default;
    // Throws Error when the printer does not exist or the file cannot be made.
    virtual std::unique_ptr<PrinterSurface> open(const PrintTarget& target) = 0;
};

}  // namespace tamsel

// The printer surface over QPrinter and QPainter: device units of a 300-dpi
// printer, Shift-JIS text converted at the crossing. A PDF is drawn into a
// temporary file and copied through the safe file writer when the job ends, so
// a failed or aborted job leaves no file and an old one as it was.
#pragma once

#include <QFont>
#include <QFontMetrics>
#include <QGlyphRun>
#include <QList>
#include <QPainter>
#include <QTemporaryFile>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "io/safe_file.h"
#include "platform/printer.h"

class QGuiApplication;
class QPrinter;

namespace tamsel {

// The resolution the printer channel's device units are in.
constexpr int PrinterDpi = 300;

class QtPrinterSurface : public PrinterSurface {
  public:
    // Prints on printer as the print dialog left it (a printer, or a PDF file
    // when its output file name is set); printer must outlive the surface.
    // Throws Error when the PDF's folder cannot take the file.
    explicit QtPrinterSurface(QPrinter& printer);
    // The same on a printer of its own.
    explicit QtPrinterSurface(std::unique_ptr<QPrinter> printer);
    ~QtPrinterSurface() override;

    int textWidth(std::string_view sjis) override;
    int textHeight(std::string_view sjis) override;
    int charHeight() override;
    void beginPage() override;
    void drawRun(int x, int y, std::string_view sjis) override;
    void setFont(const FontSpec& font, int heightUnits) override;
    void setDocumentTitle(const std::string& sjis) override;
    int pageWidth() override;
    int pageHeight() override;
    void endJob() override;
    void abortJob() noexcept override;

  private:
    // A line of text as measured and as drawn: shaped once, then drawn as glyph
    // runs (one per font it falls back to), positions from its baseline.
    struct Line {
        QString text;
        int width = -1;
        bool shaped = false;
        QList<QGlyphRun> runs;
    };
    struct TextHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const {
            return std::hash<std::string_view>{}(s);
        }
    };
    const QFontMetrics& metrics();
    Line& line(std::string_view sjis);

    std::unique_ptr<QPrinter> owned_;
    QPrinter& printer_;
    QFont font_;
    std::optional<QFontMetrics> metrics_;
    std::unordered_map<std::string, Line, TextHash, std::equal_to<>> lines_;  // current font
    QPainter painter_;
    bool begun_ = false, finished_ = false;
    // A PDF: the file asked for, and where the printer draws it meanwhile.
    QString pdfTarget_;
    std::unique_ptr<SafeFileWriter> file_;
    std::unique_ptr<QTemporaryFile> drawn_;
};

// Opens surfaces on the command line's print targets. Starts Qt's offscreen
// platform the first time it is needed when no application runs, so printing
// needs no display.
class QtPrinterService : public PrinterService {
  public:
    QtPrinterService();
    ~QtPrinterService() override;
    std::unique_ptr<PrinterSurface> open(const PrintTarget& target) override;

  private:
    std::unique_ptr<QGuiApplication> app_;
};

}  // namespace tamsel

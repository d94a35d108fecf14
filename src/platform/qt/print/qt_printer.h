// The printer surface over a paged Qt paint device and QPainter: device units of
// a 300-dpi printer, Shift-JIS text converted at the crossing. A PDF is drawn
// into a temporary file and copied through the safe file writer when the job
// ends, so a failed or aborted job leaves no file and an old one as it was.
// Qt GUI only: the window's QPrinter comes in through PageTarget from the
// Widgets side, the command line prints through Qt's PDF writer and CUPS.
#pragma once

#include <QFont>
#include <QFontMetrics>
#include <QGlyphRun>
#include <QList>
#include <QPagedPaintDevice>
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

namespace tamsel {

// The resolution the printer channel's device units are in.
constexpr int PrinterDpi = 300;

// What a surface prints on: a paged device, and what only its kind can do.
class PageTarget {
  public:
    virtual ~PageTarget() = default;
    virtual QPagedPaintDevice& device() = 0;
    // The printer or the file, as messages name it.
    virtual QString name() const = 0;
    virtual void setTitle(const QString& title) = 0;
    // After the painter ended: whether the device failed.
    virtual bool failed() const { return false; }
    // Before the painter ends: drops the job where the device can.
    virtual void abort() {}
    // The pages ended well: hands them on (the file into place, the job to the
    // spooler). Throws Error.
    virtual void finish() {}
    // The job is dropped: no file is left.
    virtual void abandon() noexcept {}
};

// A PDF drawn into a temporary file, put into place through the safe file
// writer when the job ends well.
class DrawnPdf {
  public:
    // Throws Error when the target's folder cannot take the file.
    explicit DrawnPdf(const QString& target);
    const QString& target() const { return target_; }
    QString drawnPath() const;
    void commit();
    void abandon() noexcept;

  private:
    QString target_;
    SafeFileWriter file_;
    QTemporaryFile drawn_;
};

class QtPrinterSurface : public PrinterSurface {
  public:
    explicit QtPrinterSurface(std::unique_ptr<PageTarget> target);
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

    std::unique_ptr<PageTarget> target_;
    QPagedPaintDevice& device_;
    QFont font_;
    std::optional<QFontMetrics> metrics_;
    std::unordered_map<std::string, Line, TextHash, std::equal_to<>> lines_;  // current font
    QPainter painter_;
    bool begun_ = false, finished_ = false;
};

// Opens surfaces on the command line's print targets: a PDF file, or a CUPS
// printer that gets the PDF when the job ends. Starts Qt's offscreen platform
// the first time it is needed when no application runs, so printing needs no
// display.
class QtPrinterService : public PrinterService {
  public:
    QtPrinterService();
    ~QtPrinterService() override;
    std::unique_ptr<PrinterSurface> open(const PrintTarget& target) override;

  private:
    std::unique_ptr<QGuiApplication> app_;
};

}  // namespace tamsel

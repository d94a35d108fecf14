#include "platform/qt/print/qt_printer.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QMarginsF>
#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>
#include <QStringList>
#include <QTextLayout>
#include <algorithm>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "platform/error.h"
#include "platform/qt/print/fonts.h"
#include "platform/qt/qt_text.h"

namespace tamsel {

namespace {

// utf8Pattern names the failure, %1 the file or printer.
[[noreturn]] void fail(const char* utf8Pattern, const QString& name) {
    throw Error(msg(utf8Pattern, sjisOf(name)));
}

// The command line runs Qt outside a desktop session, where Qt notes on stderr
// that it made its own runtime folder. That note is no fault of the user's
// command and would read like one, so only it is dropped.
QtMessageHandler previousHandler = nullptr;
void quietOutsideASession(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtWarningMsg && text.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR")))
        return;
    if (previousHandler) previousHandler(type, context, text);
}

constexpr qreal MinMarginMm = 10;

// The PDF engine takes and frees a few buffers of megabytes for every sheet.
// glibc maps such blocks afresh each time and gives the heap's top back above
// 128 KiB, so every sheet faulted them in and cleared them again (half the
// printing time). These are the values glibc's own adjustment of both
// thresholds reaches at most, set at once; the printer stays fast for the rest
// of the run.
void keepLargeBlocks() {
#if defined(__GLIBC__)
    static const bool once = [] {
        mallopt(M_MMAP_THRESHOLD, 32 << 20);
        mallopt(M_TRIM_THRESHOLD, 64 << 20);
        return true;
    }();
    (void)once;
#endif
}

QString printerNameOf(const QPrinter& p) {
    return p.outputFormat() == QPrinter::PdfFormat ? p.outputFileName() : p.printerName();
}

// The glyphs of one line as drawText would place them, from the start of its
// baseline, one run per font the text falls back to. Spaces are left out: they
// draw nothing, a text extractor puts them back from the gaps, and in a table
// of dots and spaces they are most of the glyphs the PDF engine would write
// one by one.
QList<QGlyphRun> glyphRunsOf(const QString& text, const QFont& font, QPrinter& printer) {
    QTextLayout layout(text, font, &printer);
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    const QTextLine line = layout.createLine();
    layout.endLayout();
    const QPointF baseline(0, line.isValid() ? line.y() + line.ascent() : 0);
    QList<QGlyphRun> runs = layout.glyphRuns();
    for (QGlyphRun& run : runs) {
        const QList<quint32> glyphs = run.glyphIndexes();
        const QList<QPointF> at = run.positions();
        const QList<quint32> space = run.rawFont().glyphIndexesForString(QStringLiteral(" "));
        QList<quint32> keptGlyphs;
        QList<QPointF> keptAt;
        for (qsizetype k = 0; k < glyphs.size(); ++k) {
            if (!space.isEmpty() && glyphs[k] == space[0]) continue;
            keptGlyphs.push_back(glyphs[k]);
            keptAt.push_back(at[k] - baseline);
        }
        run.setGlyphIndexes(keptGlyphs);
        run.setPositions(keptAt);
    }
    return runs;
}

}  // namespace

QtPrinterSurface::QtPrinterSurface(std::unique_ptr<QPrinter> printer) : QtPrinterSurface(*printer) {
    owned_ = std::move(printer);
}

QtPrinterSurface::QtPrinterSurface(QPrinter& printer) : printer_(printer) {
    printer_.setResolution(PrinterDpi);
    // Margins of at least 10 mm, or the printer's own where they are wider.
    const QMarginsF m = printer_.pageLayout().margins(QPageLayout::Millimeter);
    printer_.setPageMargins(
        QMarginsF(std::max(m.left(), MinMarginMm), std::max(m.top(), MinMarginMm),
                  std::max(m.right(), MinMarginMm), std::max(m.bottom(), MinMarginMm)),
        QPageLayout::Millimeter);
    if (printer_.outputFormat() != QPrinter::PdfFormat) return;
    pdfTarget_ = printer_.outputFileName();
    if (pdfTarget_.isEmpty()) throw Error(sj("PDF の出力先のファイル名がありません"));
    // Made first, so a folder that cannot take the file stops us before any page.
    file_ = std::make_unique<SafeFileWriter>(pathOf(pdfTarget_));
    drawn_ =
        std::make_unique<QTemporaryFile>(QDir::tempPath() + QStringLiteral("/tamsel-XXXXXX.pdf"));
    if (!drawn_->open()) fail("一時ファイルを作れません: %1", drawn_->fileTemplate());
    drawn_->close();
    printer_.setOutputFileName(drawn_->fileName());
}

QtPrinterSurface::~QtPrinterSurface() {
    abortJob();
    // The window's printer offers the same file next time.
    if (!pdfTarget_.isEmpty()) printer_.setOutputFileName(pdfTarget_);
}

const QFontMetrics& QtPrinterSurface::metrics() {
    if (!metrics_) metrics_.emplace(font_, &printer_);
    return *metrics_;
}

void QtPrinterSurface::setFont(const FontSpec& font, int heightUnits) {
    // The Windows Japanese fonts are rarely installed elsewhere. IPAGothic has
    // their widths; Noto CJK maps the Kangxi radicals onto the ideographs' glyphs,
    // so text copied out of its PDF comes back as radicals (U+2F00...).
    font_ = qFontOf(font, QStringLiteral("IPAGothic"));
    QStringList families = font_.families();
    families << QStringLiteral("Noto Sans Mono CJK JP");
    font_.setFamilies(families);
    font_.setPixelSize(heightUnits > 0 ? heightUnits : 1);
    // Fixed-width Japanese text needs no shaping; skipping it makes drawing
    // much faster.
    font_.setStyleStrategy(QFont::PreferNoShaping);
    metrics_.reset();
    lines_.clear();
    if (painter_.isActive()) painter_.setFont(font_);
}

void QtPrinterSurface::setDocumentTitle(const std::string& sjis) {
    printer_.setDocName(qs(sjis));
}

QtPrinterSurface::Line& QtPrinterSurface::line(std::string_view sjis) {
    // Headers and all-empty rows recur on every sheet; the rest are measured
    // once and drawn once, so the cache is kept small.
    if (auto it = lines_.find(sjis); it != lines_.end()) return it->second;
    if (lines_.size() >= 4096) lines_.clear();
    Line& l = lines_[std::string(sjis)];
    l.text = qs(sjis);
    return l;
}

int QtPrinterSurface::textWidth(std::string_view sjis) {
    Line& l = line(sjis);
    if (l.width < 0) l.width = metrics().horizontalAdvance(l.text);
    return l.width;
}

int QtPrinterSurface::textHeight(std::string_view) {
    return metrics().height();
}

int QtPrinterSurface::charHeight() {
    return metrics().height();
}

int QtPrinterSurface::pageWidth() {
    return printer_.width();
}

int QtPrinterSurface::pageHeight() {
    return printer_.height();
}

void QtPrinterSurface::beginPage() {
    if (!begun_) {
        keepLargeBlocks();
        if (!painter_.begin(&printer_)) fail("印刷を始められません: %1", printerNameOf(printer_));
        begun_ = true;
        painter_.setFont(font_);
        painter_.setPen(Qt::black);
        return;
    }
    if (!printer_.newPage()) fail("次のページに進めません: %1", printerNameOf(printer_));
}

void QtPrinterSurface::drawRun(int x, int y, std::string_view sjis) {
    Line& l = line(sjis);
    if (!l.shaped) {
        l.runs = glyphRunsOf(l.text, font_, printer_);
        l.shaped = true;
    }
    const QPointF baseline(x, y + metrics().ascent());
    for (const QGlyphRun& run : l.runs) painter_.drawGlyphRun(baseline, run);
}

void QtPrinterSurface::endJob() {
    if (!begun_) beginPage();
    const bool ended = painter_.end();
    finished_ = true;
    if (!ended || printer_.printerState() == QPrinter::Error) {
        if (file_) file_->abandon();
        fail("印刷を終えられません: %1", printerNameOf(printer_));
    }
    if (!file_) return;
    QFile drawn(drawn_->fileName());
    if (!drawn.open(QIODevice::ReadOnly)) fail("一時ファイルを読めません: %1", drawn.fileName());
    try {
        while (!drawn.atEnd()) {
            const QByteArray block = drawn.read(1 << 20);
            if (block.isEmpty()) fail("一時ファイルを読めません: %1", drawn.fileName());
            file_->write(
                std::string_view(block.constData(), static_cast<std::size_t>(block.size())));
        }
        file_->commit();
    } catch (...) {
        file_->abandon();
        throw;
    }
}

void QtPrinterSurface::abortJob() noexcept {
    if (finished_) return;
    finished_ = true;
    if (painter_.isActive()) {
        // Where the engine cannot abort, ending still sends the pages drawn;
        // OutPut_Printer lays the whole table out before the first page, so a
        // failure there happens before any job starts.
        printer_.abort();
        painter_.end();
    }
    if (file_) file_->abandon();
}

QtPrinterService::QtPrinterService() = default;
QtPrinterService::~QtPrinterService() = default;

std::unique_ptr<PrinterSurface> QtPrinterService::open(const PrintTarget& target) {
    if (!QCoreApplication::instance()) {
        static char name[] = "tamsel-batch", option[] = "-platform", platform[] = "offscreen";
        static char* argv[] = {name, option, platform, nullptr};
        static int argc = 3;
        previousHandler = qInstallMessageHandler(quietOutsideASession);
        app_ = std::make_unique<QGuiApplication>(argc, argv);
    }
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    if (!target.pdfPath.empty()) {
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(qPath(target.pdfPath));
    } else {
        const QString name = QString::fromUtf8(target.printerName);
        if (QPrinterInfo::printerInfo(name).isNull()) fail("そのプリンターはありません: %1", name);
        printer->setPrinterName(name);
    }
    QPageSize::PageSizeId size = QPageSize::A4;
    switch (target.paper) {
        case Paper::Default:
            // A named printer keeps its own paper; a PDF is A4.
            if (target.pdfPath.empty()) size = printer->pageLayout().pageSize().id();
            break;
        case Paper::A4:
            break;
        case Paper::A3:
            size = QPageSize::A3;
            break;
        case Paper::B4:
            // The B4 of Japanese paper is JIS B4 (257 x 364 mm).
            size = QPageSize::JisB4;
            break;
        case Paper::Letter:
            size = QPageSize::Letter;
            break;
    }
    printer->setPageSize(QPageSize(size));
    printer->setPageOrientation(target.landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    return std::make_unique<QtPrinterSurface>(std::move(printer));
}

}  // namespace tamsel

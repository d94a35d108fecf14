#include "platform/qt/print/qt_printer.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QMarginsF>
#include <QPageSize>
#include <QPdfWriter>
#include <QStringList>
#include <QTextLayout>
#include <algorithm>

#include <cups/cups.h>

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

// The glyphs of one line as drawText would place them, from the start of its
// baseline, one run per font the text falls back to. Spaces are left out: they
// draw nothing, a text extractor puts them back from the gaps, and in a table
// of dots and spaces they are most of the glyphs the PDF engine would write
// one by one.
QList<QGlyphRun> glyphRunsOf(const QString& text, const QFont& font, QPaintDevice& device) {
    QTextLayout layout(text, font, &device);
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

DrawnPdf::DrawnPdf(const QString& target)
    : target_(target),
      // Made first, so a folder that cannot take the file stops us before any page.
      file_(target.isEmpty() ? throw Error(sj("PDF の出力先のファイル名がありません"))
                             : pathOf(target)),
      drawn_(QDir::tempPath() + QStringLiteral("/tamsel-XXXXXX.pdf")) {
    if (!drawn_.open()) fail("一時ファイルを作れません: %1", drawn_.fileTemplate());
    drawn_.close();
}

QString DrawnPdf::drawnPath() const {
    return drawn_.fileName();
}

void DrawnPdf::commit() {
    QFile drawn(drawn_.fileName());
    if (!drawn.open(QIODevice::ReadOnly)) fail("一時ファイルを読めません: %1", drawn.fileName());
    try {
        while (!drawn.atEnd()) {
            const QByteArray block = drawn.read(1 << 20);
            if (block.isEmpty()) fail("一時ファイルを読めません: %1", drawn.fileName());
            file_.write(
                std::string_view(block.constData(), static_cast<std::size_t>(block.size())));
        }
        file_.commit();
    } catch (...) {
        file_.abandon();
        throw;
    }
}

void DrawnPdf::abandon() noexcept {
    file_.abandon();
}

QtPrinterSurface::QtPrinterSurface(std::unique_ptr<PageTarget> target)
    : target_(std::move(target)), device_(target_->device()) {
    // Margins of at least 10 mm, or the printer's own where they are wider.
    const QMarginsF m = device_.pageLayout().margins(QPageLayout::Millimeter);
    device_.setPageMargins(
        QMarginsF(std::max(m.left(), MinMarginMm), std::max(m.top(), MinMarginMm),
                  std::max(m.right(), MinMarginMm), std::max(m.bottom(), MinMarginMm)),
        QPageLayout::Millimeter);
}

QtPrinterSurface::~QtPrinterSurface() {
    abortJob();
}

const QFontMetrics& QtPrinterSurface::metrics() {
    if (!metrics_) metrics_.emplace(font_, &device_);
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
    target_->setTitle(qs(sjis));
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
    return device_.width();
}

int QtPrinterSurface::pageHeight() {
    return device_.height();
}

void QtPrinterSurface::beginPage() {
    if (!begun_) {
        keepLargeBlocks();
        if (!painter_.begin(&device_)) fail("印刷を始められません: %1", target_->name());
        begun_ = true;
        painter_.setFont(font_);
        painter_.setPen(Qt::black);
        return;
    }
    if (!device_.newPage()) fail("次のページに進めません: %1", target_->name());
}

void QtPrinterSurface::drawRun(int x, int y, std::string_view sjis) {
    Line& l = line(sjis);
    if (!l.shaped) {
        l.runs = glyphRunsOf(l.text, font_, device_);
        l.shaped = true;
    }
    const QPointF baseline(x, y + metrics().ascent());
    for (const QGlyphRun& run : l.runs) painter_.drawGlyphRun(baseline, run);
}

void QtPrinterSurface::endJob() {
    if (!begun_) beginPage();
    const bool ended = painter_.end();
    finished_ = true;
    if (!ended || target_->failed()) {
        target_->abandon();
        fail("印刷を終えられません: %1", target_->name());
    }
    try {
        target_->finish();
    } catch (...) {
        target_->abandon();
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
        target_->abort();
        painter_.end();
    }
    target_->abandon();
}

namespace {

// The command line's targets: Qt GUI's PDF writer on a temporary file, which
// becomes the PDF asked for or goes to a CUPS printer as one job.
class PdfWriterTarget : public PageTarget {
  public:
    // pdfPath empty: the job goes to printerName.
    PdfWriterTarget(const QString& pdfPath, std::string printerName)
        : pdf_(pdfPath.isEmpty() ? nullptr : std::make_unique<DrawnPdf>(pdfPath)),
          printer_(std::move(printerName)),
          spool_(pdf_ ? nullptr
                      : std::make_unique<QTemporaryFile>(QDir::tempPath() +
                                                         QStringLiteral("/tamsel-XXXXXX.pdf"))) {
        if (spool_ && !spool_->open()) fail("一時ファイルを作れません: %1", spool_->fileTemplate());
        if (spool_) spool_->close();
        writer_.emplace(pdf_ ? pdf_->drawnPath() : spool_->fileName());
        writer_->setResolution(PrinterDpi);
        writer_->setCreator(QStringLiteral("Tamsel"));
    }
    QPagedPaintDevice& device() override { return *writer_; }
    QString name() const override { return pdf_ ? pdf_->target() : QString::fromUtf8(printer_); }
    void setTitle(const QString& title) override {
        writer_->setTitle(title);
        title_ = title.toStdString();
    }
    void finish() override {
        if (pdf_) return pdf_->commit();
        const std::string file = spool_->fileName().toStdString();
        if (cupsPrintFile(printer_.c_str(), file.c_str(),
                          title_.empty() ? "Tamsel" : title_.c_str(), 0, nullptr) == 0)
            fail("印刷を終えられません: %1", QString::fromUtf8(printer_) + QStringLiteral(" (") +
                                                 QString::fromUtf8(cupsLastErrorString()) +
                                                 QStringLiteral(")"));
    }
    void abandon() noexcept override {
        if (pdf_) pdf_->abandon();
    }

  private:
    std::unique_ptr<DrawnPdf> pdf_;
    std::string printer_;
    std::unique_ptr<QTemporaryFile> spool_;
    std::optional<QPdfWriter> writer_;
    std::string title_;
};

// The paper a CUPS printer is set to by default (its "media" option, by the
// names IPP and PPDs give it); A4 where it says none we know.
QPageSize::PageSizeId defaultPaperOf(const cups_dest_t& dest) {
    const char* media = cupsGetOption("media", dest.num_options, dest.options);
    const QString m = QString::fromUtf8(media ? media : "").toLower();
    if (m.contains(QStringLiteral("letter"))) return QPageSize::Letter;
    if (m.contains(QStringLiteral("a3"))) return QPageSize::A3;
    if (m.contains(QStringLiteral("b4"))) return QPageSize::JisB4;
    return QPageSize::A4;
}

}  // namespace

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
    QPageSize::PageSizeId size = QPageSize::A4;
    if (target.pdfPath.empty()) {
        const QString name = QString::fromUtf8(target.printerName);
        cups_dest_t* dest =
            cupsGetNamedDest(CUPS_HTTP_DEFAULT, target.printerName.c_str(), nullptr);
        if (!dest) fail("そのプリンターはありません: %1", name);
        // A named printer keeps its own paper; a PDF is A4.
        if (target.paper == Paper::Default) size = defaultPaperOf(*dest);
        cupsFreeDests(1, dest);
    }
    switch (target.paper) {
        case Paper::Default:
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
    auto page = std::make_unique<PdfWriterTarget>(
        target.pdfPath.empty() ? QString() : qPath(target.pdfPath), target.printerName);
    page->device().setPageSize(QPageSize(size));
    page->device().setPageOrientation(target.landscape ? QPageLayout::Landscape
                                                       : QPageLayout::Portrait);
    return std::make_unique<QtPrinterSurface>(std::move(page));
}

}  // namespace tamsel

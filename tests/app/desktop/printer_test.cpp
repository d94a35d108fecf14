#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <filesystem>

#include "app/desktop/print_panel.h"
#include "output/printer_output.h"
#include "output/small_table.h"
#include "platform/error.h"
#include "platform/qt/print/qt_printer.h"
#include "platform/qt/qt_text.h"
#include "window_helpers.h"

namespace tamsel {
namespace {

using testing::codes;
using testing::u;
using testing::Window;

QString run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    EXPECT_TRUE(p.waitForFinished(30000)) << program.toStdString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

TEST(Printer, FortySevenRelevesToPdfWithEmbeddedSelectableJapanese) {
    // Names with ideographs that Kangxi radicals share glyphs with in some fonts.
    const std::vector<std::string> names = {"白山シャクナゲ", "ブナ", "ミズナラ", "月見草"};
    testing::SmallTable s({2});
    for (int j = 1; j <= 47; ++j) {
        std::vector<std::pair<std::string, LayerCodes>> species;
        for (std::size_t i = 0; i < names.size(); ++i)
            if ((j + static_cast<int>(i)) % 3 != 0) species.push_back({names[i], codes({{5, 10}})});
        s.add({{2, std::to_string(1000 + j)}}, species);
    }
    s.recount();
    s.t.model.setTitle(sj("山地の植生表"));
    s.p.PN1 = {1, 0, s.t.model.speciesCount()};
    s.p.PN2 = {s.t.model.speciesCount(), 0, s.t.model.speciesCount()};

    QTemporaryDir dir;
    const QString pdf = dir.filePath(u("表.pdf"));
    QtPrinterService printers;
    auto surface = printers.open({.pdfPath = pathOf(pdf)});
    OutPut_Printer(s.t, s.p, s.ui(), *surface, 1,
                   static_cast<std::uint16_t>(s.t.model.speciesCount()));
    surface.reset();
    ASSERT_TRUE(QFile::exists(pdf));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{u("表.pdf")});

    const QString info = run(u("pdfinfo"), {pdf});
    const auto pages = info.section(u("Pages:"), 1).trimmed().section(u("\n"), 0, 0).toInt();
    EXPECT_GE(pages, 2) << info.toStdString();
    // pdfinfo pads the field by bytes, so the title is read after the colon.
    EXPECT_EQ(info.section(u("Title:"), 1).section(u("\n"), 0, 0).trimmed(), u("山地の植生表"))
        << info.toStdString();
    // Every sheet's footer: the title and "n / N".
    for (int k = 1; k <= pages; ++k) {
        const QString n = QString::number(k);
        const QString page = run(u("pdftotext"), {u("-f"), n, u("-l"), n, pdf, u("-")});
        EXPECT_TRUE(page.contains(u("%1 / %2").arg(k).arg(pages))) << k;
        EXPECT_TRUE(page.contains(u("山地の植生表"))) << k;
    }
    const QString text = run(u("pdftotext"), {pdf, u("-")});
    EXPECT_EQ(text.trimmed().section(u("\n"), 0, 0), u("山地の植生表"));
    for (const std::string& name : names) EXPECT_TRUE(text.contains(u(name.c_str()))) << name;
    EXPECT_TRUE(text.contains(u("続き")));
    EXPECT_TRUE(text.contains(u("1047")));
    // The font is in the file: "yes" in the embedded column.
    const QStringList fonts = run(u("pdffonts"), {pdf}).split(u("\n"), Qt::SkipEmptyParts);
    ASSERT_GE(fonts.size(), 3);
    EXPECT_TRUE(fonts[2].contains(u(" yes "))) << fonts[2].toStdString();
}

TEST(Printer, TargetsThatCannotBeOpenedAreRefused) {
    QTemporaryDir dir;
    QtPrinterService printers;
    EXPECT_THROW(printers.open({.pdfPath = pathOf(dir.filePath(u("no/such/dir/t.pdf")))}), Error);
    EXPECT_THROW(printers.open({.printerName = "no-such-printer-here"}), Error);
}

TEST(PrinterWindow, SetUpThenCancelledPrintDialogWritesNothing) {
    QTemporaryDir dir;
    Window w;
    w.show();
    testing::fillFromSample(w);
    int setups = 0, prints = 0;
    // The file chosen in the dialog, then "cancel".
    w.form.ui().setPrinterDialogHook([&](QPrinter& printer, bool setup) {
        ++(setup ? setups : prints);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.filePath(u("t.pdf")));
        return setup;
    });
    w.form.item(QStringLiteral("Item_PrintSetup"))->trigger();
    w.form.item(QStringLiteral("Item_PrintTable"))->trigger();
    ASSERT_TRUE(w.form.printItemPanel()->isVisible());
    QTest::mouseClick(w.form.printItemPanel()->BtnToPrint, Qt::LeftButton);
    EXPECT_EQ(setups, 1);
    EXPECT_EQ(prints, 1);
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
}

}  // namespace
}  // namespace tamsel

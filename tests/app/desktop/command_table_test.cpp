// Every command both front ends have, run through both from the same table: the
// command line with its arguments, the window by its menu item with the same
// answers to its dialogs. Both must leave the same caption and grid.
#include <gtest/gtest.h>

#include <QAction>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <fstream>
#include <set>
#include <sstream>

#include "app/batch_run.h"
#include "app/desktop/print_panel.h"
#include "app/session/batch.h"
#include "app/session/commands.h"
#include "io/safe_file.h"
#include "platform/qt/print/qt_printer.h"
#include "text/sjis.h"
#include "window_helpers.h"

namespace tamsel {
namespace {

using testing::samplePath;
using testing::Window;

// The caption and the grid of a session, printed by the command line's own commands.
std::string shown(Session& s) {
    BatchUi ui;
    std::ostringstream out, err;
    BatchContext c{s, ui, out, err};
    ArgReader none({});
    for (const Command& cmd : allBatchCommands())
        if (cmd.name == "caption" || cmd.name == "grid") runCommandLine(cmd, c, none);
    return out.str();
}

struct Case {
    const char* name;
    std::vector<std::string> args;  // the answers of the window's file dialogs, too
    // The window's button of the add-relevé panel pressed after the item, if any.
    bool addByRecord = false;
    // An output: "決定・出力" of the print-item panel is pressed after the item
    // (panel), and the file written (args[0]) must be the same from both.
    bool output = false;
    bool panel = false;
    // The texts typed into the options dialog (threshold, Fisher level), which
    // the command line gives as --threshold and --fisher; then a message box.
    std::vector<std::string> fields{};
    // A dialog accepted as it shows, then a report window closed (TWINSPAN).
    bool report = false;
    // The window's file dialogs' answers where they are not the arguments.
    std::vector<std::string> windowFiles{};
    // A dialog accepted as it shows (the command line gives no options).
    bool accept = false;
};

TEST(CommandTable, EveryCommandGivesTheSameTableInBothFrontEnds) {
    QTemporaryDir dir;
    const std::string saved = dir.filePath(QStringLiteral("t.vtb")).toStdString();
    const std::string rli = samplePath("sample.rli");
    const std::string units = dir.filePath(QStringLiteral("units.txt")).toStdString();
    writeFileSafely(units, sj("group G: ブナ, リョウブ\nunit U: G\n"));
    // A table to load: the sample sorted, saved by the command line.
    ASSERT_EQ(testing::runCommands({"add", rli, "sort-species", "save", saved}).status, 0);
    const std::string values = dir.filePath(QStringLiteral("values.csv")).toStdString();
    writeFileSafely(values, std::string_view("x,1\r\n"));
    const std::string xml = dir.filePath(QStringLiteral("p.xml")).toStdString();
    std::ofstream(xml, std::ios::binary)
        << "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\n<Plot_package><Plots><Plot>"
           "<header_data><standard_record releve_nr=\"9\" coverscale=\"02\" locality=\"A & B\"/>"
           "</header_data><species_data><species><standard_record nr=\"1\" cover=\"2a\" "
           "layer=\"6\"/></species></species_data></Plot></Plots><Lookup_tables>"
           "<Coverscale_list><coverscale_record code=\"02\"><data_record code=\"2a\" "
           "percentage=\"8\"/></coverscale_record></Coverscale_list><Species_list>"
           "<species_record nr=\"1\" name=\"Fagus crenata\"/></Species_list></Lookup_tables>"
           "</Plot_package>\n";
    const std::vector<Case> cases = {
        {"clear", {}},
        {"add", {rli}, true},
        {"add-turboveg", {xml}},
        {"recount", {}},
        {"sort-species", {}},
        {"sort-releves", {}},
        {"sort-releves-fewest", {}},
        {"recip", {}},
        {"dict", {samplePath("sample.dic")}},
        {"save", {dir.filePath(QStringLiteral("s.vtb")).toStdString()}},
        {"load", {saved}},
        {"ini", {samplePath("sample.ini")}},
        {"text-file", {dir.filePath(QStringLiteral("o.txt")).toStdString()}, false, true, true},
        {"spreadsheet", {dir.filePath(QStringLiteral("o.xlsx")).toStdString()}, false, true, true},
        {"print", {dir.filePath(QStringLiteral("o.pdf")).toStdString()}, false, true, true},
        {"pcord", {dir.filePath(QStringLiteral("o-pcm.csv")).toStdString()}, false, true},
        {"value-matrix", {dir.filePath(QStringLiteral("o-vm.csv")).toStdString()}, false, true},
        {"plot-data", {dir.filePath(QStringLiteral("o-plot.csv")).toStdString()}, false, true},
        {"synoptic",
         {dir.filePath(QStringLiteral("o-syn.csv")).toStdString()},
         false,
         true,
         false,
         {"10", "0.5"}},
        {"sort-fidelity", {}, false, false, false, {"-5", ""}},
        {"cornell", {dir.filePath(QStringLiteral("o.cep")).toStdString()}, false, true},
        {"long-csv", {dir.filePath(QStringLiteral("o-long.csv")).toStdString()}, false, true},
        {"releve-stats", {dir.filePath(QStringLiteral("o-stats.csv")).toStdString()}, false, true},
        {"indicator-means",
         {dir.filePath(QStringLiteral("o-ind.csv")).toStdString(), "--values", values},
         false,
         true,
         false,
         {},
         false,
         {values, dir.filePath(QStringLiteral("o-ind.csv")).toStdString()}},
        {"twinspan", {}, false, false, false, {}, true},
        {.name = "merge-layers", .args = {}, .accept = true},
        {.name = "cover-values",
         .args = {"--ini", dir.filePath(QStringLiteral("c.ini")).toStdString()},
         .windowFiles = {dir.filePath(QStringLiteral("c.ini")).toStdString()},
         .accept = true},
        {"beals", {dir.filePath(QStringLiteral("o-beals.csv")).toStdString()}, false, true},
        // The options dialog and then the curve, closed without a choice.
        {"optimclass",
         {dir.filePath(QStringLiteral("o-optim.csv")).toStdString()},
         false,
         true,
         false,
         {},
         true},
        {"cocktail", {dir.filePath(QStringLiteral("o-cocktail.csv")).toStdString()}, false, true},
        // The file dialog, then the report window closed.
        {.name = "assign-units", .args = {units}, .accept = true},
        {"undo", {}},
    };
    // Commands that act on a cell the user picks are run through the pop-ups by the
    // editing tests; every other shared command must have a case here.
    // redo needs an undo before it: the undo tests run both.
    const std::set<std::string> onCells = {"insert-col", "delete-col", "insert-row", "delete-row",
                                           "comment",    "title",      "redo"};
    std::set<std::string> covered;
    for (const Case& c : cases) covered.insert(c.name);
    const std::vector<Command> table = allCommands();
    for (const Command& cmd : table)
        if (!cmd.name.empty() && !cmd.item.empty() && cmd.handler && !onCells.count(cmd.name)) {
            EXPECT_TRUE(covered.count(cmd.name)) << "no smoke case for " << cmd.name;
        }

    for (const Case& c : cases) {
        std::vector<std::string> args = {"add", rli, c.name};
        args.insert(args.end(), c.args.begin(), c.args.end());
        if (!c.fields.empty()) args.insert(args.end(), {"--threshold", c.fields[0]});
        if (c.fields.size() > 1 && !c.fields[1].empty())
            args.insert(args.end(), {"--fisher", c.fields[1]});
        args.insert(args.end(), {"caption", "grid"});
        QtPrinterService printers;
        testing::Outcome batch = testing::runCommands(args, &printers);
        ASSERT_EQ(batch.status, 0) << c.name << ": " << batch.err;
        std::string batchFile;
        if (c.output) batchFile = readWholeFile(c.args[0]);

        Window w;
        testing::fillFromSample(w);
        const Command* cmd = nullptr;
        for (const Command& e : table)
            if (e.name == c.name) cmd = &e;
        ASSERT_TRUE(cmd && !cmd->item.empty()) << c.name;
        QAction* item = w.form.item(QString::fromStdString(cmd->item));
        ASSERT_TRUE(item && item->isEnabled()) << c.name;
        for (const std::string& a : c.windowFiles.empty() ? c.args : c.windowFiles)
            w.fileAnswers.push_back(a);
        QString summary;
        if (!c.fields.empty())
            testing::answerNextModal([&c, &summary](QWidget* dialog) {
                // The real dialog: its fields typed over, then OK.
                auto edits = dialog->findChildren<QLineEdit*>();
                for (qsizetype k = 0; k < edits.size() && k < std::ssize(c.fields); ++k)
                    edits[k]->setText(
                        QString::fromStdString(c.fields[static_cast<std::size_t>(k)]));
                testing::closeNextMessageBox(summary);
                static_cast<QDialog*>(dialog)->accept();
            });
        if (c.accept)
            testing::answerNextModal(
                [](QWidget* dialog) { static_cast<QDialog*>(dialog)->accept(); });
        if (c.report)
            testing::answerNextModal([&summary](QWidget* dialog) {
                testing::closeNextMessageBox(summary);
                static_cast<QDialog*>(dialog)->accept();
            });
        item->trigger();
        if (!c.fields.empty()) {
            EXPECT_TRUE(summary.contains(QString::fromUtf8("群"))) << c.name;
        }
        if (c.addByRecord) {
            // The sample is in the table already: the window asks, and 加える
            // adds them again as the command line does.
            testing::answerNextModal([](QWidget* dialog) {
                for (QPushButton* b : dialog->findChildren<QPushButton*>())
                    if (b->text().startsWith(QString::fromUtf8("加える"))) b->click();
            });
            QTest::mouseClick(w.form.addRelevePanel()->AddbyRecordBtn, Qt::LeftButton);
        }
        if (c.panel) QTest::mouseClick(w.form.printItemPanel()->BtnToPrint, Qt::LeftButton);
        if (c.output) {
            const std::string windowFile = readWholeFile(c.args[0]);
            EXPECT_FALSE(windowFile.empty()) << c.name;
            // A workbook and a PDF carry the time they were made.
            if (c.name != std::string("spreadsheet") && c.name != std::string("print")) {
                EXPECT_EQ(windowFile, batchFile) << c.name;
            }
        }
        EXPECT_TRUE(shown(w.session) == batch.out) << c.name << ": the window left another table";
    }
}

}  // namespace
}  // namespace tamsel

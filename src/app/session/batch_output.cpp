// Commands of the outputs: the print-item panel's boxes, the text file, the
// printer and the three CSV exports, each with its dialogs answered by the
// arguments.
#include <functional>

#include "app/session/batch.h"
#include "app/session/output_commands.h"
#include "output/csv_exports.h"
#include "output/print_panel.h"
#include "output/printer_output.h"
#include "output/text_file.h"
#include "platform/error.h"
#include "text/sjis.h"

namespace tamsel {

namespace {

// A click on each box named: print items 1..30, "freq" (ChkBoxfq), "once" (ChkBox1t).
void setBoxes(CommandCall& c, bool checked) {
    PrintPanel& p = c.session.printPanel;
    for (const std::string& name : c.args.all("K")) {
        if (name == "freq") {
            p.ChkBoxfq = checked;
        } else if (name == "once") {
            p.ChkBox1t = checked;
        } else {
            std::int32_t k = batchInt(name, "K");
            if (k < 1 || k > PrintItemCount)
                throw Error(msg("出力項目は 1 から 30、freq、once です: %1", fromUtf8(name)));
            if (!clickPrintItem(c.session.table, k, checked))
                throw Error(msg("出力項目 %1 は無効なので選べません（%2）", k,
                                c.session.table.print.PrintItemBoxes[k].caption));
        }
    }
}

// A command that opens the print-item panel. The window leaves it open; the
// command line types the range and the title in and presses "決定・出力", whose
// dialog the arguments answer. A box of the panel that only this output shows
// (option) is checked by its flag.
std::function<void(CommandCall&)> panelOutput(void (*open)(TableState&, PrintPanel&, Ui&),
                                              bool PrintPanel::*option = nullptr,
                                              const char* flag = nullptr) {
    return [open, option, flag](CommandCall& c) {
        PrintPanel& p = c.session.printPanel;
        open(c.session.table, p, c.ui);
        if (c.interactive()) return;
        // A value typed in is brought within the field's limits as the field does
        // when it loses the focus.
        if (auto from = c.args.option("--from")) p.PN1.value = spinValueOnExit(p.PN1, *from);
        if (auto to = c.args.option("--to")) p.PN2.value = spinValueOnExit(p.PN2, *to);
        if (auto title = c.args.option("--title")) p.EditTitle = sjisOrRefuse(*title, "標題");
        if (option) p.*option = c.args.has(flag);
        BtnToPrintClick(c.session.table, p, c.ui);
    };
}

// The range and the title of the print-item panel, and for a file output its file.
std::vector<Arg> panelArgs(Arg first) {
    using K = Arg::Kind;
    return {std::move(first),
            {"--from", K::Number, "N", "N"},
            {"--to", K::Number, "N", "N"},
            {"--title", K::Text, "TEXT", "TEXT"}};
}

}  // namespace

void registerOutputCommands(std::vector<Command>& reg) {
    using K = Arg::Kind;
    reg.push_back(
        {.name = "check",
         .args = {{"K", K::Boxes}},
         .help = "出力項目: check print items K (1-30), freq (出現頻度), once (出現１回の種)",
         .handler = [](CommandCall& c) { setBoxes(c, true); }});
    reg.push_back({.name = "uncheck",
                   .args = {{"K", K::Boxes}},
                   .help = "出力項目: uncheck print items K (1-30), freq, once",
                   .handler = [](CommandCall& c) { setBoxes(c, false); }});
    reg.push_back(
        {.name = "text-file",
         .args = panelArgs({"FILE", K::File}),
         .help = "表をテキスト出力: write the table as a text file, species rows --from..--to",
         .item = "Item_TextFile",
         .caption = "表をテキスト出力(&F)",
         .place = {"Menu_File", 80, true},
         .handler = panelOutput(Item_TextFileClick)});
    std::vector<Arg> sheet = panelArgs({"FILE", K::File});
    sheet.push_back({.name = "--clean", .kind = K::Flag});
    reg.push_back(
        {.name = "spreadsheet",
         .args = sheet,
         .help = "エクセル形式出力: write the table as a workbook (.xlsx); --clean: "
                 "for analysis (分析用), absent species empty, bare codes, one row "
                 "per layer",
         .item = "Item_ExcelFile",
         .caption = "エクセル形式出力(&X)",
         .place = {"Menu_File", 90},
         .handler = panelOutput(Item_ExcelFileClick, &PrintPanel::cleanSheet, "--clean")});
    using P = Arg::PrintPart;
    std::vector<Arg> print = panelArgs(
        {.name = "FILE.pdf", .kind = K::Path, .orOption = "--printer", .print = P::PdfFile});
    print.insert(print.begin() + 1, {.name = "--printer",
                                     .kind = K::Text,
                                     .value = "NAME",
                                     .missing = "NAME",
                                     .print = P::Printer});
    print.push_back({.name = "--paper",
                     .kind = K::Text,
                     .value = "A4|A3|B4|Letter",
                     .missing = "A4|A3|B4|Letter",
                     .check = [](const std::string& v) { paperNamed(v); },
                     .print = P::Paper});
    print.push_back({.name = "--landscape", .kind = K::Flag, .print = P::Landscape});
    print.push_back({.name = "--repeat-names", .kind = K::Flag});
    reg.push_back(
        {.name = "print",
         .args = print,
         .help = "表を直接印刷出力: print the table to a PDF file or to a printer; "
                 "--repeat-names: species names on every page",
         .item = "Item_PrintTable",
         .caption = "表を直接印刷出力(&P)",
         .place = {"Menu_File", 100},
         .handler = panelOutput(Item_PrintTableClick, &PrintPanel::repeatNames, "--repeat-names")});
    reg.push_back({.item = "Item_PrintSetup",
                   .caption = "プリンターの設定(&T)",
                   .place = {"Menu_File", 110},
                   .handler = [](CommandCall& c) { Item_PrintSetupClick(c.ui); }});
    reg.push_back(
        {.name = "pcord",
         .args = {{"FILE", K::File}},
         .help = "PCord用のCSV型出力: write the PCord matrix and the species list beside it",
         .item = "Item_PCordCSV",
         .caption = "PCord用のCSV型出力(&C)",
         .place = {"Menu_File", 60},
         .handler = exportTo(Item_PCordCSVClick)});
    reg.push_back({.name = "value-matrix",
                   .args = {{"FILE", K::File}},
                   .help = "数値表として出力する: write the value matrix",
                   .item = "Item_ValueMatrix",
                   .caption = "数値表として出力する(&V)",
                   .place = {"Menu_File", 50},
                   .handler = exportTo(Item_ValueMatrixClick)});
    reg.push_back({.name = "plot-data",
                   .args = {{"FILE", K::File}},
                   .help = "立地環境データ表出力: write the plot-data table",
                   .item = "Item_PlotData",
                   .caption = "立地環境データ表出力(&R)",
                   .place = {"Menu_File", 70},
                   .handler = exportTo(Item_PlotDataClick)});
}

}  // namespace tamsel

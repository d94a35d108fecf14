// Commands of the outputs: the print-item panel's boxes, the text file, the
// printer and the three CSV exports, each with its dialogs answered by the
// arguments.
#include <algorithm>
#include <cctype>
#include <functional>

#include "app/session/batch.h"
#include "output/csv_exports.h"
#include "output/print_panel.h"
#include "output/printer_output.h"
#include "output/spreadsheet_output.h"
#include "output/text_file.h"
#include "platform/error.h"
#include "text/sjis.h"

namespace tamsel {

namespace {

bool isBoxName(const std::string& a) {
    if (a == "freq" || a == "once") return true;
    return !a.empty() &&
           std::all_of(a.begin(), a.end(), [](unsigned char ch) { return std::isdigit(ch) != 0; });
}

// A click on each box named: print items 1..30, "freq" (ChkBoxfq), "once" (ChkBox1t).
void setBoxes(BatchContext& c, ArgReader& in, bool checked) {
    std::vector<std::string> names{in.next("K")};
    while (!in.atEnd() && isBoxName(in.peek())) names.push_back(in.next("K"));
    PrintPanel& p = c.session.printPanel;
    for (const std::string& name : names) {
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
                                c.session.table.PrintItemBoxes[k].caption));
        }
    }
}

// A value typed into PN1 or PN2, brought within the field's limits as the
// field does when it loses the focus.
void typeRange(SpinEdit& field, const std::string& text, const char* what) {
    batchInt(text, what);
    field.value = spinValueOnExit(field, text);
}

// A command that opens the print-item panel: the range and the title typed in,
// "決定・出力", and the output's dialog answered by answer. Options other than
// --from, --to and --title go to extra, which says whether it took them.
void panelOutput(BatchContext& c, ArgReader& in, const char* name,
                 void (*open)(TableState&, PrintPanel&, Ui&), const std::function<void()>& answer,
                 const std::function<bool(const std::string&)>& extra = {}) {
    PrintPanel& p = c.session.printPanel;
    std::optional<std::string> from, to, title;
    while (auto opt = in.nextOption()) {
        if (*opt == "--from")
            from = in.next("N");
        else if (*opt == "--to")
            to = in.next("N");
        else if (*opt == "--title")
            title = in.next("TEXT");
        else if (!extra || !extra(*opt))
            ArgReader::unknownOption(name, *opt);
    }
    open(c.session.table, p, c.ui);
    if (from) typeRange(p.PN1, *from, "--from");
    if (to) typeRange(p.PN2, *to, "--to");
    if (title) {
        p.EditTitle = sjisOrRefuse(*title, "標題");
    }
    answer();
    BtnToPrintClick(c.session.table, p, c.ui);
}

// The output to a file the save dialog names.
void fileOutput(BatchContext& c, ArgReader& in, const char* name,
                void (*open)(TableState&, PrintPanel&, Ui&)) {
    std::string path = in.next("FILE");
    panelOutput(c, in, name, open, [&] { c.ui.fileAnswers.push_back(path); });
}

Paper paperOf(const std::string& name) {
    if (name == "A4") return Paper::A4;
    if (name == "A3") return Paper::A3;
    if (name == "B4") return Paper::B4;
    if (name == "Letter") return Paper::Letter;
    throw Error(msg("用紙は A4、A3、B4、Letter のどれかです: %1", fromUtf8(name)));
}

// The print dialog answered: a PDF file, or --printer NAME, with paper and
// orientation.
void printOutput(BatchContext& c, ArgReader& in) {
    PrintTarget target;
    if (in.atEnd() || in.peek() != "--printer") target.pdfPath = in.next("FILE.pdf");
    auto extra = [&](const std::string& opt) {
        if (opt == "--printer")
            target.printerName = in.next("NAME");
        else if (opt == "--paper")
            target.paper = paperOf(in.next("A4|A3|B4|Letter"));
        else if (opt == "--landscape")
            target.landscape = true;
        else
            return false;
        return true;
    };
    panelOutput(
        c, in, "print", Item_PrintTableClick,
        [&] {
            if (!target.pdfPath.empty() && !target.printerName.empty())
                throw Error(sj("PDF ファイルと --printer は同時に指定できません"));
            c.ui.printAnswers.push_back(target);
        },
        extra);
}

void exportTo(BatchContext& c, ArgReader& in, void (*command)(const TableState&, Ui&)) {
    c.ui.fileAnswers.push_back(in.next("FILE"));
    command(c.session.table, c.ui);
}

}  // namespace

void registerOutputCommands(std::vector<BatchCommand>& reg) {
    reg.push_back(
        {.name = "check",
         .usage = "K...",
         .help = "出力項目: check print items K (1-30), freq (出現頻度), once (出現１回の種)",
         .run = [](BatchContext& c, ArgReader& in) { setBoxes(c, in, true); }});
    reg.push_back({.name = "uncheck",
                   .usage = "K...",
                   .help = "出力項目: uncheck print items K (1-30), freq, once",
                   .run = [](BatchContext& c, ArgReader& in) { setBoxes(c, in, false); }});
    reg.push_back(
        {.name = "text-file",
         .usage = "FILE [--from N] [--to N] [--title TEXT]",
         .help = "表をテキスト出力: write the table as a text file, species rows --from..--to",
         .run = [](BatchContext& c,
                   ArgReader& in) { fileOutput(c, in, "text-file", Item_TextFileClick); },
         .item = "Item_TextFile",
         .caption = "表をテキスト出力(&F)",
         .place = {"Menu_File", 80, true},
         .click = [](Session& s, Ui& ui) { Item_TextFileClick(s.table, s.printPanel, ui); }});
    reg.push_back(
        {.name = "spreadsheet",
         .usage = "FILE [--from N] [--to N] [--title TEXT]",
         .help = "エクセル形式出力: write the table as a workbook (.xlsx)",
         .run = [](BatchContext& c,
                   ArgReader& in) { fileOutput(c, in, "spreadsheet", Item_ExcelFileClick); },
         .item = "Item_ExcelFile",
         .caption = "エクセル形式出力(&X)",
         .place = {"Menu_File", 90},
         .click = [](Session& s, Ui& ui) { Item_ExcelFileClick(s.table, s.printPanel, ui); }});
    reg.push_back(
        {.name = "print",
         .usage = "FILE.pdf|--printer NAME [--from N] [--to N] [--title TEXT] "
                  "[--paper A4|A3|B4|Letter] [--landscape]",
         .help = "表を直接印刷出力: print the table to a PDF file or to a printer",
         .run = [](BatchContext& c, ArgReader& in) { printOutput(c, in); },
         .item = "Item_PrintTable",
         .caption = "表を直接印刷出力(&P)",
         .place = {"Menu_File", 100},
         .click = [](Session& s, Ui& ui) { Item_PrintTableClick(s.table, s.printPanel, ui); }});
    reg.push_back({.item = "Item_PrintSetup",
                   .caption = "プリンターの設定(&T)",
                   .place = {"Menu_File", 110},
                   .click = [](Session&, Ui& ui) { Item_PrintSetupClick(ui); }});
    reg.push_back(
        {.name = "pcord",
         .usage = "FILE",
         .help = "PCord用のCSV型出力: write the PCord matrix and the species list beside it",
         .run = [](BatchContext& c, ArgReader& in) { exportTo(c, in, Item_PCordCSVClick); },
         .item = "Item_PCordCSV",
         .caption = "PCord用のCSV型出力(&C)",
         .place = {"Menu_File", 60},
         .click = [](Session& s, Ui& ui) { Item_PCordCSVClick(s.table, ui); }});
    reg.push_back(
        {.name = "value-matrix",
         .usage = "FILE",
         .help = "数値表として出力する: write the value matrix",
         .run = [](BatchContext& c, ArgReader& in) { exportTo(c, in, Item_ValueMatrixClick); },
         .item = "Item_ValueMatrix",
         .caption = "数値表として出力する(&V)",
         .place = {"Menu_File", 50},
         .click = [](Session& s, Ui& ui) { Item_ValueMatrixClick(s.table, ui); }});
    reg.push_back(
        {.name = "plot-data",
         .usage = "FILE",
         .help = "立地環境データ表出力: write the plot-data table",
         .run = [](BatchContext& c, ArgReader& in) { exportTo(c, in, Item_PlotDataClick); },
         .item = "Item_PlotData",
         .caption = "立地環境データ表出力(&R)",
         .place = {"Menu_File", 70},
         .click = [](Session& s, Ui& ui) { Item_PlotDataClick(s.table, ui); }});
}

}  // namespace tamsel

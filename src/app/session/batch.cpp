#include "app/session/batch.h"

#include <ostream>

#include "datafile/numbers.h"
#include "platform/error.h"
#include "text/sjis.h"

namespace tamsel {

std::string ArgReader::next(const std::string& what) {
    if (atEnd()) throw Error(msg("引数が足りません: %1", fromUtf8(what)));
    return args_[pos_++];
}

std::optional<std::string> ArgReader::nextOption() {
    if (atEnd() || args_[pos_].rfind("--", 0) != 0) return std::nullopt;
    return args_[pos_++];
}

void ArgReader::unknownOption(const char* command, const std::string& option) {
    throw Error(msg("%1 のオプションではありません: %2", fromUtf8(command), fromUtf8(option)));
}

std::int32_t batchInt(const std::string& text, const std::string& what) {
    auto v = parseNumberField(text);
    if (!v) throw Error(msg("数値ではありません (%1): %2", fromUtf8(what), fromUtf8(text)));
    return *v;
}

std::vector<BatchCommand> allBatchCommands() {
    std::vector<BatchCommand> reg;
    for (Command& c : allCommands())
        if (!c.name.empty()) reg.push_back(std::move(c));
    return reg;
}

namespace {

void printHelp(const std::vector<BatchCommand>& reg, std::ostream& out) {
    out << "usage: tamsel-batch [OPTIONS] COMMAND [ARGS]... [COMMAND [ARGS]...]...\n"
           "Runs the commands in order on one composition table, as the desktop program\n"
           "runs the same menu commands in one session. Arguments and output are UTF-8;\n"
           "files are read and written in Shift-JIS exactly as the desktop program does.\n\n"
           "options:\n"
           "  --help               this text\n"
           "  --settings FILE      read the settings file FILE at start-up, as the desktop\n"
           "                       program does with its first argument\n\n"
           "commands:\n";
    for (const auto& c : reg) {
        std::string head = "  " + c.name + (c.usage.empty() ? "" : " " + c.usage);
        out << head;
        if (head.size() < 40)
            out << std::string(40 - head.size(), ' ');
        else
            out << "\n" << std::string(40, ' ');
        out << c.help << "\n";
    }
}

}  // namespace

void refusing(BatchContext& c, const std::function<void()>& call) {  // refusal
    std::size_t before = c.ui.messages.size();
    call();
    if (c.ui.messages.size() == before) return;
    std::string text = c.ui.messages[before];
    c.ui.messages.resize(before);
    throw Error(text);
}

namespace {

// Messages only inform: each becomes a "note: " line, in the order shown.
void printNotes(BatchUi& ui, std::size_t& printed, std::ostream& err) {
    for (; printed < ui.messages.size(); ++printed)
        err << "note: " << toUtf8(ui.messages[printed]) << "\n";
}

}  // namespace

int runBatch(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
             const std::string& programPath, PrinterService* printers) {
    return runBatchWith(allBatchCommands(), args, out, err, programPath, printers);
}

int runBatchWith(const std::vector<BatchCommand>& reg, const std::vector<std::string>& args,
                 std::ostream& out, std::ostream& err, const std::string& programPath,
                 PrinterService* printers) {
    ArgReader in(args);
    std::vector<std::string> startArgs;
    while (!in.atEnd() && in.peek().rfind("--", 0) == 0) {
        std::string opt = in.next("option");
        if (opt == "--help") {
            printHelp(reg, out);
            return 0;
        }
        if (opt == "--settings") {
            // The start-up read, as when the desktop program is given FILE first.
            if (in.atEnd()) {
                err << "error: --settings needs a FILE\n";
                return 2;
            }
            startArgs = {in.next("FILE")};
            continue;
        }
        err << "error: unknown option " << opt << "\n";
        return 2;
    }
    Session s;
    s.programPath = programPath;
    BatchUi ui;
    ui.printers = printers;
    BatchContext ctx{s, ui, out, err};
    std::size_t printed = 0;
    // The one boundary: only an Error (or a fault of the program) ends the run.
    auto guarded = [&](const std::string& name, const std::function<void()>& step) {
        try {
            step();
            printNotes(ui, printed, err);
            return 0;
        } catch (const Error& e) {
            printNotes(ui, printed, err);
            err << "error: " << toUtf8(e.what()) << "\n";
        } catch (const std::exception& e) {
            printNotes(ui, printed, err);
            err << "error: " << toUtf8(internalErrorMessage(name, e.what())) << "\n";
        }
        return 1;
    };
    // A settings file asked for by name that cannot be read is a failure here: the
    // command line has no one to agree to going on with the defaults.
    if (int status = guarded("--settings", [&] { FormCreate(s, ui, startArgs, false); }))
        return status;
    if (in.atEnd()) {
        printHelp(reg, err);
        return 2;
    }
    while (!in.atEnd()) {
        std::string name = in.next("command");
        const BatchCommand* cmd = nullptr;
        for (const auto& c : reg)
            if (c.name == name) cmd = &c;
        if (!cmd) {
            err << "error: unknown command " << name << " (see --help)\n";
            return 2;
        }
        if (int status = guarded(name, [&] {
                HistoryStep step(s.table, commandTitle(*cmd));
                cmd->run(ctx, in);
            }))
            return status;
    }
    return 0;
}

}  // namespace tamsel

#include "app/session/batch.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <ostream>

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

Paper paperNamed(const std::string& name) {
    if (name == "A4") return Paper::A4;
    if (name == "A3") return Paper::A3;
    if (name == "B4") return Paper::B4;
    if (name == "Letter") return Paper::Letter;
    throw Error(msg("用紙は A4、A3、B4、Letter のどれかです: %1", fromUtf8(name)));
}

std::vector<BatchCommand> allBatchCommands() {
    std::vector<BatchCommand> reg;
    for (Command& c : allCommands())
        if (!c.name.empty()) reg.push_back(std::move(c));
    return reg;
}

namespace {

bool isOption(const Arg& a) {
    return a.name.rfind("--", 0) == 0;
}

const Arg* findArg(const Command& cmd, const std::string& name) {
    for (const Arg& a : cmd.args)
        if (a.name == name) return &a;
    return nullptr;
}

// An option's name and value, as --help and a missing value's error show it.
std::string withValue(const Arg& a) {
    return a.value.empty() ? a.name : a.name + " " + a.value;
}

std::string missingName(const Arg& a) {
    if (!a.missing.empty()) return a.missing;
    return isOption(a) ? withValue(a) : a.name;
}

bool isBoxName(const std::string& a) {
    if (a == "freq" || a == "once") return true;
    return !a.empty() &&
           std::all_of(a.begin(), a.end(), [](unsigned char ch) { return std::isdigit(ch) != 0; });
}

void readValue(const Arg& a, ArgReader& in, CommandArgs& got) {
    if (a.kind == Arg::Kind::Flag) {
        got.add(a.name, "");
        return;
    }
    // A value of several words: each is kept, in order, under the one name.
    for (int w = 1; w < a.words; ++w) got.add(a.name, in.next(missingName(a)));
    std::string v = in.next(missingName(a));
    if (a.kind == Arg::Kind::Number) batchInt(v, a.name);
    if (a.absolute) v = std::filesystem::absolute(v).string();
    if (a.check) a.check(v);
    got.add(a.name, std::move(v));
    if (a.kind == Arg::Kind::Boxes)
        while (!in.atEnd() && isBoxName(in.peek())) got.add(a.name, in.next(a.name));
    if (a.more)
        while (!in.atEnd() && a.more(in.peek())) got.add(a.name, in.next(a.name));
}

}  // namespace

CommandArgs readCommandLine(const Command& cmd, ArgReader& in) {
    CommandArgs got(cmd.args);
    bool options = false;
    for (const Arg& a : cmd.args) {
        if (isOption(a)) {
            options = true;
            continue;
        }
        if (!a.orOption.empty() && !in.atEnd() && in.peek() == a.orOption) continue;
        readValue(a, in, got);
    }
    // A command without options leaves a "--" word to the command line itself.
    while (options) {
        auto opt = in.nextOption();
        if (!opt) break;
        const Arg* a = findArg(cmd, *opt);
        if (!a || !isOption(*a)) {
            if (!cmd.badOption.empty()) throw Error(msg(cmd.badOption, fromUtf8(*opt)));
            ArgReader::unknownOption(cmd.name.c_str(), *opt);
        }
        readValue(*a, in, got);
    }
    for (const Arg& a : cmd.args)
        if (isOption(a) && a.required && a.within.empty() && !got.has(a.name))
            throw Error(msg("%1 には %2 が要ります", fromUtf8(cmd.name), fromUtf8(withValue(a))));
    return got;
}

namespace {

// The answers of the command's dialogs, from the arguments in the order the
// description gives them.
void prepareAnswers(const Command& cmd, const CommandArgs& got, BatchUi& ui) {
    std::vector<const Arg*> files;
    int fields = 0;
    bool print = false;
    for (const Arg& a : cmd.args) {
        if (a.kind == Arg::Kind::File && got.has(a.name)) files.push_back(&a);
        if (a.kind == Arg::Kind::Field || (a.kind == Arg::Kind::Flag && a.field > 0))
            fields = std::max(fields, a.field + 1);
        print = print || a.print != Arg::PrintPart::None;
    }
    std::stable_sort(files.begin(), files.end(),
                     [](const Arg* a, const Arg* b) { return a->dialog < b->dialog; });
    for (const Arg* a : files) ui.fileAnswers.push_back(got.text(a->name));
    if (fields) {
        // A field not named keeps the text the dialog shows.
        BatchUi::FieldsAnswer answer(static_cast<std::size_t>(fields));
        for (const Arg& a : cmd.args)
            if (a.kind == Arg::Kind::Field && got.has(a.name))
                answer[static_cast<std::size_t>(a.field)] = fromUtf8(got.text(a.name));
            else if (a.kind == Arg::Kind::Flag && a.field > 0 && got.has(a.name))
                answer[static_cast<std::size_t>(a.field)] = "1";
        ui.fieldsAnswers.push_back(answer);
    }
    if (print) {
        PrintTarget target;
        for (const Arg& a : cmd.args) {
            if (!got.has(a.name)) continue;
            switch (a.print) {
                case Arg::PrintPart::None:
                    break;
                case Arg::PrintPart::PdfFile:
                    target.pdfPath = got.text(a.name);
                    break;
                case Arg::PrintPart::Printer:
                    target.printerName = got.text(a.name);
                    break;
                case Arg::PrintPart::Paper:
                    target.paper = paperNamed(got.text(a.name));
                    break;
                case Arg::PrintPart::Landscape:
                    target.landscape = true;
                    break;
            }
        }
        if (!target.pdfPath.empty() && !target.printerName.empty())
            throw Error(sj("PDF ファイルと --printer は同時に指定できません"));
        ui.printAnswers.push_back(target);
    }
}

// A command may make another folder current (as the menu command does); on the
// command line the paths of the later commands still mean the user's folder.
class KeepCurrentFolder {
  public:
    KeepCurrentFolder() : saved_(std::filesystem::current_path(ec_)) {}
    ~KeepCurrentFolder() {
        std::error_code ec;
        if (!ec_) std::filesystem::current_path(saved_, ec);
    }
    KeepCurrentFolder(const KeepCurrentFolder&) = delete;
    KeepCurrentFolder& operator=(const KeepCurrentFolder&) = delete;

  private:
    std::error_code ec_;
    std::filesystem::path saved_;
};

void clearAnswers(BatchUi& ui) {
    ui.fileAnswers.clear();
    ui.fieldsAnswers.clear();
    ui.printAnswers.clear();
}

void printHelp(const std::vector<BatchCommand>& reg, std::ostream& out) {
    out << "usage: tamsel-batch [OPTIONS] COMMAND [ARGS]... [COMMAND [ARGS]...]...\n"
           "Runs the commands in order on one composition table, as the desktop program\n"
           "runs the same menu commands in one session. Arguments and output are UTF-8;\n"
           "files are read and written in Shift-JIS exactly as the desktop program does.\n\n"
           "options:\n"
           "  --help               this text\n"
           "  --version            the version\n"
           "  --settings FILE      read the settings file FILE at start-up, as the desktop\n"
           "                       program does with its first argument\n\n"
           "commands:\n";
    for (const auto& c : reg) {
        const std::string usage = commandUsage(c);
        std::string head = "  " + c.name + (usage.empty() ? "" : " " + usage);
        out << head;
        if (head.size() < 40)
            out << std::string(40 - head.size(), ' ');
        else
            out << "\n" << std::string(40, ' ');
        out << c.help << "\n";
    }
}

}  // namespace

std::string commandUsage(const Command& cmd) {
    std::vector<std::string> parts;
    for (const Arg& a : cmd.args) {
        if (!isOption(a)) {
            std::string part = a.name + (a.kind == Arg::Kind::Boxes || a.more ? "..." : "");
            if (const Arg* o = a.orOption.empty() ? nullptr : findArg(cmd, a.orOption))
                part += "|" + withValue(*o);
            parts.push_back(part);
            continue;
        }
        const bool standsForPositional =
            std::any_of(cmd.args.begin(), cmd.args.end(),
                        [&](const Arg& p) { return !isOption(p) && p.orOption == a.name; });
        if (!a.within.empty() || standsForPositional) continue;
        std::string part = withValue(a);
        for (const Arg& b : cmd.args)
            if (b.within == a.name)
                part += " " + (b.required ? withValue(b) : "[" + withValue(b) + "]");
        parts.push_back(a.required ? part : "[" + part + "]");
    }
    std::string usage;
    for (const std::string& p : parts) usage += (usage.empty() ? "" : " ") + p;
    return usage;
}

void runCommandLine(const Command& cmd, BatchContext& c, ArgReader& in) {
    const CommandArgs got = readCommandLine(cmd, in);
    KeepCurrentFolder keep;
    // Answers a command left unasked would otherwise answer a later command's dialog.
    struct Cleared {
        BatchUi& ui;
        ~Cleared() { clearAnswers(ui); }
    } cleared{c.ui};
    prepareAnswers(cmd, got, c.ui);
    CommandCall call{c.session, c.ui, got, c.out, c.err};
    cmd.handler(call);
}

void refusing(BatchUi& ui, const std::function<void()>& call) {  // refusal
    std::size_t before = ui.messages.size();
    call();
    if (ui.messages.size() == before) return;
    std::string text = ui.messages[before];
    ui.messages.resize(before);
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
        if (opt == "--version") {
            out << "Tamsel Windows Version 3.34\n";
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
                runCommandLine(*cmd, ctx, in);
            }))
            return status;
    }
    return 0;
}

}  // namespace tamsel

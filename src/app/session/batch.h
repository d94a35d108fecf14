// The command-line program: commands run in order on one session, each the
// handler of its command-table entry with its dialogs answered by the arguments.
#pragma once

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "app/session/commands.h"
#include "app/session/session.h"
#include "platform/batch/batch_ui.h"

namespace tamsel {

// The arguments of the command line, taken one by one by the commands.
class ArgReader {
  public:
    explicit ArgReader(std::vector<std::string> args) : args_(std::move(args)) {}
    bool atEnd() const { return pos_ >= args_.size(); }
    const std::string& peek() const { return args_[pos_]; }
    // The next argument; throws Error naming what was expected when there is none.
    std::string next(const std::string& what);
    // The next argument when it is an option ("--name"); else nothing is taken.
    std::optional<std::string> nextOption();
    // Refuses an option that command does not know.
    [[noreturn]] static void unknownOption(const char* command, const std::string& option);

  private:
    std::vector<std::string> args_;
    std::size_t pos_ = 0;
};

struct BatchContext {
    Session& session;
    BatchUi& ui;
    std::ostream& out;
    std::ostream& err;
};

// A command of the command line is an entry of the command table.
using BatchCommand = Command;

// The entries of the command table that the command line has, in --help order.
std::vector<BatchCommand> allBatchCommands();

// Runs a whole command line (without the program name); returns the exit status.
// printers opens the print command's targets; without it printing is refused.
int runBatch(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
             const std::string& programPath = {}, PrinterService* printers = nullptr);
// The same with the given commands instead of all of them.
int runBatchWith(const std::vector<BatchCommand>& reg, const std::vector<std::string>& args,
                 std::ostream& out, std::ostream& err, const std::string& programPath = {},
                 PrinterService* printers = nullptr);

// One command of a command line whose name was taken: its arguments read by its
// description, its dialogs' answers prepared from them, then its handler.
void runCommandLine(const Command& cmd, BatchContext& c, ArgReader& in);

// The arguments of the command named, read by its description.
CommandArgs readCommandLine(const Command& cmd, ArgReader& in);

// The arguments as --help shows them, derived from the description.
std::string commandUsage(const Command& cmd);

// How derived values merge a species' layers: --layers on the command line, else
// as the cover-value dialog set it (the window's choice).
LayerMerge layers(const CommandCall& c);
Arg layersArg();

// The paper of the print dialog by its name on the command line (throws Error).
Paper paperNamed(const std::string& name);

// Runs a core call that still refuses through Ui::message instead of throwing: the
// message it showed becomes the Error (and is not printed again as a note).
void refusing(BatchUi& ui, const std::function<void()>& call);  // refusal

}  // namespace tamsel

// The one command table: every menu command and every command-line command is
// described once here, and both front ends build themselves from it. The window
// makes its menu and wiring from the menu fields, tamsel-batch its command list,
// its parsing and --help from the argument descriptions; both run the one handler.
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/session/session.h"
#include "platform/ui.h"

namespace tamsel {

// A menu of the main window, in menu-bar order.
struct MenuDef {
    const char* name;     // object name, e.g. "Menu_File"
    const char* caption;  // UTF-8
};
const std::vector<MenuDef>& mainMenus();

// Where a command's item sits: its menu, its place (ascending), whether a
// separator goes before it, and the submenu of that menu that holds it. A
// submenu stands where its first item would.
struct MenuPlace {
    std::string menu{};  // a MenuDef name; empty: no menu item
    int order = 0;
    bool separatorBefore = false;
    std::string submenu{};  // UTF-8 caption; empty: the item is in the menu itself
};

// One argument of a command's command-line form. The form is derived from the
// list: the parsing, the usage line of --help, the errors for a missing or a bad
// argument, and the answers the command line gives to the command's dialogs.
// Positional arguments come first, in order; options ("--name") follow in any order.
struct Arg {
    enum class Kind {
        File,    // answers the command's next file dialog
        Path,    // a file the command opens or writes itself
        Number,  // a whole number, refused as it is read when it is not one
        Text,
        Flag,   // an option without a value
        Field,  // an option answering field `field` of the command's fields dialog
        Boxes,  // one or more print items: 1..30, freq, once ("K...")
    };
    // The part of the print dialog's answer an argument gives.
    enum class PrintPart { None, PdfFile, Printer, Paper, Landscape };
    std::string name;  // "FILE.vtb", "K"; an option: "--records"
    Kind kind = Kind::Text;
    std::string value{};    // an option's value as --help shows it: "A-B", "a|a-and-b"
    std::string missing{};  // what an error calls a missing value, when not the usual
    // Refuses a bad value as it is read (throws Error).
    std::function<void(const std::string&)> check{};
    int field = 0;           // Field: the dialog's field; a Flag above 0 ticks that check box
    int dialog = 0;          // File: which file dialog it answers (0: in the order listed)
    bool required = false;   // an option that must be given
    std::string within{};    // an option that only goes with that option, shown inside it
    std::string orOption{};  // a positional that this option may stand for instead
    bool absolute = false;   // File: resolved in the current folder as it is read
    // More values follow, one a word, while the next word passes this test.
    std::function<bool(const std::string&)> more{};
    int words = 1;  // the words each value takes ("--field NAME OP VALUE": 3)
    PrintPart print = PrintPart::None;
};

// The values a command line gave, by the names of the command's arguments. The
// window runs its commands with none.
class CommandArgs {
  public:
    CommandArgs() = default;
    // The values of a command line read by args: asking for a name args does not
    // describe is a fault of the program.
    explicit CommandArgs(const std::vector<Arg>& args) : described_(&args) {}
    bool has(const std::string& name) const;
    // The value given (the last, for an option named twice); throws when none was.
    const std::string& text(const std::string& name) const;
    std::optional<std::string> option(const std::string& name) const;
    std::int32_t number(const std::string& name) const;
    const std::vector<std::string>& all(const std::string& name) const;
    void add(const std::string& name, std::string value) {
        values_[name].push_back(std::move(value));
    }

  private:
    std::map<std::string, std::vector<std::string>> values_;
    const std::vector<Arg>* described_ = nullptr;
};

// What a command's handler is given. The window's Ui asks the user; the command
// line's answers the dialogs from the arguments (Ui::interactive() tells which),
// and its reports go to out and err (discarded in the window).
struct CommandCall {
    Session& session;
    Ui& ui;
    const CommandArgs& args;
    std::ostream& out;
    std::ostream& err;
    bool interactive() const { return ui.interactive(); }
};

struct Command {
    // The command line; an empty name: a menu item only.
    std::string name{};
    std::vector<Arg> args{};
    std::string help{};  // one line, for --help
    // The message for an option the command lacks (%1: the option), when not the usual.
    std::string badOption{};

    // The menu item; an empty item: a command of the command line only.
    std::string item{};     // object name, e.g. "Item_AddReleve"
    std::string caption{};  // UTF-8, as the menu shows it
    MenuPlace place{};
    std::string shortcut{};  // the window's key for the item, e.g. "Ctrl+S"

    // The one handler, for the menu item and the command line alike. Empty: the
    // item stays disabled (or, for Item_Quit, the window gives it its own handler).
    std::function<void(CommandCall&)> handler{};
    // The command replaces the table: the window first asks to save a changed one
    // (askToSaveFirst). The command line never asks.
    bool replacesTable = false;
};

// The commands of each part of the program register themselves here, in the
// order --help lists them.
void registerCoreCommands(std::vector<Command>& reg);       // batch_core.cpp
void registerSettingsCommands(std::vector<Command>& reg);   // batch_settings.cpp
void registerBuildCommands(std::vector<Command>& reg);      // batch_build.cpp
void registerTableFileCommands(std::vector<Command>& reg);  // batch_tablefile.cpp
void registerEditCommands(std::vector<Command>& reg);       // batch_edit.cpp
void registerOutputCommands(std::vector<Command>& reg);     // batch_output.cpp
void registerAnalysisCommands(std::vector<Command>& reg);   // batch_analysis.cpp
void registerExchangeCommands(std::vector<Command>& reg);   // batch_exchange.cpp
void registerStoreCommands(std::vector<Command>& reg);      // batch_store.cpp
void registerMenuOnlyCommands(std::vector<Command>& reg);   // commands.cpp

// The whole table. An entry without a handler (a menu item still to come) gives
// way to an entry of the same item that has one, so another part can register it.
std::vector<Command> allCommands();

// The handler of an output that reads the table and asks only through its dialogs.
std::function<void(CommandCall&)> exportTo(void (*command)(const TableState&, Ui&));

// A number argument; throws Error naming what when the text is not one.
std::int32_t batchInt(const std::string& text, const std::string& what);

// The command as the user knows it (Shift-JIS): the menu caption without its
// access key, else the Japanese name that begins its help, else its name.
std::string commandTitle(const Command& c);

// The entries of one menu, in menu order.
std::vector<const Command*> menuItems(const std::vector<Command>& table, const std::string& menu);

}  // namespace tamsel

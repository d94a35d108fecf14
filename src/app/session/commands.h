// The one command table: every menu command and every command-line command is
// described once here, and both front ends build themselves from it. The window
// makes its menu and wiring from the menu fields, tamsel-batch its command list
// and --help from the command-line fields.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/session/session.h"
#include "platform/ui.h"

namespace tamsel {

class ArgReader;
struct BatchContext;

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

struct Command {
    // The command line; an empty name: a menu item only.
    std::string name{};
    std::string usage{};  // arguments, for --help
    std::string help{};   // one line, for --help
    // The command with its dialogs answered by the arguments.
    std::function<void(BatchContext&, ArgReader&)> run{};

    // The menu item; an empty item: a command of the command line only.
    std::string item{};     // object name, e.g. "Item_AddReleve"
    std::string caption{};  // UTF-8, as the menu shows it
    MenuPlace place{};
    // The menu click, dialogs asked through the Ui. Empty: the item stays disabled
    // (or, for Item_Quit, the window gives it its own handler).
    std::function<void(Session&, Ui&)> click{};
    // The command replaces the table: the window first asks to save a changed one
    // (askToSaveFirst). The command line never asks.
    bool replacesTable = false;
    std::string shortcut{};  // the window's key for the item, e.g. "Ctrl+S"
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
void registerMenuOnlyCommands(std::vector<Command>& reg);   // commands.cpp

// The whole table. An entry with neither handler (a menu item still to come) gives
// way to an entry of the same item that has one, so another part can register it.
std::vector<Command> allCommands();

// The command as the user knows it (Shift-JIS): the menu caption without its
// access key, else the Japanese name that begins its help, else its name.
std::string commandTitle(const Command& c);

// The entries of one menu, in menu order.
std::vector<const Command*> menuItems(const std::vector<Command>& table, const std::string& menu);

}  // namespace tamsel

// Everything one running program holds: the table state, the dictionary, the
// add-relevé panel. The desktop program (main()) and the command line each own one.
#pragma once

#include <string>
#include <vector>

#include "analysis/twinspan_table.h"
#include "app/session/edit_commands.h"
#include "compose/add_releve_form.h"
#include "compose/replace_name.h"
#include "output/print_panel.h"
#include "platform/automation.h"
#include "platform/error.h"
#include "platform/ui.h"
#include "table/table_state.h"

namespace tamsel {

struct Session {
    TableState table;
    ReplaceName dictionary;
    AddReleveForm addPanel;
    EditingState editing;       // the pop-ups and the edit panel of hand editing
    PrintPanel printPanel;      // the print-item panel; its states persist between outputs
    ServerRegistry automation;  // the spreadsheet output's servers
    std::string programPath;    // the program file, for the help file and the current folder
    std::string settingsPath;   // the settings file read last (native); empty: none
    TwinspanOptionTexts twinspanOptions;  // the TWINSPAN dialog's texts as last left
};

// A start-up that could not do all it was asked: the program is started all the
// same (with the defaults when the settings file failed, settingsFailed), and the
// front end tells the user (the window) or stops (the command line).
class StartUpError : public Error {
  public:
    StartUpError(const std::string& sjisMessage, bool settingsFailed)
        : Error(sjisMessage), settingsFailed(settingsFailed) {}
    bool settingsFailed;
};

// The start-up sequence of the main window. args are the command-line arguments
// after the program name; with changeFolder the program's folder becomes current.
// A settings file or table file that cannot be read throws StartUpError after
// the start-up is complete.
void FormCreate(Session& s, Ui& ui, const std::vector<std::string>& args, bool changeFolder);

// Before a command that replaces the table: when the table has changed since it
// was last saved, loaded or blanked, asks whether to save it first; 保存 runs
// 上書き保存 (the save dialog only for a table without a file). True when the command may go on
// (unchanged, saved, or 保存しない); false on キャンセル or a cancelled save; a failed save throws
// its Error.
bool askToSaveFirst(Session& s, Ui& ui);
extern const char* const UnsavedQuestion;  // UTF-8

// The window's caption (captionOf) shown for the table as it stands.
void RefreshCaption(const TableState& t, Ui& ui);

// What the user is told when a command fails through a fault of the program itself
// (not an Error): the command's name and the fault, in Shift-JIS.
std::string internalErrorMessage(const std::string& command, const std::string& detail);

}  // namespace tamsel

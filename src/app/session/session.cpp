#include "app/session/session.h"

#include <cctype>
#include <filesystem>
#include <optional>
#include "app/session/table_file_commands.h"
#include "platform/xlsx/workbook_server.h"

#include "app/session/settings.h"
#include "platform/error.h"
#include "tablefile/table_file.h"
#include "text/sjis.h"

namespace tamsel {

void FormCreate(Session& s, Ui& ui, const std::vector<std::string>& args, bool changeFolder) {
    TableState& t = s.table;
    // The workbook server answers the spreadsheet output's automation calls.
    addWorkbookServer(s.automation);
    ui.setAutomation(&s.automation);
    resetToDefaults(t);
    // A relative path means the folder the program was started from, not the
    // program's own folder that becomes current below. A table file (*.vtb, as the
    // desktop's file manager hands it over) is opened; the first other argument
    // is the settings file.
    auto absolute = [](const std::string& path) {
        std::error_code ec;
        auto abs = std::filesystem::absolute(path, ec);
        return ec ? path : abs.string();
    };
    std::string settings, table;
    for (const std::string& a : args) {
        const std::string ext = foldLetterCase(std::filesystem::path(a).extension().string());
        std::string& slot = ext == ".vtb" ? table : settings;
        if (slot.empty()) slot = absolute(a);
    }
    if (changeFolder && !s.programPath.empty()) {
        std::error_code ec;
        std::filesystem::current_path(std::filesystem::path(s.programPath).parent_path(), ec);
    }
    std::optional<StartUpError> failed;
    if (!settings.empty()) {
        try {
            ReadSettingsFile(s, ui, settings);
        } catch (const Error& e) {
            // Start as without a settings file: nothing half-read stays.
            failed.emplace(e.what(), true);
            resetToDefaults(t);
            t.files.OpenDialogFolder.clear();
            s.dictionary = ReplaceName{};
        }
    }
    finishStartUp(t, ui);
    if (!table.empty()) {
        try {
            loadTableFile(t, table, &ui.progressBar1());
        } catch (const Error& e) {
            // The program starts with a blank table; a settings failure is told first.
            if (!failed) failed.emplace(e.what(), false);
        }
    }
    if (failed) throw *failed;
}

const char* const UnsavedQuestion = "現在の表は保存されていません。保存しますか？";

bool askToSaveFirst(Session& s, Ui& ui) {
    if (!s.table.changed()) return true;
    switch (ui.askToSave(sj(UnsavedQuestion))) {
        case SaveAnswer::Discard:
            return true;
        case SaveAnswer::Cancel:
            return false;
        case SaveAnswer::Save:
            break;
    }
    Item_SaveClick(s.table, ui);
    return !s.table.changed();
}

void RefreshCaption(const TableState& t, Ui& ui) {
    ui.captionChanged(captionOf(t, ui.showsChanges()));
}

std::string internalErrorMessage(const std::string& command, const std::string& detail) {
    return msg("内部エラーが起きました（%1）: %2", command, detail);
}

}  // namespace tamsel

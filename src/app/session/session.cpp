#include "app/session/session.h"

#include <filesystem>
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
    // A relative settings path means the folder the program was started from,
    // not the program's own folder that becomes current below.
    std::string settings;
    if (!args.empty()) {
        std::error_code ec;
        auto abs = std::filesystem::absolute(args.front(), ec);
        settings = ec ? args.front() : abs.string();
    }
    if (changeFolder && !s.programPath.empty()) {
        std::error_code ec;
        std::filesystem::current_path(std::filesystem::path(s.programPath).parent_path(), ec);
    }
    if (!settings.empty()) {
        try {
            ReadSettingsFile(s, ui, settings);
        } catch (const Error& e) {
            // Start as without a settings file: nothing half-read stays.
            ui.message(std::string(e.what()) + sj("\n既定の設定で起動します。"));
            resetToDefaults(t);
            t.OpenDialogFolder.clear();
            s.dictionary = ReplaceName{};
        }
    }
    finishStartUp(t, ui);
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
    Item_SaveTableClick(s.table, ui);
    return !s.table.changed();
}

std::string internalErrorMessage(const std::string& command, const std::string& detail) {
    return sj("内部エラーが起きました（") + command + sj("）: ") + detail;
}

}  // namespace tamsel

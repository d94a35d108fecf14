// The settings file (*.ini), the help file and the about box.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/session/session.h"
#include "platform/ui.h"

namespace tamsel {

// A settings file, parsed whole before anything of it takes effect.
struct SettingsFile {
    std::string fileName;  // as messages name it (Shift-JIS)
    std::string folder;    // where relative dictionary names are looked for (native)
    std::string title;
    std::string serialCaption;  // caption of ChkBox1
    // ChkBox2..ChkBox30; entries 0 and 1 are unused.
    std::array<PrintItemBox, PrintItemCount + 1> items;
    // Lines from 32 on that do something, in file order.
    struct Extra {
        std::size_t lineNo = 0;
        std::optional<std::string> openFolder;  // the folder of a "#D" line (native)
        std::optional<std::string> dictionary;  // a whole line naming a dictionary (Shift-JIS)
    };
    std::vector<Extra> extras;
};

// Parses the bytes of a settings file: line 1 the title, line 2 the caption of
// ChkBox1, lines 3..31 ChkBox2..ChkBox30 (flag "1" = enabled and checked), then
// "#D" folder lines and dictionary lines (any line containing ".dic"). Lines may
// end in CR LF, LF or CR. fileName only names the file in messages. A fault
// throws Error naming the file and the line.
SettingsFile parseSettingsFile(std::string_view bytes, const std::string& fileName);
// The same from a file (path native); throws Error when it cannot be read.
SettingsFile readSettingsFile(const std::string& path);

// Puts parsed settings in effect: title, captions, box states, the dialog
// folder, and the dictionaries in turn (one that cannot be loaded is told by a
// message and leaves the status as it was). The table is not rebuilt here.
void applySettings(Session& s, Ui& ui, const SettingsFile& f);

// Reads a settings file and, only when all of it was good, applies it.
void ReadSettingsFile(Session& s, Ui& ui, const std::string& path);

// The folder part of a "#D" path: up to and including its last "\", "/" or ":"
// (empty when it has none), as a native path with "/" for "\".
std::string settingsFolderPart(const std::string& sjisPath);

// "設定ファイル読込み(&I)": choose a settings file, read it, blank the table.
void ItemReadINIClick(Session& s, Ui& ui);

// "使用法　　(&H)": the help file is the program file's path with ".hlp".
std::string helpFilePath(const Session& s);
void Item_ManualClick(Session& s, Ui& ui);

// "ﾊﾞｰｼﾞｮﾝ情報(&A)".
void Item_VersionClick(Ui& ui);

}  // namespace tamsel

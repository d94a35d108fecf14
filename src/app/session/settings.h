// The settings file (*.ini), the help file and the about box.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/session/session.h"
#include "datafile/cover_values.h"
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
    // From the "#C CLASS PERCENT" lines; a class not named keeps its default.
    CoverValues coverValues;
};

// Parses the bytes of a settings file: line 1 the title, line 2 the caption of
// ChkBox1, lines 3..31 ChkBox2..ChkBox30 (flag "1" = enabled and checked), then
// "#D" folder lines, dictionary lines (any line containing ".dic") and cover
// values ("#C CLASS PERCENT", class r, +, 1 .. 5, percent 0 to 100). Lines may
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

// A settings file with the cover values written in: the lines of bytes (a whole
// settings file, else Error naming fileName) with their "#C" lines from line 32
// on replaced by one line per class at the end, in the file's line ends; from
// empty bytes, a new file of the session's title, captions and boxes.
std::string settingsWithCoverValues(std::string_view bytes, const std::string& fileName,
                                    const TableState& t, const CoverValues& values);

// "被度の換算…": the percent of each cover class and the way layers merge, in a
// dialog showing the values in effect; then the settings file to write them
// into (the one read last proposed). A cancelled file dialog leaves the values
// in effect for this session only.
void Item_CoverValuesClick(Session& s, Ui& ui);

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

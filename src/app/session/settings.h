// The settings file (*.ini), the help file and the about box.
#pragma once

#include <string>

#include "app/session/session.h"
#include "platform/ui.h"

namespace tamsel {

// Reads a settings file: line 1 the title, line 2 the caption of ChkBox1, lines
// 3..31 ChkBox2..ChkBox30 (flag "1" = enabled and checked), then "#D" folder lines
// and dictionary lines (any line containing ".dic"). Lines may end in CR LF, LF
// or CR. A fault throws Error naming the file and the line; what was read before
// the faulty line stays in effect. The table is not rebuilt here.
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

// The synonym dictionary (the unit ReplaceName): loading and lookup.
#pragma once

#include <string>
#include <string_view>

#include "compose/replace_name.h"
#include "platform/ui.h"
#include "table/table_state.h"
#include "text/sjis.h"  // foldLetterCase

namespace tamsel {

// Appends the entries of a dictionary's bytes (lines of old name, comma, new
// name). fileName only names the file in messages. A line that is not Shift-JIS
// throws Error naming file and line; the lines before it stay loaded.
void parseDictionary(ReplaceName& d, std::string_view bytes, const std::string& fileName);

// The same from a file; false, changing nothing, when no file exists at path. A
// file that cannot be read throws Error naming it.
bool LoadDictionary(ReplaceName& d, const std::string& path);

// The replacement of the first old name equal to name, letter case ignored; name
// itself when none matches.
std::string LookupSynonym(const ReplaceName& d, std::string_view name);

// "異名辞書ファイルの読込み(&D)".
void Item_CheckNameClick(TableState& t, ReplaceName& d, Ui& ui);

}  // namespace tamsel

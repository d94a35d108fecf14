// The synonym dictionary (the unit ReplaceName): loading and lookup.
#pragma once

#include <string>
#include <string_view>

#include "build/replace_name.h"
#include "platform/ui.h"
#include "table/table_state.h"

namespace tamsel {

// Appends the entries of a dictionary file; false, changing nothing, when no file
// exists at path. A file that cannot be read throws Error naming file and line.
bool LoadDictionary(ReplaceName& d, const std::string& path);

// The replacement of the first old name equal to name, letter case ignored; name
// itself when none matches.
std::string LookupSynonym(const ReplaceName& d, std::string_view name);

// "異名辞書ファイルの読込み(&D)".
void Item_CheckNameClick(TableState& t, ReplaceName& d, Ui& ui);

}  // namespace tamsel

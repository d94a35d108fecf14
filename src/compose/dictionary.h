// The synonym dictionary (the unit ReplaceName): loading and lookup.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "compose/replace_name.h"
#include "table/table_state.h"
#include "text/sjis.h"  // foldLetterCase

namespace tamsel {

// The names of a dictionary whose control characters loading made blanks.
struct DictionaryBlanks {
    std::size_t items = 0;  // old and new names
    long firstLine = 0;
    // The message that tells of them, naming the file (Shift-JIS); "" for none.
    std::string message(const std::string& fileName) const;
};

// Appends the entries of a dictionary's bytes (lines of old name, comma, new
// name); a control character inside a name becomes a blank. fileName only names
// the file in messages. A line that is not Shift-JIS throws Error naming file and
// line; the lines before it stay loaded.
DictionaryBlanks parseDictionary(ReplaceName& d, std::string_view bytes,
                                 const std::string& fileName);

// The same from a file; nothing, changing nothing, when no file exists at path. A
// file that cannot be read throws Error naming it.
std::optional<DictionaryBlanks> LoadDictionary(ReplaceName& d, const std::string& path);

// The replacement of the first old name equal to name, letter case ignored; name
// itself when none matches.
std::string LookupSynonym(const ReplaceName& d, std::string_view name);

// The dictionary at path loaded and made the table's (DictionaryFileName,
// DictionaryStatus); throws Error when no file is there. Gives the names whose
// control characters became blanks.
DictionaryBlanks useDictionaryFile(TableState& t, ReplaceName& d, const std::string& path);

}  // namespace tamsel

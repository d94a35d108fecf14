// The synonym dictionary: names met in field data and the names they stand under
// in the table.
#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

namespace tamsel {

struct ReplaceName {
    std::vector<std::string> OldNames;  // Shift-JIS, as in the file
    std::vector<std::string> NewNames;

    // Case-folded old name -> its first entry. Kept up to date by the lookup for
    // entries appended since, so a lookup costs one hash probe, not a scan.
    mutable std::unordered_map<std::string, std::size_t> foldedIndex;
    mutable std::size_t indexedEntries = 0;
};

}  // namespace tamsel

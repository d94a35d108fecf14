// The synonym dictionary: names met in field data and the names they stand under
// in the table.
#pragma once

#include <string>
#include <vector>

namespace tamsel {

struct ReplaceName {
    std::vector<std::string> OldNames;  // Shift-JIS, as in the file
    std::vector<std::string> NewNames;
};

}  // namespace tamsel

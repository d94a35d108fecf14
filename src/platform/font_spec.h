// A font as the table keeps it and the font dialog and the printer take it.
#pragma once

#include <string>

namespace tamsel {

struct FontSpec {
    std::string family;  // Shift-JIS
    int pixelSize = 12;
    bool bold = false;
    bool italic = false;
    bool operator==(const FontSpec&) const = default;
};

}  // namespace tamsel

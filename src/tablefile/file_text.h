// What the table file's writer and reader share: numbers and cell texts as
// their messages show them, and the one byte a text in the file cannot hold.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "text/sjis.h"

namespace tamsel::tablefile {

inline std::string num(std::int64_t n) {
    return std::to_string(n);
}

// A cell text as a message shows it: cut, so a long cell does not fill the box.
inline std::string shown(std::string_view text) {
    std::string s = cutBytes(text, 24);
    return s.size() < text.size() ? s + "..." : s;
}

inline bool hasLineBreak(std::string_view s) {
    return s.find_first_of("\r\n") != std::string_view::npos;
}

}  // namespace tamsel::tablefile

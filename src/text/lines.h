// Bytes cut into lines at LF. An LF byte is never the trail byte of a
// double-byte character (Shift-JIS or UTF-8), so a byte search is safe.
#pragma once

#include <cstddef>
#include <string_view>

namespace tamsel {

struct LineCut {
    std::string_view text;  // up to the LF, a CR before it kept
    bool ended;             // an LF closed it; else the bytes ran out first
};

// The line that starts at pos; pos moves past its LF, or to the end.
inline LineCut nextLine(std::string_view bytes, std::size_t& pos) {
    const std::size_t nl = bytes.find('\n', pos);
    const std::size_t end = nl == std::string_view::npos ? bytes.size() : nl;
    const LineCut cut{bytes.substr(pos, end - pos), nl != std::string_view::npos};
    pos = cut.ended ? nl + 1 : bytes.size();
    return cut;
}

}  // namespace tamsel

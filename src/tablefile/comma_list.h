// The comma-list rules by which the table file stores one grid row as one line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tablefile/byte_run.h"

namespace tamsel {

// Length of the character at s[i]: 2 for a lead byte followed by a byte that can
// follow it, else 1. A lone lead byte before a comma or quote stays one byte, so
// it can never swallow a separator.
std::size_t sjisCharLength(std::string_view s, std::size_t i);

// True when an item must be written in double quotes: it holds a byte 0..32, a
// double quote or a comma outside any double-byte character.
bool needsQuotes(std::string_view item);

// Appends one item as written in a line (quoted, with doubled quotes, when needed).
void appendCommaItem(std::string& line, std::string_view item);

// The whole line of a list of items; a list of one empty item is written "\"\"".
std::string joinCommaList(const std::vector<std::string>& items);

// Splits a line into items, calling f(index, std::string_view item) for each in
// order; the view lives until f returns. False when a quoted item is not closed
// (the items before it have been delivered).
template <typename F>
bool forEachCommaItem(std::string_view line, F&& f);

// The same, calling f only for the items that are not empty (with their indexes
// as above): a row of a wide table is mostly empty items, and a run of bare
// commas is passed over many bytes at a time.
template <typename F>
bool forEachFilledCommaItem(std::string_view line, F&& f);

// The items of a line; false when a quoted item is not closed.
bool splitCommaList(std::string_view line, std::vector<std::string>& items);

// --- implementation of the template ---

namespace commalist_detail {
inline bool isBlank(unsigned char c) {
    return c <= 32;
}
inline std::size_t skipBlanks(std::string_view s, std::size_t i) {
    while (i < s.size() && isBlank(static_cast<unsigned char>(s[i]))) ++i;
    return i;
}

// The number of commas from s[i] on.
inline std::size_t commaRun(std::string_view s, std::size_t i) {
    return runEnd(s, i, ',') - i;
}

template <bool FilledOnly, typename F>
bool eachItem(std::string_view s, F&& f) {
    std::size_t index = 0;
    std::size_t i = skipBlanks(s, 0);
    std::string quoted;
    while (i < s.size()) {
        if constexpr (FilledOnly) {
            // Each comma where an item starts is an empty item and a separator.
            if (s[i] == ',') {
                std::size_t run = commaRun(s, i);
                index += run;
                i = skipBlanks(s, i + run);
                continue;
            }
        }
        if (s[i] == '"') {
            quoted.clear();
            ++i;
            bool closed = false;
            while (i < s.size()) {
                if (s[i] == '"') {
                    if (i + 1 < s.size() && s[i + 1] == '"') {
                        quoted += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    closed = true;
                    break;
                }
                std::size_t n = sjisCharLength(s, i);
                quoted.append(s.substr(i, n));
                i += n;
            }
            if (!closed) return false;
            if (!FilledOnly || !quoted.empty()) f(index, std::string_view(quoted));
            ++index;
        } else {
            std::size_t start = i;
            while (i < s.size() && s[i] != ',' && !isBlank(static_cast<unsigned char>(s[i])))
                i += sjisCharLength(s, i);
            if (!FilledOnly || i > start) f(index, s.substr(start, i - start));
            ++index;
        }
        i = skipBlanks(s, i);
        if (i < s.size() && s[i] == ',') {
            bool last = i + 1 == s.size();
            i = skipBlanks(s, i + 1);
            if (last && !FilledOnly) f(index++, std::string_view());
        }
    }
    return true;
}
}  // namespace commalist_detail

template <typename F>
bool forEachCommaItem(std::string_view s, F&& f) {
    return commalist_detail::eachItem<false>(s, std::forward<F>(f));
}

template <typename F>
bool forEachFilledCommaItem(std::string_view s, F&& f) {
    return commalist_detail::eachItem<true>(s, std::forward<F>(f));
}

}  // namespace tamsel

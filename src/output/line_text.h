// Pieces of the export lines: numbers, CSV fields and trimmed cells appended to
// a line that is written whole.
#pragma once

#include <charconv>
#include <string>
#include <string_view>

#include "io/byte_sink.h"
#include "io/csv.h"

namespace tamsel {

inline void appendInt(std::string& s, long long v) {
    char buf[24];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    s.append(buf, r.ptr);
}

// The field as the CSV rule writes it.
inline void appendCsv(std::string& line, std::string_view field) {
    if (!csvNeedsQuotes(field)) {
        line += field;
        return;
    }
    StringSink quoted;
    writeCsvQuoted(quoted, field);
    line += quoted.text;
}

// Bytes 0x00-0x20 removed at both ends, without a copy.
inline std::string_view trimmed(std::string_view s) {
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= 0x20) s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= 0x20) s.remove_suffix(1);
    return s;
}

}  // namespace tamsel

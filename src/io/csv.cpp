#include "io/csv.h"

#include <charconv>

#include "text/sjis.h"

namespace tamsel {

bool csvNeedsQuotes(std::string_view field) {
    // Without any of these bytes no character can be one of them.
    bool special = false;
    for (char c : field) special |= c == ',' || c == '"' || c == '\r' || c == '\n';
    if (!special) return false;
    bool needs = false;
    forEachChar(field, [&](std::size_t pos, std::size_t len) {
        char c = field[pos];
        if (len == 1 && (c == ',' || c == '"' || c == '\r' || c == '\n')) needs = true;
    });
    return needs;
}

void writeCsvQuoted(ByteSink& out, std::string_view field) {
    out.put('"');
    std::size_t start = 0;
    forEachChar(field, [&](std::size_t pos, std::size_t len) {
        if (len == 1 && field[pos] == '"') {
            out.write(field.substr(start, pos + 1 - start));
            out.put('"');
            start = pos + 1;
        }
    });
    out.write(field.substr(start));
    out.put('"');
}

void writeCsvField(ByteSink& out, std::string_view field) {
    if (csvNeedsQuotes(field))
        writeCsvQuoted(out, field);
    else
        out.write(field);
}

std::optional<double> plainNumber(std::string_view s) {
    auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    std::size_t i = (!s.empty() && (s[0] == '+' || s[0] == '-')) ? 1 : 0;
    bool digit = false, point = false;
    for (std::size_t k = i; k < s.size(); ++k) {
        if (s[k] >= '0' && s[k] <= '9')
            digit = true;
        else if (s[k] == '.' && !point)
            point = true;
        else
            return std::nullopt;
    }
    if (!digit) return std::nullopt;
    // from_chars: the decimal point is "." whatever the locale of the window.
    if (s[0] == '+') s.remove_prefix(1);
    double v = 0;
    std::from_chars(s.data(), s.data() + s.size(), v);
    return v;
}

}  // namespace tamsel

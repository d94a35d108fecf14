#include "io/csv.h"

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

}  // namespace tamsel

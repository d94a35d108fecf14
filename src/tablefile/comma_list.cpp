#include "tablefile/comma_list.h"

#include "text/sjis.h"

namespace tamsel {

namespace {
bool isTrailByte(unsigned char c) {
    return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC);
}
}  // namespace

std::size_t sjisCharLength(std::string_view s, std::size_t i) {
    if (isLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size() &&
        isTrailByte(static_cast<unsigned char>(s[i + 1])))
        return 2;
    return 1;
}

bool needsQuotes(std::string_view item) {
    for (std::size_t i = 0; i < item.size();) {
        std::size_t n = sjisCharLength(item, i);
        if (n == 1) {
            unsigned char c = static_cast<unsigned char>(item[i]);
            if (c <= 32 || c == '"' || c == ',') return true;
        }
        i += n;
    }
    return false;
}

void appendCommaItem(std::string& line, std::string_view item) {
    if (!needsQuotes(item)) {
        line.append(item);
        return;
    }
    line += '"';
    for (std::size_t i = 0; i < item.size();) {
        std::size_t n = sjisCharLength(item, i);
        if (n == 1 && item[i] == '"') line += '"';
        line.append(item.substr(i, n));
        i += n;
    }
    line += '"';
}

std::string joinCommaList(const std::vector<std::string>& items) {
    if (items.size() == 1 && items[0].empty()) return "\"\"";
    std::string line;
    for (std::size_t k = 0; k < items.size(); ++k) {
        if (k) line += ',';
        appendCommaItem(line, items[k]);
    }
    return line;
}

bool splitCommaList(std::string_view line, std::vector<std::string>& items) {
    items.clear();
    return forEachCommaItem(line,
                            [&](std::size_t, std::string_view item) { items.emplace_back(item); });
}

}  // namespace tamsel

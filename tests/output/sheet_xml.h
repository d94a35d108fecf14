// The first worksheet of an .xlsx file as its cells: the zip read through
// zlib and the sheet's XML read for its values, without any spreadsheet library.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>

namespace tamsel::testing {

inline std::uint32_t le(const std::string& z, std::size_t at, int bytes) {
    std::uint32_t v = 0;
    for (int k = bytes - 1; k >= 0; --k)
        v = v << 8 | static_cast<unsigned char>(z.at(at + static_cast<std::size_t>(k)));
    return v;
}

// One member of a zip archive, found through the central directory.
inline std::string zipMember(const std::string& z, const std::string& name) {
    const std::size_t end = z.rfind(std::string("PK\x05\x06", 4));
    if (end == std::string::npos) throw std::runtime_error("no zip");
    std::size_t at = le(z, end + 16, 4);
    for (std::uint32_t n = le(z, end + 10, 2); n > 0; --n) {
        const std::uint32_t method = le(z, at + 10, 2), packed = le(z, at + 20, 4),
                            size = le(z, at + 24, 4), nameLength = le(z, at + 28, 2);
        const std::size_t next = at + 46 + nameLength + le(z, at + 30, 2) + le(z, at + 32, 2);
        if (z.compare(at + 46, nameLength, name) == 0) {
            const std::size_t local = le(z, at + 42, 4);
            const std::size_t data = local + 30 + le(z, local + 26, 2) + le(z, local + 28, 2);
            if (method == 0) return z.substr(data, packed);
            std::string out(size, '\0');
            z_stream s{};
            inflateInit2(&s, -MAX_WBITS);
            s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(z.data() + data));
            s.avail_in = packed;
            s.next_out = reinterpret_cast<Bytef*>(out.data());
            s.avail_out = size;
            const int r = inflate(&s, Z_FINISH);
            inflateEnd(&s);
            if (r != Z_STREAM_END) throw std::runtime_error("bad deflate");
            return out;
        }
        at = next;
    }
    throw std::runtime_error("no member " + name);
}

// Cells with a value by reference ("C3"): 'n' and the number's text, or 's'
// and the text (entities undone). Cells without a value are left out.
using SheetCells = std::map<std::string, std::pair<char, std::string>>;

inline std::string unescaped(std::string s) {
    const std::pair<std::string, std::string> entities[] = {
        {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&apos;", "'"}, {"&amp;", "&"}};
    for (const auto& [from, to] : entities)
        for (std::size_t p = 0; (p = s.find(from, p)) != std::string::npos; p += to.size())
            s.replace(p, from.size(), to);
    return s;
}

inline SheetCells sheetCells(const std::string& xlsxPath) {
    std::ifstream in(xlsxPath, std::ios::binary);
    const std::string zip((std::istreambuf_iterator<char>(in)), {});
    const std::string xml = zipMember(zip, "xl/worksheets/sheet1.xml");
    SheetCells cells;
    for (std::size_t p = 0; (p = xml.find("<c r=\"", p)) != std::string::npos;) {
        const std::size_t refEnd = xml.find('"', p + 6);
        const std::string ref = xml.substr(p + 6, refEnd - p - 6);
        const std::size_t tagEnd = xml.find('>', refEnd);
        if (xml[tagEnd - 1] == '/') {
            p = tagEnd;
            continue;
        }
        const std::size_t close = xml.find("</c>", tagEnd);
        const std::string body = xml.substr(tagEnd + 1, close - tagEnd - 1);
        if (body.rfind("<v>", 0) == 0) {
            cells[ref] = {'n', body.substr(3, body.find("</v>") - 3)};
        } else if (const std::size_t t = body.find("<t"); t != std::string::npos) {
            const std::size_t from = body.find('>', t) + 1;
            cells[ref] = {'s', unescaped(body.substr(from, body.find("</t>") - from))};
        }
        p = close;
    }
    return cells;
}

}  // namespace tamsel::testing

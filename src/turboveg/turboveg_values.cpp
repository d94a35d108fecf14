#include "turboveg/turboveg_values.h"

#include <charconv>
#include <cmath>
#include <cstring>

#include "text/sjis.h"

namespace tamsel::turboveg {

namespace {

// UTF-8 to Shift-JIS; replaced is set when a character had no code and became "?".
std::string shiftJis(std::string_view utf8, bool& replaced) {
    if (std::all_of(utf8.begin(), utf8.end(), [](char c) { return (c & 0x80) == 0; }))
        return std::string(utf8);
    if (auto s = fromUtf8Strict(utf8)) return *s;
    replaced = true;
    return fromUtf8(utf8);
}

// "12.00" is written "12"; every other value as given.
std::string_view withoutZeroDecimals(std::string_view v) {
    const std::size_t dot = v.find('.');
    if (dot == std::string_view::npos || dot == 0) return v;
    std::size_t k = (v[0] == '-' || v[0] == '+') ? 1 : 0;
    if (k == dot) return v;
    for (; k < dot; ++k)
        if (v[k] < '0' || v[k] > '9') return v;
    for (k = dot + 1; k < v.size(); ++k)
        if (v[k] != '0') return v;
    return v.substr(0, dot);
}

}  // namespace

// A value as messages quote it: Shift-JIS, its control characters blanks.
std::string messageText(std::string_view utf8) {
    bool ignored = false;
    std::string text = shiftJis(utf8, ignored);
    blankControls(text, TextEnds::Trimmed);
    return text;
}

// The Shift-JIS text of utf8 cut to width bytes on a whole character. replaced is
// set only when a "?" made for a character without a code is among the bytes
// kept: a long place name cut after eight bytes lost nothing the table shows.
std::string fitted(std::string_view utf8, std::size_t width, bool& replaced) {
    if (std::all_of(utf8.begin(), utf8.end(), [](char c) { return (c & 0x80) == 0; }))
        return std::string(utf8.substr(0, width));
    if (auto whole = fromUtf8Strict(utf8)) return cutBytes(*whole, width);
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const std::size_t n = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        const std::string_view character = utf8.substr(i, n);
        i += n;
        const auto text = fromUtf8Strict(character);
        const std::string piece = text ? *text : std::string("?");
        if (out.size() + piece.size() > width) break;
        out += piece;
        if (!text) replaced = true;
    }
    return out;
}

static_assert(std::size(headerMap) <= 32, "RawPlot::blanked has a bit per field");

void writeField(RawPlot& p, const FieldMap& f, std::string_view v) {
    std::string text = fitted(withoutZeroDecimals(v), f.width, p.replaced);
    const std::uint32_t bit = 1u << (&f - headerMap);
    p.blanked = blankControls(text, TextEnds::Kept) ? p.blanked | bit : p.blanked & ~bit;
    char* at = p.header.data() + f.offset;
    std::memset(at, ' ', f.width);
    // Eight-byte fields are text, left-aligned; four-byte ones right-aligned.
    std::memcpy(f.width == 8 ? at : at + f.width - text.size(), text.data(), text.size());
}

bool fieldBlank(const std::array<char, HeaderRecordSize>& header, const FieldMap& f) {
    return std::all_of(header.begin() + static_cast<std::ptrdiff_t>(f.offset),
                       header.begin() + static_cast<std::ptrdiff_t>(f.offset + f.width),
                       [](char c) { return c == ' '; });
}

std::optional<double> numberOf(std::string_view s) {
    double v = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size() || !std::isfinite(v)) return std::nullopt;
    return v;
}

CoverCode codeOfPercentage(double p) {
    if (p <= 0.1) return 6;  // r
    if (p < 1) return 7;     // +
    if (p < 5) return 10;
    if (p < 25) return 20;
    if (p < 50) return 30;
    if (p < 75) return 40;
    return 50;
}

// The code of a Braun-Blanquet symbol, or 0 for a symbol outside the scale.
CoverCode codeOfSymbol(std::string_view s) {
    if (s == "r") return 6;
    if (s == "+") return 7;
    if (s == "1") return 10;
    if (s == "2" || s == "2m" || s == "2a" || s == "2b") return 20;
    if (s == "3") return 30;
    if (s == "4") return 40;
    if (s == "5") return 50;
    return 0;
}

std::string lineText(std::int64_t line) {
    return std::to_string(line) + sj(" 行目");
}

}  // namespace tamsel::turboveg

#include "datafile/numbers.h"

namespace tamsel {

std::optional<std::int32_t> parseNumberField(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    std::int64_t value = 0;
    std::size_t digits = 0;
    for (; i < text.size() && text[i] != '\0'; ++i) {
        char c = text[i];
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > 2147483648LL) return std::nullopt;
        ++digits;
    }
    if (digits == 0) return std::nullopt;
    if (negative) value = -value;
    if (value > 2147483647LL) return std::nullopt;
    return static_cast<std::int32_t>(value);
}

namespace {
std::string rightAligned(std::int32_t n, std::size_t width) {
    std::string s = std::to_string(n);
    if (s.size() >= width) return s.substr(0, width);
    return std::string(width - s.size(), ' ') + s;
}
}  // namespace

std::string IntText4(std::int32_t n) {
    return rightAligned(n, 4);
}
std::string IntText2(std::int32_t n) {
    return rightAligned(n, 2);
}

std::string PadLeft4(std::string_view text) {
    std::string_view head = text.substr(0, 4);
    return std::string(4 - head.size(), ' ') + std::string(head);
}

}  // namespace tamsel

#include "datafile/cover_codes.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <unordered_map>

#include "datafile/numbers.h"

namespace tamsel {

namespace {
bool isBlankByte(char c) {
    return static_cast<unsigned char>(c) <= 0x20;
}

CoverCode singleCharCode(char c) {
    if (c == '*') return 1;
    if (c == 'r') return 6;
    if (c == '+') return 7;
    if (c >= '1' && c <= '5') return static_cast<CoverCode>((c - '0') * 10);
    return 0;
}
}  // namespace

// Called for every species entry of every record read, so it looks at the two
// bytes of each layer directly instead of building strings.
std::optional<LayerCodes> ParseLayerCodes(std::string_view text14) {
    char padded[2 * LayerCount];
    const char* t = text14.data();
    if (text14.size() < sizeof padded) {
        for (std::size_t i = 0; i < sizeof padded; ++i)
            padded[i] = i < text14.size() ? text14[i] : ' ';
        t = padded;
    }
    LayerCodes out{};
    for (int k = 0; k < LayerCount; ++k) {
        char a = t[2 * k], b = t[2 * k + 1];
        bool blankA = isBlankByte(a), blankB = isBlankByte(b);
        if (blankA && blankB) {
            out[k] = 0;
        } else if (blankA || blankB) {
            out[k] = singleCharCode(blankA ? b : a);
        } else if (a >= '0' && a <= '9' && b >= '0' && b <= '9') {
            out[k] = static_cast<CoverCode>((a - '0') * 10 + (b - '0'));
        } else {
            auto v = parseNumberField(std::string_view(t + 2 * k, 2));
            if (!v || *v < 0 || *v > 255) return std::nullopt;
            out[k] = static_cast<CoverCode>(*v);
        }
    }
    return out;
}

std::string CoverCodeText(CoverCode code, int notation) {
    bool coverOnly = notation == 1;
    if (code >= 2 && code <= 5) return coverOnly ? " + " : std::string("+.") + char('0' + code);
    if (code == 6) return " r ";
    if (code == 7) return " + ";
    if (code >= 10 && code <= 55) {
        char tens = char('0' + code / 10), units = char('0' + code % 10);
        return coverOnly ? std::string(" ") + tens + " " : std::string() + tens + "." + units;
    }
    return " . ";
}

namespace {
// Symbols in rank order: blank < "r" < "+" < "0" < ... < "9" < higher characters.
int symbolRank(char s) {
    if (s == ' ') return 0;
    if (s == 'r') return 1;
    if (s == '+') return 2;
    return 3 + static_cast<unsigned char>(s);
}
char symbolOf(CoverCode c) {
    if (c == 0) return ' ';
    if (c <= 5) return '+';
    if (c == 6) return 'r';
    if (c == 7) return '+';
    return static_cast<char>(48 + c / 10);
}
char higher(char a, char b) {
    return symbolRank(b) > symbolRank(a) ? b : a;
}
}  // namespace

std::string LayerSummary(const LayerCodes& c) {
    std::string s(4, ' ');
    s[0] = symbolOf(c[0]);
    s[1] = symbolOf(c[1]);
    s[2] = higher(symbolOf(c[2]), symbolOf(c[3]));
    s[3] = higher(higher(symbolOf(c[4]), symbolOf(c[5])), symbolOf(c[6]));
    return s;
}

const std::string& shownSummary(const LayerCodes& c) {
    static const std::string none;
    std::uint64_t bits = 0;
    std::memcpy(&bits, c.data(), sizeof c);
    if (bits == 0) return none;
    // The codes last asked for, by a hash of their bytes: a table's cells repeat
    // a few hundred combinations, so nearly every call ends here.
    struct Recent {
        std::uint64_t bits = 0;
        const std::string* text = nullptr;
    };
    static std::array<Recent, 1024> recent;
    Recent& r = recent[(bits * 0x9E3779B97F4A7C15ull) >> 54];
    if (r.text && r.bits == bits) return *r.text;
    // Four symbols of a few dozen each: the texts are few, and a node map keeps
    // each where it was made.
    static std::unordered_map<std::uint32_t, std::string> made;
    const std::string s = LayerSummary(c);
    std::uint32_t key;
    std::memcpy(&key, s.data(), sizeof key);
    auto it = made.find(key);
    if (it == made.end()) it = made.emplace(key, s).first;
    r = Recent{bits, &it->second};
    return it->second;
}

namespace {
// Each code's part of the sum, by kind: a lookup instead of branches that
// mispredict on mixed codes (recip reads one sum a cover entry).
using SumWeights = std::array<std::uint16_t, 256>;
constexpr SumWeights sumWeights(const std::array<std::uint16_t, 5>& classes) {
    SumWeights w{};
    for (int c = 2; c <= 7; ++c) w[c] = 1;
    for (int c = 10; c <= 55; ++c)
        if (c % 10 <= 5) w[c] = classes[c / 10 - 1];
    return w;
}
constexpr SumWeights SumWeights1 = sumWeights({25, 150, 375, 625, 875});
constexpr SumWeights SumWeights2 = sumWeights({2, 3, 4, 5, 8});
}  // namespace

int coverSumValue(int kind, const LayerCodes& codes) {
    if (kind != 1 && kind != 2) return -1;
    const SumWeights& weights = kind == 1 ? SumWeights1 : SumWeights2;
    int sum = 0;
    for (CoverCode c : codes) sum += weights[c];
    if (kind == 1 && sum > 875) sum = 875;
    return sum;
}

std::string CoverSum(int kind, const LayerCodes& codes) {
    int v = coverSumValue(kind, codes);
    return v < 0 ? std::string() : std::to_string(v);
}

}  // namespace tamsel

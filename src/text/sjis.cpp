#include "text/sjis.h"

#include "text/error.h"

#include <iconv.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <stdexcept>

namespace tamsel {

namespace {

bool isControl(char c) {
    return static_cast<unsigned char>(c) <= 0x20;
}
bool isTrailByte(unsigned char c) {
    return c >= 0x40 && c <= 0xFC && c != 0x7F;
}

// One conversion; on a byte that cannot be converted either puts the
// replacement and skips one input character, or gives up.
std::optional<std::string> convert(const char* to, const char* from, std::string_view in,
                                   bool lenient, const char* replacement) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        throw std::runtime_error("iconv: CP932 is not available");
    // Closed on every path: memory running out below must not leak the converter.
    struct Closer {
        iconv_t cd;
        ~Closer() { iconv_close(cd); }
    } closer{cd};
    std::string out;
    out.resize(in.size() * 3 + 8);
    char* inPtr = const_cast<char*>(in.data());
    std::size_t inLeft = in.size();
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    bool ok = true;
    while (inLeft > 0) {
        std::size_t r = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        if (r != static_cast<std::size_t>(-1)) break;
        if (errno == E2BIG) {
            std::size_t used = static_cast<std::size_t>(outPtr - out.data());
            out.resize(out.size() * 2);
            outPtr = out.data() + used;
            outLeft = out.size() - used;
            continue;
        }
        // EILSEQ or EINVAL: an invalid or incomplete sequence.
        if (!lenient) {
            ok = false;
            break;
        }
        std::string_view rep(replacement);
        if (outLeft < rep.size()) {
            std::size_t used = static_cast<std::size_t>(outPtr - out.data());
            out.resize(out.size() * 2 + rep.size());
            outPtr = out.data() + used;
            outLeft = out.size() - used;
        }
        for (char c : rep) *outPtr++ = c;
        outLeft -= rep.size();
        // Skip one input character: a whole UTF-8 sequence or one Shift-JIS unit.
        std::size_t skip = 1;
        unsigned char c = static_cast<unsigned char>(*inPtr);
        if (std::string_view(from) == "UTF-8") {
            while (skip < inLeft && (static_cast<unsigned char>(inPtr[skip]) & 0xC0) == 0x80)
                ++skip;
        } else if (isLeadByte(c) && inLeft >= 2 &&
                   isTrailByte(static_cast<unsigned char>(inPtr[1]))) {
            skip = 2;  // a lead byte before a non-trail byte goes alone: that byte is text
        }
        inPtr += skip;
        inLeft -= skip;
    }
    if (!ok) return std::nullopt;
    out.resize(static_cast<std::size_t>(outPtr - out.data()));
    return out;
}

}  // namespace

std::string trimControl(std::string_view s) {
    std::size_t b = 0, e = s.size();
    while (b < e && isControl(s[b])) ++b;
    while (e > b && isControl(s[e - 1])) --e;
    return std::string(s.substr(b, e - b));
}

std::size_t findControl(std::string_view s) {
    // Eight bytes at a time (a byte below 0x20, or one equal to 0x7F), so that the
    // hundreds of thousands of short cells an add writes cost next to nothing.
    constexpr std::uint64_t ones = 0x0101010101010101u, highs = 0x8080808080808080u;
    std::size_t i = 0;
    for (; i + 8 <= s.size(); i += 8) {
        std::uint64_t x;
        std::memcpy(&x, s.data() + i, 8);
        const std::uint64_t del = x ^ (0x7F * ones);
        if ((((x - 0x20 * ones) & ~x) | ((del - ones) & ~del)) & highs) break;
    }
    for (; i < s.size(); ++i)
        if (isControlByte(static_cast<unsigned char>(s[i]))) return i;
    return std::string_view::npos;
}

std::size_t blankControls(std::string& text, TextEnds ends) {
    if (findControl(text) == std::string::npos) {
        // The common case: only blanks can lie at the ends.
        if (ends == TextEnds::Trimmed) {
            const std::size_t last = text.find_last_not_of(' ');
            if (last == std::string::npos) {
                text.clear();
            } else {
                text.erase(last + 1);
                text.erase(0, text.find_first_not_of(' '));
            }
        }
        return 0;
    }
    std::size_t first = text.size(), last = 0, inside = 0, seen = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (isControlByte(c)) {
            text[i] = ' ';
            ++seen;
        } else if (c != ' ') {
            // The controls met since the first visible byte lie inside.
            if (first == text.size()) {
                first = i;
                seen = 0;
            }
            last = i;
            inside += seen;
            seen = 0;
        }
    }
    if (ends == TextEnds::Trimmed) {
        if (first == text.size()) {
            text.clear();
        } else {
            text.erase(last + 1);
            text.erase(0, first);
        }
    }
    return inside;
}

std::string cutBytes(std::string_view s, std::size_t n) {
    if (s.size() <= n) return std::string(s);
    std::size_t end = 0;
    forEachChar(s, [&](std::size_t pos, std::size_t len) {
        if (pos + len <= n && pos == end) end = pos + len;
    });
    return std::string(s.substr(0, end));
}

std::string toUtf8(std::string_view sjis) {
    return *convert("UTF-8", "CP932", sjis, true, "?");
}
std::string fromUtf8(std::string_view utf8) {
    return *convert("CP932", "UTF-8", utf8, true, "?");
}
std::optional<std::string> toUtf8Strict(std::string_view sjis) {
    return convert("UTF-8", "CP932", sjis, false, "");
}
std::optional<std::string> fromUtf8Strict(std::string_view utf8) {
    return convert("CP932", "UTF-8", utf8, false, "");
}

std::string foldLetterCase(std::string_view name) {
    std::string out(name);
    forEachChar(name, [&](std::size_t pos, std::size_t len) {
        unsigned char a = static_cast<unsigned char>(out[pos]);
        if (len == 1) {
            if (a >= 'A' && a <= 'Z') out[pos] = static_cast<char>(a + 0x20);
            return;
        }
        unsigned char b = static_cast<unsigned char>(out[pos + 1]);
        unsigned char folded = b;
        if (a == 0x82 && b >= 0x60 && b <= 0x79) {
            folded = static_cast<unsigned char>(b + 0x21);  // Ａ-Ｚ to ａ-ｚ
        } else if (a == 0x83 && b >= 0x9F && b <= 0xB6) {
            folded = static_cast<unsigned char>(b + 0x20);  // Α-Ω to α-ω
        } else if (a == 0x84 && b >= 0x40 && b <= 0x60) {
            // А-Я to а-я; the lower-case run skips the byte 0x7F, which is no trail byte.
            int k = b - 0x40;
            folded = static_cast<unsigned char>(k < 15 ? 0x70 + k : 0x71 + k);
        }
        out[pos + 1] = static_cast<char>(folded);
    });
    return out;
}

std::optional<std::array<int, 256>> singleByteCharacters(const std::string& encoding) {
    iconv_t cd = iconv_open("UTF-32LE", encoding.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    std::array<int, 256> map{};
    bool singleByte = true;
    for (int b = 0; b < 256 && singleByte; ++b) {
        iconv(cd, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
        char in = static_cast<char>(b);
        unsigned char out[8];
        char* inPtr = &in;
        std::size_t inLeft = 1;
        char* outPtr = reinterpret_cast<char*>(out);
        std::size_t outLeft = sizeof out;
        if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) {
            // A byte that begins a longer character makes the encoding multi-byte.
            if (errno == EINVAL) singleByte = false;
            map[static_cast<std::size_t>(b)] = -1;
            continue;
        }
        if (sizeof out - outLeft != 4) {
            singleByte = false;  // no character, or a state change only
            continue;
        }
        map[static_cast<std::size_t>(b)] = static_cast<int>(out[0] | out[1] << 8 | out[2] << 16 |
                                                            static_cast<unsigned>(out[3]) << 24);
    }
    iconv_close(cd);
    if (!singleByte) return std::nullopt;
    return map;
}

std::unique_ptr<MultiByteCharacters> MultiByteCharacters::forEncoding(std::string_view name) {
    auto is = [&](std::initializer_list<std::string_view> names) {
        for (std::string_view n : names)
            if (std::equal(name.begin(), name.end(), n.begin(), n.end(), [](char a, char b) {
                    return std::tolower(static_cast<unsigned char>(a)) == b;
                }))
                return true;
        return false;
    };
    std::unique_ptr<MultiByteCharacters> m(new MultiByteCharacters);
    const char* iconvName = nullptr;
    if (is({"shift_jis", "shift-jis", "sjis", "x-sjis", "ms_kanji", "csshiftjis", "windows-31j",
            "cp932", "ms932"})) {
        iconvName = "CP932";
        for (int b = 0; b < 256; ++b) {
            int& c = m->map_[static_cast<std::size_t>(b)];
            if (b < 0x80)
                c = b;
            else if (b >= 0xA1 && b <= 0xDF)
                c = 0xFF61 + (b - 0xA1);  // half-width katakana
            else if ((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC))
                c = -2;
            else
                c = -1;
        }
    } else if (is({"euc-jp", "euc_jp", "eucjp", "x-euc-jp", "cseucpkdfmtjapanese"})) {
        iconvName = "EUC-JP";
        for (int b = 0; b < 256; ++b) {
            int& c = m->map_[static_cast<std::size_t>(b)];
            if (b < 0x80)
                c = b;
            else if (b == 0x8E || (b >= 0xA1 && b <= 0xFE))
                c = -2;  // SS2 and half-width katakana, or JIS X 0208
            else if (b == 0x8F)
                c = -3;  // SS3 and JIS X 0212
            else
                c = -1;
        }
    } else {
        return nullptr;
    }
    iconv_t cd = iconv_open("UTF-32LE", iconvName);
    if (cd == reinterpret_cast<iconv_t>(-1)) return nullptr;
    m->converter_ = cd;
    return m;
}

MultiByteCharacters::~MultiByteCharacters() {
    if (converter_) iconv_close(static_cast<iconv_t>(converter_));
}

int MultiByteCharacters::decode(const char* bytes) const {
    const int length = -map_[static_cast<unsigned char>(bytes[0])];
    if (length < 2) return -1;
    auto cd = static_cast<iconv_t>(converter_);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char in[4];
    std::memcpy(in, bytes, static_cast<std::size_t>(length));
    unsigned char out[8];
    char* inPtr = in;
    std::size_t inLeft = static_cast<std::size_t>(length);
    char* outPtr = reinterpret_cast<char*>(out);
    std::size_t outLeft = sizeof out;
    if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1) ||
        inLeft != 0 || sizeof out - outLeft != 4)
        return -1;
    const unsigned c = out[0] | out[1] << 8 | out[2] << 16 | static_cast<unsigned>(out[3]) << 24;
    return c > 0xFFFF ? -1 : static_cast<int>(c);
}

}  // namespace tamsel

namespace tamsel {

std::string fillMessage(std::string_view sjisPattern,
                        std::initializer_list<std::string_view> parts) {
    std::string out;
    out.reserve(sjisPattern.size() + 32);
    // "%" and digits are never the second byte of a double-byte character.
    for (std::size_t i = 0; i < sjisPattern.size(); ++i) {
        const char c = sjisPattern[i];
        if (c == '%' && i + 1 < sjisPattern.size() && sjisPattern[i + 1] >= '1' &&
            sjisPattern[i + 1] <= '9') {
            const auto k = static_cast<std::size_t>(sjisPattern[i + 1] - '1');
            if (k < parts.size()) out += parts.begin()[k];
            ++i;
            continue;
        }
        out += c;
    }
    return out;
}

std::string sjisOrRefuse(std::string_view utf8, std::string_view what) {
    auto text = fromUtf8Strict(utf8);
    if (!text)
        throw Error(msg("Shift-JIS で表せない文字があります（%1）: %2", sj(what), fromUtf8(utf8)));
    return *text;
}

}  // namespace tamsel

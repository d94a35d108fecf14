// Shift-JIS (code page 932) bytes. Core strings hold Shift-JIS; this is the only
// place that knows about encodings.
#pragma once

#include <array>
#include <cstddef>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>

namespace tamsel {

// Lead byte of a double-byte character: 0x81-0x9F and 0xE0-0xFC.
constexpr bool isLeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// Removes bytes 0x00-0x20 at both ends.
std::string trimControl(std::string_view s);

// Bytes 0x00-0x1F and 0x7F. No trail byte of a double-byte character is one, so a
// byte scan finds them without stepping over characters.
constexpr bool isControlByte(unsigned char c) {
    return c < 0x20 || c == 0x7F;
}

// Where the first control byte of s stands, or npos.
std::size_t findControl(std::string_view s);

// Whether blankControls trims a text's ends (as its reader always has) or keeps
// its width (fields shown exactly as stored).
enum class TextEnds { Kept, Trimmed };

// A text from outside made fit for the table: every control byte becomes a blank;
// with Trimmed, bytes 0x00-0x20 are then removed at both ends. Returns how many
// control bytes stood inside it, between its first and last byte that is neither
// blank nor control: those at the ends are padding, not content.
std::size_t blankControls(std::string& text, TextEnds ends);

// The first n bytes of s. A double-byte character that would be split is dropped
// whole, so the result may be one byte shorter than n.
std::string cutBytes(std::string_view s, std::size_t n);

// Calls f(pos, len) for each character of s: len is 2 for a complete double-byte
// character, 1 otherwise (a lead byte at the very end counts as one byte).
template <typename F>
void forEachChar(std::string_view s, F&& f) {
    std::size_t i = 0;
    while (i < s.size()) {
        std::size_t len =
            (isLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) ? 2 : 1;
        f(i, len);
        i += len;
    }
}

// name with every upper-case letter made lower-case: Latin letters half- and
// full-width, full-width Greek and Cyrillic. Bytes inside a double-byte
// character other than those letters are left alone. The synonym lookup and the
// indicator values compare names folded so.
std::string foldLetterCase(std::string_view name);

// Conversion through iconv "CP932". The lenient forms put "?" for what cannot be
// converted; the strict forms return nothing instead.
std::string toUtf8(std::string_view sjis);
std::string fromUtf8(std::string_view utf8);
std::optional<std::string> toUtf8Strict(std::string_view sjis);
std::optional<std::string> fromUtf8Strict(std::string_view utf8);

// The character of each byte of a single-byte encoding that iconv knows by name
// (windows-1252, ISO-8859-2, ...): its Unicode code point, or -1 for a byte that
// stands for no character. Nothing when iconv does not know the name or the
// encoding has characters of more than one byte.
std::optional<std::array<int, 256>> singleByteCharacters(const std::string& encoding);

// The Japanese double-byte encodings a parser may meet as declared: Shift_JIS and
// its Windows form (one reading, CP932, a superset that Windows programs label
// Shift_JIS) and EUC-JP. map: a byte's code point, -1 for a byte that stands for
// no character, -n for the first byte of an n-byte character; decode gives the
// code point of one such character, or -1. Nothing for any other name.
class MultiByteCharacters {
  public:
    static std::unique_ptr<MultiByteCharacters> forEncoding(std::string_view name);
    ~MultiByteCharacters();
    MultiByteCharacters(const MultiByteCharacters&) = delete;
    MultiByteCharacters& operator=(const MultiByteCharacters&) = delete;

    const std::array<int, 256>& map() const { return map_; }
    int decode(const char* bytes) const;

  private:
    MultiByteCharacters() = default;
    std::array<int, 256> map_{};
    void* converter_ = nullptr;  // iconv_t to UTF-32LE
};

// A UTF-8 literal of the source as Shift-JIS, e.g. sj("辞書なし").
inline std::string sj(std::string_view utf8) {
    return fromUtf8(utf8);
}

// The Shift-JIS pattern with %1 … %9 replaced by parts[0] … parts[8].
std::string fillMessage(std::string_view sjisPattern,
                        std::initializer_list<std::string_view> parts);

namespace detail {
inline std::string_view messagePart(std::string_view sjis) {
    return sjis;
}
template <typename N>
requires std::is_integral_v<N> std::string messagePart(N n) {
    return std::to_string(n);
}
}  // namespace detail

// A message in the user's words from one UTF-8 pattern, so that each message is
// one line to find: msg("行 %1、列 %2 が読めません", r, c). Texts are Shift-JIS
// already, numbers are written in decimal.
template <typename... Args>
std::string msg(std::string_view utf8Pattern, const Args&... args) {
    // Each part is made into a value first; the views below outlive the call.
    auto fill = [&](const auto&... parts) {
        return fillMessage(sj(utf8Pattern), {std::string_view(parts)...});
    };
    return fill(detail::messagePart(args)...);
}

// Text the user typed, as Shift-JIS; throws Error naming what (a UTF-8 caption,
// for instance "標題") when a character has no Shift-JIS code.
std::string sjisOrRefuse(std::string_view utf8, std::string_view what);

}  // namespace tamsel

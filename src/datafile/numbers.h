// The one rule by which text becomes a number, and the fixed-width number texts.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tamsel {

// Leading blanks, an optional "+" or "-", then decimal digits up to the end of the
// text or the first NUL byte; nothing else. A value outside 32 bits is no number.
std::optional<std::int32_t> parseNumberField(std::string_view text);

// n in decimal, right-aligned in 4 (or 2) characters; a longer text is cut to its
// first 4 (or 2) characters.
std::string IntText4(std::int32_t n);
std::string IntText2(std::int32_t n);

// The first 4 characters of text, right-aligned with blanks to width 4.
std::string PadLeft4(std::string_view text);

}  // namespace tamsel

// The Shift-JIS layer: trimming, byte cuts and conversions keep their promises
// on any bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_common.h"
#include "text/sjis.h"

using namespace tamsel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view s(reinterpret_cast<const char*>(data), size);

    std::string t = trimControl(s);
    if (!t.empty()) {
        if (static_cast<unsigned char>(t.front()) <= 0x20 ||
            static_cast<unsigned char>(t.back()) <= 0x20)
            fuzz::finding("trim", "blank left at an end");
        if (s.find(t) == std::string_view::npos) fuzz::finding("trim", "not a part of the input");
    }

    for (std::size_t n :
         {std::size_t{0}, std::size_t{1}, std::size_t{4}, std::size_t{8}, size / 2, size}) {
        std::string c = cutBytes(s, n);
        if (c.size() > n || c.size() + 1 < std::min(n, size) || s.substr(0, c.size()) != c)
            fuzz::finding("cut", "not a prefix of the right length");
        // A cut never ends inside a double-byte character.
        std::size_t whole = 0;
        forEachChar(s, [&](std::size_t pos, std::size_t len) {
            if (pos + len <= c.size()) whole = pos + len;
        });
        if (whole != c.size()) fuzz::finding("cut", "a double-byte character split");
    }

    std::string u = toUtf8(s);
    (void)fromUtf8(u);
    if (auto strict = toUtf8Strict(s)) {
        // What converts strictly converts back to text of the same characters.
        if (!fromUtf8Strict(*strict)) fuzz::finding("convert", "strict text does not convert back");
    }
    (void)fromUtf8Strict(s);
    return 0;
}

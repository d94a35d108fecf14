#include "text/sjis.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace tamsel {
namespace {

TEST(LeadByte, Boundaries) {
    struct Case {
        unsigned char c;
        bool lead;
    };
    const Case cases[] = {
        {0x00, false}, {0x41, false}, {0x7F, false}, {0x80, false}, {0x81, true},
        {0x9F, true},  {0xA0, false}, {0xB1, false}, {0xDF, false}, {0xE0, true},
        {0xFC, true},  {0xFD, false}, {0xFF, false},
    };
    for (const Case& k : cases) EXPECT_EQ(isLeadByte(k.c), k.lead) << int(k.c);
}

TEST(TrimControl, RemovesBytesUpToBlankAtBothEnds) {
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},
        {"   ", ""},
        {std::string("\0\0ab\0", 5), "ab"},
        {"\t\r\n x y \x1f", "x y"},
        {"\x21!\x21", "\x21!\x21"},
        // Bytes above 0x20 stay, also at the ends (0x7F, half-width katakana).
        {"\x7f\xb1 ", "\x7f\xb1"},
        {std::string(" ") + sj("ブナ") + "   ", sj("ブナ")},
    };
    for (const auto& [in, want] : cases) EXPECT_EQ(trimControl(in), want) << in;
}

TEST(TrimControl, ControlByteAfterDoubleByteCharacter) {
    std::string s = sj("ア") + "\x01";
    EXPECT_EQ(trimControl(s), sj("ア"));
}

TEST(BlankControls, InsideCountsEndsArePaddingDoubleByteCharactersStayWhole) {
    struct Case {
        std::string in;
        TextEnds ends;
        std::string want;
        std::size_t inside;
    };
    // 表 is 0x95 0x5C, ソ 0x83 0x5C: a trail byte beside a control byte.
    const Case cases[] = {
        {"", TextEnds::Trimmed, "", 0},
        {"plain", TextEnds::Kept, "plain", 0},
        {std::string("a\rb\nc\td\0e", 9), TextEnds::Kept, "a b c d e", 4},
        {std::string("\0\tab \r\0", 7), TextEnds::Kept, "  ab   ", 0},
        {std::string("\0\tab \rc\0", 8), TextEnds::Trimmed, "ab  c", 1},
        {"\x7f"
         "a\x7f"
         "b\x7f",
         TextEnds::Trimmed, "a b", 1},
        {"\r\n\t", TextEnds::Trimmed, "", 0},
        {sj("表") + "\r" + sj("ソ") + "\x1f", TextEnds::Kept, sj("表") + " " + sj("ソ") + " ", 1},
        // A lead byte before a control byte: the control is no trail byte, and goes.
        {"x\x81\ry", TextEnds::Kept, "x\x81 y", 1},
    };
    for (const Case& c : cases) {
        std::string s = c.in;
        EXPECT_EQ(blankControls(s, c.ends), c.inside) << c.want;
        EXPECT_EQ(s, c.want);
        EXPECT_EQ(findControl(s), std::string::npos) << c.want;
    }
    EXPECT_EQ(findControl(sj("ブナ") + "\x7f"), 4u);
    // Every place in a text of more than two words, beside the bytes next to the range.
    for (std::size_t at = 0; at < 21; ++at)
        for (unsigned char b : {0x00, 0x0D, 0x1F, 0x20, 0x7E, 0x7F, 0x80, 0xFF}) {
            std::string text(21, '\xA0');
            text[at] = static_cast<char>(b);
            if (at != 10) text[20 - at] = static_cast<char>(b == 0x7F ? 0x80 : 0x21);
            const bool control = b < 0x20 || b == 0x7F;
            EXPECT_EQ(findControl(text), control ? at : std::string::npos) << at << " " << int(b);
        }
    EXPECT_EQ(findControl(sj("表ソ") + " ~\x80"), std::string::npos);
}

TEST(CutBytes, CutsByBytesAndNeverSplitsACharacter) {
    const std::string buna = sj("ブナ");  // 4 bytes
    struct Case {
        std::string in;
        std::size_t n;
        std::string want;
    };
    const Case cases[] = {
        {"abcdef", 0, ""},
        {"abcdef", 3, "abc"},
        {"abc", 3, "abc"},
        {"abc", 10, "abc"},
        {buna, 4, buna},
        {buna, 3, sj("ブ")},  // the dangling lead byte of ナ is dropped
        {buna, 2, sj("ブ")},
        {buna, 1, ""},
        {"a" + buna, 2, "a"},
        {"a" + buna, 3, "a" + sj("ブ")},
        {"a" + buna, 4, "a" + sj("ブ")},
        // Half-width katakana are one byte each.
        {"\xb1\xb2\xb3", 2, "\xb1\xb2"},
        // A lead byte with a blank after it is one character of two bytes.
        {"\x81 x", 1, ""},
        {"\x81 x", 2, "\x81 "},
    };
    for (const Case& c : cases) EXPECT_EQ(cutBytes(c.in, c.n), c.want) << c.in << " " << c.n;
}

TEST(ForEachChar, StepsOverDoubleByteCharactersWhole) {
    auto steps = [](std::string_view s) {
        std::vector<std::pair<std::size_t, std::size_t>> out;
        forEachChar(s, [&](std::size_t pos, std::size_t len) { out.emplace_back(pos, len); });
        return out;
    };
    using V = std::vector<std::pair<std::size_t, std::size_t>>;
    EXPECT_EQ(steps(""), V{});
    EXPECT_EQ(steps("ab"), (V{{0, 1}, {1, 1}}));
    EXPECT_EQ(steps("a" + sj("ブ") + "b"), (V{{0, 1}, {1, 2}, {3, 1}}));
    // A lead byte at the very end counts as one byte.
    EXPECT_EQ(steps("a\x82"), (V{{0, 1}, {1, 1}}));
    // The trail byte range overlaps lead bytes: 0x82 0x82 is one character.
    EXPECT_EQ(steps("\x82\x82\x82"), (V{{0, 2}, {2, 1}}));
}

TEST(Conversion, RoundTripsJapaneseText) {
    const char* const texts[] = {
        "",     "abc 123",        "ブナ",        "ミズナラ",         "森林群落組成表",
        "F＼N", "調査面積（㎡）", "ﾊﾞｰｼﾞｮﾝ情報", "終　　　　了(&Q)", "コ ケ 層植被率（%）",
    };
    for (const char* t : texts) {
        auto s = fromUtf8Strict(t);
        ASSERT_TRUE(s) << t;
        EXPECT_EQ(toUtf8(*s), t);
        EXPECT_EQ(toUtf8Strict(*s), std::optional<std::string>(t));
        EXPECT_EQ(sj(t), *s);
    }
}

TEST(Conversion, KnownBytes) {
    EXPECT_EQ(sj("ア"), "\x83\x41");
    EXPECT_EQ(sj("＼"), "\x81\x5f");
    EXPECT_EQ(sj("ｱ"), "\xb1");
    EXPECT_EQ(sj("　"), "\x81\x40");
    EXPECT_EQ(toUtf8("\x83\x75\x83\x69"), "ブナ");
}

TEST(Conversion, InvalidBytes) {
    const std::pair<std::string, std::string> cases[] = {
        {"a\x81", "a?"},       // lead byte cut off at the end
        {"\x81\x20z", "? z"},  // lead byte before a byte that is no trail byte
        {"\x81\x7f", "?\x7f"},
        {"\xff"
         "b",
         "?b"},  // a byte that is no character
        {"\xa0z", "?z"},
        {"x\x85\x40y", "x?y"},  // an unassigned double-byte code goes whole
    };
    for (const auto& [sjis, lenient] : cases) {
        EXPECT_FALSE(toUtf8Strict(sjis)) << lenient;
        EXPECT_EQ(toUtf8(sjis), lenient);
    }
    // UTF-8 that is broken or has no Shift-JIS form.
    EXPECT_FALSE(fromUtf8Strict("a\xc3"));
    EXPECT_FALSE(fromUtf8Strict("\xe3\x81"));
    EXPECT_FALSE(fromUtf8Strict("\xf0\x9f\x8c\xb2"));  // 🌲
    EXPECT_EQ(fromUtf8("a\xf0\x9f\x8c\xb2"
                       "b"),
              "a?b");
    EXPECT_EQ(fromUtf8("x\xc3"), "x?");
}

TEST(Conversion, LongTextGrowsTheBuffer) {
    std::string utf8;
    for (int i = 0; i < 5000; ++i) utf8 += "ブナ林a";
    std::string s = sj(utf8);
    EXPECT_EQ(s.size(), 5000u * 7);
    EXPECT_EQ(toUtf8(s), utf8);
}

}  // namespace
}  // namespace tamsel

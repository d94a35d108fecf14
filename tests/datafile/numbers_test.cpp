#include "datafile/numbers.h"

#include <gtest/gtest.h>

#include <string>

namespace tamsel {
namespace {

TEST(ParseNumberField, AcceptsBlanksSignAndDigits) {
    struct Case {
        std::string text;
        std::int32_t value;
    };
    const Case cases[] = {
        {"0", 0},
        {"   0", 0},
        {"000123", 123},
        {"   123", 123},
        {"+5", 5},
        {"-12", -12},
        {"  -7", -7},
        {" +0", 0},
        {std::string("12\0\0", 4), 12},
        // Digits end at the first NUL; what follows is not looked at.
        {std::string(" 3\0x", 4), 3},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
    };
    for (const Case& c : cases) {
        auto v = parseNumberField(c.text);
        ASSERT_TRUE(v) << "[" << c.text << "]";
        EXPECT_EQ(*v, c.value) << "[" << c.text << "]";
    }
}

TEST(ParseNumberField, RejectsEverythingElse) {
    const std::string cases[] = {
        "",
        "    ",
        "12  ",  // blank after the digits
        "1 2",
        std::string("\0 12", 4),  // NUL at the start
        std::string("  \0", 3),   // NUL before any digit
        "+",
        "-",
        "- 5",
        "+-5",
        "1x",
        "x1",
        "\t5",  // only blanks may lead
        "0x10",
        "$10",
        "1.5",
        "2147483648",
        "-2147483649",
        "99999999999999999999",
    };
    for (const std::string& c : cases) EXPECT_FALSE(parseNumberField(c)) << "[" << c << "]";
}

TEST(NumberTexts, IntText4IntText2PadLeft4) {
    struct Case {
        std::int32_t n;
        const char* four;
        const char* two;
    };
    const Case cases[] = {
        {0, "   0", " 0"},     {5, "   5", " 5"},          {7, "   7", " 7"},  {123, " 123", "12"},
        {1234, "1234", "12"},  {12345, "1234", "12"},      {-1, "  -1", "-1"}, {-123, "-123", "-1"},
        {-1234, "-123", "-1"}, {2147483647, "2147", "21"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IntText4(c.n), c.four) << c.n;
        EXPECT_EQ(IntText2(c.n), c.two) << c.n;
    }
    const std::pair<std::string, std::string> pads[] = {
        {"", "    "}, {"12", "  12"}, {"abcd", "abcd"}, {"abcdef", "abcd"}, {" 1", "   1"},
    };
    for (const auto& [in, want] : pads) EXPECT_EQ(PadLeft4(in), want) << in;
}

}  // namespace
}  // namespace tamsel

#include "datafile/cover_codes.h"

#include <gtest/gtest.h>

#include <string>

namespace tamsel {
namespace {

// Fourteen bytes with the given two-character text in layer H1 and blanks elsewhere.
std::string inH1(const std::string& two) {
    return "        " + two + "    ";
}

TEST(ParseLayerCodes, OneLayerText) {
    struct Case {
        std::string text;
        int code;
    };
    const Case cases[] = {
        {"  ", 0},
        {"* ", 1},
        {" *", 1},
        {"+1", 1},
        {"+2", 2},
        {"+5", 5},
        {"r ", 6},
        {" +", 7},
        {"+ ", 7},
        {"1 ", 10},
        {"2 ", 20},
        {" 3", 30},
        {"3 ", 30},
        {"5 ", 50},
        {"23", 23},
        {"55", 55},
        {"11", 11},
        {"08", 8},
        {"99", 99},
        {"00", 0},
        {"+9", 9},
        // Single characters never fail; those not listed are absent.
        {"x ", 0},
        {"R ", 0},
        {" 6", 0},
        {"0 ", 0},
        {"- ", 0},
        {std::string("3\0", 2), 30},  // a NUL is trimmed like a blank
        {std::string("\0\0", 2), 0},
    };
    for (const Case& c : cases) {
        auto v = ParseLayerCodes(inH1(c.text));
        ASSERT_TRUE(v) << "[" << c.text << "]";
        LayerCodes want{};
        want[4] = static_cast<CoverCode>(c.code);
        EXPECT_EQ(*v, want) << "[" << c.text << "]";
    }
}

TEST(ParseLayerCodes, MalformedTwoCharacterTextFailsTheWhole) {
    const std::string cases[] = {"2m", "-1", "xx", "r+", "+r", "1.", "**", "\x83\x41"};
    for (const std::string& c : cases) {
        EXPECT_FALSE(ParseLayerCodes(inH1(c))) << "[" << c << "]";
        // The same text in the last layer fails as well.
        EXPECT_FALSE(ParseLayerCodes("            " + c)) << "[" << c << "]";
    }
}

TEST(ParseLayerCodes, SevenLayersInOrder) {
    auto v = ParseLayerCodes("4   r + 23   *");
    ASSERT_TRUE(v);
    EXPECT_EQ(*v, (LayerCodes{40, 0, 6, 7, 23, 0, 1}));
    v = ParseLayerCodes("+2+3+4+512 3r ");
    ASSERT_TRUE(v);
    EXPECT_EQ(*v, (LayerCodes{2, 3, 4, 5, 12, 30, 6}));
    // A shorter text has blank layers after its end.
    v = ParseLayerCodes("5 +2");
    ASSERT_TRUE(v);
    EXPECT_EQ(*v, (LayerCodes{50, 2, 0, 0, 0, 0, 0}));
    v = ParseLayerCodes("");
    ASSERT_TRUE(v);
    EXPECT_EQ(*v, LayerCodes{});
}

TEST(CoverCodeText, BothNotations) {
    struct Case {
        int code;
        const char* n1;
        const char* n2;
    };
    const Case cases[] = {
        {0, " . ", " . "},  {1, " . ", " . "},  {2, " + ", "+.2"},  {5, " + ", "+.5"},
        {6, " r ", " r "},  {7, " + ", " + "},  {8, " . ", " . "},  {9, " . ", " . "},
        {10, " 1 ", "1.0"}, {16, " 1 ", "1.6"}, {23, " 2 ", "2.3"}, {40, " 4 ", "4.0"},
        {55, " 5 ", "5.5"}, {56, " . ", " . "}, {99, " . ", " . "}, {255, " . ", " . "},
    };
    for (const Case& c : cases) {
        CoverCode code = static_cast<CoverCode>(c.code);
        EXPECT_EQ(CoverCodeText(code, 1), c.n1) << c.code;
        EXPECT_EQ(CoverCodeText(code, 2), c.n2) << c.code;
        // Any notation but 1 shows cover and sociability, as notation 2 does.
        for (int other : {0, 3, 9, -1}) EXPECT_EQ(CoverCodeText(code, other), c.n2) << c.code;
    }
}

TEST(LayerSummary, HighestSymbolPerLayerGroup) {
    struct Case {
        LayerCodes codes;
        const char* summary;
    };
    const Case cases[] = {
        {{0, 0, 0, 0, 0, 0, 0}, "    "},
        {{0, 0, 7, 0, 23, 0, 6}, "  +2"},
        {{0, 0, 0, 0, 0, 0, 6}, "   r"},
        {{1, 1, 1, 1, 1, 1, 1}, "++++"},
        {{40, 0, 6, 7, 0, 0, 0}, "4 + "},
        {{6, 7, 6, 0, 0, 0, 0}, "r+r "},
        {{0, 0, 7, 6, 0, 0, 0}, "  + "},
        {{0, 0, 0, 0, 6, 7, 0}, "   +"},
        {{0, 0, 0, 0, 7, 10, 6}, "   1"},
        {{0, 0, 0, 0, 8, 6, 7}, "   0"},  // 8 and 9 give "0", above "+"
        {{9, 0, 0, 0, 0, 0, 0}, "0   "},
        {{55, 19, 20, 35, 0, 0, 0}, "513 "},
        {{0, 0, 0, 0, 99, 100, 0}, "   :"},  // 100 gives ":", above "9"
        {{0, 0, 0, 0, 0, 0, 255}, "   I"},
        {{0, 0, 0, 0, 45, 12, 2}, "   4"},
    };
    for (const Case& c : cases) EXPECT_EQ(LayerSummary(c.codes), c.summary) << c.summary;
}

TEST(CoverSum, BothKinds) {
    struct Case {
        LayerCodes codes;
        const char* kind1;
        const char* kind2;
    };
    const Case cases[] = {
        {{0, 0, 0, 0, 0, 0, 0}, "0", "0"},           {{1, 1, 1, 1, 1, 1, 1}, "0", "0"},
        {{55, 55, 55, 55, 55, 55, 55}, "875", "56"}, {{7, 15, 0, 0, 0, 0, 0}, "26", "3"},
        {{23, 6, 0, 0, 0, 0, 0}, "151", "4"},        {{40, 0, 20, 0, 0, 0, 0}, "775", "8"},
        {{45, 35, 0, 0, 0, 0, 0}, "875", "9"},  // 1000 capped
        {{25, 25, 25, 25, 25, 0, 0}, "750", "15"},   {{2, 7, 10, 20, 30, 40, 50}, "875", "24"},
        {{0, 0, 0, 0, 0, 0, 50}, "875", "8"},        {{16, 19, 26, 36, 46, 56, 8}, "0", "0"},
        {{9, 29, 49, 255, 100, 0, 0}, "0", "0"},     {{2, 3, 4, 5, 6, 7, 0}, "6", "6"},
        {{11, 12, 13, 14, 0, 0, 0}, "100", "8"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CoverSum(1, c.codes), c.kind1) << c.kind1;
        EXPECT_EQ(CoverSum(2, c.codes), c.kind2) << c.kind2;
    }
    for (int kind : {0, 3, -1}) EXPECT_EQ(CoverSum(kind, LayerCodes{55, 0, 0, 0, 0, 0, 0}), "");
}

}  // namespace
}  // namespace tamsel

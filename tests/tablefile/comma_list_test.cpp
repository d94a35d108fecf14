#include "tablefile/comma_list.h"

#include <gtest/gtest.h>

#include <random>

#include "text/sjis.h"

namespace tamsel {
namespace {

using Items = std::vector<std::string>;

TEST(CommaListTest, WritesItemsByTheQuotingRules) {
    const std::string hyo = sj("表");  // its trail byte is the byte of "\"
    struct Case {
        Items items;
        std::string line;
    } cases[] = {
        {{"a", "b"}, "a,b"},
        {{""}, "\"\""},
        {{"", ""}, ","},
        {{"", "", "x", ""}, ",,x,"},
        {{"Abies firma"}, "\"Abies firma\""},
        {{"a\"b"}, "\"a\"\"b\""},
        {{"a,b", "c"}, "\"a,b\",c"},
        {{"\t"}, "\"\t\""},
        {{std::string("a\0b", 3)}, std::string("\"a\0b\"", 5)},
        {{sj("ブナ　林")}, sj("ブナ　林")},  // a full-width blank is no blank
        {{hyo + "\"" + hyo}, "\"" + hyo + "\"\"" + hyo + "\""},
        {{"   1"}, "\"   1\""},
        {{}, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(joinCommaList(c.items), c.line) << c.line;
}

TEST(CommaListTest, SplitsLinesByTheReadingRules) {
    struct Case {
        std::string line;
        Items items;
    } cases[] = {
        {"", {}},
        {"a,b", {"a", "b"}},
        {",,", {"", "", ""}},
        {"a,", {"a", ""}},
        {",a", {"", "a"}},
        {"  a ,  b  ", {"a", "b"}},
        {"a b", {"a", "b"}},
        {"\"a b\",c", {"a b", "c"}},
        {"\"a\"\"b\"", {"a\"b"}},
        {"\"\"", {""}},
        {"a,\"\"", {"a", ""}},
        {"\"ab\"cd", {"ab", "cd"}},
        {sj("表,表"), {sj("表"), sj("表")}},
    };
    for (const auto& c : cases) {
        Items got;
        EXPECT_TRUE(splitCommaList(c.line, got)) << c.line;
        EXPECT_EQ(got, c.items) << c.line;
    }
    Items got;
    EXPECT_FALSE(splitCommaList("a,\"open", got));
}

// Whatever bytes the cells hold, the line gives them back.
TEST(CommaListTest, AnyItemsSurviveJoinAndSplit) {
    const std::string alphabet = std::string("ab ,\"\t\x81\x40\x95\x5c\x82\xa0\x00\x7f\xfc", 15);
    std::mt19937 rng(7);
    for (int round = 0; round < 3000; ++round) {
        Items items(1 + rng() % 5);
        for (auto& it : items)
            for (unsigned n = rng() % 6; n > 0; --n) it += alphabet[rng() % alphabet.size()];
        Items back;
        ASSERT_TRUE(splitCommaList(joinCommaList(items), back));
        ASSERT_EQ(back, items) << joinCommaList(items);
    }
}

TEST(CommaListTest, ALoneLeadByteNeverSwallowsASeparator) {
    Items items{"a\x81", "b", "\x81\""};
    std::string line = joinCommaList(items);
    Items back;
    ASSERT_TRUE(splitCommaList(line, back));
    EXPECT_EQ(back, items);
}

}  // namespace
}  // namespace tamsel

#include "tablefile/comma_list.h"

#include <gtest/gtest.h>

#include <iterator>
#include <random>
#include <string>
#include <utility>
#include <vector>

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

// Lines of any bytes, long runs of commas among them: the filled items, with
// their indexes and the closed result, are those of the full split.
TEST(CommaListTest, FilledItemsAreTheNonEmptyItemsOfAnyLine) {
    const std::string pieces[] = {",",  ",,,,,,,,,,,", " ",     "\t,",     "a",
                                  "\"", "\"\"",        "\x81,", "\x82\xa0"};
    std::mt19937 rng(11);
    for (int round = 0; round < 3000; ++round) {
        std::string line;
        for (unsigned n = rng() % 12; n > 0; --n) line += pieces[rng() % std::size(pieces)];
        std::vector<std::pair<std::size_t, std::string>> all, filled;
        bool closed = forEachCommaItem(line, [&](std::size_t k, std::string_view item) {
            if (!item.empty()) all.emplace_back(k, item);
        });
        bool closedToo = forEachFilledCommaItem(
            line, [&](std::size_t k, std::string_view item) { filled.emplace_back(k, item); });
        ASSERT_EQ(closedToo, closed) << line;
        ASSERT_EQ(filled, all) << line;
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

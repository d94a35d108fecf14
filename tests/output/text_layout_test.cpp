#include "output/text_layout.h"

#include <gtest/gtest.h>

#include "output/small_table.h"
#include "platform/error.h"
#include "support/table_fields.h"

namespace tamsel {
namespace {

using testing::codes;
using testing::lines;
using testing::padded;
using testing::rule;
using testing::SmallTable;

const std::string B5 = "     ";

std::size_t count(const std::string& s, const std::string& what) {
    std::size_t n = 0;
    for (auto p = s.find(what); p != std::string::npos; p = s.find(what, p + what.size())) ++n;
    return n;
}

std::vector<std::string> splitLines(const std::string& s) {
    std::vector<std::string> v;
    std::size_t start = 0;
    for (auto p = s.find("\r\n"); p != std::string::npos; p = s.find("\r\n", start)) {
        v.push_back(s.substr(start, p - start));
        start = p + 2;
    }
    EXPECT_EQ(start, s.size()) << "text does not end with CR LF";
    return v;
}

TEST(RuleLine, HalfTheWidthHalvesToEven) {
    const std::pair<int, int> cases[] = {{32, 16}, {37, 18}, {47, 24}, {5, 2}, {7, 4}, {262, 131}};
    for (auto [width, n] : cases) EXPECT_EQ(RuleLine(width), rule(n)) << width;
}

TEST(PrintTable, EmptyTableGivesOnePage) {
    SmallTable s({2, 8, 30});
    s.p.ChkBox1t = true;
    s.p.PN1 = {1, 0, 0};
    s.p.PN2 = {0, 0, 0};
    s.recount();
    EXPECT_EQ(s.text(45, 1, 0),
              lines({"", sj("森林群落組成表"), rule(16), padded("表の通し番号", 32), rule(16),
                     padded("測定番号", 32), std::string(32, ' '), padded("調査地標高(m)", 32),
                     padded("出現種数", 32), rule(16), rule(16), sj("出現回数１回の種"), ""}));
}

// Three relevés (the third empty), two species in two relevés, a comment row and
// a species in one relevé only; items 2 (split in two lines), 8 and 30.
SmallTable smallTable() {
    SmallTable s({2, 8, 30});
    for (const char* name : {"Abies firma", "Carex sp.", "-- 林床 --", "Once one"}) s.comment(name);
    s.add({{2, "A1"}, {8, "  12"}}, {{"Abies firma", codes({{5, 23}})},
                                     {"Carex sp.", codes({{3, 7}, {5, 1}})},
                                     {"Once one", codes({{5, 1}, {7, 6}})}});
    s.add({{2, "LONGNAME"}, {8, " 340"}},
          {{"Abies firma", codes({{5, 10}})}, {"Carex sp.", codes({{3, 2}})}});
    s.add({}, {});
    s.recount();
    s.p.ChkBoxfq = s.p.ChkBox1t = true;
    s.p.PN1 = {1, 0, 4};
    s.p.PN2 = {4, 0, 4};
    return s;
}

TEST(PrintTable, SmallTableByteForByte) {
    SmallTable s = smallTable();
    ASSERT_EQ(s.t.model.speciesCount(), 4);
    EXPECT_EQ(
        s.text(45, 1, 4),
        lines({"", sj("森林群落組成表"), rule(24), padded("表の通し番号", 32) + "    1    2" + B5,
               rule(24), padded("測定番号", 32) + " A1   LONG" + B5,
               std::string(32, ' ') + B5 + " NAME" + B5,
               padded("調査地標高(m)", 32) + "   12  340" + B5,
               padded("出現種数", 32) + "    3    2    0", rule(24),
               padded("Abies firma", 28) + " H1:  2.3  1.0" + B5 + "   67",
               padded("Carex sp.", 28) + " S1:   +   +.2" + B5 + "   67", sj("-- 林床 --"),
               rule(24), sj("出現回数１回の種"), "No.1, Once one H1:.  M:r.", ""}));
}

TEST(PrintTable, WithoutExtrasNoFrequencyColumnAndNoOnceList) {
    SmallTable s = smallTable();
    s.p.ChkBoxfq = s.p.ChkBox1t = false;
    std::string text = s.text(45, 1, 4);
    EXPECT_NE(text.find(padded("Abies firma", 28) + " H1:  2.3  1.0" + B5 + "\r\n"),
              std::string::npos);
    EXPECT_EQ(text.find(sj("出現回数１回の種")), std::string::npos);
}

TEST(PrintTable, RangeClipsAndOnceListNeedsTheLastRowOfTheField) {
    SmallTable s = smallTable();
    // PN1 0 prints from row 1, exactly as PN1 1.
    EXPECT_EQ(s.text(45, 0, 4), s.text(45, 1, 4));
    // A range ending before PN2's value: no once-only list.
    std::string part = s.text(45, 2, 3);
    EXPECT_EQ(part.find("Abies"), std::string::npos);
    EXPECT_NE(part.find("Carex"), std::string::npos);
    EXPECT_EQ(part.find(sj("出現回数１回の種")), std::string::npos);
    // The list follows the fields, not the clipped range: row 4 is outside PN2 3.
    s.p.PN2.value = 3;
    part = s.text(45, 1, 3);
    EXPECT_NE(part.find(sj("出現回数１回の種") + "\r\n\r\n"), std::string::npos);
    EXPECT_EQ(part.find("No.1"), std::string::npos);
}

// n relevés each holding "Sp" in H1; a comment row under it; no header items.
SmallTable wideTable(int n) {
    SmallTable s({});
    for (int j = 0; j < n; ++j) s.add({}, {{"Sp", codes({{5, 10}})}});
    s.comment("note");
    s.recount();
    s.p.PN1 = {1, 0, 2};
    s.p.PN2 = {2, 0, 2};
    return s;
}

TEST(PrintTable, FortySixRelevesOnOnePageFortySevenOnTwo) {
    std::string one = wideTable(46).text(45, 1, 2);
    EXPECT_EQ(count(one, "\f"), 0u);
    for (const std::string& l : splitLines(one))
        if (l.rfind(sj("─"), 0) == 0) {
            EXPECT_EQ(l, rule(131));
        }
    EXPECT_EQ(splitLines(one)[3].size(), 262u);

    auto pages = splitLines(wideTable(47).text(45, 1, 2));
    std::vector<std::string> second(pages.begin() + 10, pages.end());
    ASSERT_EQ(pages[9], "\f");
    EXPECT_EQ(second, (std::vector<std::string>{"", sj("続き"), rule(2), "   47", rule(2), rule(2),
                                                "  1.0", "", rule(2)}));
    // The first page: relevés 1..46, the name and the comment.
    EXPECT_EQ(pages[3].size(), 262u);
    EXPECT_EQ(pages[6].size(), 32u + 46 * 5);
    EXPECT_EQ(pages[7], "note");
}

// Eight relevés; A in 3 of them (two layers), B in 5; C fills every relevé.
SmallTable frequencyTable() {
    SmallTable s({});
    const std::vector<std::vector<std::string>> present = {
        {"A", "B", "C"}, {"A", "C"}, {"A", "B", "C"}, {"C"},
        {"B", "C"},      {"C"},      {"B", "C"},      {"B", "C"}};
    for (const auto& names : present) {
        std::vector<std::pair<std::string, LayerCodes>> sp;
        for (const auto& n : names)
            sp.push_back({n, n == "A" ? codes({{5, 20}, {7, 7}}) : codes({{5, 10}})});
        s.add({}, sp);
    }
    s.recount();
    s.p.ChkBoxfq = true;
    s.p.PN1 = {1, 0, 3};
    s.p.PN2 = {3, 0, 3};
    return s;
}

TEST(PrintTable, FrequencyColumnOnTheLastPageOnTheFirstLineOnly) {
    SmallTable s = frequencyTable();
    // Capacity 3: relevés 1..4 on the first page, 5..8 (capacity 9) on the second.
    auto l = splitLines(s.text(3, 1, 3));
    const std::string dot = "   . ";
    std::vector<std::string> first(l.begin() + 6, l.begin() + 10);
    EXPECT_EQ(first, (std::vector<std::string>{padded("A", 28) + " H1:  2.0  2.0  2.0" + dot,
                                               std::string(28, ' ') + "  M:   +    +    + " + dot,
                                               padded("B", 28) + " H1:  1.0" + dot + "  1.0" + dot,
                                               padded("C", 28) + " H1:  1.0  1.0  1.0  1.0"}));
    ASSERT_EQ(l[11], "\f");
    std::vector<std::string> second(l.begin() + 18, l.begin() + 22);
    EXPECT_EQ(second, (std::vector<std::string>{
                          dot + dot + dot + dot + "   38", dot + dot + dot + dot,
                          "  1.0" + dot + "  1.0  1.0   62", "  1.0  1.0  1.0  1.0  100"}));
}

TEST(PrintTable, RoomForTheFrequencyColumn) {
    struct Case {
        int releves;
        bool frequency;
        std::uint16_t perPage;
        std::size_t pages;
    };
    const Case cases[] = {
        {44, true, 45, 2},   // the page would end at NR = P - a: relevé 44 moves on
        {44, false, 45, 1},  // only with the frequency column
        {46, true, 45, 1},   // a full last page keeps its columns
        {45, true, 45, 1},  {1, true, 2, 1},  // never shortened to no relevé (2 - 1 = 1 = NR)
        {2, true, 3, 2},                      // 3 - 1 = 2 = NR: relevé 2 on a page of its own
    };
    for (const Case& c : cases) {
        SmallTable s = wideTable(c.releves);
        s.p.ChkBoxfq = c.frequency;
        std::string text = s.text(c.perPage, 1, 2);
        EXPECT_EQ(count(text, "\f") + 1, c.pages) << c.releves;
        EXPECT_EQ(count(text, sj("森林群落組成表")), 1u) << c.releves;
        // Every relevé gets its running number once.
        EXPECT_EQ(count(text, "   " + std::to_string(c.releves) + "\r\n"), 1u) << c.releves;
    }
    // 44 with the frequency column: the first page ends at relevé 43.
    SmallTable s = wideTable(44);
    s.p.ChkBoxfq = true;
    auto l = splitLines(s.text(45, 1, 2));
    EXPECT_EQ(l[3].size(), 32u + 43 * 5);
    EXPECT_EQ(l.back(), rule(2));
    EXPECT_NE(std::find(l.begin(), l.end(), "  1.0  100"), l.end());
}

TEST(PrintTable, EmptyReleveAndPaddedHeaderCells) {
    // Items 3 (8 bytes) and 9 (4 bytes); the second relevé column was inserted
    // empty and has no header cells.
    SmallTable s({3, 9});
    s.add({{3, "Mt.Takao"}, {9, "  SW"}}, {{"X", codes({{5, 10}})}, {"Y", codes({{6, 30}})}});
    s.add({}, {});
    s.add({{3, "Kobe"}, {9, "N"}}, {{"X", codes({{5, 11}})}, {"Y", codes({{6, 55}})}});
    s.recount();
    s.p.PN1 = {1, 0, 2};
    s.p.PN2 = {2, 0, 2};
    auto l = splitLines(s.text(45, 1, 2));
    EXPECT_EQ(l[3], padded("表の通し番号", 32) + "    1" + B5 + "    2");
    EXPECT_EQ(l[5], padded("調査地名", 32) + " Mt.T" + B5 + " Kobe");
    EXPECT_EQ(l[6], std::string(32, ' ') + " akao" + B5 + B5);
    EXPECT_EQ(l[7], padded("傾斜方位", 32) + "   SW" + B5 + " N   ");
    EXPECT_EQ(l[9], padded("X", 28) + " H1:  1.0" + B5 + "  1.1");
    EXPECT_EQ(l[10], padded("Y", 28) + " H2:  3.0" + B5 + "  5.5");
}

TEST(PrintTable, CommentRowsOnFirstAndLaterPagesAndNotationOne) {
    SmallTable s = wideTable(3);
    s.t.data.CurrentNotation = 1;
    // Capacity 0: relevé 1 on the first page, then capacity 6: relevés 2 and 3.
    auto l = splitLines(s.text(0, 1, 2));
    ASSERT_EQ(l.size(), 19u);
    EXPECT_EQ(l[6], padded("Sp", 28) + " H1:   1 ");
    EXPECT_EQ(l[7], "note");
    EXPECT_EQ(l[9], "\f");
    EXPECT_EQ(l[13], "    2    3");
    EXPECT_EQ(l[16], "   1    1 ");
    EXPECT_EQ(l[17], "");
}

TEST(PrintTable, RepeatedNamesLabelEveryPageAndKeepItsCapacity) {
    // Capacity 0: the later pages take 6 more columns only without the names.
    struct Case {
        std::uint16_t perPage;
        bool repeat;
        std::size_t pages;
    };
    const Case cases[] = {{0, false, 2}, {0, true, 3}, {1, false, 2}, {1, true, 2}};
    for (const Case& c : cases) {
        SmallTable s = smallTable();
        StringSink sink;
        SinkChannel channel(sink);
        PrintTable(s.t, s.p, channel, c.perPage, 1, 4, c.repeat);
        const std::string text = sink.text;
        EXPECT_EQ(count(text, "\f") + 1, c.pages) << c.perPage << c.repeat;
        EXPECT_EQ(PageCount(s.t, s.p, c.perPage, c.repeat), static_cast<std::int32_t>(c.pages));
        EXPECT_EQ(count(text, padded("Abies firma", 28) + " H1:"), c.repeat ? c.pages : 1u);
        EXPECT_EQ(count(text, sj("-- 林床 --")), c.repeat ? c.pages : 1u);
        if (!c.repeat) {
            EXPECT_EQ(text, s.text(c.perPage, 1, 4));
        }
        if (c.perPage != 0 || !c.repeat) continue;
        auto l = splitLines(text);
        const auto second = std::find(l.begin(), l.end(), "\f") + 1;
        ASSERT_LT(second + 13, l.end());
        EXPECT_EQ(std::vector<std::string>(second, second + 13),
                  (std::vector<std::string>{
                      "", sj("続き"), rule(18), padded("表の通し番号", 32) + "    2", rule(18),
                      padded("測定番号", 32) + " LONG", std::string(32, ' ') + " NAME",
                      padded("調査地標高(m)", 32) + "  340", padded("出現種数", 32) + "    2",
                      rule(18), padded("Abies firma", 28) + " H1:  1.0",
                      padded("Carex sp.", 28) + " S1:  +.2", sj("-- 林床 --")}));
    }
}

TEST(PrintTable, SlotOutsideTheArrayStopsWithAMessage) {
    SmallTable s = smallTable();
    testing::editGrid(s.t.model, [&](Grid& g) {
        g.setCell(TableLayout::SlotCol, s.layout().speciesRow(1), "9999");
    });
    try {
        s.text(45, 1, 4);
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), sj("種の行 1 の格納番号が範囲外です: 9999"));
    }
}

}  // namespace
}  // namespace tamsel

#include <gtest/gtest.h>

#include <sstream>

#include "output/printer_output.h"
#include "output/printer_pager.h"
#include "platform/error.h"
#include "small_table.h"

namespace tamsel {
namespace {

using testing::codes;
using testing::SmallTable;

struct Run {
    int x, y;
    std::string text;
    bool operator==(const Run&) const = default;
    friend void PrintTo(const Run& r, std::ostream* os) {
        *os << "(" << r.x << "," << r.y << ",\"" << r.text << "\")";
    }
};
using Pages = std::vector<std::vector<Run>>;

// Ten units per byte, text 30 high, an empty line 25.
class FakeSurface : public PrinterSurface {
  public:
    int width = 1000, height = 10000;
    Pages pages;
    int fontHeight = 0;
    bool ended = false, aborted = false;

    int textWidth(std::string_view s) override { return 10 * static_cast<int>(s.size()); }
    int textHeight(std::string_view) override { return 30; }
    int charHeight() override { return 25; }
    void beginPage() override { pages.emplace_back(); }
    void drawRun(int x, int y, std::string_view s) override {
        pages.back().push_back({x, y, std::string(s)});
    }
    void setFont(const FontSpec&, int h) override { fontHeight = h; }
    int pageWidth() override { return width; }
    int pageHeight() override { return height; }
    void endJob() override { ended = true; }
    void abortJob() noexcept override { aborted = true; }
};

// Lines as written by the text layout: "\f" stands for the form feed alone,
// then its line end.
Pages paged(const std::vector<std::string>& lines, int width, int height) {
    FakeSurface s;
    PrinterPager pager(s, s, width, height);
    for (const std::string& l : lines) {
        if (l == "\f") pager.writeChar('\f');
        pager.writeLine(l == "\f" ? std::string() : l);
    }
    pager.finish();
    return s.pages;
}

TEST(PrinterPager, PositionsLinesAndPages) {
    const std::string wide = "ABCD" + sj("あい");  // 4 + 2 + 2 bytes
    struct Case {
        const char* what;
        std::vector<std::string> lines;
        int width, height;
        Pages want;
    };
    const std::vector<Case> cases = {
        {"text advances by its height plus 2",
         {"AB", "CD"},
         1000,
         10000,
         {{{0, 0, "AB"}, {0, 32, "CD"}}}},
        {"an empty line advances by the character height",
         {"A", "", "B"},
         1000,
         10000,
         {{{0, 0, "A"}, {0, 57, "B"}}}},
        // 64 > 100 - 2 * 30: the third line starts a page.
        {"a new page below the height less twice the line",
         {"A", "B", "C"},
         1000,
         100,
         {{{0, 0, "A"}, {0, 32, "B"}}, {{0, 0, "C"}}}},
        // After empty lines the limit is the page height itself: four reach it,
        // five pass it.
        {"four empty lines stay on the page", {"", "", "", "", "X"}, 1000, 100, {{{0, 100, "X"}}}},
        {"five empty lines pass it", {"", "", "", "", "", "Y"}, 1000, 100, {{}, {{0, 0, "Y"}}}},
        {"a form feed starts a page, its line end is an empty line",
         {"A", "\f", "B"},
         1000,
         10000,
         {{{0, 0, "A"}}, {{0, 25, "B"}}}},
        {"a blank page between is kept, none trails",
         {"A", "\f", "\f", "B", "\f"},
         1000,
         10000,
         {{{0, 0, "A"}}, {}, {{0, 25, "B"}}}},
        // "ABCD" and the lead byte of "あ" would fit in 55: the character is not split.
        {"a wide line breaks before a double-byte character",
         {wide, "E"},
         55,
         10000,
         {{{0, 0, "ABCD"}, {0, 32, sj("あい")}, {0, 64, "E"}}}},
        {"a page narrower than one character still prints one per line",
         {"AB"},
         5,
         10000,
         {{{0, 0, "A"}, {0, 32, "B"}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(paged(c.lines, c.width, c.height), c.want);
    }
}

TEST(PrinterPager, CarriageReturnAloneDoesNothing) {
    FakeSurface s;
    PrinterPager pager(s, s, 1000, 10000);
    pager.writeChar('A');
    pager.writeChar('\r');
    pager.writeChar('B');
    pager.writeLine("C");
    pager.writeLine("D");
    EXPECT_EQ(s.pages, (Pages{{{0, 0, "ABC"}, {0, 32, "D"}}}));
}

TEST(PrinterPerPage, WidthInFiveDigitWidthsLessEight) {
    EXPECT_EQ(printerPerPage(100 * 50, 50), 92);
    EXPECT_EQ(printerPerPage(8 * 50 + 49, 50), 0);
    EXPECT_THROW(printerPerPage(8 * 50 - 1, 50), Error);
    EXPECT_THROW(printerPerPage(1000, 0), Error);
    EXPECT_THROW(printerPerPage(65544 * 2, 2), Error);
}

// The numbers of the running-number line of each page.
std::vector<std::vector<int>> runningNumbers(const Pages& pages) {
    std::vector<std::vector<int>> out;
    for (const auto& page : pages) {
        // The footer's two runs, then title, rule, running numbers.
        std::istringstream in(page.at(4).text);
        std::vector<int> numbers;
        std::string word;
        while (in >> word)
            if (std::isdigit(static_cast<unsigned char>(word[0])))
                numbers.push_back(std::stoi(word));
        out.push_back(numbers);
    }
    return out;
}

TEST(OutPutPrinter, PageOfAHundredDigitGroupsHoldsNinetyThreeThenNinetyNine) {
    SmallTable s({});
    for (int j = 0; j < 200; ++j) s.add({}, {{"Sp", codes({{5, 10}})}});
    s.recount();
    s.t.print.TableFont.pixelSize = 14;
    FakeSurface f;
    f.width = 100 * 50;  // "01234" is 50 wide
    f.height = 1000000;
    OutPut_Printer(s.t, s.p, s.ui(), f, 1, 1);
    EXPECT_TRUE(f.ended);
    EXPECT_EQ(f.fontHeight, 42);
    auto numbers = runningNumbers(f.pages);
    ASSERT_EQ(numbers.size(), 3u);
    EXPECT_EQ(numbers[0].size(), 93u);
    EXPECT_EQ(numbers[1].size(), 99u);
    EXPECT_EQ(numbers[1].front(), 94);
    EXPECT_EQ(numbers[2].back(), 200);
    EXPECT_EQ(f.pages[1][2].text, sj("続き"));
    // Each sheet's footer, in the room taken below the table: "n / N" at the right.
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(f.pages[k][1].text, std::to_string(k + 1) + " / 3");
        EXPECT_EQ(f.pages[k][1].y, f.pages[k][0].y);
        EXPECT_GT(f.pages[k][0].y, f.pages[k].back().y);
    }
}

TEST(OutPutPrinter, NarrowPagePrintsNothing) {
    SmallTable s({});
    s.add({}, {{"Sp", codes({{5, 10}})}});
    s.recount();
    FakeSurface f;
    f.width = 8 * 50 - 1;
    EXPECT_THROW(OutPut_Printer(s.t, s.p, s.ui(), f, 1, 1), Error);
    EXPECT_TRUE(f.pages.empty());
    EXPECT_TRUE(f.aborted);
    EXPECT_FALSE(f.ended);
}

}  // namespace
}  // namespace tamsel

#include "output/exchange.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <map>

#include "output/line_text.h"
#include "output/pcord_table.h"
#include "platform/error.h"

namespace tamsel {
namespace {

using testing::codes;
using testing::lines;
using testing::SmallTable;

// Relevés 101, 102 (empty) and 103; three species and a comment row. Quercus
// serrata is only marked "*" in 103, Quercus crispula in its herb layer.
SmallTable exchangeTable() {
    SmallTable s = testing::threeReleves();
    s.t.model.setTitle("Test");
    // Placing keeps each relevé's cover scale and notation in species slot 0,
    // which no row shows: the empty relevé is empty all the same.
    for (std::int32_t j = 1; j <= s.t.model.releveCount(); ++j)
        s.t.model.setCodes(s.t.model.releveSlotAt(TableLayout::releveCol(j)), 0,
                           codes({{1, 5}, {2, 2}}));
    return s;
}

std::string cornell(const TableState& t, CornellValues v = CornellValues::Percent) {
    StringSink out;
    writeCornell(out, t, v);
    return out.text;
}

std::string formatLine() {
    std::string f = "(I6,1X,8(I6,F6.0))";
    f.resize(68, ' ');
    return f + " 8";
}

TEST(Cornell, SmallTableByteForByte) {
    SmallTable s = exchangeTable();
    EXPECT_EQ(cornell(s.t), lines({"Test", formatLine(), "     1      1  15.0     3  62.6",
                                   "     2      2   2.5     3  87.5", "     0",
                                   "Quercus Quercu 2Pinus de", "101     103     "}));
    EXPECT_EQ(cornell(s.t, CornellValues::Ordinal),
              lines({"Test", formatLine(), "     1      1   5.0     3   8.0",
                     "     2      2   3.0     3   9.0", "     0", "Quercus Quercu 2Pinus de",
                     "101     103     "}));
}

// The couplets as a Fortran reader in the manner of R's read.fortran reads
// them: each value field of the format's Fw.d divided by 10^d whatever its point.
std::map<std::pair<int, int>, double> readCornellAsR(const std::string& text) {
    std::vector<std::string> ls;
    for (std::size_t at = 0, end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2)
        ls.push_back(text.substr(at, end - at));
    const std::size_t f = ls.at(1).find(",F6.");
    EXPECT_NE(f, std::string::npos);
    const int d = ls.at(1).at(f + 4) - '0';
    std::map<std::pair<int, int>, double> values;
    for (std::size_t l = 2; l < ls.size() && ls[l] != "     0"; ++l) {
        const int releve = std::stoi(ls[l].substr(0, 6));
        for (std::size_t c = 7; c + 12 <= ls[l].size(); c += 12)
            values[{releve, std::stoi(ls[l].substr(c, 6))}] =
                std::stod(ls[l].substr(c + 6, 6)) / std::pow(10.0, d);
    }
    return values;
}

TEST(Cornell, AFortranReaderTakesTheValuesAsWrittenAndCodesNameEverything) {
    SmallTable s = exchangeTable();
    using Values = std::map<std::pair<int, int>, double>;
    struct Case {
        CornellValues values;
        Values want;
    };
    const Case cases[] = {
        {CornellValues::Percent, {{{1, 1}, 15.0}, {{1, 3}, 62.6}, {{2, 2}, 2.5}, {{2, 3}, 87.5}}},
        {CornellValues::Ordinal, {{{1, 1}, 5.0}, {{1, 3}, 8.0}, {{2, 2}, 3.0}, {{2, 3}, 9.0}}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(readCornellAsR(cornell(s.t, c.values)), c.want);
        StringSink coded;
        writeCornell(coded, s.t, c.values, CornellNames::Codes);
        const std::string plain = cornell(s.t, c.values);
        const std::string data = plain.substr(0, plain.find("     0\r\n") + 8);
        EXPECT_EQ(coded.text, data + lines({"S0001   S0002   S0003   ", "R0001   R0002   "}));
    }
    StringSink key;
    writeCornellKey(key, s.t);
    EXPECT_EQ(key.text, lines({"code,name", "S0001,Quercus serrata", "S0002,Quercus crispula",
                               "S0003,Pinus densiflora", "R0001,101", "R0002,103"}));
    EXPECT_EQ(cornellKeyPath("/d.x/t.cep"), "/d.x/t-names.csv");
}

TEST(Cornell, EightCoupletsToALineAndTheRelevéRepeatedOnTheNext) {
    for (int n : {8, 9, 16, 17}) {
        SmallTable s({2});
        std::vector<std::pair<std::string, LayerCodes>> species;
        for (int k = 1; k <= n; ++k)
            species.push_back({"sp" + std::to_string(k), codes({{5, 10}})});
        s.add({{2, "1"}}, {{"sp1", codes({{5, 20}})}});
        s.add({{2, "2"}}, species);
        const std::string text = cornell(s.t);
        std::vector<std::string> data;
        for (std::size_t at = 0, end; (end = text.find("\r\n", at)) != std::string::npos;
             at = end + 2)
            data.push_back(text.substr(at, end - at));
        // Title, format, the first relevé's line, then the second's lines.
        const std::size_t want = static_cast<std::size_t>((n + 7) / 8);
        ASSERT_GT(data.size(), 3 + want) << n;
        EXPECT_EQ(data[2], "     1      1  15.0") << n;
        int next = 1;
        for (std::size_t l = 0; l < want; ++l) {
            const std::string& line = data[3 + l];
            EXPECT_EQ(line.substr(0, 7), "     2 ") << n;
            const std::size_t couplets = (line.size() - 7) / 12;
            EXPECT_EQ(couplets, l + 1 < want ? 8u : static_cast<std::size_t>(n - 8 * l)) << n;
            EXPECT_EQ(line.size(), 7 + 12 * couplets) << n;
            for (std::size_t c = 0; c < couplets; ++c, ++next) {
                const std::string number = std::to_string(next);
                EXPECT_EQ(line.substr(7 + 12 * c, 12),
                          std::string(6 - number.size(), ' ') + number + "   2.5")
                    << n;
            }
        }
        EXPECT_EQ(next, n + 1);
        EXPECT_EQ(data[3 + want], "     0") << n;
    }
}

TEST(Cornell, NamesAndTitleAreCutOnAWholeCharacter) {
    SmallTable s({2});
    s.add({{2, "1"}}, {{"ミズナラ属の一種", codes({{5, 10}})}, {"Aミズナラ", codes({{5, 10}})}});
    std::string wide, narrow = "A";
    for (int k = 0; k < 41; ++k) wide += "森";
    for (int k = 0; k < 40; ++k) narrow += "森";
    const std::pair<std::string, std::size_t> titles[] = {{wide, 80}, {narrow, 79}};
    for (const auto& [title, bytes] : titles) {
        s.t.model.setTitle(sj(title));
        const std::string text = cornell(s.t);
        EXPECT_EQ(text.substr(0, text.find("\r\n")), s.t.model.title().substr(0, bytes)) << bytes;
        EXPECT_NE(text.find("\r\n" + sj("ミズナラ") + sj("Aミズナ") + " \r\n"), std::string::npos);
    }
}

TEST(LongTable, CommentRowsAndEmptyColumnsFallAway) {
    SmallTable s = exchangeTable();
    s.t.data.CurrentNotation = 2;
    StringSink out;
    writeLongTable(out, s.t);
    const std::string h = s.t.print.LayerLabels[4] == " H" ? "H" : "H1";
    EXPECT_EQ(
        out.text,
        sj(lines({"通し番号,測定番号,種名,階層,被度,被度%",
                  "1,101,Quercus serrata," + h + ",2.3,15.0", "1,101,Pinus densiflora,T1,4.0,62.5",
                  "1,101,Pinus densiflora," + h + ",+,0.1", "3,103,Quercus serrata,M,.,0.0",
                  "3,103,Quercus crispula," + std::string(h == "H" ? "S" : "S1") + ",1.0,2.5",
                  "3,103,Quercus crispula," + h + ",.,0.0", "3,103,Pinus densiflora,T1,5.5,87.5",
                  "3,103,Pinus densiflora,T2,5.5,87.5"})));
}

// A cover-value table of the user's, with the layers merged as independent
// layers: 65 % over 1 % is 65.35 %, 90 % over 90 % is 99 %.
TEST(DerivedPercents, TheCoverValuesAndIndependentLayersReachEveryPercent) {
    SmallTable s = exchangeTable();
    s.t.data.CurrentNotation = 2;
    s.t.coverValues.percent = {0.5, 1, 3, 17.5, 40, 65, 90};
    const auto I = LayerMerge::Independent;
    StringSink cep, longTable, stats, summed;
    writeCornell(cep, s.t, CornellValues::Percent, CornellNames::Table, I);
    EXPECT_EQ(cep.text, lines({"Test", formatLine(), "     1      1  17.5     3  65.4",
                               "     2      2   3.0     3  99.0", "     0",
                               "Quercus Quercu 2Pinus de", "101     103     "}));
    writeLongTable(longTable, s.t, I);
    const std::string h = s.t.print.LayerLabels[4] == " H" ? "H" : "H1";
    const std::string s1 = h == "H" ? "S" : "S1";
    EXPECT_EQ(longTable.text, sj(lines({"通し番号,測定番号,種名,階層,被度,被度%",
                                        "1,101,Quercus serrata," + h + ",2.3,17.5",
                                        "1,101,Pinus densiflora,T1/" + h + ",4.0/+,65.4",
                                        "3,103,Quercus serrata,M,.,0.0",
                                        "3,103,Quercus crispula," + s1 + "/" + h + ",1.0/.,3.0",
                                        "3,103,Pinus densiflora,T1/T2,5.5/5.5,99.0"})));
    writeReleveStats(stats, s.t, I);
    EXPECT_NE(stats.text.find("\r\n1,101,2,82.9,"), std::string::npos) << stats.text;
    writeReleveStats(summed, s.t);
    EXPECT_NE(summed.text.find("\r\n1,101,2,83.5,"), std::string::npos) << summed.text;
    EXPECT_NE(summed.text.find("\r\n3,103,3,93.0,"), std::string::npos) << summed.text;
}

TEST(ReleveStats, OneSpeciesAndEqualCovers) {
    // A species of weight zero counts in S but not in the indices; an empty
    // relevé and one of weight-zero species alone have a line without indices.
    SmallTable s({2});
    s.add({{2, "1"}}, {{"A", codes({{5, 23}})}, {"B", codes({{7, 1}})}});
    s.add({{2, "2"}}, {{"A", codes({{5, 10}})}, {"B", codes({{3, 12}})}, {"C", codes({{1, 15}})}});
    s.add({{2, "3"}}, {});
    s.add({{2, "4"}}, {{"B", codes({{7, 1}})}});
    StringSink out;
    writeReleveStats(out, s.t);
    EXPECT_EQ(
        out.text,
        sj(lines({"通し番号,測定番号,S,被度合計%,H',Simpson,J'", "1,1,2,15.0,0.000000,0.000000,",
                  "2,2,3,7.5,1.098612,0.666667,1.000000", "3,3,0,0.0,,,", "4,4,1,0.0,,,"})));
    s.recount();
    for (std::int32_t j = 1; j <= 4; ++j)
        EXPECT_EQ(
            std::string(trimmed(s.t.model.cell(TableLayout::releveCol(j), s.t.model.freqRow()))),
            std::to_string(std::array{2, 3, 0, 1}[j - 1]))
            << j;
}

TEST(IndicatorMeans, ValuesFileLinesAndMeans) {
    struct Bad {
        const char* bytes;
        const char* line;
    };
    const Bad bad[] = {
        {"Quercus serrata,7\r\nPinus densiflora\r\n", " 2 "},
        {"Quercus serrata,7\r\n\r\nPinus densiflora,x\r\n", " 3 "},
        {"Quercus serrata,7\r\nPinus densiflora,4 5\r\n", " 2 "},
        {"Quercus serrata,7\r\n,4\r\n", " 2 "},
        // Only the first line may be a header.
        {"Quercus serrata,7\r\nname,value\r\n", " 2 "},
        {"Pinus densiflora,4\r\nPINUS densiflora,5\r\n", " 2 "},
    };
    for (const Bad& b : bad) {
        try {
            parseIndicatorValues(b.bytes, "v.csv");
            ADD_FAILURE() << b.bytes;
        } catch (const Error& e) {
            EXPECT_NE(std::string(e.what()).find(sj("v.csv の") + b.line), std::string::npos)
                << e.what();
        }
    }
    // UTF-8 with its mark and a header; a quoted name; a name's letter case does not matter.
    const IndicatorValues v = parseIndicatorValues(
        "\xEF\xBB\xBF種名,光\n\"quercus SERRATA\",7\nPinus densiflora, 4\nUnknown,1\n", "v.csv");
    SmallTable s = exchangeTable();
    StringSink out;
    writeIndicatorMeans(out, s.t, v);
    EXPECT_EQ(out.text, sj(lines({"通し番号,測定番号,n,平均,加重平均", "1,101,2,5.500000,4.579897",
                                  "2,102,0,,", "3,103,1,4.000000,4.000000"})));
}

}  // namespace
}  // namespace tamsel

#include "compose/dictionary.h"

#include <gtest/gtest.h>

#include "platform/batch/batch_ui.h"
#include "platform/error.h"
#include "support/data_file_writer.h"
#include "support/temp_dir.h"
#include "text/sjis.h"

namespace tamsel {
namespace {

using testing::TempDir;
using testing::writeBytes;

ReplaceName loaded(const TempDir& dir, const std::string& utf8Lines) {
    std::string path = dir.file("names.dic");
    writeBytes(path, sj(utf8Lines));
    ReplaceName d;
    EXPECT_TRUE(LoadDictionary(d, path));
    return d;
}

TEST(Dictionary, CommaRulesAndLineEnds) {
    TempDir dir;
    ReplaceName d = loaded(dir,
                           ",先頭がカンマ\r\n"
                           "カンマなし\r\n"
                           "Ａ,Ｂ,Ｃ\r\n"
                           "空白 ,右\r\n"
                           "消える,\r\n"
                           "LF だけ,終わり\n"
                           "最終行,改行なし");
    std::vector<std::string> oldNames = {sj("Ａ"), sj("空白 "), sj("消える"), sj("LF だけ"),
                                         sj("最終行")};
    std::vector<std::string> newNames = {sj("Ｂ,Ｃ"), sj("右"), "", sj("終わり"), sj("改行なし")};
    EXPECT_EQ(d.OldNames, oldNames);
    EXPECT_EQ(d.NewNames, newNames);
    EXPECT_EQ(LookupSynonym(d, sj("Ａ")), sj("Ｂ,Ｃ"));
    EXPECT_EQ(LookupSynonym(d, sj("空白")), sj("空白"));  // the blank belongs to the name
    EXPECT_EQ(LookupSynonym(d, sj("消える")), "");
    EXPECT_EQ(LookupSynonym(d, sj("カンマなし")), sj("カンマなし"));
}

TEST(Dictionary, LetterCaseIsIgnoredWithinEachWidth) {
    TempDir dir;
    ReplaceName d = loaded(dir,
                           "Quercus serrata,コナラ\n"
                           "Ａｂｉｅｓ,モミ\n"
                           "Ωμεγα,オメガ\n"
                           "Береза,シラカバ\n");
    struct Case {
        const char* name;
        const char* expected;
    } cases[] = {
        {"QUERCUS SERRATA", "コナラ"},
        {"quercus Serrata", "コナラ"},
        {"ＡＢＩＥＳ", "モミ"},
        {"ａｂＩｅｓ", "モミ"},
        {"Abies", "Abies"},  // half-width never equals full-width
        {"ωΜεΓΑ", "オメガ"},
        {"БЕРЕЗА", "シラカバ"},
        {"береза", "シラカバ"},
        {"Quercus serratA ", "Quercus serratA "},
    };
    for (const Case& c : cases) EXPECT_EQ(LookupSynonym(d, sj(c.name)), sj(c.expected)) << c.name;
}

TEST(Dictionary, FoldingMapsEveryCapitalToItsSmallLetter) {
    // Checked against the code page itself, so a wrong byte range shows at once.
    auto utf8 = [](char32_t c) {
        std::string s;
        if (c < 0x800) {
            s += static_cast<char>(0xC0 | (c >> 6));
        } else {
            s += static_cast<char>(0xE0 | (c >> 12));
            s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        }
        s += static_cast<char>(0x80 | (c & 0x3F));
        return s;
    };
    struct Run {
        char32_t upper, lower, count;
    } runs[] = {{0xFF21, 0xFF41, 26},
                {0x0391, 0x03B1, 17},
                {0x03A3, 0x03C3, 7},
                {0x0410, 0x0430, 32},
                {0x0401, 0x0451, 1}};
    for (const Run& r : runs) {
        for (char32_t k = 0; k < r.count; ++k) {
            std::string up = sj(utf8(r.upper + k)), low = sj(utf8(r.lower + k));
            ASSERT_EQ(up.size(), 2u);
            EXPECT_EQ(foldLetterCase(up), low) << std::hex << r.upper + k;
            EXPECT_EQ(foldLetterCase(low), low);
        }
    }
    std::string ascii = "AZaz@[`{09";
    EXPECT_EQ(foldLetterCase(ascii), "azaz@[`{09");
}

TEST(Dictionary, TrailBytesAreNeverLetters) {
    // 陰 is 0x89 0x41 and 餌 is 0x89 0x61: the trail bytes of "A" and "a".
    ASSERT_EQ(sj("陰"), std::string("\x89\x41"));
    ASSERT_EQ(sj("餌"), std::string("\x89\x61"));
    TempDir dir;
    ReplaceName d = loaded(dir, "陰地,ヒカゲ\nA餌,エサ\n");
    EXPECT_EQ(LookupSynonym(d, sj("陰地")), sj("ヒカゲ"));
    EXPECT_EQ(LookupSynonym(d, sj("餌地")), sj("餌地"));
    EXPECT_EQ(LookupSynonym(d, sj("a餌")), sj("エサ"));
    EXPECT_EQ(LookupSynonym(d, sj("a陰")), sj("a陰"));
    EXPECT_EQ(foldLetterCase(sj("陰A")), sj("陰a"));
}

TEST(Dictionary, FirstEntryWinsAlsoAcrossFilesAndDoubleLoads) {
    TempDir dir;
    std::string first = dir.file("first.dic"), second = dir.file("second.dic");
    writeBytes(first, sj("Abc,一番目\nabc,二番目\n"));
    writeBytes(second, sj("ABC,別の辞書\nxyz,エックス\n"));
    ReplaceName d;
    ASSERT_TRUE(LoadDictionary(d, first));
    ASSERT_TRUE(LoadDictionary(d, second));
    EXPECT_EQ(LookupSynonym(d, "aBC"), sj("一番目"));
    EXPECT_EQ(LookupSynonym(d, "XYZ"), sj("エックス"));
    ASSERT_TRUE(LoadDictionary(d, second));
    EXPECT_EQ(d.OldNames.size(), 6u);
    EXPECT_EQ(LookupSynonym(d, "aBC"), sj("一番目"));
    EXPECT_EQ(LookupSynonym(d, "xyz"), sj("エックス"));
    // Entries appended by hand are found too.
    d.OldNames.push_back("new");
    d.NewNames.push_back("found");
    EXPECT_EQ(LookupSynonym(d, "NEW"), "found");
}

TEST(Dictionary, MissingFileChangesNothing) {
    TempDir dir;
    ReplaceName d;
    EXPECT_FALSE(LoadDictionary(d, dir.file("none.dic")));
    EXPECT_TRUE(d.OldNames.empty());
    EXPECT_EQ(LookupSynonym(d, "Name"), "Name");
}

TEST(Dictionary, BadLineNamesFileAndLineAndKeepsEarlierLines) {
    TempDir dir;
    std::string path = dir.file("bad.dic");
    writeBytes(path, sj("一,いち\r\n二,に\r\n") + "\x81\x20,bad\r\n" + sj("四,よん\r\n"));
    ReplaceName d;
    try {
        LoadDictionary(d, path);
        FAIL() << "no error";
    } catch (const Error& e) {
        std::string m = toUtf8(e.what());
        EXPECT_NE(m.find("bad.dic"), std::string::npos) << m;
        EXPECT_NE(m.find("3 行目"), std::string::npos) << m;
    }
    EXPECT_EQ(d.OldNames.size(), 2u);
    EXPECT_EQ(LookupSynonym(d, sj("二")), sj("に"));

    // The same bytes without a file: the name given is the one in the message.
    ReplaceName m;
    try {
        parseDictionary(m, sj("一,いち\n二,に\n") + "\x81\x20,bad", "memory.dic");
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_NE(toUtf8(e.what()).find("memory.dic の 3 行目"), std::string::npos) << e.what();
    }
    EXPECT_EQ(m.OldNames.size(), 2u);
}

}  // namespace
}  // namespace tamsel

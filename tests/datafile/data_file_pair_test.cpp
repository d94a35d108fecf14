#include "datafile/data_file_pair.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "support/data_file_writer.h"
#include "support/temp_dir.h"
#include "text/error.h"
#include "text/sjis.h"

namespace tamsel {
namespace {

using testing::ReleveIn;
using testing::SpeciesIn;

std::string trimmedName(const DataFilePair& p, std::size_t k) {
    return trimControl(p.PlantSet.at(k).nameView());
}

std::vector<SpeciesIn> numberedSpecies(int n, const std::string& layers = "        +     ") {
    std::vector<SpeciesIn> out;
    for (int k = 1; k <= n; ++k) out.push_back({"sp" + std::to_string(k), layers});
    return out;
}

ReleveIn releve(const std::string& number, std::vector<SpeciesIn> species) {
    ReleveIn r;
    r.releveNumber = number;
    r.species = std::move(species);
    return r;
}

class DataFilePairTest : public ::testing::Test {
  protected:
    std::string base() const { return dir.file("veg"); }
    std::string rli() const { return base() + ".rli"; }
    bool open() {
        try {
            openDataFilesAt(p, rli());
            return true;
        } catch (const Error&) {
            return false;
        }
    }
    // Opens the pair and reads record n.
    bool openAndRead(std::int32_t n) { return open() && ReadReleve(p, n); }

    testing::TempDir dir;
    DataFilePair p;
};

TEST_F(DataFilePairTest, StartValues) {
    EXPECT_EQ(p.PlantSetCapacity, 159);
    EXPECT_EQ(p.PlantSet.size(), 160u);
    EXPECT_EQ(p.PlantSetCount, 0);
    EXPECT_EQ(p.LastRecord, 0);
    EXPECT_EQ(p.CurrentCoverScale, 5);
    EXPECT_EQ(p.CurrentNotation, 2);
    EXPECT_EQ(p.field(hdr::SpeciesTotal, 4), "   0");
    for (const PlantSetEntry& e : p.PlantSet) {
        EXPECT_EQ(e.nameView(), std::string(28, ' '));
        EXPECT_TRUE(allZero(e.codes));
    }
}

TEST_F(DataFilePairTest, LastRecordFromWholeRecords) {
    struct Case {
        std::size_t bytes;
        std::int32_t last;
    };
    const Case cases[] = {{256 * 11, 10}, {256 * 11 + 100, 10}, {0, -1}, {255, -1}, {256, 0}};
    for (const Case& c : cases) {
        testing::writeBytes(rli(), std::string(c.bytes, ' '));
        testing::writeBytes(base() + ".rld", "");
        ASSERT_TRUE(open()) << c.bytes;
        EXPECT_EQ(p.LastRecord, c.last) << c.bytes;
        EXPECT_FALSE(ReadReleve(p, c.last + 1)) << c.bytes;
        CloseDataFiles(p);
    }
}

TEST_F(DataFilePairTest, PairThatCannotBeOpened) {
    testing::writeBytes(rli(), std::string(512, ' '));
    EXPECT_FALSE(open());  // no .rld
    EXPECT_FALSE(p.headerFile.isOpen());
    EXPECT_FALSE(ReadReleve(p, 1));

    testing::writeBytes(base() + ".rld", "");
    std::filesystem::remove(rli());
    EXPECT_FALSE(open());  // no .rli
    EXPECT_FALSE(p.speciesFile.isOpen());

    // A folder is no data file, whatever its name.
    std::filesystem::create_directory(rli());
    EXPECT_FALSE(open());
    std::filesystem::remove(rli());
    testing::writeBytes(rli(), std::string(512, ' '));
    std::filesystem::remove(base() + ".rld");
    std::filesystem::create_directory(base() + ".rld");
    EXPECT_FALSE(open());
    EXPECT_FALSE(p.headerFile.isOpen());
}

TEST(SpeciesFileName, ExtensionReplacedOrAppended) {
    EXPECT_EQ(speciesFileName("/a/b/veg.rli"), "/a/b/veg.rld");
    EXPECT_EQ(speciesFileName("/a/b/veg.RLI"), "/a/b/veg.rld");
    EXPECT_EQ(speciesFileName("/a/b/veg"), "/a/b/veg.rld");
    EXPECT_EQ(speciesFileName("/a/b.d/veg"), "/a/b.d/veg.rld");
    EXPECT_EQ(speciesFileName("veg.x.rli"), "veg.x.rld");
}

TEST_F(DataFilePairTest, ReadsHeaderAndSpecies) {
    ReleveIn r;
    r.releveNumber = "R001";
    r.siteName = sj("白神山");
    r.gridCode = "5340-12";
    r.fours[0] = "820";
    r.fours[1] = "N30E";
    r.heights[0] = "22";
    r.covers[6] = "5";
    r.coverScale = "6";
    r.coverNotation = "1";
    r.species = {{sj("ブナ"), "5       + +   "}, {sj("チシマザサ"), "        45    "}};
    testing::writeDataFilePair(base(), {r});
    ASSERT_TRUE(openAndRead(1));
    EXPECT_EQ(p.LastRecord, 1);
    EXPECT_EQ(p.CurrentCoverScale, 6);
    EXPECT_EQ(p.CurrentNotation, 1);
    EXPECT_EQ(p.PlantSetCount, 2);
    EXPECT_EQ(p.field(hdr::ReleveNumber, 8), "R001    ");
    EXPECT_EQ(p.field(hdr::SiteName, 8), sj("白神山") + "  ");
    EXPECT_EQ(p.field(hdr::GridCode, 8), "5340-12 ");
    EXPECT_EQ(p.field(hdr::Altitude, 4), " 820");
    EXPECT_EQ(p.field(68, 4), "N30E");
    EXPECT_EQ(p.field(hdr::LayerHeights, 4), "  22");
    EXPECT_EQ(p.field(hdr::LayerCovers + 24, 4), "   5");
    EXPECT_EQ(p.PlantSet[1].nameView(), sj("ブナ") + std::string(24, ' '));
    EXPECT_EQ(p.PlantSet[1].codes, (LayerCodes{50, 0, 0, 0, 7, 7, 0}));
    EXPECT_EQ(trimmedName(p, 2), sj("チシマザサ"));
    EXPECT_EQ(p.PlantSet[2].codes, (LayerCodes{0, 0, 0, 0, 45, 0, 0}));
    EXPECT_TRUE(allZero(p.PlantSet[3].codes));
    EXPECT_EQ(p.PlantSet[3].nameView(), std::string(28, ' '));
}

TEST_F(DataFilePairTest, NoSpecies) {
    ReleveIn r = releve("1", {});
    r.speciesTotal = "   0";
    r.firstSpeciesRecord = "000000";
    testing::writeDataFilePair(base(), {r});
    ASSERT_TRUE(openAndRead(1));
    EXPECT_EQ(p.PlantSetCount, 0);

    // FirstSpeciesRecord 0 means no species, whatever SpeciesTotal says.
    r.speciesTotal = "  12";
    r.firstSpeciesRecord = "     0";
    testing::writeDataFilePair(base(), {r});
    ASSERT_TRUE(openAndRead(1));
    EXPECT_EQ(p.PlantSetCount, 0);
}

TEST_F(DataFilePairTest, ChainOfThreeRecordsFillsEntriesUpTo36) {
    ReleveIn r = releve("1", numberedSpecies(36));
    r.speciesTotal = "  25";
    testing::writeDataFilePair(base(), {r});
    ASSERT_TRUE(openAndRead(1));
    EXPECT_EQ(p.PlantSetCount, 25);
    for (int k = 1; k <= 36; ++k) EXPECT_EQ(trimmedName(p, k), "sp" + std::to_string(k));
    EXPECT_EQ(trimmedName(p, 37), "");
}

TEST_F(DataFilePairTest, PlantSetGrowsAndNeverShrinks) {
    testing::writeDataFilePair(
        base(), {releve("big", numberedSpecies(170)), releve("small", numberedSpecies(20))});
    ASSERT_TRUE(openAndRead(1));
    EXPECT_EQ(p.PlantSetCount, 170);
    EXPECT_EQ(p.PlantSetCapacity, 174);
    EXPECT_EQ(p.PlantSet.size(), 175u);
    EXPECT_EQ(trimmedName(p, 170), "sp170");
    EXPECT_EQ(p.PlantSet[170].codes, (LayerCodes{0, 0, 0, 0, 7, 0, 0}));
    ASSERT_TRUE(ReadReleve(p, 2));
    EXPECT_EQ(p.PlantSetCount, 20);
    EXPECT_EQ(p.PlantSetCapacity, 174);
    EXPECT_EQ(p.PlantSet.size(), 175u);
    // The earlier relevé's entries are blanked.
    EXPECT_EQ(trimmedName(p, 21), "");
    EXPECT_EQ(trimmedName(p, 170), "");
}

TEST_F(DataFilePairTest, NameWithTrailingNulsEqualsBlankPadded) {
    std::string nul = sj("ミズナラ") + std::string(20, '\0');
    testing::writeDataFilePair(base(), {releve("1", {{nul, ""}, {sj("ミズナラ"), ""}})});
    ASSERT_TRUE(openAndRead(1));
    EXPECT_EQ(p.PlantSet[1].nameView(), nul);  // stored untrimmed
    EXPECT_EQ(trimmedName(p, 1), trimmedName(p, 2));
    EXPECT_EQ(trimmedName(p, 1), sj("ミズナラ"));
}

TEST_F(DataFilePairTest, RecordZeroIsReadLikeAnyOther) {
    ReleveIn zero = releve("zero", {});
    zero.speciesTotal = "   0";
    ReleveIn one = releve("one", numberedSpecies(1));
    testing::writeRecords(base(), {testing::headerRecord(zero, 0), testing::headerRecord(one, 1)},
                          {std::string(512, ' '), testing::speciesRecord(one.species, 0)});
    ASSERT_TRUE(openAndRead(0));
    EXPECT_EQ(trimControl(p.field(hdr::ReleveNumber, 8)), "zero");
    ASSERT_TRUE(ReadReleve(p, 1));
    EXPECT_EQ(trimControl(p.field(hdr::ReleveNumber, 8)), "one");
    EXPECT_FALSE(ReadReleve(p, -1));
    EXPECT_FALSE(ReadReleve(p, 2));
}

TEST_F(DataFilePairTest, RecordsInAnyOrder) {
    // Reads that jump about in the file, or walk it backwards, find the right
    // records, with the usual block and with blocks of a few records.
    std::vector<ReleveIn> rs;
    for (int k = 1; k <= 700; ++k) rs.push_back(releve(std::to_string(k), numberedSpecies(k % 30)));
    testing::writeDataFilePair(base(), rs);
    std::vector<int> order{700, 1, 699, 300, 301, 299, 2, 512, 257, 256, 700};
    for (int n = 700; n >= 1; n -= 3) order.push_back(n);
    for (std::size_t blockBytes : {DefaultBlockBytes, std::size_t{3 * 512}}) {
        openDataFilesAt(p, rli(), blockBytes);
        EXPECT_EQ(p.LastRecord, 700);
        for (int n : order) {
            ASSERT_TRUE(ReadReleve(p, n)) << n;
            EXPECT_EQ(trimControl(p.field(hdr::ReleveNumber, 8)), std::to_string(n));
            EXPECT_EQ(p.PlantSetCount, n % 30) << n;
            if (n % 30) {
                EXPECT_EQ(trimmedName(p, n % 30), "sp" + std::to_string(n % 30)) << n;
            }
        }
    }
}

TEST_F(DataFilePairTest, ReopenSeesTheNewFile) {
    testing::writeDataFilePair(base(), {releve("old", {})});
    ASSERT_TRUE(openAndRead(1));
    CloseDataFiles(p);
    testing::writeDataFilePair(base(), {releve("new", {})});
    ASSERT_TRUE(openAndRead(1));
    EXPECT_EQ(trimControl(p.field(hdr::ReleveNumber, 8)), "new");
}

// Bad input: each case makes a pair whose record 1 cannot be read, while record 2
// is a good relevé of 14 species. After the failed read the good one still reads,
// and the pair closes.
struct BadCase {
    const char* what;
    ReadFailure why;
    std::function<void(std::vector<std::string>& rli, std::vector<std::string>& rld)> spoil;
};

void PrintTo(const BadCase& c, std::ostream* os) {
    *os << c.what;
}

class BadInputTest : public DataFilePairTest, public ::testing::WithParamInterface<BadCase> {};

// Header record 1 with its first species record at rld record 1 (chain 1 -> 2),
// header record 2 with its chain at 3 -> 4.
void goodFiles(std::vector<std::string>& rli, std::vector<std::string>& rld) {
    auto sp = numberedSpecies(14);
    std::vector<SpeciesIn> a(sp.begin(), sp.begin() + 12), b(sp.begin() + 12, sp.end());
    ReleveIn r1 = releve("bad", sp), r2 = releve("good", sp);
    rli = {std::string(256, ' '), testing::headerRecord(r1, 1), testing::headerRecord(r2, 3)};
    rld = {std::string(512, ' '), testing::speciesRecord(a, 2), testing::speciesRecord(b, 0),
           testing::speciesRecord(a, 4), testing::speciesRecord(b, 0)};
}

void setHeader(std::string& rec, std::size_t offset, const std::string& text) {
    rec.replace(offset, text.size(), text);
}

// Each case is read from the files and from the same bytes held in memory.
TEST_P(BadInputTest, FailsCleanlyAndTheNextReadWorks) {
    std::vector<std::string> rli, rld;
    goodFiles(rli, rld);
    GetParam().spoil(rli, rld);
    testing::writeRecords(base(), rli, rld);
    for (bool fromBytes : {false, true}) {
        SCOPED_TRACE(fromBytes ? "bytes" : "files");
        if (fromBytes) {
            std::string rliBytes, rldBytes;
            for (const auto& r : rli) rliBytes += r;
            for (const auto& r : rld) rldBytes += r;
            openDataFileBytes(p, rliBytes, rldBytes);
        } else {
            ASSERT_TRUE(open());
        }
        EXPECT_EQ(p.LastRecord, 2);
        const ReleveRead bad = ReadReleve(p, 1);
        EXPECT_FALSE(bad);
        EXPECT_EQ(bad.failure, GetParam().why);
        EXPECT_FALSE(readFailureText(bad.failure).empty());
        EXPECT_LE(p.PlantSet.size(), 175u);
        ASSERT_TRUE(ReadReleve(p, 2));
        EXPECT_EQ(trimControl(p.field(hdr::ReleveNumber, 8)), "good");
        EXPECT_EQ(p.PlantSetCount, 14);
        EXPECT_EQ(trimmedName(p, 14), "sp14");
        EXPECT_EQ(trimmedName(p, 15), "");
        CloseDataFiles(p);
        EXPECT_FALSE(p.headerFile.isOpen());
        EXPECT_FALSE(p.speciesFile.isOpen());
        EXPECT_FALSE(ReadReleve(p, 2));
    }
}

const BadCase badCases[] = {
    {"SpeciesTotal with blanks after the digits", ReadFailure::BadSpeciesTotal,
     [](auto& rli, auto&) { setHeader(rli[1], hdr::SpeciesTotal, "12  "); }},
    {"blank SpeciesTotal", ReadFailure::BadSpeciesTotal,
     [](auto& rli, auto&) { setHeader(rli[1], hdr::SpeciesTotal, "    "); }},
    {"SpeciesTotal not a number", ReadFailure::BadSpeciesTotal,
     [](auto& rli, auto&) { setHeader(rli[1], hdr::SpeciesTotal, "ab12"); }},
    {"blank CoverNotation", ReadFailure::BadCoverNotation,
     [](auto& rli, auto&) { setHeader(rli[1], hdr::CoverNotation, " "); }},
    {"CoverNotation a letter", ReadFailure::BadCoverNotation,
     [](auto& rli, auto&) { setHeader(rli[1], hdr::CoverNotation, "x"); }},
    {"NUL CoverScale", ReadFailure::BadCoverScale,
     [](auto& rli, auto&) { setHeader(rli[1], hdr::CoverScale, std::string(1, '\0')); }},
    {"FirstSpeciesRecord not a number", ReadFailure::BadFirstSpeciesRecord,
     [](auto& rli, auto&) { setHeader(rli[1], hdr::FirstSpeciesRecord, "   1x "); }},
    {"FirstSpeciesRecord past the end", ReadFailure::LinkPastEnd,
     [](auto& rli, auto&) { setHeader(rli[1], hdr::FirstSpeciesRecord, "   999"); }},
    {"FirstSpeciesRecord negative", ReadFailure::NegativeLink,
     [](auto& rli, auto&) { setHeader(rli[1], hdr::FirstSpeciesRecord, "    -1"); }},
    {"NextSpeciesRecord past the end", ReadFailure::LinkPastEnd,
     [](auto&, auto& rld) { rld[1].replace(NextSpeciesRecordOffset, 6, "  1000"); }},
    {"NextSpeciesRecord negative", ReadFailure::NegativeLink,
     [](auto&, auto& rld) { rld[1].replace(NextSpeciesRecordOffset, 6, "    -3"); }},
    {"NextSpeciesRecord garbage", ReadFailure::BadNextSpeciesRecord,
     [](auto&, auto& rld) { rld[1].replace(NextSpeciesRecordOffset, 6, "\xff\xfe\x81\x40zz"); }},
    {"NextSpeciesRecord blank", ReadFailure::BadNextSpeciesRecord,
     [](auto&, auto& rld) { rld[1].replace(NextSpeciesRecordOffset, 6, "      "); }},
    {"chain back to itself", ReadFailure::ChainLoops,
     [](auto&, auto& rld) { rld[1].replace(NextSpeciesRecordOffset, 6, "     1"); }},
    {"chain 1 -> 2 -> 1 within the records SpeciesTotal fills", ReadFailure::ChainLoops,
     [](auto& rli, auto& rld) {
         setHeader(rli[1], hdr::SpeciesTotal, "  25");
         rld[2].replace(NextSpeciesRecordOffset, 6, "     1");
     }},
    {"malformed layer code", ReadFailure::BadLayerCode,
     [](auto&, auto& rld) { rld[2].replace(42 + 28, 2, "2m"); }},
    {"malformed layer code in an unused entry", ReadFailure::BadLayerCode,
     [](auto&, auto& rld) { rld[2].replace(11 * 42 + 28 + 12, 2, "-1"); }},
    {"negative layer code", ReadFailure::BadLayerCode,
     [](auto&, auto& rld) { rld[1].replace(28, 2, "-9"); }},
    {"species file cut inside the chain", ReadFailure::LinkPastEnd,
     [](auto&, auto& rld) {
         // The bad chain goes on to a last record that is cut short.
         rld[1].replace(NextSpeciesRecordOffset, 6, "     5");
         rld.push_back(rld[2].substr(0, 300));
     }},
};

INSTANTIATE_TEST_SUITE_P(Reader, BadInputTest, ::testing::ValuesIn(badCases),
                         [](const auto& info) { return "case" + std::to_string(info.index); });

TEST_F(DataFilePairTest, TruncatedHeaderFile) {
    std::vector<std::string> rli, rld;
    goodFiles(rli, rld);
    rli[2].resize(200);
    testing::writeRecords(base(), rli, rld);
    ASSERT_TRUE(open());
    EXPECT_EQ(p.LastRecord, 1);
    EXPECT_EQ(ReadReleve(p, 2).failure, ReadFailure::HeaderMissing);
    EXPECT_TRUE(ReadReleve(p, 1));
    EXPECT_EQ(ReadReleve(p, -1).failure, ReadFailure::HeaderMissing);
}

TEST_F(DataFilePairTest, ChainLongerThanSpeciesTotalNeeds) {
    // SpeciesTotal 3 with a chain of 20 records: the walk stops after the one
    // record the count can fill, and the relevé reads with its three species.
    ReleveIn r = releve("long", numberedSpecies(240));
    r.speciesTotal = "   3";
    testing::writeDataFilePair(base(), {r});
    ASSERT_TRUE(openAndRead(1));
    EXPECT_EQ(p.PlantSetCount, 3);
    EXPECT_EQ(trimmedName(p, 3), "sp3");
    EXPECT_EQ(trimmedName(p, 13), "");
    // SpeciesTotal 0 with a chain of one record still reads, with no species.
    r = releve("zero", numberedSpecies(5));
    r.speciesTotal = "   0";
    testing::writeDataFilePair(base(), {r});
    ASSERT_TRUE(openAndRead(1));
    EXPECT_EQ(p.PlantSetCount, 0);

    // SpeciesTotal 169 grows the list to 174 entries; its fifteen records give 180.
    r = releve("169", numberedSpecies(180));
    r.speciesTotal = " 169";
    testing::writeDataFilePair(base(), {r});
    ASSERT_TRUE(openAndRead(1));
    EXPECT_EQ(p.PlantSet.size(), 174u);
    EXPECT_EQ(trimmedName(p, 173), "sp173");
}

// A chain of three records (sp1..sp12, sp13..sp24, sp25..sp36) under different
// counts and links: only the records SpeciesTotal fills are walked, so what lies
// beyond them never matters, while a fault among them still fails the read.
TEST_F(DataFilePairTest, OnlyTheRecordsSpeciesTotalFillsAreWalked) {
    struct Case {
        const char* what;
        const char* speciesTotal;
        std::array<const char*, 3> next;  // NextSpeciesRecord of records 1, 2, 3
        ReadFailure why;                  // None: the read succeeds
        int lastNamed;                    // highest entry that holds a species
    };
    const Case cases[] = {
        {"count 2", "   2", {"     2", "     3", "     0"}, ReadFailure::None, 12},
        {"count 13", "  13", {"     2", "     3", "     0"}, ReadFailure::None, 24},
        {"surplus record beyond the file",
         "  13",
         {"     2", "   999", "     0"},
         ReadFailure::None,
         24},
        {"surplus record links beyond the file",
         "  13",
         {"     2", "     3", "   999"},
         ReadFailure::None,
         24},
        {"surplus record links back to the first",
         "  13",
         {"     2", "     3", "     1"},
         ReadFailure::None,
         24},
        {"no number after the last needed record",
         "  13",
         {"     2", "  x   ", "     0"},
         ReadFailure::None,
         24},
        {"count 0", "   0", {"     2", "     3", "     0"}, ReadFailure::None, 12},
        {"count 36", "  36", {"     2", "     3", "     0"}, ReadFailure::None, 36},
        {"loop within the needed records",
         "  36",
         {"     2", "     1", "     0"},
         ReadFailure::ChainLoops,
         0},
        {"needed record beyond the file",
         "  36",
         {"     2", "   999", "     0"},
         ReadFailure::LinkPastEnd,
         0},
    };
    auto sp = numberedSpecies(36);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ReleveIn r = releve("chain", sp);
        r.speciesTotal = c.speciesTotal;
        std::vector<std::string> rld{std::string(512, ' ')};
        for (int k = 0; k < 3; ++k) {
            rld.push_back(
                testing::speciesRecord({sp.begin() + 12 * k, sp.begin() + 12 * k + 12}, 0));
            rld.back().replace(NextSpeciesRecordOffset, 6, c.next[k]);
        }
        testing::writeRecords(base(), {std::string(256, ' '), testing::headerRecord(r, 1)}, rld);
        ASSERT_TRUE(open());
        const ReleveRead read = ReadReleve(p, 1);
        EXPECT_EQ(read.failure, c.why);
        if (!read) continue;
        EXPECT_EQ(p.PlantSetCount, std::stoi(c.speciesTotal));
        EXPECT_EQ(trimmedName(p, c.lastNamed), "sp" + std::to_string(c.lastNamed));
        EXPECT_EQ(trimmedName(p, c.lastNamed + 1), "");
    }
}

TEST_F(DataFilePairTest, SpeciesTotalLargerThanTheChain) {
    ReleveIn r = releve("short", numberedSpecies(12));
    r.speciesTotal = " 100";
    testing::writeDataFilePair(base(), {r});
    ASSERT_TRUE(openAndRead(1));
    EXPECT_EQ(p.PlantSetCount, 100);
    EXPECT_EQ(trimmedName(p, 12), "sp12");
    for (int k = 13; k <= 100; ++k) {
        EXPECT_EQ(p.PlantSet[k].nameView(), std::string(28, ' '));
        EXPECT_TRUE(allZero(p.PlantSet[k].codes));
    }
}

TEST_F(DataFilePairTest, NegativeSpeciesTotalReadsNoSpecies) {
    ReleveIn r = releve("neg", numberedSpecies(2));
    r.speciesTotal = "  -5";
    testing::writeDataFilePair(base(), {r});
    ASSERT_TRUE(openAndRead(1));
    EXPECT_LE(p.PlantSetCount, 0);
    EXPECT_EQ(p.PlantSet.size(), 160u);
}

TEST_F(DataFilePairTest, GarbageBytesInNamesAreKeptAsStored) {
    // Bytes that are no Shift-JIS text, and a lead byte in the last byte of the name.
    std::string garbage = "\xff\xfe\x80\xa0" + std::string(23, 'x') + "\x82";
    std::string controls("\x01\x02\x1f\x7f", 4);
    testing::writeDataFilePair(base(), {releve("1", {{garbage, "*"}, {controls, "+"}})});
    ASSERT_TRUE(openAndRead(1));
    EXPECT_EQ(p.PlantSet[1].nameView(), garbage);
    EXPECT_EQ(p.PlantSet[1].codes, (LayerCodes{1, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(trimmedName(p, 2), "\x7f");
}

TEST_F(DataFilePairTest, LongChainWithoutLoopReadsWhole) {
    // More records than the short loop check holds: the chain still ends.
    ReleveIn r = releve("long", numberedSpecies(12 * 40));
    testing::writeDataFilePair(base(), {r});
    ASSERT_TRUE(openAndRead(1));
    EXPECT_EQ(p.PlantSetCount, 480);
    EXPECT_EQ(trimmedName(p, 480), "sp480");

    // And a loop that closes after more than 32 records, among the 50 records
    // SpeciesTotal needs, is found too.
    r.speciesTotal = " 600";
    std::vector<std::string> rli{std::string(256, ' '), testing::headerRecord(r, 1)};
    std::vector<std::string> rld{std::string(512, ' ')};
    for (int k = 1; k <= 40; ++k) rld.push_back(testing::speciesRecord({}, k < 40 ? k + 1 : 5));
    testing::writeRecords(base(), rli, rld);
    ASSERT_TRUE(open());
    EXPECT_EQ(ReadReleve(p, 1).failure, ReadFailure::ChainLoops);
}

}  // namespace
}  // namespace tamsel

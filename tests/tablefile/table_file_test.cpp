#include "tablefile/table_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include <sys/resource.h>
#include <unistd.h>

#include "platform/batch/batch_ui.h"
#include "platform/error.h"
#include "support/data_file_writer.h"
#include "support/model_checks.h"
#include "support/table_fields.h"
#include "support/temp_dir.h"
#include "table/frequency.h"
#include "tablefile/small_tables.h"
#include "text/sjis.h"

namespace tamsel {
namespace {

using testing::Entry;
using testing::h1s1;
using testing::makeTable;
using testing::place;
using testing::smallTable;
using testing::t1m;
using testing::TempDir;
using testing::writeBytes;

std::string saveBytes(TableState& t) {
    StringSink out;
    writeTableFile(out, t);
    return out.text;
}

TableState loadBytes(BatchUi& ui, const std::string& bytes, const std::string& path = "t.vtb") {
    TableState t = makeTable(ui);
    installLoadedTable(t, readTableFile(bytes, path), path);
    return t;
}

// What a failed load must leave exactly as it was.
struct Snapshot {
    std::string bytes, title, dataFile;
    int relCap, plantCap, rows, cols;
    bool operator==(const Snapshot&) const = default;
};
Snapshot snapshot(TableState& t) {
    return {saveBytes(t),
            t.model.title(),
            t.files.DataFileName,
            t.model.releveCapacity(),
            t.model.plantCapacity(),
            t.model.grid().rowCount(),
            t.model.grid().colCount()};
}

std::string smallFile() {
    std::string f = "T, 1 \"q\"\r\n";
    f += "1 2 2\r\n";
    f += "000000052000005200000\r\n";
    f += "000000000D0700:00000g\r\n";
    f += ",,,,1,2\r\n";
    f += ",," + sj("表の通し番号") + ",,\"   1\",\"   2\"\r\n";
    f += ",,," + sj("F＼N") + ",\"   1\",\"   1\"\r\n";
    f += "1,\"   1\",\"Abies firma\",\"   2\",x,y\r\n";
    return f;
}

TEST(TableFileTest, SmallTableGivesTheExactBytes) {
    BatchUi ui;
    TableState t = smallTable(ui);
    EXPECT_EQ(saveBytes(t), smallFile());
}

// Species cells the file shows otherwise than their codes come back as the file
// has them; the ones the codes show are not held twice.
TEST(TableFileTest, SpeciesCellsTheCodesDoNotShowAreKeptAsTheFileHasThem) {
    // Species 1 has "+" in H1 in relevé 1, species 2 code 10 in T1 in relevé 2.
    auto file = [](const std::string& c11, const std::string& c12, const std::string& c21,
                   const std::string& c22) {
        return "T\r\n2 2 2\r\n000000052000005200000\r\n000000000007000000000\r\n"
               "00000000000000:000000\r\n,,,,1,2\r\n,," +
               sj("表の通し番号") + ",,\"   1\",\"   2\"\r\n,,," + sj("F＼N") +
               ",\"   1\",\"   1\"\r\n1,\"   1\",A,\"   1\"," + c11 + "," + c12 +
               "\r\n2,\"   2\",B,\"   1\"," + c21 + "," + c22 + "\r\n";
    };
    const std::string plus = "\"   +\"", ten = "\"1   \"";
    struct Case {
        const char* named;
        std::string bytes;
        std::size_t kept;     // texts the grid holds in the species cells in use
        std::string shown;    // cell (4, 3)
        std::uint16_t freq1;  // species 1's presences as the file shows them
    };
    const Case cases[] = {
        {"as the codes show", file(plus, "", "", ten), 0, "   +", 1},
        {"another text over codes", file("x", "", "", ten), 1, "x", 1},
        {"empty over codes", file("", "", "", ten), 1, "", 0},
        {"a text without codes", file(plus, "y", "", ten), 1, "   +", 2},
        {"a control byte over codes", file("\"\x01\"", "", "", ten), 1, "\x01", 1},
    };
    for (const Case& c : cases) {
        BatchUi ui;
        TableState t = loadBytes(ui, c.bytes);
        EXPECT_TRUE(testing::invariantsHold(t.model)) << c.named;
        std::size_t kept = 0;
        const Grid& held = t.model.grid();  // what the grid holds, not what it shows
        for (int row = 3; row <= 4; ++row)
            for (int col = 4; col <= 5; ++col) kept += !held.cell(col, row).empty();
        EXPECT_EQ(kept, c.kept) << c.named;
        EXPECT_EQ(t.model.cell(4, 3), c.shown) << c.named;
        EXPECT_EQ(t.model.cell(5, 4), "1   ") << c.named;
        EXPECT_EQ(t.model.freq().at(1), c.freq1) << c.named;
        EXPECT_EQ(saveBytes(t), c.bytes) << c.named;
    }
}

TEST(TableFileTest, EmptyTableGivesTitleCountsOneCoverLineAndTheHeaderRows) {
    BatchUi ui;
    TableState t = makeTable(ui);
    std::string row0 = ",,,";
    std::string row1 = ",," + sj("表の通し番号") + ",";
    for (int j = 1; j <= 23; ++j) {
        row0 += "," + std::to_string(j);
        row1 += ",\"" + std::string(j < 10 ? "   " : "  ") + std::to_string(j) + "\"";
    }
    std::string bytes = saveBytes(t);
    std::string head =
        sj("森林群落組成表") + "\r\n0 0 28\r\n0000000\r\n" + row0 + "\r\n" + row1 + "\r\n";
    EXPECT_EQ(bytes.substr(0, head.size()), head);
    std::size_t lines = 0;
    for (char c : bytes) lines += c == '\n';
    EXPECT_EQ(lines, 3u + 29u);

    TableState u = loadBytes(ui, bytes);
    EXPECT_EQ(u.model.plantCapacity(), 0);
    EXPECT_EQ(u.model.releveCapacity(), 0);
    EXPECT_EQ(u.model.grid().rowCount(), 32);
    EXPECT_EQ(u.model.grid().colCount(), 4);
    EXPECT_EQ(u.model.freqRow(), 28);
}

TEST(TableFileTest, LoadingSetsCountsCapacitiesArraysAndNamesWithoutTouchingCells) {
    BatchUi ui;
    TableState t = makeTable(ui, 40, 200);
    t.data.CurrentNotation = 1;
    LoadedTable lt = readTableFile(smallFile(), "dir/abc.vtb");
    installLoadedTable(t, std::move(lt), "dir/abc.vtb");
    EXPECT_EQ(t.model.title(), "T, 1 \"q\"");
    EXPECT_EQ(t.files.DataFileName, "abc.vtb");
    EXPECT_EQ(t.data.CurrentNotation, 2);
    EXPECT_EQ(t.model.speciesCount(), 1);
    EXPECT_EQ(t.model.releveCount(), 2);
    EXPECT_EQ(t.model.freqRow(), 2);
    EXPECT_EQ(t.model.plantCapacity(), 1);
    EXPECT_EQ(t.model.releveCapacity(), 2);
    EXPECT_EQ(t.model.grid().rowCount(), 33);
    EXPECT_EQ(t.model.grid().colCount(), 6);
    EXPECT_EQ(t.model.codesAt(4, 3), h1s1);
    EXPECT_EQ(t.model.codesAt(5, 3), t1m);
    EXPECT_EQ(t.model.codes().get(1, 0), (LayerCodes{5, 2, 0, 0, 0, 0, 0}));
    EXPECT_EQ(t.model.freq(), (std::vector<std::uint16_t>{0, 2}));
    EXPECT_EQ(t.model.numSp(), (std::vector<std::uint16_t>{0, 1, 1}));
    EXPECT_EQ(t.model.domLine().size(), 3u);
    EXPECT_EQ(t.model.cell(2, 3), "Abies firma");
    EXPECT_EQ(t.model.cell(3, 3), "   2");  // read, not rewritten
}

// Names and titles with blanks, commas, quotes and full-width blanks; a table
// whose capacity exceeds its counts writes more items than it loads.
TEST(TableFileTest, RoundTripRestoresTheTableAndASecondSaveGivesTheSameBytes) {
    for (int boxes : {-1, 0, 1}) {
        BatchUi ui;
        TableState t = makeTable(ui, 23, 127, boxes);
        t.model.setTitle(sj("ブナ林, 2024 \"夏\"　調査 "));
        place(t, "R 1", {{"Abies firma", h1s1, ""}, {sj("ブナ　Fagus crenata"), t1m, ""}});
        place(t, "R,2",
              {{"Quercus \"x\" crispula", LayerCodes{0, 0, 0, 0, 1, 0, 0}, ""},
               {"Abies firma", LayerCodes{30, 0, 0, 0, 0, 0, 0}, ""}});
        place(t, sj("表"), {{"a,b", LayerCodes{0, 0, 0, 0, 0, 0, 40}, ""}});
        recount(t, ui);
        std::string first = saveBytes(t);

        TableState u = loadBytes(ui, first);
        ASSERT_EQ(u.model.speciesCount(), 4);
        ASSERT_EQ(u.model.releveCount(), 3);
        EXPECT_EQ(u.model.title(), t.model.title());
        EXPECT_EQ(u.model.freqRow(), t.model.freqRow());
        for (int r = 0; r <= t.model.freqRow() + t.model.speciesCount(); ++r)
            for (int c = 0; c < 3 + 4; ++c)
                EXPECT_EQ(u.model.cell(c, r), t.model.cell(c, r)) << c << "," << r;
        for (int r = t.model.freqRow() + 1; r <= t.model.freqRow() + t.model.speciesCount(); ++r)
            for (int c = 4; c <= 6; ++c) EXPECT_EQ(u.model.codesAt(c, r), t.model.codesAt(c, r));
        EXPECT_EQ(u.model.cell(2, u.model.freqRow() + t.model.speciesCount()),
                  "a,b");  // the last row in use

        std::string second = saveBytes(u);
        EXPECT_EQ(saveBytes(*std::make_unique<TableState>(loadBytes(ui, second))), second);
    }
}

TEST(TableFileTest, ATableFilledToItsCapacitySavesTheSameBytesAfterLoading) {
    BatchUi ui;
    TableState t = smallTable(ui);
    std::string bytes = saveBytes(t);
    TableState u = loadBytes(ui, bytes);
    EXPECT_EQ(saveBytes(u), bytes);
}

TEST(TableFileTest, GridItemsBeyondTheColumnsAreIgnored) {
    std::string bytes = smallFile();
    // Items appended to every grid line (the four lines after the cover block).
    std::string wide;
    std::istringstream in(bytes);
    std::string line;
    for (int n = 1; std::getline(in, line); ++n) {
        line.pop_back();  // CR
        wide += line + (n >= 5 ? ",extra,\"more\"" : "") + "\r\n";
    }
    BatchUi ui;
    TableState u = loadBytes(ui, wide);
    EXPECT_EQ(u.model.grid().colCount(), 6);
    EXPECT_EQ(u.model.cell(5, 3), "y");
    EXPECT_EQ(saveBytes(u), bytes);
}

// Each corrupt file is refused with its line named, and the table, title and
// data file name stay exactly as they were.
TEST(TableFileTest, CorruptFilesAreRefusedAndLeaveTheTableUntouched) {
    BatchUi ui;
    TempDir dir;
    TableState cur = makeTable(ui);
    place(cur, "keep", {{"Keep me", h1s1, ""}});
    cur.files.DataFileName = "before.rli";
    const Snapshot before = snapshot(cur);
    const std::string good = smallFile();
    const std::string path = dir.file("bad.vtb");

    auto refused = [&](const std::string& bytes, const std::string& lineText) {
        writeBytes(path, bytes);
        try {
            loadTableFile(cur, path);
            ADD_FAILURE() << "accepted: " << bytes;
        } catch (const Error& e) {
            std::string msg = e.what();
            EXPECT_NE(msg.find("bad.vtb"), std::string::npos) << toUtf8(msg);
            if (!lineText.empty()) {
                EXPECT_NE(msg.find(" " + lineText + sj(" 行目")), std::string::npos) << toUtf8(msg);
            }
        }
        EXPECT_TRUE(snapshot(cur) == before);
    };
    auto replaced = [&](const std::string& from, const std::string& to) {
        std::string b = good;
        std::size_t at = b.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return b.replace(at, from.size(), to);
    };

    for (std::size_t cut = 0; cut < good.size(); ++cut) refused(good.substr(0, cut), "");

    struct Case {
        std::string from, to, line;
    } cases[] = {
        {"1 2 2\r", "2 2 2\r", "8"},  // one species too many: lines run out
        {"1 2 2\r", "0 2 2\r", "7"},  // one too few: a line left over
        {"1 2 2\r", "1 3 2\r", "3"},  // cover lines too short for NR
        {"1 2 2\r", "1 1 2\r", "3"},  // too long
        {"1 2 2\r", "1 2 3\r", "8"},  // F one more: a grid line missing
        {"1 2 2\r", "1 2 1\r", "2"},  // F outside 2..31
        {"1 2 2\r", "-1 2 2\r", "2"},
        {"1 2 2\r", "1 -2 2\r", "2"},
        {"1 2 2\r", "a 2 2\r", "2"},
        {"1 2 2\r", "1.5 2 2\r", "2"},
        {"1 2 2\r", "1 2\r", "2"},
        {"1 2 2\r", "1 2 2 9\r", "2"},
        {"1 2 2\r", "\r", "2"},
        {"1 2 2\r", "99999999999 2 2\r", "2"},
        {"00D0700", "00/0700", "4"},      // a byte below "0"
        {"00D0700", "00D070", "4"},       // a cover line one byte short
        {"x,y\r", "x,\"y\r", "8"},        // quote never closed
        {",,,,1,2\r", ",,,,1,x\r", "5"},  // relevé slot not a number
        {",,,,1,2\r", ",,,,1,3\r", "5"},  // outside 1..NR
        {",,,,1,2\r", ",,,,2,2\r", "5"},  // repeated
        {",,,,1,2\r", ",,,,0,2\r", "5"},
        {",,,,1,2\r", ",,,,1,\r", "5"},                     // missing
        {"1,\"   1\",\"Abies", "2,\"   1\",\"Abies", "8"},  // species slot outside 1..NS
        {"1,\"   1\",\"Abies", "z,\"   1\",\"Abies", "8"},
        // A line break the writer could not write again: in the title, in a quoted cell.
        {"T, 1 \"q\"\r\n", "T,\r1 \"q\"\r\n", "1"},
        {"\"Abies firma\"", "\"Abies\rfirma\"", "8"},
    };
    for (const auto& c : cases) refused(replaced(c.from, c.to), c.line);
    refused(good + "\r\n", "9");  // an extra line after the grid
    refused("", "");
}

// Another kind of file under the table file's name is named as not a table file,
// not reported as a fault deep inside it.
TEST(TableFileTest, AnotherKindOfFileIsRefusedAsNotATableFile) {
    BatchUi ui;
    TempDir dir;
    TableState cur = makeTable(ui);
    const std::string png("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x10\0\0\0\x10", 24);
    const std::string zip("PK\x03\x04\x14\0\0\0\x08\0", 10);
    for (const std::string& bytes : {png + std::string(300, '\x7f'), zip + "\r\n1 2 2\r\n"}) {
        writeBytes(dir.file("image.vtb"), bytes);
        try {
            loadTableFile(cur, dir.file("image.vtb"));
            ADD_FAILURE() << "accepted";
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()).rfind(
                          sj("組成表ファイルではありません: ") + dir.file("image.vtb"), 0),
                      0u)
                << toUtf8(e.what());
        }
    }
}

// The loader reads through a buffer: cut after every byte in turn, so one cut
// falls inside each double-byte character, each quoted item and each CR LF, a
// good file gives the same table and a bad one the same message as read whole.
TEST(TableFileTest, ALoadCutAtEveryByteGivesTheSameTableOrTheSameFault) {
    BatchUi ui;
    TempDir dir;
    TableState t = makeTable(ui, 3, 3, 0);
    t.model.setTitle(sj("ブナ林"));
    place(t, "", {{"Abies firma", h1s1, "x"}});
    place(t, "", {{sj("ブナ, \"林\""), h1s1, ""}, {"Abies firma", t1m, ""}});
    recount(t, ui);
    const std::string good = saveBytes(t);
    ASSERT_NE(good.find(sj("\"ブナ, \"\"林\"\"\"")), std::string::npos);
    // Two faults: a code byte below "0" in line 4 and a cell quote never closed;
    // the first in file order is the one reported.
    std::string bad = good;
    bad.replace(bad.find("D07"), 1, "/");
    bad.replace(bad.rfind("\"\r\n"), 1, "");
    const std::string path = dir.file("cut.vtb"), badPath = dir.file("bad.vtb");
    writeBytes(path, good);
    writeBytes(badPath, bad);
    TableState loaded = loadBytes(ui, good);
    const std::string whole = saveBytes(loaded);
    std::string wholeFault;
    try {
        readTableFile(bad, badPath);
    } catch (const Error& e) {
        wholeFault = e.what();
    }
    ASSERT_NE(wholeFault.find(sj(" 4 行目")), std::string::npos) << toUtf8(wholeFault);
    for (std::size_t size = 1; size <= good.size(); ++size) {
        TableState u = makeTable(ui);
        loadTableFile(u, path, nullptr, size);
        ASSERT_EQ(saveBytes(u), whole) << "buffer of " << size << " bytes";
        try {
            loadTableFile(u, badPath, nullptr, size);
            ADD_FAILURE() << "accepted through a buffer of " << size << " bytes";
        } catch (const Error& e) {
            ASSERT_EQ(std::string(e.what()), wholeFault) << "buffer of " << size << " bytes";
        }
    }
}

// The resident memory of this process now, and its peak since the last
// resetPeak, in MiB. Without the reset an earlier test's peak in the same
// process would count as this one's.
double residentMiB() {
    std::ifstream in("/proc/self/statm");
    long pages = 0, resident = 0;
    in >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / 1048576.0;
}
bool resetPeak() {
    std::ofstream out("/proc/self/clear_refs");
    out << "5";
    out.flush();
    return static_cast<bool>(out);
}
double peakMiB() {
    std::ifstream in("/proc/self/status");
    std::string key;
    long kib = 0;
    while (in >> key)
        if (key == "VmHWM:" && in >> kib) break;
    if (kib == 0) {  // no /proc status: the process's peak so far
        rusage u{};
        getrusage(RUSAGE_SELF, &u);
        kib = u.ru_maxrss;
    }
    return static_cast<double>(kib) / 1024.0;
}

// Line 2 of a file of a few bytes may claim any counts. Each file is refused as
// the short file it is, and the load takes memory for what the file holds, not
// for what it claims.
TEST(TableFileTest, ClaimedCountsTakeNoMemoryTheFileDoesNotHold) {
    BatchUi ui;
    TempDir dir;
    TableState cur = smallTable(ui);
    const Snapshot before = snapshot(cur);
    const std::string path = dir.file("claims.vtb");
    struct Case {
        std::string bytes;
        const char* refusal;
    } cases[] = {
        {"T\r\n100000000 0 2\r\n", "被度コードの行が足りません"},
        {"T\r\n2000000000 0 2\r\n", "被度コードの行が足りません"},
        {"T\r\n0 10000000 2\r\n", "被度コードの行が足りません"},
        {"T\r\n0 268435447 2\r\n", "被度コードの行が足りません"},  // the most relevés allowed
        {"T\r\n0 2000000000 2\r\n", "件数が大きすぎます"},
        // A first cover line of the wrong width: the refusal still names the claim.
        {"T\r\n100000000 1 2\r\n00\r\n", "NS=100000000 NR=1 F=2 からは 200000006 行のはず"},
        {"T\r\n1 0 2000000000\r\n", "の範囲にありません"},
        // The cover block whole, F＼N in row 31 far beyond the one grid line there is.
        {"T\r\n1 0 31\r\n0000000\r\n0000000\r\n,\r\n", "表のセルの行が足りません"},
    };
    const bool peakFromHere = resetPeak();
    const double start = residentMiB();
    for (const Case& c : cases) {
        writeBytes(path, c.bytes);
        try {
            loadTableFile(cur, path, &ui.progressBar1());
            ADD_FAILURE() << "accepted: " << c.bytes.substr(0, 24);
        } catch (const Error& e) {
            EXPECT_NE(std::string(e.what()).find(sj(c.refusal)), std::string::npos)
                << toUtf8(e.what());
        }
        EXPECT_TRUE(snapshot(cur) == before);
    }
    // Where the peak cannot be reset, an earlier test's peak hides this one's.
    if (peakFromHere) {
        EXPECT_LT(peakMiB() - start, 64.0);
    }
}

// A load that runs out of memory half-way is refused in the user's words, never
// as an internal fault, and the table stays as it was.
TEST(TableFileTest, ALoadThatRunsOutOfMemoryIsRefusedInTheUsersWords) {
    struct StarvedUi : BatchUi {
        bool starved = false;
        void progressChanged(int, const ProgressBar& bar) override {
            if (starved && bar.position() == 1) throw std::bad_alloc();
        }
    } ui;
    TempDir dir;
    TableState cur = smallTable(ui);
    const Snapshot before = snapshot(cur);
    const std::string path = dir.file("big.vtb");
    writeBytes(path, smallFile());
    ui.starved = true;
    try {
        loadTableFile(cur, path, &ui.progressBar1());
        ADD_FAILURE() << "loaded";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()),
                  sj("メモリーが足りないため組成表ファイル ") + path + sj(" を読み込めません"));
    }
    EXPECT_TRUE(snapshot(cur) == before);
}

int filesIn(const TempDir& dir) {
    return static_cast<int>(std::distance(std::filesystem::directory_iterator(dir.path()),
                                          std::filesystem::directory_iterator()));
}

TEST(TableFileTest, AFailedSaveKeepsThePreviousFile) {
    BatchUi ui;
    TempDir dir;
    const std::string path = dir.file("table.vtb");
    struct Case {
        const char* what;
        void (*spoil)(TableState&);
    } cases[] = {
        // The model refuses them; the file's own refusal stays for a table come in whole.
        {"line break in the title",
         [](TableState& t) {
             testing::editFields(t.model, [](TableFields& f) { f.title = "a\nb"; });
         }},
        {"line break in the last cell",
         [](TableState& t) {
             testing::editGrid(t.model, [](Grid& g) { g.setCell(5, 3, "y\r"); });
         }},
        {"a code the file cannot hold",
         [](TableState& t) { t.model.setCodes(2, 1, LayerCodes{208}); }},
    };
    for (const auto& c : cases) {
        writeBytes(path, "OLD CONTENT");
        TableState t = smallTable(ui);
        c.spoil(t);
        EXPECT_THROW(saveTableFile(t, path), Error) << c.what;
        std::ifstream in(path, std::ios::binary);
        std::string kept((std::istreambuf_iterator<char>(in)), {});
        EXPECT_EQ(kept, "OLD CONTENT") << c.what;
        EXPECT_EQ(filesIn(dir), 1) << c.what;  // no temporary file is left
    }
    TableState t = smallTable(ui);
    EXPECT_THROW(saveTableFile(t, dir.file("no-such-folder/table.vtb")), Error);
    saveTableFile(t, path);
    std::ifstream in(path, std::ios::binary);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(in)), {}), smallFile());
    EXPECT_EQ(filesIn(dir), 1);
}

// The codes of every cell, keyed by species name and relevé header.
std::map<std::pair<std::string, std::string>, LayerCodes> cellCodes(const TableState& t) {
    std::map<std::pair<std::string, std::string>, LayerCodes> m;
    for (int i = 1; i <= t.model.speciesCount(); ++i)
        for (int j = 1; j <= t.model.releveCount(); ++j) {
            int row = t.model.freqRow() + i, col = j + 3;
            m[{t.model.cell(2, row), t.model.cell(col, 2)}] = t.model.codesAt(col, row);
        }
    return m;
}

// A deletion as the editing commands make it: the column (row) moves behind
// the ones in use, its cells are cleared, its slot stays with it and its codes
// become zero.
void deleteColumn(TableState& t, int col) {
    t.model.removeReleveColumn(col);
}
void deleteRow(TableState& t, int row) {
    t.model.removeSpeciesRow(row);
}

TEST(TableFileTest, SavingAfterMiddleDeletionsRenumbersTheSlotsAndKeepsEveryCode) {
    BatchUi ui;
    TableState t = makeTable(ui);
    for (int k = 1; k <= 4; ++k) {
        std::vector<Entry> e;
        for (int s = 1; s <= 5; ++s)
            if ((s + k) % 3 != 0)
                e.push_back({"sp" + std::to_string(s),
                             LayerCodes{0, 0, CoverCode(10 * k), 0, CoverCode(s), 0, 0}, ""});
        place(t, "R" + std::to_string(k), e);
    }
    deleteColumn(t, 5);  // relevé 2: slot 2 goes free
    deleteRow(t, t.model.freqRow() + 2);
    deleteRow(t, t.model.freqRow() + 1);
    const auto expected = cellCodes(t);
    ASSERT_EQ(expected.size(), 3u * 3u);

    const CompositionTable before = t.model;
    std::string bytes = saveBytes(t);
    // The table keeps its own slots: saving changes nothing.
    EXPECT_TRUE(t.model == before);

    TableState u = loadBytes(ui, bytes);
    EXPECT_EQ(cellCodes(u), expected);
    // In the file the slots in use are 1..count, each once.
    std::vector<int> relSlots, spSlots;
    for (int j = 1; j <= u.model.releveCount(); ++j)
        relSlots.push_back(u.model.releveSlotAt(j + 3));
    for (int i = 1; i <= u.model.speciesCount(); ++i)
        spSlots.push_back(u.model.speciesSlotAt(u.model.freqRow() + i));
    std::sort(relSlots.begin(), relSlots.end());
    std::sort(spSlots.begin(), spSlots.end());
    EXPECT_EQ(relSlots, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(spSlots, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(saveBytes(u), saveBytes(*std::make_unique<TableState>(loadBytes(ui, saveBytes(u)))));
}

// Saving between a deletion and its undo changes neither: the relevé comes back
// with its own origin, and the redo gives the table saved.
TEST(TableFileTest, ASaveBetweenADeletionAndItsUndoKeepsTheOrigins) {
    BatchUi ui;
    TableState t = makeTable(ui);
    for (int k = 1; k <= 2; ++k) {
        HistoryStep step(t, "add");
        place(t, "R" + std::to_string(k), {{"sp" + std::to_string(k), h1s1, ""}});
        t.model.setOrigin(t.model.releveSlotAt(3 + k), {"a.rli", k});
        recount(t, ui);
    }
    const CompositionTable placed = t.model;
    {
        HistoryStep step(t, "delete");
        deleteColumn(t, 4);
    }
    const CompositionTable deleted = t.model;
    const std::string bytes = saveBytes(t);
    EXPECT_TRUE(t.model == deleted);
    t.history.undo(t.model);
    EXPECT_TRUE(t.model == placed);
    EXPECT_EQ(t.model.originOf(t.model.releveSlotAt(4)), (ReleveOrigin{"a.rli", 1}));
    EXPECT_EQ(t.model.originOf(t.model.releveSlotAt(5)), (ReleveOrigin{"a.rli", 2}));
    t.history.redo(t.model);
    EXPECT_TRUE(t.model == deleted);
    EXPECT_EQ(saveBytes(t), bytes);
}

TEST(TableFileTest, SavingRefusesRepeatedSlotsWithoutChangingTheTable) {
    BatchUi ui;
    TableState t = smallTable(ui);
    testing::editGrid(t.model, [&](Grid& g) { g.setCell(5, 0, "1"); });
    EXPECT_THROW(saveBytes(t), Error);
    EXPECT_EQ(t.model.cell(5, 0), "1");
}

}  // namespace
}  // namespace tamsel

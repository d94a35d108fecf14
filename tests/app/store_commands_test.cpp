#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/batch_run.h"
#include "app/session/session.h"
#include "app/session/store_commands.h"
#include "platform/error.h"
#include "support/data_file_writer.h"
#include "support/temp_dir.h"
#include "text/sjis.h"

namespace tamsel {
namespace {

using testing::layerText;
using testing::Outcome;
using testing::runCommands;

std::string bytesOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The relevé numbers of the table as row 2 of the grid shows them, trimmed.
std::string numbers(const Outcome& r) {
    if (r.lines().size() < 3) return "?";
    std::istringstream cells(r.lines()[2]);
    std::string got;
    int k = 0;
    for (std::string cell; std::getline(cells, cell, '\t'); ++k)
        if (k >= 4) got += (got.empty() ? "" : " ") + cell.substr(0, cell.find(' '));
    return got;
}

// Four relevés of their own (201..204) beside the three of writeThreeReleves.
void writeMade(const std::string& base) {
    const int T1 = 0, S1 = 2, H1 = 4;
    auto releve = [](const char* number, const char* grid, const char* date, const char* lat,
                     const char* lon, const char* altitude,
                     std::vector<std::pair<const char*, std::string>> species) {
        testing::ReleveIn r;
        r.releveNumber = number;
        r.gridCode = grid;
        r.surveyDate = date;
        r.latitude = lat;
        r.longitude = lon;
        r.fours[0] = altitude;
        for (auto& [name, codes] : species) r.species.push_back({sj(name), codes});
        return r;
    };
    testing::writeDataFilePair(
        base, {releve("201", "5235", "20050612", "40.5", "140.1", "620",
                      {{"ブナ", layerText(T1, "4")}, {"ササ", layerText(H1, "+")}}),
               releve("202", "5236", "19990701", "35.0", "139.0", "150",
                      {{"ブナ", layerText(T1, "2")}, {"スゲ", layerText(H1, "r")}}),
               releve("203", "4520", "20100101", "40.6", "140.2", "900",
                      {{"ササ", layerText(H1, "3")},
                       {"スゲ", layerText(H1, "1")},
                       {"イタヤ旧", layerText(S1, "1")}}),
               releve("204", "5235", "2005", "", "", "700",
                      {{"ブナ", layerText(T1, "3")}, {"ササ", layerText(H1, "2")}})});
}

// A Turboveg package of two plots and the pair that holds the same relevés.
const char* const Package =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Plot_package><Plots>\n"
    "<Plot><header_data><standard_record releve_nr=\"301\" coverscale=\"02\" date=\"20010503\" "
    "altitude=\"410\" latitude=\"41.2\" longitude=\"140.9\"/></header_data><species_data>\n"
    "<species><standard_record nr=\"1\" cover=\"4\" layer=\"1\"/></species>\n"
    "<species><standard_record nr=\"3\" cover=\"1\" layer=\"6\"/></species>\n"
    "<species><standard_record nr=\"2\" cover=\"2a\" layer=\"6\"/></species>\n"
    "</species_data></Plot>\n"
    "<Plot><header_data><standard_record releve_nr=\"302\" coverscale=\"02\"/></header_data>"
    "<species_data>\n"
    "<species><standard_record nr=\"2\" cover=\"+\" layer=\"6\"/></species>\n"
    "</species_data></Plot>\n"
    "</Plots><Lookup_tables><Coverscale_list>\n"
    "<coverscale_record code=\"02\"><data_record code=\"r\" percentage=\"1\"/>"
    "<data_record code=\"+\" percentage=\"2\"/><data_record code=\"1\" percentage=\"3\"/>"
    "<data_record code=\"2a\" percentage=\"8\"/><data_record code=\"4\" percentage=\"63\"/>"
    "</coverscale_record>\n"
    "</Coverscale_list><Species_list>\n"
    "<species_record nr=\"1\" name=\"ブナ\"/><species_record nr=\"2\" name=\"ササ\"/>\n"
    "<species_record nr=\"3\" name=\"イタヤ旧\"/>\n"
    "</Species_list></Lookup_tables></Plot_package>\n";

class StoreCommands : public ::testing::Test {
  protected:
    void SetUp() override {
        testing::writeThreeReleves(dir.file("veg"));
        writeMade(dir.file("made"));
        testing::writeBytes(dir.file("plots.xml"), Package);
        testing::writeBytes(dir.file("syn.dic"), sj("イタヤ旧,イタヤカエデ\r\n"));
    }
    std::string f(const std::string& name) const { return dir.file(name); }
    Outcome importAll() {
        return runCommands(
            {"store-import", f("s.tsdb"), f("veg.rli"), f("made.rli"), f("plots.xml")});
    }
    testing::TempDir dir;
};

// Placed back whole, each source gives the very table file its direct add gives,
// also when it shares the store with others and is chosen by dataset.
TEST_F(StoreCommands, PlacingBackGivesTheDirectAddsTable) {
    Outcome imported = importAll();
    ASSERT_EQ(imported.status, 0) << imported.err;
    EXPECT_EQ(imported.out,
              "imported\tveg.rli\t3\t8\nimported\tmade.rli\t4\t9\nimported\tplots.xml\t2\t4\n");
    struct Case {
        const char *add, *source;
    } cases[] = {{"add", "veg.rli"}, {"add", "made.rli"}, {"add-turboveg", "plots.xml"}};
    for (const Case& c : cases) {
        Outcome direct = runCommands(
            {"dict", f("syn.dic"), c.add, f(c.source), "save", f("direct.vtb"), "grid"});
        Outcome placed = runCommands({"dict", f("syn.dic"), "add-from-store", f("s.tsdb"),
                                      "--dataset", c.source, "save", f("placed.vtb"), "grid"});
        ASSERT_EQ(direct.status, 0) << direct.err;
        ASSERT_EQ(placed.status, 0) << placed.err;
        EXPECT_EQ(placed.out, direct.out) << c.source;
        EXPECT_EQ(bytesOf(f("placed.vtb")), bytesOf(f("direct.vtb"))) << c.source;
    }
    // The same relevés again, from the store or from their pair in either order:
    // asked about as a pair's are (the command line adds them). A package's plots
    // have no origin in a direct add, so only the store's second add asks.
    const std::string fromStore[] = {"add-from-store", f("s.tsdb"), "--dataset", "veg.rli"};
    const std::string fromPair[] = {"add", dir.path().string() + "/./veg.rli"};
    struct Again {
        std::vector<std::string> first, second;
        const char* note;
    } agains[] = {
        {{std::begin(fromStore), std::end(fromStore)},
         {std::begin(fromStore), std::end(fromStore)},
         "3 件の測定は既に表にありましたが"},
        {{std::begin(fromPair), std::end(fromPair)},
         {std::begin(fromStore), std::end(fromStore)},
         "3 件の測定は既に表にありましたが"},
        {{std::begin(fromStore), std::end(fromStore)},
         {std::begin(fromPair), std::end(fromPair)},
         "3 件の測定は既に表にありましたが"},
        {{"add-from-store", f("s.tsdb"), "--dataset", "plots.xml"},
         {"add-turboveg", f("plots.xml")},
         ""},
    };
    for (const Again& a : agains) {
        std::vector<std::string> args = a.first;
        args.insert(args.end(), a.second.begin(), a.second.end());
        Outcome twice = runCommands(args);
        ASSERT_EQ(twice.status, 0) << twice.err;
        if (*a.note)
            EXPECT_NE(twice.err.find(a.note), std::string::npos) << twice.err;
        else
            EXPECT_EQ(twice.err, "") << twice.err;
    }
}

TEST_F(StoreCommands, ConditionsAloneAndTogether) {
    ASSERT_EQ(importAll().status, 0);
    struct Case {
        std::vector<std::string> options;
        const char* numbers;
    } cases[] = {
        {{}, "101 102 103 201 202 203 204 301 302"},
        {{"--dataset", "made.rli"}, "201 202 203 204"},
        {{"--dataset", "veg.rli", "--dataset", "plots.xml"}, "101 102 103 301 302"},
        {{"--species", "ブナ"}, "101 102 201 202 204 301"},
        {{"--species", "ブナ", "--species", "スゲ"}, "102 202"},
        // As written and under the dictionary.
        {{"--species", "イタヤカエデ"}, "102 203 301"},
        {{"--species", "イタヤ旧"}, "102 203 301"},
        {{"--species", "ない"}, ""},
        {{"--box", "140,40,141,41"}, "201 203"},
        {{"--box", "140.1,40.5,140.2,40.6"}, "201 203"},  // the edges belong to the box
        {{"--box", "140.15,40,141,41"}, "203"},
        {{"--date", "2005-2005"}, "201 204"},
        {{"--date", "200506-20100101"}, "201 203"},
        {{"--field", "Altitude", ">=", "620"}, "201 203 204"},
        {{"--field", "altitude", "<", "620"}, "202 301"},
        {{"--field", "GridCode", "^=", "523"}, "101 102 201 202 204"},
        {{"--field", "GridCode", "=", "5235"}, "101 201 204"},
        {{"--field", "GridCode", "!=", "5235"}, "102 103 202 203"},
        {{"--field", "ReleveNumber", "=", "302"}, "302"},
        {{"--species", "ブナ", "--box", "139,35,141,42", "--date", "2000-2010", "--field",
          "Altitude", ">", "400"},
         "201 301"},
        {{"--species", "ササ", "--dataset", "veg.rli", "--field", "GridCode", "^=", "52"},
         "101 102"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"dict", f("syn.dic"), "add-from-store", f("s.tsdb")};
        args.insert(args.end(), c.options.begin(), c.options.end());
        args.push_back("grid");
        Outcome r = runCommands(args);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(numbers(r), c.numbers) << ::testing::PrintToString(c.options);
    }
}

std::string info(const std::string& store) {
    Outcome r = runCommands({"store-info", store});
    return r.status == 0 ? r.out : r.err;
}

TEST_F(StoreCommands, AFailedOrSecondImportLeavesTheStoreAsItWas) {
    ASSERT_EQ(runCommands({"store-import", f("s.tsdb"), f("veg.rli")}).status, 0);
    const std::string before = info(f("s.tsdb"));
    EXPECT_EQ(before, "dataset\tveg.rli\trli\t3\t8\ntotal\t3\t8\n");
    // A pair whose last record cannot be read, after one that is sound.
    testing::ReleveIn good, bad;
    good.releveNumber = "1";
    good.species = {{sj("ブナ"), layerText(0, "1")}};
    bad = good;
    bad.coverScale = "x";
    testing::writeDataFilePair(f("half"), {good, good, bad});
    std::filesystem::copy_file(f("veg.rli"), f("copy.rli"));
    std::filesystem::copy_file(f("veg.rld"), f("copy.rld"));
    struct Case {
        std::vector<std::string> sources;
        const char* message;
    } cases[] = {
        {{f("half.rli")}, "half.rli のレコード 3 が読めません"},
        {{f("made.rli"), f("half.rli")}, "half.rli"},  // made.rli stays imported
        {{f("veg.rli")}, "veg.rli は既にデータベースにある"},
        {{f("copy.rli")}, "copy.rli は既にデータベースにある veg.rli と同じ内容"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"store-import", f("s.tsdb")};
        args.insert(args.end(), c.sources.begin(), c.sources.end());
        Outcome r = runCommands(args);
        EXPECT_EQ(r.status, 1) << c.message;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    }
    EXPECT_EQ(info(f("s.tsdb")), before.substr(0, before.find("total")) +
                                     "dataset\tmade.rli\trli\t4\t9\ntotal\t7\t17\n");
    // Nothing of the failed source stayed behind: mended, it imports under its name.
    testing::writeDataFilePair(f("half"), {good, good, good});
    Outcome mended = runCommands({"store-import", f("s.tsdb"), f("half.rli")});
    EXPECT_EQ(mended.out, "imported\thalf.rli\t3\t3\n") << mended.err;
}

TEST_F(StoreCommands, OnlyAStoreOfThisSchemaOrOlderOpens) {
    ASSERT_EQ(runCommands({"store-import", f("s.tsdb"), f("veg.rli")}).status, 0);
    // user_version lies at offset 60 of an SQLite file, big-endian.
    std::string newer = bytesOf(f("s.tsdb"));
    ASSERT_GT(newer.size(), 64u);
    newer.replace(60, 4, std::string("\0\0\0\x63", 4));
    testing::writeBytes(f("newer.tsdb"), newer);
    testing::writeBytes(f("text.tsdb"), std::string(4096, 'x'));
    struct Case {
        std::string store;
        const char* message;
    } cases[] = {
        {f("newer.tsdb"), "データベース newer.tsdb はこの版より新しい形式（99）"},
        {f("text.tsdb"), "text.tsdb はデータベース（.tsdb）ではありません"},
        {f("veg.rli"), "veg.rli はデータベース（.tsdb）ではありません"},
        {f("none.tsdb"), "データベース none.tsdb がありません"},
    };
    for (const Case& c : cases) {
        const std::string message = info(c.store);
        EXPECT_NE(message.find(c.message), std::string::npos) << message;
    }
    EXPECT_FALSE(std::filesystem::exists(f("none.tsdb")));
}

// Writes the pair base of relevés 1 .. count, each holding one species and set by
// make(k, r) for relevé k + 1; returns the numbers of those make said yes to.
template <typename Make>
std::string writeEach(const std::string& base, std::size_t count, Make make) {
    std::vector<testing::ReleveIn> releves(count);
    std::string chosen;
    for (std::size_t k = 0; k < count; ++k) {
        testing::ReleveIn& r = releves[k];
        r.releveNumber = std::to_string(k + 1);
        r.species = {{sj("ブナ"), layerText(0, "1")}};
        if (make(k, r)) chosen += (chosen.empty() ? "" : " ") + r.releveNumber;
    }
    testing::writeDataFilePair(base, releves);
    return chosen;
}

// Makes store a store of schema version 1, whose readings change did.
void older(const std::string& store, const std::string& change) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(store.c_str(), &db), SQLITE_OK);
    const std::string sql =
        change + "; ALTER TABLE datasets DROP COLUMN path; PRAGMA user_version = 1";
    const int done = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
    sqlite3_close(db);
    ASSERT_EQ(done, SQLITE_OK);
}

// Coordinates as sources spell them: decimal degrees, or degrees, minutes and
// seconds run together or apart, with a hemisphere. A store whose coordinates an
// older version read as plain numbers reads them again when opened.
TEST_F(StoreCommands, CoordinatesAreReadInDegreesMinutesAndSeconds) {
    const std::string deg = "\x81\x8b", min = "\x81\x8c";  // ° ′
    const std::string du = sj("度"), fun = sj("分");
    struct Place {
        std::string lat, lon;
        bool inBox;  // 35°12′–35°18′ N, 135°30′–135°36′ E
    } places[] = {
        {"35.25", "135.55", true},
        {"351500", "1353300", true},
        {"35 15 00", "135 33", true},
        {"35-15-00", "135-33", true},
        {"35" + deg + "15" + min, "135" + deg + "33", true},
        {"35" + du + "15" + fun, "135" + du + "33", true},
        {"N351500", "1353300E", true},
        {"3515", "135.55", true},       // degrees and minutes
        {"351500.5", "135.55", true},   // fractional seconds
        {"S351500", "1353300", false},  // the southern hemisphere
        {"351500", "W1353300", false},
        {"35.1500", "135.55", false},   // a plain number is decimal degrees
        {"356000", "1353300", false},   // sixty minutes: no place
        {"351500E", "1353300", false},  // a longitude's letter on a latitude
        {"1353300", "351500", false},   // latitude beyond 90°
    };
    const std::string expected =
        writeEach(f("dms"), std::size(places), [&](std::size_t k, testing::ReleveIn& r) {
            r.latitude = places[k].lat;
            r.longitude = places[k].lon;
            return places[k].inBox;
        });
    ASSERT_EQ(runCommands({"store-import", f("s.tsdb"), f("dms.rli")}).status, 0);
    auto inBox = [&] {
        return numbers(
            runCommands({"add-from-store", f("s.tsdb"), "--box", "135.5,35.2,135.6,35.3", "grid"}));
    };
    EXPECT_EQ(inBox(), expected);

    older(f("s.tsdb"),
          "UPDATE releves SET latitude = 351500, longitude = 1353300; DELETE FROM releve_places");
    EXPECT_EQ(inBox(), expected);
}

// Survey dates as sources write them, a Japanese era's initial among them.
TEST_F(StoreCommands, DatesAreReadAsSourcesWriteThem) {
    struct Dated {
        const char* date;
        bool in1993;
    } dated[] = {
        {"19930812", true},  {"1993/8/12", true}, {"1993", true},
        {"199308", true},    {"H5.8.12", true},   {"h05-08", true},
        {"S63.1.7", false},  {"R2", false},       {"93.08.12", false},  // no century
        {"H65.1.1", false},                                             // no such year of Heisei
        {"19940101", false}, {"", false},
    };
    const std::string expected =
        writeEach(f("dated"), std::size(dated), [&](std::size_t k, testing::ReleveIn& r) {
            r.surveyDate = dated[k].date;
            return dated[k].in1993;
        });
    ASSERT_EQ(runCommands({"store-import", f("s.tsdb"), f("dated.rli")}).status, 0);
    auto in1993 = [&] {
        return numbers(runCommands({"add-from-store", f("s.tsdb"), "--date", "1993-1993", "grid"}));
    };
    EXPECT_EQ(in1993(), expected);
    // A store of the version that read no era: the opening reads them.
    older(f("s.tsdb"), "UPDATE releves SET survey_date = NULL");
    EXPECT_EQ(in1993(), expected);
}

// The conditions form: what it says as conditions are typed, and the names it
// offers for the species field.
struct FormUi : BatchUi {
    std::vector<std::string> said, offered;
    std::optional<std::vector<std::string>> fieldsDialog(const FieldsDialogRequest& r) override {
        if (r.live) {
            for (const char* species : {"ブナ", "ブナ, ササ", "スゲ,ブナ", "ブナ, ない", ""})
                said.push_back(r.live({sj(species), "", "", "", ""}));
            EXPECT_THROW(r.live({"", "140,40", "", "", ""}), Error);
        }
        offered = r.fields.at(0).suggestions;
        return BatchUi::fieldsDialog(r);
    }
};

// The window's items make, fill and select from a store as the commands do.
TEST_F(StoreCommands, TheWindowsItemsDoWhatTheCommandsDo) {
    Session s;
    FormUi ui;
    FormCreate(s, ui, {}, false);
    ui.fileAnswers = {f("w.tsdb"), f("w.tsdb"),   f("made.rli"),
                      f("w.tsdb"), f("made.rli"), f("w.tsdb")};
    ui.fieldsAnswers.push_back(BatchUi::FieldsAnswer{
        sj("ブナ, ササ"), "140,40,141,41", "", sj("Altitude >= 600; GridCode ^= 52"), "made.rli"});
    Item_StoreCreateClick(s, ui);
    // Cancelled at once, the import leaves the store empty; then it runs whole.
    ui.cancelAfter = 0;
    Item_StoreImportClick(s, ui);
    EXPECT_EQ(info(f("w.tsdb")), "total\t0\t0\n");
    ui.cancelAfter = -1;
    Item_StoreImportClick(s, ui);
    EXPECT_EQ(info(f("w.tsdb")), "dataset\tmade.rli\trli\t4\t9\ntotal\t4\t9\n");
    Item_AddFromStoreClick(s, ui);
    EXPECT_EQ(ui.said,
              (std::vector<std::string>{sj("条件に合う測定: 3 件"), sj("条件に合う測定: 2 件"),
                                        sj("条件に合う測定: 1 件"), sj("条件に合う測定: 0 件"),
                                        sj("条件に合う測定: 4 件")}));
    std::vector<std::string> names{sj("ブナ"), sj("ササ"), sj("スゲ"), sj("イタヤ旧")};
    std::sort(names.begin(), names.end());
    EXPECT_EQ(ui.offered, names);
    std::ostringstream out, err;
    BatchContext c{s, ui, out, err};
    ArgReader none({});
    for (const Command& cmd : allBatchCommands())
        if (cmd.name == "grid") runCommandLine(cmd, c, none);
    Outcome direct = runCommands(
        {"store-import", f("c.tsdb"), f("made.rli"), "add-from-store", f("c.tsdb"),     "--species",
         "ブナ",         "--species", "ササ",        "--box",          "140,40,141,41", "--field",
         "Altitude",     ">=",        "600",         "--field",        "GridCode",      "^=",
         "52",           "grid"});
    ASSERT_EQ(direct.status, 0) << direct.err;
    // The command line's first line tells of the import.
    const std::string grid = direct.out.substr(direct.out.find('\n') + 1);
    EXPECT_NE(grid.find("201"), std::string::npos) << grid;
    EXPECT_EQ(out.str(), grid);
}

}  // namespace
}  // namespace tamsel

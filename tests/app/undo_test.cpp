#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/batch_run.h"
#include "io/byte_sink.h"
#include "support/temp_dir.h"
#include "tablefile/table_file.h"

namespace tamsel {
namespace {

using Args = std::vector<std::string>;

std::string bytesOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class Undo : public ::testing::Test {
  protected:
    void SetUp() override {
        // Twelve relevés over nine species, so that sorts and orderings move things.
        const char* names[] = {"ブナ",     "ササ", "イタヤ", "スゲ",  "ミズナラ",
                               "ホオノキ", "シダ", "コケ",   "ツツジ"};
        std::vector<testing::ReleveIn> rs;
        std::mt19937 rng(7);
        for (int k = 0; k < 12; ++k) {
            testing::ReleveIn r;
            r.releveNumber = std::to_string(200 + k);
            r.gridCode = k < 6 ? "5235" : "4520";
            for (int s = 0; s < 9; ++s)
                if ((s + k) % 3 == 0 || rng() % 4 == 0)
                    r.species.push_back(
                        {sj(names[s]), testing::layerText(static_cast<int>(rng() % 7),
                                                          std::to_string(1 + rng() % 5))});
            rs.push_back(r);
        }
        testing::writeDataFilePair(dir.file("veg"), rs);
    }
    // The table every case starts from: ten relevés, a row moved out of order.
    Args base() const { return {"add", rli(), "--records", "1-10", "move-row", "29", "31"}; }
    std::string rli() const { return dir.file("veg.rli"); }
    std::string file(const std::string& name) const { return dir.file(name); }
    testing::TempDir dir;
};

// Every command of the command table is one of these. A command that changes
// the table is undone to the same file and redone to the file of its run.
TEST_F(Undo, EveryCommandThatChangesTheTableIsUndoneAndRedone) {
    const std::map<std::string, Args> changing = {
        {"add", {rli(), "--records", "11-12"}},
        {"recount", {}},
        {"sort-species", {}},
        {"sort-releves", {}},
        {"sort-releves-fewest", {}},
        {"insert-col", {"5"}},
        {"delete-col", {"5"}},
        {"insert-row", {"30"}},
        {"delete-row", {"30"}},
        {"comment", {"30", "区分 A"}},
        {"title", {"新しい表"}},
        {"move-row", {"29", "32"}},
        {"move-col", {"4", "9"}},
        {"recip", {}},
        {"sort-fidelity", {}},
        {"twinspan", {}},
        {"add-turboveg", {file("p.xml")}},
    };
    std::ofstream(file("p.xml"), std::ios::binary)
        << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Plot_package><Plots><Plot>"
           "<header_data><standard_record releve_nr=\"9\" coverscale=\"02\"/>"
           "</header_data><species_data><species><standard_record nr=\"1\" cover=\"3\" "
           "layer=\"6\"/></species></species_data></Plot></Plots><Lookup_tables>"
           "<Coverscale_list><coverscale_record code=\"02\"><data_record code=\"3\" "
           "percentage=\"40\"/></coverscale_record></Coverscale_list><Species_list>"
           "<species_record nr=\"1\" name=\"Fagus crenata\"/></Species_list></Lookup_tables>"
           "</Plot_package>\n";
    // Commands that leave the table as it was, with what they need to run here.
    const std::map<std::string, Args> keeping = {
        {"caption", {}},
        {"grid", {}},
        {"read", {rli(), "1"}},
        {"check", {"8"}},
        {"uncheck", {"8"}},
        {"text-file", {file("t.txt")}},
        {"spreadsheet", {file("t.xlsx")}},
        {"pcord", {file("p.csv")}},
        {"value-matrix", {file("v.csv")}},
        {"plot-data", {file("d.csv")}},
        {"synoptic", {file("s.csv")}},
        {"save", {file("k.vtb")}},
        {"cornell", {file("c.cep")}},
        {"long-csv", {file("l.csv")}},
        {"releve-stats", {file("r.csv")}},
        {"indicator-means", {file("i.csv"), "--values", file("values.csv")}},
        {"beals", {file("b.csv")}},
        {"optimclass", {file("o.csv")}},
    };
    std::ofstream(file("values.csv"), std::ios::binary) << "x,1\r\n";
    // Not run here: the printer, a dictionary, the history itself; and the
    // commands that replace the table start a new history (tested below).
    const std::set<std::string> elsewhere = {"print", "dict", "undo", "redo",
                                             "clear", "load", "ini"};
    for (const Command& c : allBatchCommands())
        EXPECT_TRUE(changing.count(c.name) || keeping.count(c.name) || elsewhere.count(c.name))
            << c.name << " is not in this test";

    for (const auto& [name, args] : changing) {
        SCOPED_TRACE(name);
        Args line = base();
        auto save = [&](const char* f) {
            line.push_back("save");
            line.push_back(file(f));
        };
        save("a.vtb");
        line.push_back(name);
        line.insert(line.end(), args.begin(), args.end());
        save("b.vtb");
        line.push_back("undo");
        save("c.vtb");
        line.push_back("redo");
        save("d.vtb");
        testing::Outcome r = testing::runCommands(line);
        ASSERT_EQ(r.status, 0) << r.err;
        const std::string before = bytesOf(file("a.vtb")), after = bytesOf(file("b.vtb"));
        EXPECT_NE(before, after);
        EXPECT_EQ(bytesOf(file("c.vtb")), before);
        EXPECT_EQ(bytesOf(file("d.vtb")), after);
    }
    for (const auto& [name, args] : keeping) {
        SCOPED_TRACE(name);
        // Three steps (the outputs recount first, which renews the running
        // numbers the move took along); a fourth would leave one after three undos.
        Args line = base();
        line.push_back("recount");
        line.push_back(name);
        line.insert(line.end(), args.begin(), args.end());
        for (const char* u : {"undo", "undo", "undo", "undo"}) line.push_back(u);
        testing::Outcome r = testing::runCommands(line);
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find("error: 元に戻せる操作がありません"), std::string::npos) << r.err;
    }
}

TEST_F(Undo, LoadBlankAndSettingsStartANewHistory) {
    testing::Outcome saved = testing::runCommands({"add", rli(), "save", file("a.vtb")});
    ASSERT_EQ(saved.status, 0) << saved.err;
    const std::string ini = std::string(TAMSEL_SAMPLE_DIR) + "/sample.ini";
    for (const Args& replace : {Args{"load", file("a.vtb")}, Args{"clear"}, Args{"ini", ini}}) {
        Args line = base();
        line.insert(line.end(), replace.begin(), replace.end());
        line.push_back("undo");
        testing::Outcome r = testing::runCommands(line);
        EXPECT_EQ(r.status, 1) << replace[0];
        EXPECT_NE(r.err.find("元に戻せる操作がありません"), std::string::npos) << r.err;
    }
    testing::Outcome r = testing::runCommands(Args{"add", rli(), "undo", "redo", "redo"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("error: やり直せる操作がありません"), std::string::npos) << r.err;
}

// Two hundred commands chosen at random, some failing half-way, some saving
// (which renumbers the slots): all undone give the first table file, all
// redone the last.
TEST_F(Undo, ARandomSequenceIsUndoneAndRedoneWhole) {
    Session s;
    BatchUi ui;
    std::ostringstream out, err;
    BatchContext c{s, ui, out, err};
    FormCreate(s, ui, {}, false);
    const std::vector<BatchCommand> commands = allBatchCommands();
    auto run = [&](const std::string& name, Args args) {
        auto cmd = std::find_if(commands.begin(), commands.end(),
                                [&](const Command& k) { return k.name == name; });
        ASSERT_NE(cmd, commands.end()) << name;
        HistoryStep step(s.table, name);
        ArgReader in(std::move(args));
        try {
            runCommandLine(*cmd, c, in);
        } catch (const Error&) {
        }
    };
    auto fileNow = [&] {
        StringSink sink;
        writeTableFile(sink, s.table);
        return sink.text;
    };
    run("add", {rli(), "--records", "1-6"});
    const std::string first = fileNow();
    const std::size_t before = s.table.history.stepCount();

    std::mt19937 rng(2024);
    auto pick = [&](int lo, int hi) {
        return std::to_string(lo + static_cast<int>(rng() % static_cast<unsigned>(hi - lo + 1)));
    };
    for (int k = 0; k < 200; ++k) {
        const TableState& t = s.table;
        const int firstRow = TableLayout(t.freqRow()).firstSpeciesRow();
        const int lastRow = firstRow + t.speciesCount(), lastCol = 4 + t.releveCount();
        static const char* const sorts[] = {"sort-species", "sort-releves", "sort-releves-fewest",
                                            "recount"};
        switch (rng() % 13) {
            case 0:
                run("add", {rli(), "--records", pick(1, 12) + "-" + pick(1, 12)});
                break;
            case 1:
                run("insert-col", {pick(4, lastCol)});
                break;
            case 2:
                run("delete-col", {pick(4, lastCol)});
                break;
            case 3:
                run("insert-row", {pick(firstRow, lastRow)});
                break;
            case 4:
                run("delete-row", {pick(firstRow, lastRow)});
                break;
            case 5:
                run("comment", {pick(firstRow, lastRow), "区分 " + pick(1, 9)});
                break;
            case 6:
                run("title", {"表 " + pick(1, 99)});
                break;
            case 7:
                run("move-row", {pick(firstRow, lastRow), pick(firstRow, lastRow)});
                break;
            case 8:
                run("move-col", {pick(4, lastCol), pick(4, lastCol)});
                break;
            case 9:
                run("recip", {});
                break;
            case 10:
                run(sorts[rng() % 4], {});
                break;
            case 11:
                run("sort-fidelity", {});
                break;
            default:
                run("save", {file("x.vtb")});
                break;
        }
    }
    const std::string last = fileNow();
    ASSERT_NE(first, last);
    for (std::size_t n = s.table.history.stepCount(); n > before; --n)
        s.table.history.undo(s.table);
    EXPECT_EQ(fileNow(), first);
    while (s.table.history.canRedo()) s.table.history.redo(s.table);
    EXPECT_EQ(fileNow(), last);
}

}  // namespace
}  // namespace tamsel

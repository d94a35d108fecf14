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
#include "support/model_checks.h"
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
        {"sort-releves-by", {"2", "--descending"}},
        {"merge-layers", {"--method", "sum"}},
        {"assign-units", {file("u.txt")}},
        {"add-from-store", {file("s.tsdb"), "--species", "ブナ"}},
    };
    ASSERT_EQ(testing::runCommands({"store-import", file("s.tsdb"), rli()}).status, 0);
    std::ofstream(file("u.txt"), std::ios::binary)
        << sj("group G: ブナ, ササ\nunit U: G and not cover(\"シダ\") > 1\n");
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
        {"cover-values", {"--plus", "0.5"}},
        {"beals", {file("b.csv")}},
        {"optimclass", {file("o.csv")}},
        {"cocktail", {file("k.csv")}},
        {"store-import", {file("k.tsdb"), file("p.xml")}},
        {"store-info", {file("s.tsdb")}},
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

// Two hundred commands chosen at random, some failing half-way, some saving: each
// undone gives back the model (every member) and the file of the step before,
// each redone those of the step after; a command that keeps no step changed
// nothing. The same commands with a save after each end in the same table.
TEST_F(Undo, ARandomSequenceIsUndoneAndRedoneWhole) {
    struct State {
        CompositionTable model;
        std::string file;
    };
    auto play = [&](bool saveEach) -> State {
        Session s;
        BatchUi ui;
        std::ostringstream out, err;
        BatchContext c{s, ui, out, err};
        FormCreate(s, ui, {}, false);
        const std::vector<BatchCommand> commands = allBatchCommands();
        auto fileNow = [&] {
            StringSink sink;
            writeTableFile(sink, s.table);
            return sink.text;
        };
        std::vector<State> states;
        auto run = [&](const std::string& name, Args args) {
            auto cmd = std::find_if(commands.begin(), commands.end(),
                                    [&](const Command& k) { return k.name == name; });
            ASSERT_NE(cmd, commands.end()) << name;
            const std::size_t steps = s.table.history.stepCount();
            {
                HistoryStep step(s.table, name);
                ArgReader in(std::move(args));
                try {
                    runCommandLine(*cmd, c, in);
                } catch (const Error&) {
                }
            }
            EXPECT_TRUE(testing::invariantsHold(s.table.model)) << name;
            if (s.table.history.stepCount() == steps) {
                EXPECT_TRUE(s.table.model == states.back().model) << name;
                return;
            }
            states.push_back({s.table.model, fileNow()});
            if (saveEach) {
                HistoryStep step(s.table, "save");
                ArgReader in({file("each.vtb")});
                runCommandLine(*std::find_if(commands.begin(), commands.end(),
                                             [](const Command& k) { return k.name == "save"; }),
                               c, in);
            }
        };
        states.push_back({s.table.model, fileNow()});
        run("add", {rli(), "--records", "1-6"});
        const std::size_t first = states.size() - 1;
        const std::size_t before = s.table.history.stepCount();

        std::mt19937 rng(2024);
        auto pick = [&](int lo, int hi) {
            return std::to_string(lo +
                                  static_cast<int>(rng() % static_cast<unsigned>(hi - lo + 1)));
        };
        for (int k = 0; k < 200; ++k) {
            const TableState& t = s.table;
            const int firstRow = TableLayout(t.model.freqRow()).firstSpeciesRow();
            const int lastRow = firstRow + t.model.speciesCount(),
                      lastCol = 4 + t.model.releveCount();
            static const char* const sorts[] = {"sort-species", "sort-releves",
                                                "sort-releves-fewest", "recount"};
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
        EXPECT_GT(states.size(), first + 50);
        const std::string last = fileNow();
        EXPECT_NE(states[first].file, last);
        const std::size_t kept = s.table.history.stepCount() - before;
        for (std::size_t n = states.size() - 1; n > states.size() - 1 - kept; --n) {
            s.table.history.undo(s.table.model);
            EXPECT_TRUE(s.table.model == states[n - 1].model) << "undo to " << n - 1;
            EXPECT_EQ(fileNow(), states[n - 1].file) << "undo to " << n - 1;
        }
        for (std::size_t n = states.size() - kept; n < states.size(); ++n) {
            s.table.history.redo(s.table.model);
            EXPECT_TRUE(s.table.model == states[n].model) << "redo to " << n;
            EXPECT_EQ(fileNow(), states[n].file) << "redo to " << n;
        }
        EXPECT_FALSE(s.table.history.canRedo());
        return states.back();
    };
    const State plain = play(false);
    const State saving = play(true);
    EXPECT_EQ(saving.file, plain.file);
    EXPECT_TRUE(saving.model == plain.model);
}

// A deletion undone brings the relevé back with its own origin, also with a save
// between the two: adding the same records again is told of every one.
TEST(UndoOrigins, AnUndoneDeletionKeepsItsOrigin) {
    const std::string dir = TAMSEL_SAMPLE_DIR, rli = dir + "/sample.rli";
    testing::TempDir temp;
    const struct {
        Args line;
        const char* note;
    } cases[] = {
        {{"add", rli, "--records", "1-3", "delete-col", "5", "undo", "add", rli, "--records",
          "1-3"},
         "note: 3 件の測定は既に表にありましたが"},
        {{"add", rli, "--records", "1-1", "add", rli, "--records", "2-2", "delete-col", "4", "save",
          temp.file("a.vtb"), "undo", "add", rli, "--records", "1-2"},
         "note: 2 件の測定は既に表にありましたが"},
    };
    for (const auto& c : cases) {
        Args line = {"--settings", dir + "/sample.ini"};
        line.insert(line.end(), c.line.begin(), c.line.end());
        testing::Outcome r = testing::runCommands(line);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.err.find(c.note), std::string::npos) << r.err;
    }
}

}  // namespace
}  // namespace tamsel

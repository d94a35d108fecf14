// A table built from field data, sorted, ordered, edited in the middle, saved and
// loaded: every cell must still show and hold the codes of its species in its relevé.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/session/batch.h"
#include "support/data_file_writer.h"
#include "support/temp_dir.h"
#include "text/sjis.h"

namespace tamsel {
namespace {

using Key = std::pair<std::string, std::string>;  // relevé number, species name

struct Commands {
    Session s;
    BatchUi ui;
    std::ostringstream out, err;
    std::vector<BatchCommand> reg = allBatchCommands();

    Commands() { FormCreate(s, ui, {}, false); }
    void operator()(const std::vector<std::string>& args) {
        ArgReader in(args);
        BatchContext c{s, ui, out, err};
        while (!in.atEnd()) {
            std::string name = in.next("command");
            const BatchCommand* cmd = nullptr;
            for (const auto& k : reg)
                if (k.name == name) cmd = &k;
            ASSERT_NE(cmd, nullptr) << name;
            runCommandLine(*cmd, c, in);
            ASSERT_TRUE(ui.messages.empty()) << name << ": " << toUtf8(ui.messages.front());
        }
    }
};

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Every cell in use against the codes the data file gave it; returns how many
// present cells were met.
int checkCells(const TableState& t, const std::map<Key, LayerCodes>& expected) {
    int present = 0;
    for (int col = 4; col <= t.model.releveCount() + 3; ++col) {
        std::string releve = trimControl(t.model.cell(col, 2));
        for (int row = t.model.freqRow() + 1; row <= t.model.freqRow() + t.model.speciesCount();
             ++row) {
            auto it = expected.find({releve, t.model.cell(2, row)});
            LayerCodes want = it == expected.end() ? LayerCodes{} : it->second;
            EXPECT_EQ(t.model.codesAt(col, row), want)
                << releve << " / " << toUtf8(t.model.cell(2, row));
            EXPECT_EQ(t.model.cell(col, row), allZero(want) ? "" : LayerSummary(want));
            if (!allZero(want)) ++present;
        }
    }
    return present;
}

// How many codes of the data file belong in the table: one per column of a relevé
// for each of its species still among the rows.
int liveEntries(const TableState& t, const std::map<Key, LayerCodes>& expected) {
    std::set<std::string> species;
    for (int row = t.model.freqRow() + 1; row <= t.model.freqRow() + t.model.speciesCount(); ++row)
        species.insert(t.model.cell(2, row));
    int n = 0;
    for (int col = 4; col <= t.model.releveCount() + 3; ++col)
        for (const auto& [key, codes] : expected)
            if (key.first == trimControl(t.model.cell(col, 2)) && species.count(key.second)) ++n;
    return n;
}

TEST(RoundTrip, EditedSortedOrderedTableKeepsEveryCode) {
    testing::TempDir dir;
    // 8 relevés over 12 species along a gradient; every code of the table differs
    // from every other, so a code in the wrong cell cannot go unnoticed.
    std::map<Key, LayerCodes> expected;
    int serial = 0;
    auto releve = [&](const std::string& number, const std::vector<int>& species) {
        testing::ReleveIn in;
        in.releveNumber = number;
        for (int s : species) {
            std::string name = sj("種") + std::to_string(s);
            LayerCodes c{};
            int layer = serial % 7, value = 10 + serial % 46;
            if (value % 10 > 5) value -= 4;
            c[layer] = static_cast<CoverCode>(value);
            c[(layer + 3) % 7] = static_cast<CoverCode>(2 + serial % 5);
            ++serial;
            std::string text(14, ' ');
            for (int l = 0; l < 7; ++l)
                if (c[l]) {  // two digits: a single digit would be read as a class
                    std::string v = (c[l] < 10 ? "0" : "") + std::to_string(c[l]);
                    text.replace(2 * l, 2, v);
                }
            in.species.push_back({name, text});
            expected[{number, name}] = c;
        }
        return in;
    };
    std::vector<testing::ReleveIn> releves;
    for (int r = 0; r < 8; ++r)
        releves.push_back(
            releve(std::to_string(101 + r), {r, (r + 2) % 12, (r + 4) % 12, (r + 6) % 12}));
    testing::writeDataFilePair(
        dir.file("more"),
        {releve("201", {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}), releve("202", {11, 5, 13})});
    testing::writeDataFilePair(dir.file("veg"), releves);

    Commands run;
    run({"add", dir.file("veg.rli"), "sort-species", "sort-releves", "recip"});
    TableState& t = run.s.table;
    ASSERT_EQ(t.model.releveCount(), 8);
    ASSERT_EQ(t.model.speciesCount(), 12);
    EXPECT_EQ(checkCells(t, expected), 32);

    int f = t.model.freqRow();
    auto at = [](int n) { return std::to_string(n); };
    run({"move-row", at(f + 2), at(f + 9), "move-col", "5", "10", "insert-col", "7"});
    // Delete a species row and a relevé column in the middle: their slots go to the
    // first free row and column, away from 1..n.
    // The codes of the deleted species row go with it.
    std::string goneSpecies = t.model.cell(2, f + 4);
    for (int col = 4; col <= t.model.releveCount() + 3; ++col)
        expected.erase({trimControl(t.model.cell(col, 2)), goneSpecies});
    run({"delete-row", at(f + 4), "delete-col", "10"});
    run({"insert-row", at(f + 6), "move-col", "4", "8", "move-row", at(f + 1), at(f + 5)});
    ASSERT_EQ(t.model.releveCount(), 8);  // 8 - 1 + the inserted empty one
    EXPECT_EQ(checkCells(t, expected), liveEntries(t, expected));
    // Relevés added now land in the free columns with the slots handed to them, the
    // deleted species coming back as a new row.
    run({"add", dir.file("more.rli")});
    ASSERT_EQ(t.model.releveCount(), 10);
    EXPECT_EQ(checkCells(t, expected), liveEntries(t, expected));
    // Once more in the middle, so the slots in use are no longer 1..n when saving.
    goneSpecies = t.model.cell(2, f + 3);
    for (int col = 4; col <= t.model.releveCount() + 3; ++col)
        expected.erase({trimControl(t.model.cell(col, 2)), goneSpecies});
    run({"delete-col", "5", "delete-row", at(f + 3), "insert-row", at(f + 6), "comment", at(f + 6),
         "区分"});
    ASSERT_EQ(t.model.releveCount(), 9);
    int present = checkCells(t, expected);
    EXPECT_EQ(present, liveEntries(t, expected));
    EXPECT_GE(present, 30);
    int rowsBefore = t.model.speciesCount();

    auto releveSlots = [&t] {
        std::set<int> v;
        for (int col = 4; col <= t.model.releveCount() + 3; ++col)
            v.insert(t.model.releveSlotAt(col));
        return v;
    };
    auto speciesSlots = [&t] {
        std::set<int> v;
        for (int row = t.model.freqRow() + 1; row <= t.model.freqRow() + t.model.speciesCount();
             ++row)
            v.insert(t.model.speciesSlotAt(row));
        return v;
    };
    auto oneTo = [](int n) {
        std::set<int> v;
        for (int k = 1; k <= n; ++k) v.insert(k);
        return v;
    };
    // The save has slots to renumber.
    ASSERT_TRUE(releveSlots() != oneTo(t.model.releveCount()) ||
                speciesSlots() != oneTo(t.model.speciesCount()));

    std::string file = dir.file("table.vtb");
    run({"save", file, "clear", "load", file});
    EXPECT_EQ(t.model.releveCount(), 9);
    EXPECT_EQ(t.model.speciesCount(), rowsBefore);
    EXPECT_EQ(checkCells(t, expected), present);
    // Every loaded slot addresses an entry, and the comment row came back.
    EXPECT_EQ(releveSlots(), oneTo(9));
    EXPECT_EQ(speciesSlots(), oneTo(rowsBefore));
    bool comment = false;
    for (int row = t.model.freqRow() + 1; row <= t.model.freqRow() + t.model.speciesCount(); ++row)
        comment = comment || t.model.cell(2, row) == sj("区分");
    EXPECT_TRUE(comment);

    // Saving what was loaded gives the same title, counts and cover block again
    // (the grid lines were as wide as the capacity, which loading made the count).
    std::string again = dir.file("again.vtb");
    run({"save", again});
    auto head = [&](const std::string& bytes) {
        std::size_t end = 0;
        for (int line = 0; line < t.model.speciesCount() + 3; ++line)
            end = bytes.find("\r\n", end) + 2;
        return bytes.substr(0, end);
    };
    EXPECT_EQ(head(readFile(again)), head(readFile(file)));

    // And the table goes on being edited and ordered after loading.
    // The inserted empty column goes first: reciprocal averaging refuses it.
    int empty = 0;
    for (int col = 4; col <= t.model.releveCount() + 3 && !empty; ++col)
        if (trimControl(t.model.cell(col, 2)).empty()) empty = col;
    ASSERT_NE(empty, 0);
    run({"delete-col", at(empty), "recip", "save", again, "load", again});
    EXPECT_EQ(checkCells(t, expected), liveEntries(t, expected));
}

}  // namespace
}  // namespace tamsel

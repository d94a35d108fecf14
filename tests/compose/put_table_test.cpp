#include "compose/put_table.h"

#include <gtest/gtest.h>

#include <cstring>

#include "datafile/numbers.h"
#include "platform/batch/batch_ui.h"
#include "support/data_file_writer.h"
#include "support/table_fields.h"
#include "text/sjis.h"

namespace tamsel {
namespace {

using testing::ReleveIn;

struct Species {
    std::string name;  // UTF-8
    LayerCodes codes;
};

class PutTableTest : public ::testing::Test {
  protected:
    void SetUp() override {
        t.print.PrintItemBoxes = defaultPrintItemBoxes();
        blank();
    }
    void blank() {
        InitGlobals(t);
        layOutGrid(t);
        ClearTable(t, ui);
    }
    // The relevé as ReadReleve would leave it in the buffers.
    void read(ReleveIn header, const std::vector<Species>& species) {
        if (header.speciesTotal.empty()) header.speciesTotal = IntText4(int(species.size()));
        std::string rec = testing::headerRecord(header, 0);
        std::memcpy(t.data.HeaderRecord.data(), rec.data(), rec.size());
        t.data.CurrentCoverScale = *parseNumberField(header.coverScale);
        t.data.CurrentNotation = *parseNumberField(header.coverNotation);
        ClearPlantSet(t.data);
        t.data.PlantSetCount = static_cast<std::int32_t>(species.size());
        for (std::size_t k = 0; k < species.size(); ++k) {
            PlantSetEntry& e = t.data.PlantSet.at(k + 1);
            std::string n = sj(species[k].name);
            std::memcpy(e.name.data(), n.data(), std::min(n.size(), e.name.size()));
            e.codes = species[k].codes;
        }
    }
    // Places the relevé read last as the next column, as a scan does.
    bool place() {
        t.model.appendReleveColumn();
        return PutTable(t, dict, index, t.model.releveCount());
    }
    std::string name(int i) const { return toUtf8(t.model.cell(2, t.model.freqRow() + i)); }
    std::vector<std::string> names() const {
        std::vector<std::string> v;
        for (int i = 1; i <= t.model.speciesCount(); ++i) v.push_back(name(i));
        return v;
    }

    TableState t{};
    BatchUi ui;
    ReplaceName dict;
    SpeciesRowIndex index;
};

const LayerCodes plus{0, 0, 7, 0, 23, 0, 6};  // summary "  +2"
const LayerCodes tree{40, 0, 0, 0, 0, 0, 0};  // "4   "
const LayerCodes none{};

TEST_F(PutTableTest, HeaderCellsRuleAndScaleBytes) {
    ReleveIn r;
    r.releveNumber = "N-001";
    r.siteName = sj("高尾");
    r.gridCode = "5339";
    r.fours[0] = " 12";  // Altitude, stored right-aligned
    r.heights[6] = "0.1";
    r.coverScale = "7";
    r.coverNotation = "1";
    read(r, {{"Abies", tree}});
    index = buildSpeciesRowIndex(t);
    ASSERT_TRUE(place());
    const CompositionTable& g = t.model;
    EXPECT_EQ(g.cell(4, 2), "N-001   ");           // 8 bytes as stored
    EXPECT_EQ(g.cell(4, 3), sj("高尾") + "    ");  // SiteName
    EXPECT_EQ(g.cell(4, 4), "5339    ");           // GridCode: boxes 4-6 are disabled
    EXPECT_EQ(g.cell(4, 5), "  12");               // Altitude
    EXPECT_EQ(g.cell(4, 6), "    ");               // Aspect, blank
    EXPECT_EQ(g.cell(4, 19), " 0.1");              // moss height (box 22)
    EXPECT_EQ(g.cell(4, 27), "   1");              // SpeciesTotal (box 30)
    EXPECT_EQ(t.model.freqRow(), 28);
    EXPECT_EQ(g.cell(4, 28), sj("──"));
    EXPECT_EQ(g.cell(3, 28), sj("F＼N"));
    EXPECT_EQ(t.model.codes().get(1, 0), (LayerCodes{7, 1, 0, 0, 0, 0, 0}));
    EXPECT_EQ(g.cell(4, 29), "4   ");
    EXPECT_EQ(t.model.codes().get(1, 1), tree);
}

TEST_F(PutTableTest, RowsInFirstOccurrenceOrder) {
    index = buildSpeciesRowIndex(t);
    read({}, {{"B", plus}, {"Zero", none}, {"A", tree}});
    ASSERT_TRUE(place());
    read({}, {{"C", tree}, {"A", plus}, {"b", plus}, {"D", plus}});
    ASSERT_TRUE(place());
    EXPECT_EQ(names(), (std::vector<std::string>{"B", "A", "C", "b", "D"}));
    EXPECT_EQ(t.model.speciesCount(), 5);
    const CompositionTable& g = t.model;
    const int f = t.model.freqRow();
    EXPECT_EQ(g.cell(4, f + 1), "  +2");
    EXPECT_EQ(g.cell(4, f + 2), "4   ");
    EXPECT_TRUE(g.isEmpty(4, f + 3));
    EXPECT_EQ(g.cell(5, f + 2), "  +2");
    EXPECT_EQ(g.cell(5, f + 3), "4   ");
    EXPECT_TRUE(g.isEmpty(5, f + 1));  // "b" is not "B"
    EXPECT_EQ(t.model.codes().get(2, 2), plus);
    EXPECT_EQ(t.model.codes().get(2, 5), plus);
    EXPECT_EQ(t.model.codes().get(1, 3), none);
    // Frequencies and the caption are the scan's business.
    EXPECT_TRUE(g.isEmpty(3, f + 1));
    EXPECT_EQ(t.model.freq()[1], 0);
}

TEST_F(PutTableTest, RepeatedNameUsesOneRowAndTheLaterCodes) {
    index = buildSpeciesRowIndex(t);
    read({}, {{"A", plus}, {"B", plus}, {" A ", tree}});
    ASSERT_TRUE(place());
    EXPECT_EQ(names(), (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(t.model.cell(4, t.model.freqRow() + 1), "4   ");
    EXPECT_EQ(t.model.codes().get(1, 1), tree);
}

TEST_F(PutTableTest, SynonymsAndTheCutAt28Bytes) {
    dict.OldNames = {"short", "kanji"};
    dict.NewNames = {std::string(30, 'x'), std::string(27, 'k') + "\x88\x9F" + "zz"};
    index = buildSpeciesRowIndex(t);
    read({}, {{"SHORT", plus}, {std::string(28, 'x'), tree}, {"kanji", plus}});
    ASSERT_TRUE(place());
    // The 28 bytes of the first name and the full 28-byte name are one row; a
    // double-byte character across the cut is dropped whole.
    EXPECT_EQ(names(), (std::vector<std::string>{std::string(28, 'x'), std::string(27, 'k')}));
    EXPECT_EQ(t.model.codes().get(1, 1), tree);
}

TEST_F(PutTableTest, FirstOfTwoRowsWithOneNameIsUsed) {
    // Rows named alike by hand before the scan started.
    for (int i = 1; i <= 3; ++i) t.model.appendSpeciesRow(i == 2 ? "Other" : "Same");
    index = buildSpeciesRowIndex(t);
    read({}, {{"Same", plus}});
    ASSERT_TRUE(place());
    EXPECT_EQ(t.model.cell(4, t.model.freqRow() + 1), "  +2");
    EXPECT_TRUE(t.model.isEmpty(4, t.model.freqRow() + 3));
    EXPECT_EQ(t.model.speciesCount(), 3);
}

TEST_F(PutTableTest, GrowthOfColumnsAndRows) {
    index = buildSpeciesRowIndex(t);
    std::vector<Species> many;
    for (int k = 1; k <= 128; ++k) many.push_back({"sp" + std::to_string(k), plus});
    read({}, many);
    // The 24th column is the first beyond the capacity.
    testing::editFields(t.model, [](TableFields& f) { f.releveCount = 23; });
    ASSERT_TRUE(place());
    EXPECT_EQ(t.model.releveCapacity(), 31);
    EXPECT_EQ(t.model.grid().colCount(), 35);
    EXPECT_EQ(t.model.plantCapacity(), 143);
    EXPECT_EQ(t.model.grid().rowCount(), 175);
    EXPECT_EQ(t.model.speciesCount(), 128);
    EXPECT_EQ(t.model.cell(27, 0), "24");
    EXPECT_EQ(t.model.cell(34, 1), "  31");
    EXPECT_EQ(t.model.cell(0, t.model.freqRow() + 143), "143");
    EXPECT_EQ(name(128), "sp128");
    EXPECT_EQ(t.model.cell(27, t.model.freqRow() + 128), "  +2");
    EXPECT_EQ(t.model.codes().get(24, 128), plus);
}

TEST_F(PutTableTest, OnlyReleveNumberAndSpeciesTotalRows) {
    for (int n = 2; n <= PrintItemCount; ++n) t.print.PrintItemBoxes[n].enabled = n == 2 || n == 30;
    blank();
    ASSERT_EQ(t.model.freqRow(), 4);
    index = buildSpeciesRowIndex(t);
    ReleveIn r;
    r.releveNumber = "7";
    read(r, {{"A", plus}, {"B", plus}});
    ASSERT_TRUE(place());
    EXPECT_EQ(t.model.freqRow(), 4);
    EXPECT_EQ(t.model.cell(4, 2), "7       ");
    EXPECT_EQ(t.model.cell(4, 3), "   2");
    EXPECT_EQ(t.model.cell(4, 4), sj("──"));
    EXPECT_EQ(t.model.cell(2, 5), "A");
    EXPECT_EQ(t.model.cell(2, 6), "B");
}

TEST_F(PutTableTest, CodesGoToTheSlotsAfterRowsAndColumnsMoved) {
    index = buildSpeciesRowIndex(t);
    read({}, {{"A", tree}, {"B", tree}});
    ASSERT_TRUE(place());
    // Rows A and B exchanged, and the free columns 5 and 6 as well.
    t.model.moveSpeciesRow(t.model.freqRow() + 1, t.model.freqRow() + 2);
    t.model.moveReleveColumn(5, 6);
    index = buildSpeciesRowIndex(t);
    read({}, {{"A", plus}, {"C", plus}});
    ASSERT_TRUE(place());
    const int f = t.model.freqRow();
    EXPECT_EQ(names(), (std::vector<std::string>{"B", "A", "C"}));
    EXPECT_EQ(t.model.cell(5, f + 2), "  +2");
    EXPECT_EQ(t.model.codes().get(3, 1), plus);  // column 5 carries slot 3, row A slot 1
    EXPECT_EQ(t.model.codes().get(3, 3), plus);
    EXPECT_EQ(t.model.codes().get(2, 1), none);
    EXPECT_EQ(t.model.codesAt(5, f + 2), plus);
    EXPECT_EQ(t.model.codesAt(4, f + 2), tree);
    EXPECT_EQ(t.model.codes().get(3, 0)[0], 5);
}

}  // namespace
}  // namespace tamsel

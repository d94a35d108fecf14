#include "analysis/sorting.h"

#include <gtest/gtest.h>

#include <random>

#include "datafile/numbers.h"
#include "platform/batch/batch_ui.h"
#include "platform/error.h"
#include "support/table_fields.h"
#include "text/sjis.h"

namespace tamsel {

using testing::editFields;
namespace {

class SortingTest : public ::testing::Test {
  protected:
    void SetUp() override {
        startBlankTable(t, ui);
        f = t.model.freqRow();
    }
    // Species rows named S1, S2, ... with these column-3 texts.
    void species(const std::vector<std::string>& freq) {
        for (std::size_t k = 0; k < freq.size(); ++k) {
            t.model.appendSpeciesRow("S" + std::to_string(k + 1));
            t.model.setCell(3, f + 1 + static_cast<int>(k), freq[k]);
        }
        editFields(t.model, [&](TableFields& fields) {
            for (std::size_t k = 0; k < freq.size(); ++k)
                fields.freq[k + 1] = static_cast<std::uint16_t>(k + 1);
        });
    }
    // Relevé columns with these species numbers in row FreqRow.
    void releves(const std::vector<std::string>& numbers) {
        for (std::size_t k = 0; k < numbers.size(); ++k) {
            t.model.appendReleveColumn();
            t.model.setCell(4 + static_cast<int>(k), f, numbers[k]);
            t.model.setCell(4 + static_cast<int>(k), 2, "R" + std::to_string(k + 1));
        }
        editFields(t.model, [&](TableFields& fields) {
            for (std::size_t k = 0; k < numbers.size(); ++k)
                fields.numSp[k + 1] = static_cast<std::uint16_t>(k + 1);
        });
    }
    std::vector<std::string> column(int col, int from, int count) const {
        std::vector<std::string> v;
        for (int r = from; r < from + count; ++r) v.push_back(t.model.cell(col, r));
        return v;
    }
    std::vector<std::string> row(int r, int from, int count) const {
        std::vector<std::string> v;
        for (int c = from; c < from + count; ++c) v.push_back(t.model.cell(c, r));
        return v;
    }
    std::vector<int> counts(const std::vector<std::uint16_t>& a, int n) const {
        return std::vector<int>(a.begin() + 1, a.begin() + 1 + n);
    }

    TableState t{};
    BatchUi ui;
    int f = 0;
};

using Texts = std::vector<std::string>;

TEST_F(SortingTest, SpeciesByFrequencyTiesKeepTheirOrder) {
    species({"   3", "   5", "   5", "   1", "   5"});
    sortSpeciesByFrequency(t, ui);
    EXPECT_EQ(column(2, f + 1, 5), (Texts{"S2", "S3", "S5", "S1", "S4"}));
    EXPECT_EQ(column(0, f + 1, 5), (Texts{"2", "3", "5", "1", "4"}));  // slots travel along
    EXPECT_EQ(counts(t.model.freq(), 5), (std::vector<int>{2, 3, 5, 1, 4}));
    for (int k = 1; k <= t.model.plantCapacity(); ++k)
        ASSERT_EQ(t.model.cell(1, f + k), IntText4(k));
    EXPECT_EQ(ui.panelLabels.back(), sj("植物を並べ替えています"));
    EXPECT_FALSE(ui.panelShown);
    EXPECT_EQ(ui.busyDepth, 0);
    EXPECT_EQ(ui.progressBar2().min(), f + 1);
    EXPECT_EQ(ui.progressBar2().max(), f + 5);
    EXPECT_EQ(ui.progressBar2().position(), f + 5);
}

TEST_F(SortingTest, SpeciesKeysCompareAsText) {
    // "9" without blanks is above "  10"; an empty cell is the smallest key; a
    // full-width text is above every count, but never passes the header rows.
    t.model.setCell(3, f, "");
    species({"  10", "", "9", sj("多"), "   2", "10"});
    Texts header = column(2, 0, f + 1);
    sortSpeciesByFrequency(t, ui);
    EXPECT_EQ(column(2, f + 1, 6), (Texts{"S4", "S3", "S6", "S1", "S5", "S2"}));
    EXPECT_EQ(column(2, 0, f + 1), header);
}

TEST_F(SortingTest, RelevesBothDirections) {
    struct Case {
        bool reverse;
        Texts names, slots;
    } cases[] = {
        {false, {"R4", "R1", "R3", "R2"}, {"4", "1", "3", "2"}},
        {true, {"R2", "R1", "R3", "R4"}, {"2", "1", "3", "4"}},
    };
    for (const Case& c : cases) {
        SetUp();
        releves({"  12", "   7", "  12", "  30"});
        SortReleve(t, ui, c.reverse);
        EXPECT_EQ(row(2, 4, 4), c.names);
        EXPECT_EQ(row(0, 4, 4), c.slots);
        std::vector<int> numSp;
        for (const auto& s : c.slots) numSp.push_back(std::stoi(s));
        EXPECT_EQ(counts(t.model.numSp(), 4), numSp);
        EXPECT_EQ(t.model.cell(3, f), sj("F＼N"));
        for (int k = 1; k <= t.model.releveCapacity(); ++k)
            ASSERT_EQ(t.model.cell(k + 3, 1), IntText4(k));
        EXPECT_EQ(ui.progressBar2().max(), 7);
        EXPECT_EQ(ui.progressBar2().position(), 7);
        EXPECT_EQ(ui.panelLabels.back(), sj("測定を並べ替えています"));
        EXPECT_FALSE(ui.panelShown);
    }
}

TEST_F(SortingTest, RelevesNeverMoveLeftOfColumnFour) {
    // "5" without blanks is above the temporary "0" of the label cell.
    releves({"   3", "5", "  40"});
    Texts fixed = row(f, 0, 4);
    SortReleve(t, ui, false);
    EXPECT_EQ(row(2, 4, 3), (Texts{"R2", "R3", "R1"}));
    EXPECT_EQ(row(f, 0, 4), fixed);
    SortReleve(t, ui, true);
    EXPECT_EQ(row(2, 4, 3), (Texts{"R1", "R3", "R2"}));
}

TEST_F(SortingTest, OneOrNoReleveMovesNothing) {
    SortReleve(t, ui, false);
    EXPECT_EQ(t.model.cell(3, f), sj("F＼N"));
    releves({"   4"});
    SortReleve(t, ui, true);
    EXPECT_EQ(t.model.cell(4, 2), "R1");
    EXPECT_EQ(t.model.cell(3, f), sj("F＼N"));
}

TEST_F(SortingTest, RelevesByAHeaderRow) {
    // Numbers by value (ties in order), then texts in byte order, blanks last;
    // descending turns numbers and texts, never the groups.
    const Texts values = {"12", "", "abc", "-3.5", "12.0", " 7 ", "B", "", "+7", "1,000", "7."};
    struct Case {
        bool descending;
        Texts names;
    } cases[] = {
        {false, {"R4", "R6", "R9", "R11", "R1", "R5", "R10", "R7", "R3", "R2", "R8"}},
        {true, {"R1", "R5", "R6", "R9", "R11", "R4", "R3", "R7", "R10", "R2", "R8"}},
    };
    for (const Case& c : cases) {
        SetUp();
        releves(Texts(values.size(), "   1"));
        for (std::size_t k = 0; k < values.size(); ++k) t.model.setCell(4 + int(k), 3, values[k]);
        const std::string caption(t.model.cell(2, 3));
        ASSERT_FALSE(caption.empty());
        EXPECT_EQ(headerRowNamed(t, "3"), 3);
        EXPECT_EQ(headerRowNamed(t, " " + caption), 3);
        sortRelevesByRow(t, ui, 3, c.descending);
        EXPECT_EQ(row(2, 4, int(values.size())), c.names);
        for (std::size_t k = 0; k < values.size(); ++k)
            ASSERT_EQ(t.model.cell(int(k) + 4, 1), IntText4(int(k) + 1));
    }
    for (const char* bad : {"1", "0", "99999999999", "no such row"})
        EXPECT_THROW(headerRowNamed(t, bad), Error) << bad;
    EXPECT_THROW(headerRowNamed(t, std::to_string(f)), Error);  // the counts row is no item
}

// The insertion sorts as the menu commands describe them, copying whole items,
// with the first item as the stop.
std::vector<int> insertionSort(const Texts& keys, bool descending) {
    std::vector<int> ids(keys.size());
    for (std::size_t k = 0; k < ids.size(); ++k) ids[k] = static_cast<int>(k);
    for (std::size_t p = 1; p < ids.size(); ++p) {
        int moving = ids[p];
        std::size_t j = p;
        while (j > 0 &&
               (descending ? keys[ids[j - 1]] < keys[moving] : keys[ids[j - 1]] > keys[moving])) {
            ids[j] = ids[j - 1];
            --j;
        }
        ids[j] = moving;
    }
    return ids;
}

TEST_F(SortingTest, SameResultAsTheInsertionSortOnRandomTexts) {
    std::mt19937 rng(7);
    const Texts pool = {"", " ", "   1", "   2", "  10", "1", "9", "10", "\x81\x40", "\xfc", "0"};
    for (int round = 0; round < 40; ++round) {
        SetUp();
        Texts keys(1 + rng() % 23);
        for (auto& k : keys) k = pool[rng() % pool.size()];
        species(keys);
        releves(keys);
        sortSpeciesByFrequency(t, ui);
        std::vector<int> want = insertionSort(keys, true);
        for (std::size_t k = 0; k < keys.size(); ++k)
            ASSERT_EQ(t.model.cell(2, f + 1 + int(k)), "S" + std::to_string(want[k] + 1));
        bool reverse = round % 2;
        SortReleve(t, ui, reverse);
        want = insertionSort(keys, !reverse);
        for (std::size_t k = 0; k < keys.size(); ++k)
            ASSERT_EQ(t.model.cell(4 + int(k), 2), "R" + std::to_string(want[k] + 1));
    }
}

}  // namespace
}  // namespace tamsel

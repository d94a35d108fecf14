#include "table/cover_array.h"

#include <gtest/gtest.h>

#include "platform/error.h"

namespace tamsel {
namespace {

const LayerCodes a{1, 0, 0, 0, 0, 0, 0}, b{0, 0, 7, 0, 23, 0, 6}, zero{};

TEST(CoverArray, SetGetAndRange) {
    CoverArray t;
    t.resize(24, 128);
    EXPECT_EQ(t.releveSlots(), 24);
    EXPECT_EQ(t.speciesSlots(), 128);
    EXPECT_EQ(t.get(5, 7), zero);
    t.set(5, 7, a);
    t.set(0, 0, b);  // slot 0 carries data too
    t.set(23, 127, b);
    EXPECT_EQ(t.get(5, 7), a);
    EXPECT_EQ(t.get(0, 0), b);
    EXPECT_EQ(t.get(23, 127), b);
    EXPECT_EQ(t.get(7, 5), zero);
    for (auto [r, s] : {std::pair{24, 0}, {0, 128}, {-1, 0}, {0, -1}}) {
        EXPECT_THROW(t.get(r, s), Error);
        EXPECT_THROW(t.set(r, s, a), Error);
    }
    // Setting zero codes removes the entry.
    t.set(5, 7, zero);
    EXPECT_EQ(t.get(5, 7), zero);
    EXPECT_TRUE(t.releve(5).empty());
}

TEST(CoverArray, ReleveListIsSortedBySpeciesSlot) {
    CoverArray t;
    t.resize(3, 50);
    for (int s : {40, 3, 17, 9}) t.set(1, s, b);
    t.set(1, 17, a);
    const auto& list = t.releve(1);
    ASSERT_EQ(list.size(), 4u);
    EXPECT_EQ(list[0].first, 3);
    EXPECT_EQ(list[1].first, 9);
    EXPECT_EQ(list[2].first, 17);
    EXPECT_EQ(list[2].second, a);
    EXPECT_EQ(list[3].first, 40);
}

TEST(CoverArray, ResizeKeepsWhatRemainsAndZeroesTheRest) {
    CoverArray t;
    t.resize(4, 10);
    t.set(1, 2, a);
    t.set(3, 9, b);
    t.set(2, 5, b);
    t.resize(3, 6);  // drops relevé slot 3 and species slots 6..9
    EXPECT_EQ(t.get(1, 2), a);
    EXPECT_EQ(t.get(2, 5), b);
    EXPECT_THROW(t.get(3, 0), Error);
    EXPECT_THROW(t.get(0, 6), Error);
    t.resize(5, 12);
    EXPECT_EQ(t.get(1, 2), a);
    EXPECT_EQ(t.get(3, 9), zero);  // nothing comes back
    EXPECT_EQ(t.get(4, 11), zero);
}

TEST(CoverArray, Clearing) {
    CoverArray t;
    t.resize(3, 4);
    for (int r = 0; r < 3; ++r)
        for (int s = 0; s < 4; ++s) t.set(r, s, b);
    t.clearReleve(1);
    t.clearSpecies(2);
    for (int r = 0; r < 3; ++r)
        for (int s = 0; s < 4; ++s)
            EXPECT_EQ(t.get(r, s), (r == 1 || s == 2) ? zero : b) << r << " " << s;
    EXPECT_THROW(t.clearReleve(3), Error);
    EXPECT_THROW(t.clearSpecies(4), Error);
    t.clearAll();
    for (int r = 0; r < 3; ++r) EXPECT_TRUE(t.releve(r).empty());
}

}  // namespace
}  // namespace tamsel

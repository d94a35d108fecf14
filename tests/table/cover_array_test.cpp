#include "table/cover_array.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

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

// The bulk build leaves what clearAll() and set() of each entry in turn leave:
// file order (ascending species), shuffled, with repeats and zero codes.
TEST(CoverArray, AssignMatchesSetInTurn) {
    std::mt19937 rng(11);
    for (int round = 0; round < 40; ++round) {
        const bool fileOrder = round % 2 == 0;
        std::vector<CoverEntry> entries;
        for (int s = 0; s < 30; ++s)
            for (int r = 0; r < 12; ++r)
                if (rng() % 3 == 0) entries.push_back({r, s, rng() % 2 ? a : b});
        if (!fileOrder) {
            for (int k = 0; k < 40; ++k)
                entries.push_back({static_cast<int>(rng() % 12), static_cast<int>(rng() % 30),
                                   rng() % 3 == 0 ? zero : (rng() % 2 ? a : b)});
            std::shuffle(entries.begin(), entries.end(), rng);
        }
        CoverArray bySet, bulk;
        for (CoverArray* t : {&bySet, &bulk}) {
            t->resize(12, 30);
            t->set(3, 4, b);  // replaced, not merged
        }
        bySet.clearAll();
        for (const auto& e : entries) bySet.set(e.releve, e.species, e.codes);
        bulk.assign(entries);
        for (int r = 0; r < 12; ++r)
            EXPECT_EQ(bulk.releve(r), bySet.releve(r)) << round << " " << r;
    }
    CoverArray t;
    t.resize(2, 3);
    t.set(1, 1, a);
    EXPECT_THROW(t.assign({{0, 0, b}, {2, 0, b}}), Error);
    EXPECT_THROW(t.assign({{0, 3, b}}), Error);
    EXPECT_EQ(t.get(1, 1), a);  // a refused build changes nothing
    EXPECT_EQ(t.get(0, 0), zero);
}

}  // namespace
}  // namespace tamsel

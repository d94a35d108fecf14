#include "datafile/cover_values.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace tamsel {
namespace {

// Layer percents merged both ways, checked against the formulas worked by hand:
// independent 100 (1 - prod(1 - c/100)), sum capped at 87.5 %.
TEST(CoverValues, BothWaysOverTwoToFourLayers) {
    struct Case {
        std::vector<double> percents;
        double independent, sum;
    } cases[] = {
        {{60, 25}, 70, 85},                          // trees over shrubs (Fischer 2015)
        {{15, 15}, 27.75, 30},                       //
        {{37.5, 37.5, 37.5}, 75.5859375, 87.5},      // the sum capped
        {{2.5, 0.1, 15, 62.5}, 68.952953125, 80.1},  // four layers
        {{0, 0}, 0, 0},                              // no cover stays none
        {{0, 40, 0}, 40, 40},                        // a layer at 0 % changes nothing
        {{100, 20}, 100, 87.5},                      // a closed layer closes the whole
        {{87.5}, 87.5, 87.5},                        // one layer is itself
    };
    for (const Case& c : cases) {
        std::vector<double> tenths;
        for (double p : c.percents) tenths.push_back(p * 10);
        const int n = static_cast<int>(tenths.size());
        EXPECT_NEAR(mergeTenths(tenths.data(), n, 875, LayerMerge::Independent), c.independent * 10,
                    1e-9)
            << c.independent;
        EXPECT_NEAR(mergeTenths(tenths.data(), n, 875, LayerMerge::Sum), c.sum * 10, 1e-9) << c.sum;
    }
}

// Codes through the table: classes, the mark "*" and codes of no class; the
// default table gives the fixed mid-points (whole tenths), a set one its values.
TEST(CoverValues, CodesThroughTheCoverValues) {
    CoverValues mine;
    mine.percent = {0.5, 1, 3, 17.5, 40, 65, 90};
    struct Case {
        LayerCodes codes;
        double byDefault, bySet, independentSet;
    } cases[] = {
        {{6, 7, 0, 0, 0, 0, 0}, 2, 15, 1000 - 995 * 990 / 1000.0},
        {{0, 0, 23, 0, 3, 1, 0}, 151, 185, 1000 - 825 * 990 / 1000.0},  // +.3 counts as +
        {{50, 40, 55, 0, 0, 0, 0}, 875, 900, 1000 - 100 * 350 * 100 / 1e6},
        {{1, 8, 19, 56, 0, 0, 0}, 0, 0, 0},  // "*" and codes of no class weigh nothing
    };
    for (const Case& c : cases) {
        EXPECT_EQ(mergedTenths(c.codes, CoverValues{}, LayerMerge::Sum), c.byDefault);
        EXPECT_NEAR(mergedTenths(c.codes, mine, LayerMerge::Sum), c.bySet, 1e-9);
        EXPECT_NEAR(mergedTenths(c.codes, mine, LayerMerge::Independent), c.independentSet, 1e-9);
    }
}

TEST(CoverValues, BraunBlanquetClassOfAPercent) {
    struct Case {
        double percent;
        bool allR;
        CoverCode code;
    } cases[] = {{0.1, true, 6},  {0.99, false, 7}, {1, true, 10},   {4.99, false, 10},
                 {5, false, 20},  {25, false, 30},  {50, false, 40}, {74.9, false, 40},
                 {75, false, 50}, {100, false, 50}};
    for (const Case& c : cases)
        EXPECT_EQ(braunBlanquetCode(c.percent * 10, c.allR), c.code) << c.percent;
}

}  // namespace
}  // namespace tamsel

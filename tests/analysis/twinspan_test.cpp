#include "analysis/twinspan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dune.h"
#include "platform/error.h"

namespace tamsel {
namespace {

std::string indicatorText(const Dune& d, const TwinspanDivision& dv) {
    std::string s;
    for (const auto& i : dv.indicators)
        s += (s.empty() ? "" : " ") + std::string(i.sign > 0 ? "+" : "-") +
             d.names[static_cast<std::size_t>(i.species)] + std::to_string(i.level);
    return s;
}

// The figures Hill's program gives with its defaults (two implementations agree).
TEST(Twinspan, DuneDivisionsAsHillsProgram) {
    const Dune d = readDune();
    const TwinspanResult r = twinspan(d.m, {});
    struct Expected {
        std::uint64_t cls;
        double eigenvalue;
        const char* indicators;
        int threshold;
    };
    const std::vector<Expected> expected{
        {1, 0.5106, "+Ranuflam1 +Agrostol1 +Eleopalu1 -Lolipere1", 1},
        {2, 0.3843, "-Hyporadi1", 0},
        {3, 0.4114, "-Sagiproc1", 0},
        {5, 0.3166, "-Planlanc1", 0},
        {10, 0.2839, "+Achimill1", 1},
        {11, 0.3010, "+Juncarti1", 1},
    };
    ASSERT_EQ(r.divisions.size(), expected.size());
    for (std::size_t k = 0; k < expected.size(); ++k) {
        const TwinspanDivision& dv = r.divisions[k];
        SCOPED_TRACE(dv.cls);
        EXPECT_EQ(dv.cls, expected[k].cls);
        EXPECT_NEAR(dv.eigenvalue, expected[k].eigenvalue, 5e-5);
        EXPECT_EQ(indicatorText(d, dv), expected[k].indicators);
        EXPECT_EQ(dv.threshold, expected[k].threshold);
        EXPECT_TRUE(dv.misclassified.empty());
    }
    const std::vector<std::uint64_t> classes{22, 22, 22, 22, 21, 21, 21, 6,  23, 21,
                                             4,  6,  6,  7,  7,  7,  4,  20, 4,  7};
    EXPECT_EQ(r.releveClass, classes);
    std::vector<std::int32_t> order;
    for (std::int32_t q : {11, 17, 19, 18, 5, 6, 7, 10, 1, 2, 3, 4, 9, 8, 12, 13, 14, 15, 16, 20})
        order.push_back(q - 1);
    EXPECT_EQ(r.releveOrder, order);
    std::string species;
    for (std::int32_t s : r.speciesOrder) species += d.names[static_cast<std::size_t>(s)] + " ";
    EXPECT_EQ(species,
              "Cirsarve Elymrepe Bellpere Bromhord Trifprat Airaprae Empenigr Hyporadi Vicilath "
              "Achimill Anthodor Planlanc Lolipere Poaprat Rumeacet Poatriv Scorautu Trifrepe "
              "Bracruta Sagiproc Salirepe Agrostol Alopgeni Juncbufo Ranuflam Comapalu Eleopalu "
              "Juncarti Callcusp Chenalbu ");
    const std::vector<double> inertia{1.9969, 1.4220, 1.0389, 0.7340, 1.0327, 0.4416, 0.6641};
    for (const auto& h : r.heterogeneity) {
        if (h.cls > inertia.size()) continue;
        EXPECT_NEAR(h.inertia, inertia[h.cls - 1], 5e-5) << h.cls;
    }
}

TEST(Twinspan, ModifiedDividesTheMostHeterogeneousClusterFirst) {
    const Dune d = readDune();
    struct Case {
        int clusters;
        std::vector<std::uint64_t> classes;
    };
    const std::vector<Case> cases{
        {1, std::vector<std::uint64_t>(20, 1)},
        {2, {2, 2, 2, 2, 2, 2, 2, 3, 2, 2, 2, 3, 3, 3, 3, 3, 2, 2, 2, 3}},
        {4, {5, 5, 5, 5, 5, 5, 5, 6, 5, 5, 4, 6, 6, 7, 7, 7, 4, 5, 4, 7}},
    };
    for (const Case& c : cases) {
        TwinspanOptions o;
        o.clusters = c.clusters;
        EXPECT_EQ(twinspan(d.m, o).releveClass, c.classes) << c.clusters;
    }
    // More clusters than can be made: it stops where no cluster can be divided.
    TwinspanOptions o;
    o.clusters = 20;
    const TwinspanResult r = twinspan(d.m, o);
    EXPECT_LT(r.groups().size(), 20u);
    for (const auto& [cls, releves] : r.groups()) EXPECT_GE(releves.size(), 1u);
}

TEST(Twinspan, RefusesBadInput) {
    const Dune d = readDune();
    std::vector<TwinspanOptions> bad(4);
    bad[0].cuts = {0, 5, 5};
    bad[1].maxIndicators = -1;
    bad[2].clusters = 21;
    bad[3].groupMin = -2;
    for (const auto& o : bad) EXPECT_THROW(twinspan(d.m, o), Error);
    TwinspanMatrix one;
    one.species = 2;
    one.addReleve({{0, 1.0}});
    one.addReleve({});
    EXPECT_THROW(twinspan(one, {}), Error);
}

}  // namespace
}  // namespace tamsel

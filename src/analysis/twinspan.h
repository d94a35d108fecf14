// Two-way indicator species analysis (Hill 1979) and its modified form (Roleček,
// Tichý, Zelený & Chytrý 2009) on a plain sparse matrix of relevés by species.
//
// The numeric steps follow Hill's program, constants and tie rules included, so
// that its divisions, indicators, thresholds and orders come out the same:
// pseudospecies from cut levels, the first axis of reciprocal averaging on the
// down-weighted pseudospecies, two refinements by preference scores, the
// indicators and threshold that leave fewest relevés on the wrong side, the
// orientation of each division next to its neighbour class, the classification
// of species by their fidelity to the relevé classes and the two-way order.
// Everything is computed in double precision; each division costs in proportion
// to the entries of its class.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "datafile/cover_values.h"

namespace tamsel {

// Relevés by species, sparse: relevé r holds entries start[r] .. start[r+1]-1,
// species numbers ascending, values above 0.
struct TwinspanMatrix {
    std::int32_t species = 0;
    std::vector<std::int64_t> start{0};
    std::vector<std::int32_t> index;
    std::vector<double> value;

    std::int32_t releves() const { return static_cast<std::int32_t>(start.size()) - 1; }
    // Appends one relevé; entries (species, value) in any order, values <= 0 dropped.
    void addReleve(std::vector<std::pair<std::int32_t, double>> entries);
};

enum class Heterogeneity { Inertia, Whittaker, Sorensen, Jaccard };

struct TwinspanOptions {
    std::vector<double> cuts{0, 2, 5, 10, 20};  // strictly increasing, at most 9
    std::vector<double> levelWeights;           // per cut level; empty: all 1
    std::vector<bool> levelIndicators;          // per cut level; empty: all eligible
    int maxIndicators = 7;                      // 0 .. 15
    int groupMin = 5;                           // classes smaller are not divided
    int levels = 6;                             // 1 .. 15 levels of division
    int clusters = 0;                           // 0: classic; G: modified, G clusters
    Heterogeneity heterogeneity = Heterogeneity::Inertia;
    // How a species' layers make its percent, where the table is read.
    LayerMerge layers = LayerMerge::Sum;
};

// Throws Error naming the first option out of range.
void checkTwinspanOptions(const TwinspanOptions& o);

struct TwinspanIndicator {
    std::int32_t species = 0;
    int level = 1;  // 1-based pseudospecies level
    int sign = 1;   // +1: indicates the positive side
};

struct TwinspanDivision {
    std::uint64_t cls = 1;  // class k divides into 2k (negative) and 2k+1 (positive)
    std::int32_t size = 0;
    double eigenvalue = 0;
    bool divided = false;  // false: the ordination found no axis
    std::vector<TwinspanIndicator> indicators;
    int threshold = 0;  // indicator score at least this: positive side
    std::vector<std::int32_t> misclassified;
};

struct TwinspanClassMeasure {
    std::uint64_t cls = 1;
    std::int32_t size = 0;
    double inertia = 0;        // total inertia of the down-weighted pseudospecies
    double heterogeneity = 0;  // by the measure of the options
};

struct TwinspanResult {
    std::vector<std::uint64_t> releveClass;  // per relevé; 0: no pseudospecies
    std::vector<TwinspanDivision> divisions;
    std::vector<std::int32_t> releveOrder;            // classified relevés, then the others
    std::vector<std::uint64_t> speciesClass;          // per species; 0: not classified
    std::vector<std::int32_t> speciesOrder;           // species with pseudospecies only
    std::vector<TwinspanClassMeasure> heterogeneity;  // every class of two or more relevés
    // The final classes in releveOrder, each with its relevés in that order.
    std::vector<std::pair<std::uint64_t, std::vector<std::int32_t>>> groups() const;
};

// Thrown out of twinspan() when the progress callback asks to stop.
struct TwinspanCancelled {};

// Called now and then with the share of the work done (0 .. 1); returning false
// cancels the run.
using TwinspanProgress = std::function<bool(double)>;

TwinspanResult twinspan(const TwinspanMatrix& data, const TwinspanOptions& options,
                        const TwinspanProgress& progress = {});

}  // namespace tamsel

// OptimClass (Tichý et al. 2010): how many groups to keep. For each candidate
// partition, the species faithful to some group (one-sided Fisher exact test of
// the presences in the group against the rest); the partition with the most
// faithful species is the one to keep. The candidates are modified TWINSPAN's
// partitions into 2 .. K clusters and classic TWINSPAN's levels of division.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "analysis/twinspan.h"
#include "analysis/twinspan_table.h"
#include "io/byte_sink.h"
#include "platform/progress.h"
#include "table/table_state.h"

namespace tamsel {

struct OptimClassOptions {
    int maxGroups = 10;  // modified TWINSPAN's partitions into 2 .. maxGroups
    double p = 0.001;    // faithful at Fisher's P <= p
    int minFaithful = 3;
};

// The texts of the dialog and the command line; throws Error naming the bad one.
OptimClassOptions parseOptimClassOptions(const std::string& maxGroups, const std::string& p,
                                         const std::string& minFaithful);

struct FaithfulCount {
    std::uint32_t faithful = 0;       // species faithful to at least one group
    std::uint32_t groupsWithMin = 0;  // groups with at least minFaithful faithful species
};

// The count for one partition: groupOf[r] is relevé r's group 0 .. groups-1, or
// -1 for a relevé left out (it counts in no group and not in the whole).
FaithfulCount countFaithful(const TwinspanMatrix& presence,
                            const std::vector<std::int32_t>& groupOf, int groups, double p,
                            int minFaithful);

struct OptimClassPoint {
    bool classic = false;  // classic TWINSPAN's level, else modified TWINSPAN's clusters
    int level = 0;         // classic: the level of division
    int groups = 0;
    FaithfulCount count;
};

struct OptimClassRun {
    std::vector<OptimClassPoint> points;  // modified by clusters, then classic by level
    // The point with the most faithful species (the fewest groups among equals); -1: none.
    int best() const;
};

// twinspanOptions: cut levels, levels, group minimum, indicators and measure as
// the TWINSPAN command takes them (its clusters are not used). progress as
// twinspan()'s, over the whole run; a cancel throws TwinspanCancelled.
OptimClassRun optimClass(const TwinspanMatrix& data, const TwinspanOptions& twinspanOptions,
                         const OptimClassOptions& o, const TwinspanProgress& progress = {});

// The CSV (CR LF): method,groups,faithful,groups_with_min and one line per point.
void writeOptimClassCsv(ByteSink& out, const OptimClassRun& run);

// The whole table's run on the relevés' percent cover, with a progress bar and
// the offer to cancel; nothing when cancelled.
std::optional<OptimClassRun> optimClassOfTable(const TableState& t, Progress& progress,
                                               const TwinspanOptions& twinspan,
                                               const OptimClassOptions& o);

// The point's partition made on the table as TWINSPAN makes it (same options,
// the point's clusters or levels); nothing when cancelled.
std::optional<TwinspanTableRun> arrangeByPoint(TableState& t, Progress& progress,
                                               TwinspanOptions twinspan,
                                               const OptimClassPoint& point);

// v as the report and the chart show it (printf's %g).
std::string shortNumber(double v);

}  // namespace tamsel

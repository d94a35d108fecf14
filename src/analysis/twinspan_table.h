// TWINSPAN on the composition table ("TWINSPAN で群に分ける(&W)"): the relevés
// with species are classified on their percent cover, the relevé columns are put
// in the two-way order with one empty column between final groups (the groups
// the synoptic table and the fidelity sort read), the species rows in the
// two-way order, and a report is shown.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "analysis/twinspan.h"
#include "platform/progress.h"
#include "table/table_state.h"

namespace tamsel {

// The options as the dialog and the command line give them.
struct TwinspanOptionTexts {
    enum Field { Cuts, Levels, GroupMin, Indicators, Clusters, Measure, Layers, FieldCount };
    std::array<std::string, FieldCount> text{"0,2,5,10,20", "6", "5", "7", "", "inertia", "sum"};
};

// The texts read as options; a text that cannot be read throws Error naming it by
// names[field] (the dialog's label or the command line's option).
TwinspanOptions parseTwinspanOptions(
    const TwinspanOptionTexts& texts,
    const std::array<std::string, TwinspanOptionTexts::FieldCount>& names);

// The dialog's labels, the names its errors give.
std::array<std::string, TwinspanOptionTexts::FieldCount> twinspanDialogLabels();

// "inertia", "whittaker", "sorensen", "jaccard".
const char* heterogeneityName(Heterogeneity h);

// The relevé columns that hold something (a species of withSpecies, or a header
// text), by position 1 .. releveCount.
std::vector<char> releveColumnsInUse(const TableState& t,
                                     const std::vector<std::int32_t>& withSpecies);

// Where the columns went, and the empty columns put between groups.
struct ColumnArrangement {
    std::vector<std::int32_t> newPos;      // by old position
    std::vector<std::int32_t> separators;  // new positions
};

// The relevé columns of each group (positions, in their order) with one empty
// column between groups, then after an empty column the rest, then the columns
// in neither (the empty ones); columns are added where too few are empty.
ColumnArrangement arrangeReleveGroups(TableState& t,
                                      const std::vector<std::vector<std::int32_t>>& groups,
                                      const std::vector<std::int32_t>& rest);

// After the recount: the separators are empty, no species count under them.
void blankSeparatorCounts(TableState& t, const ColumnArrangement& a);

// What a run on the table did.
struct TwinspanTableRun {
    TwinspanResult result;
    std::string report;   // Shift-JIS, CR LF; the words the command line's readers parse
    std::string display;  // the same in Japanese, for the window
};

// Classifies the table and reorders it; nothing (the table as it was) when the
// user cancelled. Bad input throws Error before anything changes.
std::optional<TwinspanTableRun> classifyTable(TableState& t, Progress& progress,
                                              const TwinspanOptions& o);

// The report's text file.
void saveTwinspanReport(const std::string& path, const std::string& report);

}  // namespace tamsel

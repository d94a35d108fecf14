// TWINSPAN on the composition table ("TWINSPAN で群に分ける(&W)"): the relevés
// with species are classified on their percent cover, the relevé columns are put
// in the two-way order with one empty column between final groups (the groups
// the synoptic table and the fidelity sort read), the species rows in the
// two-way order, and a report is shown.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "analysis/twinspan.h"
#include "platform/ui.h"
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

// What a run on the table did.
struct TwinspanTableRun {
    TwinspanResult result;
    std::string report;   // Shift-JIS, CR LF; the words the command line's readers parse
    std::string display;  // the same in Japanese, for the window
};

// Classifies the table and reorders it; nothing (the table as it was) when the
// user cancelled. Bad input throws Error before anything changes.
std::optional<TwinspanTableRun> classifyTable(TableState& t, Ui& ui, const TwinspanOptions& o);

// The report's text file.
void saveTwinspanReport(const std::string& path, const std::string& report);

// "TWINSPAN で群に分ける(&W)": the options dialog (opened on last, which keeps the
// texts the user left), the run, the report window, and the save dialog when the
// report is to be saved.
void Item_TwinspanClick(TableState& t, Ui& ui, TwinspanOptionTexts& last);

}  // namespace tamsel

// Opening the data file pair chosen last (DataFolder + DataFileName).
#pragma once

#include <string>

#include "platform/ui.h"
#include "table/table_state.h"

namespace tamsel {

std::string dataFilePath(const TableState& t);

// Opens the pair and sets LastRecord; on failure shows "ファイルが開けません"
// (with the path) and returns false, the pair closed.
bool OpenDataFiles(TableState& t, Ui& ui);

}  // namespace tamsel

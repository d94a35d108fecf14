// Opening the data file pair chosen last (DataFolder + DataFileName).
#pragma once

#include <string>

#include "table/table_state.h"

namespace tamsel {

std::string dataFilePath(const TableState& t);

// Opens the pair and sets LastRecord; on failure throws Error "ファイルが開けません"
// with the path, the pair closed.
void OpenDataFiles(TableState& t);

}  // namespace tamsel

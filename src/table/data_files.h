// Opening the data file pair chosen last (DataFolder + DataFileName).
#pragma once

#include <string>

#include "table/table_state.h"

namespace tamsel {

std::string dataFilePath(const TableState& t);

// A data file's path as a placed relevé's origin keeps it: absolute and without
// "." or "..", so that the same file reached two ways is one origin.
std::string originPath(const std::string& path);

// Opens the pair and sets LastRecord; on failure throws Error "ファイルが開けません"
// with the path, the pair closed.
void OpenDataFiles(TableState& t);

}  // namespace tamsel

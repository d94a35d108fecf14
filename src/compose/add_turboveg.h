// Adding the plots of a Turboveg 2 XML plot package, each placed as add places a
// relevé of a data file pair.
#pragma once

#include <string>

#include "compose/replace_name.h"
#include "platform/progress.h"
#include "table/table_state.h"

namespace tamsel {

// Every plot of the file at path (UTF-8), in file order, then one recount. The
// file is read and checked whole first: when it cannot be, Error, and the table
// stays as it was.
void addTurbovegFile(TableState& t, const ReplaceName& d, Progress& progress,
                     const std::string& path);

}  // namespace tamsel

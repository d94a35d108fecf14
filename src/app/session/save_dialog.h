// The shared save dialog as the outputs prepare it: the save filter list, the
// entry shown first, the default extension and the table file's name (else
// TableTitle) with the output's ending as the proposed name. No title of its own.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "platform/ui.h"
#include "table/table_state.h"

namespace tamsel {

// Entries of the save dialog's filter list (table/dialog_filters.h).
enum SaveFilter {
    TableFileFilter = 1,
    TextFilter = 2,
    CsvFilter = 3,
    SpreadsheetFilter = 4,
    CornellFilter = 5
};

// The chosen path, or nothing when the user cancels. defaultExt as ".txt".
std::optional<std::string> askOutputFile(const TableState& t, Ui& ui, SaveFilter filter,
                                         const std::string& defaultExt, const std::string& ending);

// Tells the user on the status line where an output went.
void reportWritten(Ui& ui, const std::string& path);

// The plain export: the save dialog as askOutputFile, then save(path) under the
// busy cursor and the report of where it went. A cancelled dialog writes nothing.
void exportToFile(const TableState& t, Ui& ui, SaveFilter filter, const std::string& defaultExt,
                  const std::string& ending, const std::function<void(const std::string&)>& save);

}  // namespace tamsel

// The open dialog as the commands ask it: in the folder of the file opened last.
#pragma once

#include <optional>
#include <string>

#include "platform/ui.h"
#include "table/table_state.h"

namespace tamsel {

// The chosen path, or nothing when the user cancels. filterIndex is the 1-based
// entry of filter; fileName the proposed name or pattern ("*.rli").
std::optional<std::string> askFileToOpen(const TableState& t, Ui& ui, const std::string& title,
                                         const std::string& filter, int filterIndex,
                                         const std::string& fileName);

}  // namespace tamsel

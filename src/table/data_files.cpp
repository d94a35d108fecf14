#include "table/data_files.h"

#include <filesystem>

#include "platform/error.h"
#include "text/sjis.h"

namespace tamsel {

std::string dataFilePath(const TableState& t) {
    if (t.DataFolder.empty()) return t.DataFileName;
    return (std::filesystem::path(t.DataFolder) / t.DataFileName).string();
}

void OpenDataFiles(TableState& t) {
    openDataFilesAt(t.data, dataFilePath(t));
}

}  // namespace tamsel

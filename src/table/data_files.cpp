#include "table/data_files.h"

#include <filesystem>

#include "platform/error.h"
#include "text/sjis.h"

namespace tamsel {

std::string dataFilePath(const TableState& t) {
    if (t.files.DataFolder.empty()) return t.files.DataFileName;
    return (std::filesystem::path(t.files.DataFolder) / t.files.DataFileName).string();
}

std::string originPath(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    return ec ? path : absolute.lexically_normal().string();
}

void OpenDataFiles(TableState& t) {
    openDataFilesAt(t.data, dataFilePath(t));
}

}  // namespace tamsel

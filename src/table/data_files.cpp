#include "table/data_files.h"

#include <filesystem>

#include "text/sjis.h"

namespace tamsel {

std::string dataFilePath(const TableState& t) {
    if (t.DataFolder.empty()) return t.DataFileName;
    return (std::filesystem::path(t.DataFolder) / t.DataFileName).string();
}

bool OpenDataFiles(TableState& t, Ui& ui) {
    std::string path = dataFilePath(t);
    if (openDataFilesAt(t.data, path)) return true;
    ui.message(sj("ファイルが開けません: ") + fromUtf8(path));
    return false;
}

}  // namespace tamsel

#include "app/session/open_dialog.h"

namespace tamsel {

std::optional<std::string> askFileToOpen(const TableState& t, Ui& ui, const std::string& title,
                                         const std::string& filter, int filterIndex,
                                         const std::string& fileName) {
    FileDialogRequest r;
    r.title = title;
    r.filter = filter;
    r.filterIndex = filterIndex;
    r.initialDir = t.files.OpenDialogFolder;
    r.fileName = fileName;
    return ui.openFileDialog(r);
}

}  // namespace tamsel

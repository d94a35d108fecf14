#include "table/save_dialog.h"

#include "table/dialog_filters.h"

namespace tamsel {

std::optional<std::string> askOutputFile(const TableState& t, Ui& ui, SaveFilter filter,
                                         const std::string& defaultExt, const std::string& ending) {
    FileDialogRequest r;
    r.filter = saveDialogFilter();
    r.filterIndex = filter;
    r.defaultExt = defaultExt;
    r.fileName = proposedFileName(t.TableTitle, ending);
    return ui.saveFileDialog(r);
}

}  // namespace tamsel

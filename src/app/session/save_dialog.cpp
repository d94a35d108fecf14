#include "app/session/save_dialog.h"

#include "table/dialog_filters.h"

namespace tamsel {

std::optional<std::string> askOutputFile(const TableState& t, Ui& ui, SaveFilter filter,
                                         const std::string& defaultExt, const std::string& ending) {
    FileDialogRequest r;
    r.filter = saveDialogFilter();
    r.filterIndex = filter;
    r.defaultExt = defaultExt;
    r.fileName = proposedFileName(t.model.title(), t.files.TableFileName, ending);
    return ui.saveFileDialog(r);
}

void reportWritten(Ui& ui, const std::string& path) {
    ui.status(msg("出力しました: %1", fromUtf8(path)));
}

void exportToFile(const TableState& t, Ui& ui, SaveFilter filter, const std::string& defaultExt,
                  const std::string& ending, const std::function<void(const std::string&)>& save) {
    auto path = askOutputFile(t, ui, filter, defaultExt, ending);
    if (!path) return;
    BusyScope busy(ui);
    save(*path);
    reportWritten(ui, *path);
}

}  // namespace tamsel

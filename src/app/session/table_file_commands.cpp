#include "app/session/table_file_commands.h"

#include "app/session/open_dialog.h"
#include "platform/error.h"
#include "table/dialog_filters.h"
#include "tablefile/table_file.h"
#include "text/sjis.h"

namespace tamsel {

namespace {
void saveWithPanel(TableState& t, Ui& ui, const std::string& path) {
    MessagePanelScope panel(ui, sj("組成表を保存中"));
    saveTableFile(t, path);
    ui.status(sj("保存しました: ") + fromUtf8(path));
}
}  // namespace

void Item_SaveTableClick(TableState& t, Ui& ui) {
    FileDialogRequest r;
    r.title = sj("組成表の保存");
    r.filter = saveDialogFilter();
    r.filterIndex = 1;
    r.defaultExt = ".vtb";
    r.fileName = proposedFileName(t.model.title(), t.files.TableFileName, ".vtb");
    auto path = ui.saveFileDialog(r);
    if (!path) return;
    saveWithPanel(t, ui, *path);
}

void Item_SaveClick(TableState& t, Ui& ui) {
    if (t.files.TableFileName.empty()) {
        Item_SaveTableClick(t, ui);
        return;
    }
    const std::string path = t.files.TableFileName;  // the save sets it again
    saveWithPanel(t, ui, path);
}

void openTableFile(TableState& t, Ui& ui, const std::string& path) {
    {
        MessagePanelScope panel(ui, sj("組成表を読込中"));
        loadTableFile(t, path, &ui.progressBar1());
    }
    ui.status(sj("読込みました: ") + fromUtf8(path));
}

void Item_LoadTableClick(TableState& t, Ui& ui) {
    auto path = askFileToOpen(t, ui, sj("組成表の読込"), openDialogFilter(), 2, "*.vtb");
    if (!path) return;
    openTableFile(t, ui, *path);
}

}  // namespace tamsel

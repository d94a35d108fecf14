#include "output/save_dialog.h"

#include <algorithm>

#include "table/dialog_filters.h"
#include "text/sjis.h"

namespace tamsel {

std::optional<std::string> askOutputFile(const TableState& t, Ui& ui, SaveFilter filter,
                                         const std::string& defaultExt, const std::string& ending) {
    FileDialogRequest r;
    r.filter = saveDialogFilter();
    r.filterIndex = filter;
    r.defaultExt = defaultExt;
    // The proposed name is a file name: a "/" in the title would make it a path.
    std::string name = toUtf8(t.TableTitle);
    std::replace(name.begin(), name.end(), '/', '_');
    r.fileName = name + ending;
    return ui.saveFileDialog(r);
}

void reportWritten(Ui& ui, const std::string& path) {
    ui.status(sj("出力しました: ") + fromUtf8(path));
}

}  // namespace tamsel

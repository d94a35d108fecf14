#include "app/session/session.h"

#include <filesystem>

#include "text/sjis.h"

namespace tamsel {

void FormCreate(Session& s, Ui& ui, const std::vector<std::string>& args, bool changeFolder) {
    TableState& t = s.table;
    InitGlobals(t);
    t.PrintItemBoxes = defaultPrintItemBoxes();
    if (changeFolder && !s.programPath.empty()) {
        std::error_code ec;
        std::filesystem::current_path(std::filesystem::path(s.programPath).parent_path(), ec);
    }
    if (!args.empty()) {
        ui.message(sj("設定ファイルの読込みはまだ使えません。既定の設定で起動します: ") +
                   fromUtf8(args.front()));
    }
    adjustLayerLabels(t);
    t.TableFont = defaultGridFont();
    layOutGrid(t);
    ClearTable(t, ui);
}

}  // namespace tamsel

#include "compose/add_turboveg.h"

#include <filesystem>
#include <vector>

#include "compose/add_releve.h"
#include "compose/put_table.h"
#include "table/frequency.h"
#include "text/sjis.h"
#include "turboveg/turboveg_reader.h"

namespace tamsel {

void Item_AddTurbovegClick(TableState& t, const ReplaceName& d, Ui& ui) {
    FileDialogRequest r;
    r.title = sj("Turboveg XML ファイルの選択");
    r.filter = sj("Turboveg XML ファイル (*.xml)|*.xml|すべてのファイル (*.*)|*.*");
    r.initialDir = t.OpenDialogFolder;
    r.fileName = "*.xml";
    if (auto chosen = ui.openFileDialog(r)) addTurbovegFile(t, d, ui, *chosen);
}

void addTurbovegFile(TableState& t, const ReplaceName& d, Ui& ui, const std::string& path) {
    BusyScope busy(ui);
    TurbovegPackage package = readTurbovegFile(path);
    const std::int32_t before = t.ReleveCount;
    std::vector<std::string> replaced;  // the plots where a character became "?"
    SpeciesRowIndex index = buildSpeciesRowIndex(t);
    std::size_t placed = 0;
    withDeferredCells(t.VegTable, index, [&] {
        for (; placed < package.plotCount(); ++placed) {
            TurbovegReleve r = package.releve(placed);
            if (!appendReleve(t, d, index, r.view)) break;
            if (r.replacedCharacters) replaced.push_back(std::move(r.name));
        }
    });
    if (placed > 0) {
        // As after reading a relevé of a data file: its scale and notation are current.
        t.data.CurrentCoverScale = 5;
        t.data.CurrentNotation = 1;
    }
    recountAndShow(t, ui);
    RefreshCaption(t, ui);

    std::string line = placedText(t.ReleveCount - before);
    const std::size_t left = package.plotCount() - placed;
    if (left > 0)
        line += sj("（表を広げられず、Plot ") + std::to_string(left) + sj(" 件を加えていません）");
    if (!replaced.empty())
        line += sj("（Shift-JIS にない文字を「?」にした測定 ") + std::to_string(replaced.size()) +
                sj(" 件）");
    ui.status(line);
    if (replaced.empty()) return;
    std::string text = fromUtf8(std::filesystem::path(path).filename().string()) + sj(" の測定 ") +
                       std::to_string(replaced.size()) +
                       sj(" 件に Shift-JIS で書けない文字があり、「?」にしました:");
    constexpr std::size_t Named = 5;
    for (std::size_t k = 0; k < replaced.size() && k < Named; ++k) text += " " + replaced[k];
    if (replaced.size() > Named) text += sj(" ほか");
    ui.message(text);
}

}  // namespace tamsel

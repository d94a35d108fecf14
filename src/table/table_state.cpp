#include "table/table_state.h"

#include <filesystem>

#include "datafile/numbers.h"
#include "platform/error.h"
#include "text/sjis.h"

namespace tamsel {

std::array<PrintItemBox, PrintItemCount + 1> defaultPrintItemBoxes() {
    static const char* const captions[PrintItemCount + 1] = {
        "",
        "表の通し番号",
        "測定番号",
        "調査地名",
        "調査年月日",
        "調査地緯度（度分秒）",
        "調査地経度（度分秒）",
        "地理区画コード",
        "調査地標高(m)",
        "傾斜方位",
        "傾斜角度",
        "地形位置",
        "微地形",
        "表層地質",
        "土壌型",
        "調査面積（㎡）",
        "高 木 層高さ（m）",
        "亜高木層高さ（m）",
        "低木層１高さ（m）",
        "低木層２高さ（m）",
        "草本層１高さ（m）",
        "草本層２高さ（m）",
        "コ ケ 層高さ（m）",
        "高 木 層植被率（%）",
        "亜高木層植被率（%）",
        "低木層１植被率（%）",
        "低木層２植被率（%）",
        "草本層１植被率（%）",
        "草本層２植被率（%）",
        "コ ケ 層植被率（%）",
        "出現種数",
    };
    std::array<PrintItemBox, PrintItemCount + 1> boxes;
    for (int n = 1; n <= PrintItemCount; ++n) {
        boxes[n].caption = sj(captions[n]);
        bool on = n < 4 || n > 6;
        boxes[n].enabled = on;
        boxes[n].checked = on;
    }
    boxes[0] = PrintItemBox{"", false, false};
    return boxes;
}

FontSpec defaultGridFont() {
    return FontSpec{sj("ＭＳ ゴシック"), 12, false, false};
}

void InitGlobals(TableState& t) {
    t.model.reset(sj("森林群落組成表"));
    t.files.DictionaryStatus = sj("辞書なし");
    resetDataFilePair(t.data);  // PlantSet, capacities, scale 5, notation 2, "   0"
    t.data.LastRecord = 0;
    t.files.DataFileName = "nofile";
    t.files.DataFolder.clear();
    t.files.DictionaryFileName.clear();
    t.print.LayerLabels = {"T1", "T2", "S1", "S2", "H1", "H2", " M"};
    t.selection.SelectedColumn = 0;
    t.selection.SelectedRow = 0;
    t.selection.EditTarget = 0;
}

void adjustLayerLabels(TableState& t) {
    if (!t.print.PrintItemBoxes[19].enabled) {
        t.print.LayerLabels[2] = " S";
        t.print.LayerLabels[4] = " H";
    }
}

void layOutGrid(TableState& t) {
    // Widths and heights belong to the window; the model keeps the counts.
    t.model.sizeGrid();
}

void resetToDefaults(TableState& t) {
    InitGlobals(t);
    t.print.PrintItemBoxes = defaultPrintItemBoxes();
    t.coverValues = CoverValues{};
}

void finishStartUp(TableState& t, Progress& progress) {
    adjustLayerLabels(t);
    t.print.TableFont = defaultGridFont();
    layOutGrid(t);
    ClearTable(t, progress);
}

void startBlankTable(TableState& t, Progress& progress) {
    resetToDefaults(t);
    finishStartUp(t, progress);
}

std::int32_t freqRowFromBoxes(const TableState& t) {
    return boxLayoutOf(t).freqRow();
}

void ClearTable(TableState& t, Progress& progress) {
    MessagePanelScope panel(progress, sj("組成表を白紙化しています"));
    t.history.restart(t.model);     // nothing of the table blanked can come back
    t.files.TableFileName.clear();  // a blank table must not overwrite the last one's file
    std::vector<std::string> captions;
    captions.reserve(t.print.PrintItemBoxes.size());
    for (const PrintItemBox& box : t.print.PrintItemBoxes) captions.push_back(box.caption);
    t.model.blank(boxLayoutOf(t), captions, &progress.progressBar1());
    t.data.LastRecord = 0;
    t.markUnchanged();  // a blank table holds nothing to lose
}

HistoryStep::HistoryStep(TableState& t, const std::string& name) : t_(t) {
    t_.history.begin(t_.model, name);
}

HistoryStep::~HistoryStep() {
    try {
        t_.history.commit(t_.model);
    } catch (...) {
        // No memory to keep the step: the history starts again from here.
        t_.history.restart(t_.model);
    }
}

std::string captionOf(const TableState& t, bool showChanged) {
    std::string caption = t.model.title() + (showChanged && t.changed() ? sj("＊") : "") +
                          "  NR=" + std::to_string(t.model.releveCount()) +
                          ", NS=" + std::to_string(t.model.speciesCount()) + "    " +
                          t.files.DictionaryStatus;
    // The window names the table's file, as a desktop program does.
    if (showChanged && !t.files.TableFileName.empty())
        caption +=
            sj(" － ") + fromUtf8(std::filesystem::path(t.files.TableFileName).filename().string());
    return caption;
}

}  // namespace tamsel

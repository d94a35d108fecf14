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
    t.TableTitle = sj("森林群落組成表");
    t.DictionaryStatus = sj("辞書なし");
    t.PlantCapacity = 127;
    t.ReleveCapacity = 23;
    resetDataFilePair(t.data);  // PlantSet, capacities, scale 5, notation 2, "   0"
    t.FreqArray.assign(static_cast<std::size_t>(t.PlantCapacity) + 1, 0);
    t.NumSpArray.assign(static_cast<std::size_t>(t.ReleveCapacity) + 1, 0);
    t.DomLine.assign(static_cast<std::size_t>(t.ReleveCapacity) + 1, LayerCodes{});
    t.TableArray = CoverArray{};
    t.TableArray.resize(t.ReleveCapacity + 1, t.PlantCapacity + 1);
    t.SpeciesCount = 0;
    t.ReleveCount = 0;
    t.data.LastRecord = 0;
    t.DataFileName = "nofile";
    t.DataFolder.clear();
    t.DictionaryFileName.clear();
    t.LayerLabels = {"T1", "T2", "S1", "S2", "H1", "H2", " M"};
    t.SelectedColumn = 0;
    t.SelectedRow = 0;
    t.EditTarget = 0;
}

void adjustLayerLabels(TableState& t) {
    if (!t.PrintItemBoxes[19].enabled) {
        t.LayerLabels[2] = " S";
        t.LayerLabels[4] = " H";
    }
}

void layOutGrid(TableState& t) {
    // Widths and heights belong to the window; the model keeps the counts.
    t.VegTable.setRowCount(TableLayout::gridRowCount(t.PlantCapacity));
    t.VegTable.setColCount(TableLayout::gridColCount(t.ReleveCapacity));
}

void resetToDefaults(TableState& t) {
    InitGlobals(t);
    t.PrintItemBoxes = defaultPrintItemBoxes();
}

void finishStartUp(TableState& t, Ui& ui) {
    adjustLayerLabels(t);
    t.TableFont = defaultGridFont();
    layOutGrid(t);
    ClearTable(t, ui);
}

void startBlankTable(TableState& t, Ui& ui) {
    resetToDefaults(t);
    finishStartUp(t, ui);
}

std::int32_t freqRowFromBoxes(const TableState& t) {
    return boxLayoutOf(t).freqRow();
}

void ClearTable(TableState& t, Ui& ui) {
    MessagePanelScope panel(ui, sj("組成表を白紙化しています"));
    t.history.restart(t);  // nothing of the table blanked can come back
    t.SpeciesCount = 0;
    t.ReleveCount = 0;
    t.TableFileName.clear();  // a blank table must not overwrite the last one's file
    t.ReleveOrigins.clear();
    ProgressBar& bar = ui.progressBar1();
    bar.setRange(0, t.ReleveCapacity + t.PlantCapacity + 1);
    bar.setPosition(0);

    using L = TableLayout;
    Grid& g = t.VegTable;
    // Every cell of the table is cleared: the fixed columns and every relevé column.
    g.clearAll();
    for (std::int32_t j = 1; j <= t.ReleveCapacity; ++j) {
        t.NumSpArray.at(j) = 0;
        g.setCell(L::releveCol(j), L::SlotRow, std::to_string(j));
        g.setCell(L::releveCol(j), L::SerialRow, IntText4(j));
        bar.setPosition(j);
    }
    g.setCell(L::NameCol, L::SerialRow, t.PrintItemBoxes[1].caption);
    const TableLayout layout = boxLayoutOf(t);
    for (int n = 2; n <= PrintItemCount; ++n)
        if (int row = layout.itemRow(n)) g.setCell(L::NameCol, row, t.PrintItemBoxes[n].caption);
    t.FreqRow = layout.freqRow();
    static const std::string fn = sj("F＼N");
    g.setCell(L::FreqCol, t.FreqRow, fn);
    for (std::int32_t i = 1; i <= t.PlantCapacity; ++i) {
        t.FreqArray.at(i) = 0;
        g.setCell(L::SlotCol, layout.speciesRow(i), std::to_string(i));
        g.setCell(L::NumberCol, layout.speciesRow(i), IntText4(i));
        bar.setPosition(t.ReleveCapacity + i);
    }
    t.TableArray.clearAll();
    t.data.LastRecord = 0;
    t.markUnchanged();  // a blank table holds nothing to lose
}

std::string captionOf(const TableState& t, bool showChanged) {
    std::string caption = t.TableTitle + (showChanged && t.changed() ? sj("＊") : "") +
                          "  NR=" + std::to_string(t.ReleveCount) +
                          ", NS=" + std::to_string(t.SpeciesCount) + "    " + t.DictionaryStatus;
    // The window names the table's file, as a desktop program does.
    if (showChanged && !t.TableFileName.empty())
        caption +=
            sj(" － ") + fromUtf8(std::filesystem::path(t.TableFileName).filename().string());
    return caption;
}

void RefreshCaption(const TableState& t, Ui& ui) {
    ui.captionChanged(captionOf(t, ui.showsChanges()));
}

namespace {
std::int32_t slotIn(const TableState& t, int col, int row) {
    const std::string& text = t.VegTable.cell(col, row);
    auto v = parseNumberField(text);
    if (!v) {
        throw Error(
            msg("スロット番号が数値ではありません（列 %1、行 %2）: \"%3\"", col, row, text));
    }
    return *v;
}
}  // namespace

const ReleveOrigin& originOf(const TableState& t, std::int32_t releveSlot) {
    static const ReleveOrigin none;
    if (releveSlot < 0 || static_cast<std::size_t>(releveSlot) >= t.ReleveOrigins.size())
        return none;
    return t.ReleveOrigins[static_cast<std::size_t>(releveSlot)];
}

void setOrigin(TableState& t, std::int32_t releveSlot, ReleveOrigin origin) {
    if (releveSlot < 0) return;
    const auto k = static_cast<std::size_t>(releveSlot);
    if (k >= t.ReleveOrigins.size()) {
        if (origin.dataFile.empty()) return;
        t.ReleveOrigins.resize(k + 1);
    }
    t.ReleveOrigins[k] = std::move(origin);
}

std::int32_t releveSlotAt(const TableState& t, int col) {
    return slotIn(t, col, TableLayout::SlotRow);
}
std::int32_t speciesSlotAt(const TableState& t, int row) {
    return slotIn(t, TableLayout::SlotCol, row);
}

const LayerCodes& codesAt(const TableState& t, int col, int row) {
    return t.TableArray.get(releveSlotAt(t, col), speciesSlotAt(t, row));
}

}  // namespace tamsel

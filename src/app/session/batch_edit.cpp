// Commands of hand editing and reciprocal averaging: each does with the mouse what
// the user does in the window, on grid coordinates as the grid has them.
#include <ostream>

#include "analysis/recip.h"
#include "app/session/batch.h"
#include "platform/error.h"
#include "table/editing.h"
#include "text/sjis.h"

namespace tamsel {

namespace {

// Pixel position of a cell's middle, as the window would report the mouse there.
int pixelX(int col) {
    return col * DefaultColWidth + DefaultColWidth / 2;
}
int pixelY(int row) {
    return row * DefaultRowHeight + DefaultRowHeight / 2;
}

void rightPress(BatchContext& c, int col, int row) {
    VegTableMouseDown(c.session.table, c.session.editing, MouseButton::Right, col, row, pixelX(col),
                      pixelY(row), 0);
}

// A right press on the serial number of column K, then the panel button.
void columnCommand(BatchContext& c, ArgReader& in,
                   void (*button)(TableState&, EditingState&, Ui&, MouseButton)) {
    std::int32_t k = batchInt(in.next("K"), "K");
    rightPress(c, k, 1);
    if (!c.session.editing.Panel_forCol.visible)
        throw Error(sj("列 ") + std::to_string(k) +
                    sj(" は測定の列ではありません（測定の列は 4 から）"));
    refusing(c, [&] { button(c.session.table, c.session.editing, c.ui, MouseButton::Right); });
}

// A right press on the running number of row R, then the panel button.
void rowCommand(BatchContext& c, ArgReader& in,
                void (*button)(TableState&, EditingState&, Ui&, MouseButton)) {
    std::int32_t r = batchInt(in.next("R"), "R");
    rightPress(c, 1, r);
    if (!c.session.editing.Panel_forRow.visible)
        throw Error(sj("行 ") + std::to_string(r) + sj(" は種の行ではありません（種の行は ") +
                    std::to_string(c.session.table.FreqRow + 1) + sj(" から）"));
    refusing(c, [&] { button(c.session.table, c.session.editing, c.ui, MouseButton::Right); });
}

// TEXT typed into Edit1, then "ＯＫ".
void typeAndConfirm(BatchContext& c, const std::string& utf8) {
    auto text = fromUtf8Strict(utf8);
    if (!text) throw Error(sj("Shift-JIS で表せない文字があります: ") + fromUtf8(utf8));
    c.session.editing.Edit1 = *text;
    refusing(c, [&] { Btn_Edit_OKClick(c.session.table, c.session.editing, c.ui); });
}

void comment(BatchContext& c, ArgReader& in) {
    std::int32_t r = batchInt(in.next("R"), "R");
    std::string text = in.next("TEXT");
    rightPress(c, 1, r);
    if (!c.session.editing.Panel_forRow.visible)
        throw Error(sj("行 ") + std::to_string(r) + sj(" は種の行ではありません"));
    refusing(c, [&] {
        Btn_RemarkMouseUp(c.session.table, c.session.editing, c.ui, MouseButton::Right);
    });
    if (c.session.editing.Panel_Edit.visible) typeAndConfirm(c, text);
}

void title(BatchContext& c, ArgReader& in) {
    std::string text = in.next("TEXT");
    Item_EditTitleClick(c.session.table, c.session.editing);
    typeAndConfirm(c, text);
}

void drag(BatchContext& c, ArgReader& in, bool rows) {
    std::int32_t from = batchInt(in.next("FROM"), "FROM");
    std::int32_t to = batchInt(in.next("TO"), "TO");
    TableState& t = c.session.table;
    if (rows ? moveRowByDrag(t, from, to) : moveColByDrag(t, from, to)) {
        c.ui.gridChanged();
        return;
    }
    int lo = rows ? t.FreqRow + 1 : 4;
    int hi = rows ? t.FreqRow + t.SpeciesCount : t.ReleveCount + 3;
    const char* unit = rows ? "行" : "列";
    throw Error(sj(unit) + " " + std::to_string(from) + sj(" を ") + std::to_string(to) +
                sj(" へ移動できません（移動できるのは使用中の") +
                sj(rows ? "種の行 " : "測定の列 ") + std::to_string(lo) + sj("～") +
                std::to_string(hi) + sj(" です）"));
}

void recip(BatchContext& c) {
    RecipResult r;
    refusing(c, [&] { r = Item_RecipClick(c.session.table, c.ui); });
    c.err << "recip: " << r.passes << " passes, " << recipEndName(r.end) << "\n";
}

}  // namespace

void registerEditCommands(std::vector<BatchCommand>& reg) {
    reg.push_back(
        {"insert-col", "K", "列を挿入する: insert an empty relevé column at grid column K",
         [](BatchContext& c, ArgReader& in) { columnCommand(c, in, Btn_InsColMouseUp); }});
    reg.push_back(
        {"delete-col", "K", "列を削除する: delete relevé column K (and rows left empty)",
         [](BatchContext& c, ArgReader& in) { columnCommand(c, in, Btn_DelColMouseUp); }});
    reg.push_back({"insert-row", "R", "行を挿入する: insert an empty species row at grid row R",
                   [](BatchContext& c, ArgReader& in) { rowCommand(c, in, Btn_InsRowMouseUp); }});
    reg.push_back({"delete-row", "R", "行を削除する: delete species row R",
                   [](BatchContext& c, ArgReader& in) { rowCommand(c, in, Btn_DelRowMouseUp); }});
    reg.push_back({"comment", "R TEXT", "行コメント記入: write TEXT into the label of row R",
                   [](BatchContext& c, ArgReader& in) { comment(c, in); }});
    reg.push_back({"title", "TEXT", "組成表の標題を編集: set the table title",
                   [](BatchContext& c, ArgReader& in) { title(c, in); }});
    reg.push_back({"move-row", "FROM TO", "drag species row FROM to grid row TO",
                   [](BatchContext& c, ArgReader& in) { drag(c, in, true); }});
    reg.push_back({"move-col", "FROM TO", "drag relevé column FROM to grid column TO",
                   [](BatchContext& c, ArgReader& in) { drag(c, in, false); }});
    reg.push_back(
        {"recip", "",
         "反復平均法で行列並び替え: order rows and columns; prints passes and end on stderr",
         [](BatchContext& c, ArgReader&) { recip(c); }});
}

}  // namespace tamsel

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

void rightPress(BatchContext& c, int col, int row) {
    VegTableMouseDown(c.session.table, c.session.editing, MouseButton::Right, col, row);
}

// A right press on the serial number of column K, then the panel button.
void columnCommand(BatchContext& c, ArgReader& in,
                   void (*button)(TableState&, EditingState&, Ui&, MouseButton)) {
    std::int32_t k = batchInt(in.next("K"), "K");
    rightPress(c, k, TableLayout::SerialRow);
    if (!c.session.editing.Panel_forCol.visible)
        throw Error(msg("列 %1 は測定の列ではありません（測定の列は %2 から）", k,
                        TableLayout::FirstReleveCol));
    button(c.session.table, c.session.editing, c.ui, MouseButton::Right);
}

// A right press on the running number of row R, then the panel button.
void rowCommand(BatchContext& c, ArgReader& in,
                void (*button)(TableState&, EditingState&, Ui&, MouseButton)) {
    std::int32_t r = batchInt(in.next("R"), "R");
    rightPress(c, TableLayout::NumberCol, r);
    if (!c.session.editing.Panel_forRow.visible)
        throw Error(msg("行 %1 は種の行ではありません（種の行は %2 から）", r,
                        TableLayout(c.session.table.FreqRow).firstSpeciesRow()));
    button(c.session.table, c.session.editing, c.ui, MouseButton::Right);
}

// TEXT typed into Edit1, then "ＯＫ".
void typeAndConfirm(BatchContext& c, const std::string& utf8) {
    c.session.editing.Edit1 = sjisOrRefuse(utf8, "記入する文字");
    Btn_Edit_OKClick(c.session.table, c.session.editing, c.ui);
}

void comment(BatchContext& c, ArgReader& in) {
    std::int32_t r = batchInt(in.next("R"), "R");
    std::string text = in.next("TEXT");
    rightPress(c, TableLayout::NumberCol, r);
    if (!c.session.editing.Panel_forRow.visible)
        throw Error(msg("行 %1 は種の行ではありません", r));
    Btn_RemarkMouseUp(c.session.table, c.session.editing, c.ui, MouseButton::Right);
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
    const TableLayout layout(t.FreqRow);
    int lo = rows ? layout.firstSpeciesRow() : TableLayout::FirstReleveCol;
    int hi =
        rows ? layout.lastSpeciesRow(t.SpeciesCount) : TableLayout::lastReleveCol(t.ReleveCount);
    throw Error(
        msg(rows ? "行 %1 を %2 へ移動できません（移動できるのは使用中の種の行 %3～%4 です）"
                 : "列 %1 を %2 へ移動できません（移動できるのは使用中の測定の列 %3～%4 です）",
            from, to, lo, hi));
}

// Undo and redo leave no pop-up open on a cell that may have gone.
void stepHistory(Session& s, Ui& ui, bool back) {
    History& h = s.table.history;
    const std::string name = back ? h.undoName() : h.redoName();
    if (back)
        h.undo(s.table);
    else
        h.redo(s.table);
    EditingState& e = s.editing;
    e.Panel_ShowCell.visible = e.Panel_forCol.visible = e.Panel_forRow.visible = false;
    e.Panel_Edit.visible = false;
    ui.gridChanged();
    RefreshCaption(s.table, ui);
    ui.status(msg(back ? "元に戻しました: %1" : "やり直しました: %1", name));
}

void recip(BatchContext& c) {
    RecipResult r = reciprocalAveraging(c.session.table, c.ui);
    c.err << "recip: " << r.passes << " passes, " << recipEndName(r.end) << "\n";
}

}  // namespace

void registerEditCommands(std::vector<BatchCommand>& reg) {
    // The menu items act on the selected cell; the command line names the cell and
    // goes through the pop-up of the same meaning.
    using Click = void (*)(TableState&, EditingState&, Ui&);
    auto edit = [](Click click) {
        return [click](Session& s, Ui& ui) { click(s.table, s.editing, ui); };
    };
    reg.push_back({.name = "undo",
                   .help = "元に戻す: take back the last command that changed the table",
                   .run = [](BatchContext& c, ArgReader&) { stepHistory(c.session, c.ui, true); },
                   .item = "Item_Undo",
                   .caption = "元に戻す(&U)",
                   .place = {"Menu_Edit", 1},
                   .click = [](Session& s, Ui& ui) { stepHistory(s, ui, true); }});
    reg.push_back({.name = "redo",
                   .help = "やり直し: do again the last command taken back",
                   .run = [](BatchContext& c, ArgReader&) { stepHistory(c.session, c.ui, false); },
                   .item = "Item_Redo",
                   .caption = "やり直し(&R)",
                   .place = {"Menu_Edit", 2},
                   .click = [](Session& s, Ui& ui) { stepHistory(s, ui, false); }});
    reg.push_back(
        {.name = "insert-col",
         .usage = "K",
         .help = "列を挿入する: insert an empty relevé column at grid column K",
         .run = [](BatchContext& c, ArgReader& in) { columnCommand(c, in, Btn_InsColMouseUp); },
         .item = "Item_InsCol",
         .caption = "この左に列を挿入する",
         .place = {"Menu_Edit", 50},
         .click = edit(Item_InsColClick)});
    reg.push_back(
        {.name = "delete-col",
         .usage = "K",
         .help = "列を削除する: delete relevé column K (and rows left empty)",
         .run = [](BatchContext& c, ArgReader& in) { columnCommand(c, in, Btn_DelColMouseUp); },
         .item = "Item_DelCol",
         .caption = "この列を削除する  (&C)",
         .place = {"Menu_Edit", 20},
         .click = edit(Item_DelColClick)});
    reg.push_back(
        {.name = "insert-row",
         .usage = "R",
         .help = "行を挿入する: insert an empty species row at grid row R",
         .run = [](BatchContext& c, ArgReader& in) { rowCommand(c, in, Btn_InsRowMouseUp); },
         .item = "Item_InsRow",
         .caption = "この上に行を挿入する",
         .place = {"Menu_Edit", 30, true},
         .click = edit(Item_InsRowClick)});
    reg.push_back(
        {.name = "delete-row",
         .usage = "R",
         .help = "行を削除する: delete species row R",
         .run = [](BatchContext& c, ArgReader& in) { rowCommand(c, in, Btn_DelRowMouseUp); },
         .item = "Item_DelRow",
         .caption = "この行を削除する  (&R)",
         .place = {"Menu_Edit", 10, true},
         .click = edit(Item_DelRowClick)});
    reg.push_back({.name = "comment",
                   .usage = "R TEXT",
                   .help = "行コメント記入: write TEXT into the label of row R",
                   .run = [](BatchContext& c, ArgReader& in) { comment(c, in); },
                   .item = "Item_Comment",
                   .caption = "ここにコメント行を挿入",
                   .place = {"Menu_Edit", 40},
                   .click = edit(Item_CommentClick)});
    reg.push_back({.name = "title",
                   .usage = "TEXT",
                   .help = "組成表の標題を編集: set the table title",
                   .run = [](BatchContext& c, ArgReader& in) { title(c, in); },
                   .item = "Item_EditTitle",
                   .caption = "組成表の標題を編集(&T)",
                   .place = {"Menu_Edit", 60, true},
                   .click = [](Session& s, Ui&) { Item_EditTitleClick(s.table, s.editing); }});
    reg.push_back({"move-row", "FROM TO", "drag species row FROM to grid row TO",
                   [](BatchContext& c, ArgReader& in) { drag(c, in, true); }});
    reg.push_back({"move-col", "FROM TO", "drag relevé column FROM to grid column TO",
                   [](BatchContext& c, ArgReader& in) { drag(c, in, false); }});
    reg.push_back(
        {.name = "recip",
         .help =
             "反復平均法で行列並び替え: order rows and columns; prints passes and end on stderr",
         .run = [](BatchContext& c, ArgReader&) { recip(c); },
         .item = "Item_Recip",
         .caption = "反復平均法で行列並び替え(&H)",
         .place = {"Menu_Tool", 50},
         .click = [](Session& s,
                     Ui& ui) { ui.status(recipReport(Item_RecipClick(s.table, ui))); }});
}

}  // namespace tamsel

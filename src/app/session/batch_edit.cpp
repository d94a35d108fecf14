// Commands of hand editing and reciprocal averaging. The menu items act on the
// current cell; the command line names the cell on grid coordinates as the grid
// has them and goes through its pop-up.
#include <functional>
#include <ostream>

#include "analysis/recip.h"
#include "app/session/batch.h"
#include "app/session/edit_commands.h"
#include "app/session/table_commands.h"
#include "platform/error.h"
#include "table/layer_merge.h"
#include "text/sjis.h"

namespace tamsel {

namespace {

// The command line names the column (row) the command acts on, as a right press
// on it selects it in the window.
void pressColumn(CommandCall& c, std::int32_t k) {
    selectReleveColumn(c.session.table, k);
}

void pressRow(CommandCall& c, std::int32_t r, bool sayFirst = true) {
    if (!sayFirst && !TableLayout(c.session.table.model.freqRow()).isSpeciesRow(r))
        throw Error(msg("行 %1 は種の行ではありません", r));
    selectSpeciesRow(c.session.table, r);
}

// The menu item acts on the current cell's column (row); the command line names it.
using EditClick = void (*)(TableState&, EditingState&);
std::function<void(CommandCall&)> onColumn(EditClick click) {
    return [click](CommandCall& c) {
        if (!c.interactive()) pressColumn(c, c.args.number("K"));
        click(c.session.table, c.session.editing);
    };
}
std::function<void(CommandCall&)> onRow(EditClick click) {
    return [click](CommandCall& c) {
        if (!c.interactive()) pressRow(c, c.args.number("R"));
        click(c.session.table, c.session.editing);
    };
}

// Row R's label becomes TEXT, as the pop-up's "行コメント記入" makes it.
void comment(CommandCall& c) {
    std::int32_t r = c.args.number("R");
    pressRow(c, r, false);
    requireSpeciesRowInUse(c.session.table, r);
    setSpeciesLabel(c.session.table, r, sjisOrRefuse(c.args.text("TEXT"), "記入する文字"));
}

// The window opens the edit panel; the command line names the title.
void title(CommandCall& c) {
    if (c.interactive())
        Item_EditTitleClick(c.session.table, c.session.editing);
    else
        setTableTitle(c.session.table, sjisOrRefuse(c.args.text("TEXT"), "記入する文字"));
}

void drag(CommandCall& c, bool rows) {
    std::int32_t from = c.args.number("FROM");
    std::int32_t to = c.args.number("TO");
    TableState& t = c.session.table;
    if (rows ? moveRowByDrag(t, from, to) : moveColByDrag(t, from, to)) return;
    const TableLayout layout(t.model.freqRow());
    int lo = rows ? layout.firstSpeciesRow() : TableLayout::FirstReleveCol;
    int hi = rows ? layout.lastSpeciesRow(t.model.speciesCount())
                  : TableLayout::lastReleveCol(t.model.releveCount());
    throw Error(
        msg(rows ? "行 %1 を %2 へ移動できません（移動できるのは使用中の種の行 %3～%4 です）"
                 : "列 %1 を %2 へ移動できません（移動できるのは使用中の測定の列 %3～%4 です）",
            from, to, lo, hi));
}

// Undo and redo leave no pop-up open on a cell that may have gone.
void stepHistory(CommandCall& c, bool back) {
    Session& s = c.session;
    History& h = s.table.history;
    const std::string name = back ? h.undoName() : h.redoName();
    if (back)
        h.undo(s.table.model);
    else
        h.redo(s.table.model);
    EditingState& e = s.editing;
    e.Panel_ShowCell.visible = e.Panel_forCol.visible = e.Panel_forRow.visible = false;
    e.Panel_Edit.visible = false;
    c.ui.status(msg(back ? "元に戻しました: %1" : "やり直しました: %1", name));
}

// The window reports on its status bar, the command line on stderr.
void recip(CommandCall& c) {
    RecipResult r = reciprocalAveraging(c.session.table, c.ui);
    c.ui.status(recipReport(r));
    c.err << "recip: " << r.passes << " passes, " << recipEndName(r.end) << "\n";
}

}  // namespace

void registerEditCommands(std::vector<Command>& reg) {
    using K = Arg::Kind;
    reg.push_back({.name = "undo",
                   .help = "元に戻す: take back the last command that changed the table",
                   .item = "Item_Undo",
                   .caption = "元に戻す(&U)",
                   .place = {"Menu_Edit", 1},
                   .handler = [](CommandCall& c) { stepHistory(c, true); }});
    reg.push_back({.name = "redo",
                   .help = "やり直し: do again the last command taken back",
                   .item = "Item_Redo",
                   .caption = "やり直し(&Y)",
                   .place = {"Menu_Edit", 2},
                   .handler = [](CommandCall& c) { stepHistory(c, false); }});
    reg.push_back({.name = "insert-col",
                   .args = {{"K", K::Number}},
                   .help = "列を挿入する: insert an empty relevé column at grid column K",
                   .item = "Item_InsCol",
                   .caption = "この左に列を挿入する",
                   .place = {"Menu_Edit", 50},
                   .handler = onColumn(Item_InsColClick)});
    reg.push_back({.name = "delete-col",
                   .args = {{"K", K::Number}},
                   .help = "列を削除する: delete relevé column K (and rows left empty)",
                   .item = "Item_DelCol",
                   .caption = "この列を削除する  (&C)",
                   .place = {"Menu_Edit", 20},
                   .handler = onColumn(Item_DelColClick)});
    reg.push_back({.name = "insert-row",
                   .args = {{"R", K::Number}},
                   .help = "行を挿入する: insert an empty species row at grid row R",
                   .item = "Item_InsRow",
                   .caption = "この上に行を挿入する",
                   .place = {"Menu_Edit", 30, true},
                   .handler = onRow(Item_InsRowClick)});
    reg.push_back({.name = "delete-row",
                   .args = {{"R", K::Number}},
                   .help = "行を削除する: delete species row R",
                   .item = "Item_DelRow",
                   .caption = "この行を削除する  (&R)",
                   .place = {"Menu_Edit", 10, true},
                   .handler = onRow(Item_DelRowClick)});
    // The menu item inserts a row and opens its label; the command line writes the
    // label of a row that is there, as the pop-up's button does: two commands.
    reg.push_back({.name = "comment",
                   .args = {{"R", K::Number}, {"TEXT"}},
                   .help = "行コメント記入: write TEXT into the label of row R",
                   .handler = comment});
    reg.push_back(
        {.item = "Item_Comment",
         .caption = "ここにコメント行を挿入",
         .place = {"Menu_Edit", 40},
         .handler = [](CommandCall& c) { Item_CommentClick(c.session.table, c.session.editing); }});
    reg.push_back({.name = "title",
                   .args = {{"TEXT"}},
                   .help = "組成表の標題を編集: set the table title",
                   .item = "Item_EditTitle",
                   .caption = "組成表の標題を編集(&T)",
                   .place = {"Menu_Edit", 60, true},
                   .handler = title});
    reg.push_back(
        {.name = "merge-layers",
         .args = {{.name = "--method", .kind = K::Field, .value = "independent|sum", .field = 0},
                  {.name = "--into", .kind = K::Field, .value = "LAYER", .field = 1}},
         .help = "層をまとめる: each species' layers into one layer (H1 unless --into names "
                 "another), its code the class of the merged cover",
         .item = "Item_MergeLayers",
         .caption = "層をまとめる…",
         .place = {"Menu_Edit", 65},
         .handler = [](CommandCall& c) { Item_MergeLayersClick(c.session.table, c.ui); }});
    reg.push_back({.name = "move-row",
                   .args = {{"FROM", K::Number}, {"TO", K::Number}},
                   .help = "drag species row FROM to grid row TO",
                   .handler = [](CommandCall& c) { drag(c, true); }});
    reg.push_back({.name = "move-col",
                   .args = {{"FROM", K::Number}, {"TO", K::Number}},
                   .help = "drag relevé column FROM to grid column TO",
                   .handler = [](CommandCall& c) { drag(c, false); }});
    reg.push_back(
        {.name = "recip",
         .help =
             "反復平均法で行列並び替え: order rows and columns; prints passes and end on stderr",
         .item = "Item_Recip",
         .caption = "反復平均法で行列並び替え(&H)",
         .place = {"Menu_Tool", 50},
         .handler = recip});
}

}  // namespace tamsel

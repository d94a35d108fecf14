#include "app/session/edit_commands.h"

namespace tamsel {

using L = TableLayout;

void beginCommentEdit(TableState& t, EditingState& e) {
    int row = t.selection.SelectedRow;
    requireSpeciesRowInUse(t, row);
    e.outlines.push_back({L::NameCol, row, OutlineColour::Red});
    e.Edit1 = t.model.cell(L::NameCol, row);
    e.Edit1SelectAll = true;
    e.Panel_Edit.visible = true;
    t.selection.EditTarget = 2;
}

void VegTableMouseDown(TableState& t, EditingState& e, MouseButton button, int col, int row) {
    if (button != MouseButton::Right) return;
    const TableLayout layout(t.model.freqRow());
    if (row >= L::FirstItemRow && row <= L::LastShowCellRow && L::isReleveCol(col)) {
        e.Panel_ShowCell = {true, col, row};
        e.ShowCellText = t.model.cell(col, row);
    } else if (col == L::NumberCol && layout.isSpeciesRow(row)) {
        t.selection.SelectedRow = row;
        e.outlines.push_back({col, row, OutlineColour::Red});
        e.Panel_forRow = {true, col, row};
        e.Panel_Edit.col = col;
        e.Panel_Edit.row = row;
    } else if (row == L::SerialRow && L::isReleveCol(col)) {
        t.selection.SelectedColumn = col;
        e.outlines.push_back({col, row, OutlineColour::Red});
        e.Panel_forCol = {true, col, row};
    }
}

void VegTableMouseUp(TableState& t, EditingState& e, MouseButton button, int col, int row) {
    (void)t;
    if (button == MouseButton::Left) return;
    if (col >= 0 && row >= 0) e.outlines.push_back({col, row, OutlineColour::Yellow});
    e.Panel_ShowCell.visible = false;
    e.Panel_forRow.visible = false;
    e.Panel_forCol.visible = false;
}

namespace {

// A panel button closes its panel; only a release of the right or middle button
// then runs its edit.
template <typename Edit>
void release(PopupPanel& panel, MouseButton button, Edit&& edit) {
    panel.visible = false;
    if (button != MouseButton::Left) edit();
}

}  // namespace

void Btn_InsColMouseUp(TableState& t, EditingState& e, MouseButton button) {
    release(e.Panel_forCol, button, [&] { insertReleveColumn(t, t.selection.SelectedColumn); });
}

void Btn_DelColMouseUp(TableState& t, EditingState& e, MouseButton button) {
    release(e.Panel_forCol, button, [&] { deleteReleveColumn(t, t.selection.SelectedColumn); });
}

void Btn_InsRowMouseUp(TableState& t, EditingState& e, MouseButton button) {
    release(e.Panel_forRow, button, [&] { insertSpeciesRow(t, t.selection.SelectedRow); });
}

void Btn_DelRowMouseUp(TableState& t, EditingState& e, MouseButton button) {
    release(e.Panel_forRow, button, [&] { deleteSpeciesRow(t, t.selection.SelectedRow); });
}

void Btn_RemarkMouseUp(TableState& t, EditingState& e, MouseButton button) {
    release(e.Panel_forRow, button, [&] { beginCommentEdit(t, e); });
}

void Btn_Edit_OKClick(TableState& t, EditingState& e) {
    // A refused text leaves the panel open, so the user can correct or cancel it.
    if (t.selection.EditTarget == 2)
        setSpeciesLabel(t, t.selection.SelectedRow, e.Edit1);
    else if (t.selection.EditTarget == 1)
        setTableTitle(t, e.Edit1);
    e.Panel_Edit.visible = false;
}

void Btn_Edit_CancelClick(TableState& t, EditingState& e) {
    (void)t;
    e.Panel_Edit.visible = false;
}

void Item_DelRowClick(TableState& t, EditingState& e) {
    (void)e;
    deleteSpeciesRow(t, t.selection.SelectedRow);
}

void Item_DelColClick(TableState& t, EditingState& e) {
    (void)e;
    deleteReleveColumn(t, t.selection.SelectedColumn);
}

void Item_InsRowClick(TableState& t, EditingState& e) {
    (void)e;
    insertSpeciesRow(t, t.selection.SelectedRow);
}

void Item_CommentClick(TableState& t, EditingState& e) {
    insertSpeciesRow(t, t.selection.SelectedRow);
    beginCommentEdit(t, e);
}

void Item_InsColClick(TableState& t, EditingState& e) {
    (void)e;
    insertReleveColumn(t, t.selection.SelectedColumn);
}

void Item_EditTitleClick(TableState& t, EditingState& e) {
    e.Edit1 = t.model.title();
    e.Panel_Edit.visible = true;
    e.Edit1SelectAll = true;
    t.selection.EditTarget = 1;
}

void Item_SetFontClick(TableState& t, Ui& ui) {
    if (auto f = ui.fontDialog(t.print.TableFont)) t.print.TableFont = *f;
}

}  // namespace tamsel

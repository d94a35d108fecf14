// The window's hand editing: the right-button pop-ups on the grid, their buttons,
// the title and comment edit panel, the edit menu's items and the table font.
// Free of any window toolkit: the window maps the mouse to a cell, calls these
// handlers, and then shows the panels and draws the outlines EditingState
// describes; the edits themselves are the table's operations.
#pragma once

#include <string>
#include <vector>

#include "platform/ui.h"
#include "table/editing.h"

namespace tamsel {

enum class MouseButton { Left, Right, Middle };

enum class OutlineColour { Red, Yellow };

struct CellOutline {
    int col = 0;
    int row = 0;
    OutlineColour colour = OutlineColour::Red;
    bool operator==(const CellOutline&) const = default;
};

// A pop-up panel: shown or hidden, and the grid cell it was opened for. Where it
// shows on the screen is the window's business.
struct PopupPanel {
    bool visible = false;
    int col = 0;
    int row = 0;
    bool operator==(const PopupPanel&) const = default;
};

struct EditingState {
    PopupPanel Panel_ShowCell;
    std::string ShowCellText;  // caption of Panel_ShowCell (Shift-JIS)
    PopupPanel Panel_forCol;   // "列を挿入する", "列を削除する"
    PopupPanel Panel_forRow;  // "行を挿入する", "行を削除する", "行コメント記入"
    PopupPanel Panel_Edit;    // opened for the cell of the last row pop-up
    std::string Edit1;        // text of the edit box (Shift-JIS)
    bool Edit1SelectAll = false;  // the window selects all of Edit1 when it shows it

    // Outlines drawn on the grid's surface since the window last took them; they
    // are drawn once and not repainted.
    std::vector<CellOutline> outlines;
};

// Captions and tool tips of the panel buttons (UTF-8, as in the window).
struct EditButtonText {
    const char* caption;
    const char* toolTip;
};
constexpr EditButtonText InsColText{"列を挿入する", "列を挿入する"};
constexpr EditButtonText DelColText{"列を削除する", "列を削除する"};
constexpr EditButtonText InsRowText{"行を挿入する", "行を挿入する"};
constexpr EditButtonText DelRowText{"行を削除する", "行を削除する"};
constexpr EditButtonText RemarkText{"行コメント記入", "コメント記入"};
constexpr EditButtonText EditCancelText{"取消", "取消"};
constexpr EditButtonText EditOkText{"ＯＫ", "ＯＫ"};

// The label of the selected species row opened for editing (EditTarget 2).
void beginCommentEdit(TableState& t, EditingState& e);

// Mouse on the grid. (col, row) is the cell under the mouse.
void VegTableMouseDown(TableState& t, EditingState& e, MouseButton button, int col, int row);
void VegTableMouseUp(TableState& t, EditingState& e, MouseButton button, int col, int row);

// The panel buttons, run on the release of a mouse button over them. Each hides
// its own panel first; the left button does nothing more. A target row or
// column the command cannot act on throws Error naming it, changing nothing.
void Btn_InsColMouseUp(TableState& t, EditingState& e, MouseButton button);
void Btn_DelColMouseUp(TableState& t, EditingState& e, MouseButton button);
void Btn_InsRowMouseUp(TableState& t, EditingState& e, MouseButton button);
void Btn_DelRowMouseUp(TableState& t, EditingState& e, MouseButton button);
void Btn_RemarkMouseUp(TableState& t, EditingState& e, MouseButton button);

// The edit panel. A text that cannot be taken throws Error; the panel stays open.
void Btn_Edit_OKClick(TableState& t, EditingState& e);
void Btn_Edit_CancelClick(TableState& t, EditingState& e);

// Menu "編集(&E)": the same commands on the row or column of the last right press.
void Item_DelRowClick(TableState& t, EditingState& e);
void Item_DelColClick(TableState& t, EditingState& e);
void Item_InsRowClick(TableState& t, EditingState& e);
void Item_CommentClick(TableState& t, EditingState& e);  // insert a row, then edit its label
void Item_InsColClick(TableState& t, EditingState& e);
void Item_EditTitleClick(TableState& t, EditingState& e);

// Menu "表のフォント変更(&F)".
void Item_SetFontClick(TableState& t, Ui& ui);

}  // namespace tamsel

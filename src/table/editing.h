// Hand editing of the composition table: the right-button pop-ups on the grid,
// the insert / delete / comment commands of their buttons, the title and comment
// edit panel, the table font, and dragging of rows and columns.
//
// Everything here is free of any window toolkit: the window maps the mouse to a
// cell, calls these handlers, and then shows the panels and draws the outlines
// that EditingState describes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui.h"
#include "table/table_state.h"

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

// The table's own edits. A row or column the edit cannot act on throws Error
// naming it, changing nothing.
// An empty relevé column at grid column col (first .. one past the last in use).
void insertReleveColumn(TableState& t, int col);
// Relevé column col, then the species rows it leaves empty.
void deleteReleveColumn(TableState& t, int col);
// An empty species row at grid row row (first .. one past the last in use).
void insertSpeciesRow(TableState& t, int row);
void deleteSpeciesRow(TableState& t, int row);
// The relevé column (species row) the row and column commands act on; a grid
// column (row) that is no relevé column (species row) throws Error naming it.
void selectReleveColumn(TableState& t, int col);
void selectSpeciesRow(TableState& t, int row);
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

// A drag of a whole row or column from one grid position to another. Only species
// rows and relevé columns in use move; anything else is refused (false, nothing
// changes).
bool moveRowByDrag(TableState& t, int from, int to);
bool moveColByDrag(TableState& t, int from, int to);

// Why a text cannot become a label or the title (it would not survive the table
// file): control bytes or a broken double-byte character. Nothing when it can.
std::optional<std::string> editTextProblem(const std::string& sjisText);

}  // namespace tamsel

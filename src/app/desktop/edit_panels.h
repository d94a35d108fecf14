// The pop-ups of hand editing (Panel_ShowCell, Panel_forCol, Panel_forRow) and
// the edit panel Panel_Edit. They show what the core's EditingState says; their
// buttons run the core's commands through the main window.
#pragma once

#include <QFrame>
#include <QToolButton>
#include <array>

#include "app/session/edit_commands.h"

class QLabel;
class QLineEdit;

namespace tamsel {

// A speed button of a pop-up: it acts on the release of any mouse button.
class PanelButton : public QToolButton {
    Q_OBJECT
  public:
    PanelButton(const char* name, const EditButtonText& text, QWidget* parent);

  signals:
    void released(Qt::MouseButton button);

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

// Sizes of the pop-ups, in pixels.
constexpr int ShowCellWidth = 79, ShowCellHeight = 20;
constexpr int ForColWidth = 120, ForColHeight = 48;
constexpr int ForRowWidth = 120, ForRowHeight = 72;
constexpr int EditPanelWidth = 530, EditPanelHeight = 29, EditPanelLeft = 59;
constexpr int Edit1Width = 410;

class EditPanels {
  public:
    // host: the widget the grid fills; the panels float over it.
    explicit EditPanels(QWidget* host);

    // Places the pop-ups a right press just opened (e, after the core's press
    // handler) beside the mouse: mouse in the grid's viewport, gridOrigin the
    // viewport's top-left in the host.
    void placeFromPress(const EditingState& e, QPoint mouse, QPoint gridOrigin);
    // Shows and hides the panels as e says, at the places the last press chose; a position that
    // would put a panel out of the host is moved in, so the whole panel can be reached.
    // title: the edit panel edits the table's title, and says so above itself.
    void showFrom(EditingState& e, bool title);
    // The edit box into e, as the OK command reads it.
    void readInto(EditingState& e) const;

    // The visible pop-up button under a global position, if any.
    PanelButton* buttonAt(QPoint globalPos) const;
    // While the grid holds the mouse the buttons get no hover: the one under the
    // mouse is shown pressed instead, so the user sees which one the release runs.
    void markButtonAt(QPoint globalPos);

    QLabel* Panel_ShowCell;
    QLabel* EditCaption;  // over the edit panel while it edits the title
    QFrame *Panel_forCol, *Panel_forRow, *Panel_Edit;
    PanelButton *Btn_InsCol, *Btn_DelCol, *Btn_InsRow, *Btn_DelRow, *Btn_Remark;
    QLineEdit* Edit1;
    QToolButton *Btn_Edit_Cancel, *Btn_Edit_OK;

  private:
    std::array<PanelButton*, 5> popupButtons() const {
        return {Btn_InsCol, Btn_DelCol, Btn_InsRow, Btn_DelRow, Btn_Remark};
    }
    QWidget* host_;
    QPoint showCellAt_, forColAt_, forRowAt_, editAt_{EditPanelLeft, 0};
};

}  // namespace tamsel

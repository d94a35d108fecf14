#include "app/desktop/edit_panels.h"

#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <algorithm>

#include "platform/qt/qt_text.h"

namespace tamsel {

namespace {

constexpr int PopupButtonHeight = 24;
constexpr int EditRowHeight = 25;

QFrame* popup(const char* name, int width, int height, QWidget* host) {
    auto* f = new QFrame(host);
    f->setObjectName(QString::fromLatin1(name));
    f->setFrameStyle(QFrame::Panel | QFrame::Raised);
    f->setLineWidth(1);
    f->setAutoFillBackground(true);
    f->setFixedSize(width, height);
    f->hide();
    return f;
}

void stack(QFrame* panel, std::initializer_list<QWidget*> buttons) {
    int top = 0;
    for (QWidget* b : buttons) {
        b->setGeometry(0, top, panel->width(), PopupButtonHeight);
        top += PopupButtonHeight;
    }
}

QToolButton* editButton(const char* name, const EditButtonText& text, QWidget* parent) {
    auto* b = new QToolButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setText(QString::fromUtf8(text.caption));
    b->setToolTip(QString::fromUtf8(text.toolTip));
    b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    return b;
}

void place(QWidget* w, const PopupPanel& p, QPoint at, const QWidget* host) {
    if (!p.visible) {
        if (w->isVisible())
            for (QAbstractButton* b : w->findChildren<QAbstractButton*>()) b->setDown(false);
        w->hide();
        return;
    }
    const int left = std::clamp(at.x(), 0, std::max(0, host->width() - w->width()));
    const int top = std::clamp(at.y(), 0, std::max(0, host->height() - w->height()));
    w->move(left, top);
    w->show();
    w->raise();
}

}  // namespace

PanelButton::PanelButton(const char* name, const EditButtonText& text, QWidget* parent)
    : QToolButton(parent) {
    setObjectName(QString::fromLatin1(name));
    setText(QString::fromUtf8(text.caption));
    setToolTip(QString::fromUtf8(text.toolTip));
    setToolButtonStyle(Qt::ToolButtonTextOnly);
    setAutoRaise(true);
}

void PanelButton::mouseReleaseEvent(QMouseEvent* event) {
    QToolButton::mouseReleaseEvent(event);
    if (rect().contains(event->position().toPoint())) emit released(event->button());
}

EditPanels::EditPanels(QWidget* host) : host_(host) {
    Panel_ShowCell = new QLabel(host);
    Panel_ShowCell->setObjectName(QStringLiteral("Panel_ShowCell"));
    Panel_ShowCell->setFrameStyle(QFrame::Box | QFrame::Plain);
    Panel_ShowCell->setLineWidth(1);
    Panel_ShowCell->setAutoFillBackground(true);
    QPalette white = Panel_ShowCell->palette();
    white.setColor(QPalette::Window, Qt::white);
    white.setColor(QPalette::WindowText, Qt::black);
    Panel_ShowCell->setPalette(white);
    Panel_ShowCell->setAlignment(Qt::AlignCenter);
    Panel_ShowCell->setFixedSize(ShowCellWidth, ShowCellHeight);
    Panel_ShowCell->hide();

    Panel_forCol = popup("Panel_forCol", ForColWidth, ForColHeight, host);
    Btn_InsCol = new PanelButton("Btn_InsCol", InsColText, Panel_forCol);
    Btn_DelCol = new PanelButton("Btn_DelCol", DelColText, Panel_forCol);
    stack(Panel_forCol, {Btn_InsCol, Btn_DelCol});

    Panel_forRow = popup("Panel_forRow", ForRowWidth, ForRowHeight, host);
    Btn_InsRow = new PanelButton("Btn_InsRow", InsRowText, Panel_forRow);
    Btn_DelRow = new PanelButton("Btn_DelRow", DelRowText, Panel_forRow);
    Btn_Remark = new PanelButton("Btn_Remark", RemarkText, Panel_forRow);
    stack(Panel_forRow, {Btn_InsRow, Btn_DelRow, Btn_Remark});

    Panel_Edit = popup("Panel_Edit", EditPanelWidth, EditPanelHeight, host);
    Edit1 = new QLineEdit(Panel_Edit);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    const int pad = (EditPanelHeight - EditRowHeight) / 2;
    Edit1->setGeometry(pad, pad, Edit1Width, EditRowHeight);
    Btn_Edit_Cancel = editButton("Btn_Edit_Cancel", EditCancelText, Panel_Edit);
    Btn_Edit_OK = editButton("Btn_Edit_OK", EditOkText, Panel_Edit);
    const int buttonsLeft = pad + Edit1Width + 2;
    const int buttonWidth = (EditPanelWidth - buttonsLeft - pad - 2) / 2;
    Btn_Edit_Cancel->setGeometry(buttonsLeft, pad, buttonWidth, EditRowHeight);
    Btn_Edit_OK->setGeometry(buttonsLeft + buttonWidth + 2, pad, buttonWidth, EditRowHeight);

    EditCaption = new QLabel(
        QStringLiteral("組成表の標題を編集しています（Enter で決定、Esc で取止め）"), host);
    EditCaption->setObjectName(QStringLiteral("EditCaption"));
    EditCaption->setFrameStyle(QFrame::Box | QFrame::Plain);
    EditCaption->setAutoFillBackground(true);
    EditCaption->setPalette(Panel_ShowCell->palette());
    EditCaption->setMargin(2);
    EditCaption->adjustSize();
    EditCaption->hide();
}

void EditPanels::placeFromPress(const EditingState& e, QPoint mouse, QPoint gridOrigin) {
    // The cell's text left of the mouse; the row buttons above it at the left
    // edge, the edit panel just below them; the column buttons left of the mouse
    // at the top, over the header rows.
    const int x = mouse.x() + gridOrigin.x();
    const int y = mouse.y();
    if (e.Panel_ShowCell.visible) showCellAt_ = {x - ShowCellWidth - 2, y + gridOrigin.y()};
    if (e.Panel_forRow.visible) {
        forRowAt_ = {34, y - 60};
        editAt_ = {EditPanelLeft, y - 30};
    }
    if (e.Panel_forCol.visible) forColAt_ = {x - ForColWidth, 20};
}

void EditPanels::showFrom(EditingState& e, bool title) {
    Panel_ShowCell->setText(qs(e.ShowCellText));
    place(Panel_ShowCell, e.Panel_ShowCell, showCellAt_, host_);
    place(Panel_forCol, e.Panel_forCol, forColAt_, host_);
    place(Panel_forRow, e.Panel_forRow, forRowAt_, host_);

    const QString text = qs(e.Edit1);
    if (Edit1->text() != text) Edit1->setText(text);
    const bool opening = e.Panel_Edit.visible && Panel_Edit->isHidden();
    place(Panel_Edit, e.Panel_Edit, editAt_, host_);
    // The edit box alone does not say that it edits the title.
    if (title && e.Panel_Edit.visible) {
        const QRect r = Panel_Edit->geometry();
        const int above = r.top() - EditCaption->height();
        EditCaption->move(r.left(), above >= 0 ? above : r.bottom() + 1);
        EditCaption->show();
        EditCaption->raise();
    } else {
        EditCaption->hide();
    }
    if (e.Edit1SelectAll || opening) {
        if (e.Edit1SelectAll) Edit1->selectAll();
        e.Edit1SelectAll = false;
        if (e.Panel_Edit.visible) Edit1->setFocus();
    }
}

void EditPanels::readInto(EditingState& e) const {
    e.Edit1 = sjisOf(Edit1->text());
}

PanelButton* EditPanels::buttonAt(QPoint globalPos) const {
    for (PanelButton* b : popupButtons())
        if (b->isVisible() && b->rect().contains(b->mapFromGlobal(globalPos))) return b;
    return nullptr;
}

void EditPanels::markButtonAt(QPoint globalPos) {
    PanelButton* under = buttonAt(globalPos);
    for (PanelButton* b : popupButtons()) b->setDown(b == under);
}

}  // namespace tamsel

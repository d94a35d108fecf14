// PaneltoPrint: the print-item panel. It only shows and collects; its buttons run
// the BtnToPrintClick and BtnCancelPrintClick on the PrintPanel record and
// the item boxes of the table state, which the widgets are copied into.
#pragma once

#include <QFrame>
#include <array>

#include "output/print_panel.h"
#include "table/table_state.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace tamsel {

class PrintItemPanel : public QFrame {
    Q_OBJECT
  public:
    explicit PrintItemPanel(QWidget* parent = nullptr);

    // The user's input into the session, while the panel shows: the checked
    // states of the enabled items, the two extras, the title and the range.
    void readInto(TableState& t, PrintPanel& p) const;
    // Captions, enabled and checked states, extras, title, range and limits from
    // the session; shown or hidden as the record says.
    void showFrom(const TableState& t, const PrintPanel& p);

    QLineEdit* EditTitle;
    std::array<QCheckBox*, PrintItemCount + 1> ChkBox{};  // ChkBox[1..30]
    QCheckBox *ChkBoxfq, *ChkBox1t;
    QCheckBox* ChkBoxClean;   // shown for the workbook only
    QCheckBox* ChkBoxRepeat;  // shown for the printer only
    QSpinBox *PN1, *PN2;
    QPushButton *BtnToPrint, *BtnCancelPrint;
    QLabel* Label4;
};

}  // namespace tamsel

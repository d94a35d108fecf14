// Panel_AddReleve: the boxes and buttons for choosing relevés from the data file.
// The panel only shows and collects; the buttons run the core's commands, which
// work on the AddReleveForm the boxes are copied into.
#pragma once

#include <QFrame>

#include "compose/add_releve_form.h"

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;

namespace tamsel {

class AddRelevePanel : public QFrame {
    Q_OBJECT
  public:
    // Longest name and grid text, and longest cover text, in Shift-JIS bytes.
    static constexpr int NameBytes = 28;
    static constexpr int CoverBytes = 2;

    explicit AddRelevePanel(QWidget* parent = nullptr);

    // The boxes into the form, as a command reads them.
    void readInto(AddReleveForm& f) const;
    // The boxes and the file label from the form; a box already showing its
    // value is left alone, so the cursor stays where the user put it.
    void showFrom(const AddReleveForm& f);

    QLabel* Label_fileName;
    QLineEdit *EditName1, *EditCov1, *EditName2, *EditCov2, *EditGrid;
    QPushButton *AddPlantABtn, *AddPlantAandBBtn, *AddPlantAorBBtn, *AddPlantAnotBBtn;
    QPushButton* AddbyGridBtn;
    QSpinBox *RtN1, *RtN2;
    QPushButton* AddbyRecordBtn;
    QProgressBar* ProgressBar1;
    QPushButton* Btn_AddCancel;
};

}  // namespace tamsel

// TAboutBox: the version box of "ﾊﾞｰｼﾞｮﾝ情報(&A)". Created at start-up, shown modally.
#pragma once

#include <QDialog>

class QPushButton;

namespace tamsel {

class TAboutBox : public QDialog {
    Q_OBJECT
  public:
    explicit TAboutBox(QWidget* parent = nullptr);
    QPushButton* okButton() const { return okButton_; }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    QPushButton* okButton_;
};

}  // namespace tamsel

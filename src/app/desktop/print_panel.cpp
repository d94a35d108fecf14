#include "app/desktop/print_panel.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>
#include <climits>

#include "platform/qt/qt_text.h"

namespace tamsel {

namespace {

QString u(const char* utf8) {
    return QString::fromUtf8(utf8);
}

QCheckBox* checkBox(const QString& name, const QString& caption, QWidget* parent) {
    auto* b = new QCheckBox(caption, parent);
    b->setObjectName(name);
    return b;
}

QSpinBox* rangeField(const char* name, QWidget* parent) {
    auto* s = new QSpinBox(parent);
    s->setObjectName(QString::fromLatin1(name));
    // A value typed outside the limits is brought back within them on leaving.
    s->setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
    s->setFixedWidth(80);
    return s;
}

QPushButton* button(const char* name, const char* caption, QWidget* parent) {
    auto* b = new QPushButton(u(caption), parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

constexpr int ItemRows = 10;  // the thirty items in three columns

}  // namespace

PrintItemPanel::PrintItemPanel(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("PaneltoPrint"));
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setLineWidth(2);
    setAutoFillBackground(true);

    Label4 = new QLabel(u(PrintPanelText::Label4), this);
    Label4->setObjectName(QStringLiteral("Label4"));
    EditTitle = new QLineEdit(this);
    EditTitle->setObjectName(QStringLiteral("EditTitle"));

    auto* items = new QGridLayout;
    items->setHorizontalSpacing(12);
    items->setVerticalSpacing(2);
    for (int n = 1; n <= PrintItemCount; ++n) {
        ChkBox[n] = checkBox(QStringLiteral("ChkBox%1").arg(n), QString(), this);
        items->addWidget(ChkBox[n], (n - 1) % ItemRows, (n - 1) / ItemRows);
    }
    ChkBoxfq = checkBox(QStringLiteral("ChkBoxfq"), u(PrintPanelText::Frequency), this);
    ChkBox1t = checkBox(QStringLiteral("ChkBox1t"), u(PrintPanelText::OnceOnly), this);
    ChkBoxClean = checkBox(QStringLiteral("ChkBoxClean"), u(PrintPanelText::CleanSheet), this);
    ChkBoxRepeat = checkBox(QStringLiteral("ChkBoxRepeat"), u(PrintPanelText::RepeatNames), this);

    PN1 = rangeField("PN1", this);
    PN2 = rangeField("PN2", this);
    BtnToPrint = button("BtnToPrint", PrintPanelText::ToPrint, this);
    BtnCancelPrint = button("BtnCancelPrint", PrintPanelText::CancelPrint, this);

    auto* extras = new QHBoxLayout;
    extras->addWidget(ChkBoxfq);
    extras->addWidget(ChkBox1t);
    extras->addWidget(ChkBoxClean);
    extras->addWidget(ChkBoxRepeat);
    extras->addStretch(1);

    auto* range = new QHBoxLayout;
    range->addWidget(new QLabel(u(PrintPanelText::Range), this));
    range->addWidget(PN1);
    range->addWidget(new QLabel(u(PrintPanelText::RangeDash), this));
    range->addWidget(PN2);
    range->addStretch(1);
    range->addWidget(BtnToPrint);
    range->addWidget(BtnCancelPrint);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 10, 12, 10);
    layout->setSpacing(6);
    layout->addWidget(Label4);
    layout->addWidget(EditTitle);
    layout->addLayout(items);
    layout->addLayout(extras);
    layout->addLayout(range);

    resize(sizeHint());
    hide();
}

void PrintItemPanel::readInto(TableState& t, PrintPanel& p) const {
    if (isHidden()) return;
    for (int n = 1; n <= PrintItemCount; ++n)
        if (t.print.PrintItemBoxes[n].enabled)
            t.print.PrintItemBoxes[n].checked = ChkBox[n]->isChecked();
    p.ChkBoxfq = ChkBoxfq->isChecked();
    p.ChkBox1t = ChkBox1t->isChecked();
    p.cleanSheet = ChkBoxClean->isChecked();
    p.repeatNames = ChkBoxRepeat->isChecked();
    p.EditTitle = sjisOf(EditTitle->text());
    // A number being typed counts as entered.
    PN1->interpretText();
    PN2->interpretText();
    p.PN1.value = PN1->value();
    p.PN2.value = PN2->value();
}

void PrintItemPanel::showFrom(const TableState& t, const PrintPanel& p) {
    for (int n = 1; n <= PrintItemCount; ++n) {
        const PrintItemBox& box = t.print.PrintItemBoxes[n];
        ChkBox[n]->setText(qs(box.caption));
        ChkBox[n]->setEnabled(box.enabled);
        ChkBox[n]->setChecked(box.checked);
    }
    ChkBoxfq->setChecked(p.ChkBoxfq);
    ChkBox1t->setChecked(p.ChkBox1t);
    ChkBoxClean->setChecked(p.cleanSheet);
    ChkBoxClean->setVisible(p.target == OutputTarget::Spreadsheet);
    ChkBoxRepeat->setChecked(p.repeatNames);
    ChkBoxRepeat->setVisible(p.target == OutputTarget::Printer);
    if (sjisOf(EditTitle->text()) != p.EditTitle) EditTitle->setText(qs(p.EditTitle));
    for (auto [field, spin] : {std::pair{&p.PN1, PN1}, std::pair{&p.PN2, PN2}}) {
        spin->setRange(field->minValue, std::max(field->minValue, field->maxValue));
        spin->setValue(field->value);
    }
    setVisible(p.visible);
}

}  // namespace tamsel

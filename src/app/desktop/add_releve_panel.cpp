#include "app/desktop/add_releve_panel.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>
#include <climits>

#include "platform/qt/qt_text.h"
#include "platform/qt/sjis_length.h"

namespace tamsel {

namespace {

QString u(const char* utf8) {
    return QString::fromUtf8(utf8);
}

QLabel* label(const char* text, QWidget* parent) {
    return new QLabel(u(text), parent);
}

QLineEdit* edit(const char* name, int maxBytes, int width, QWidget* parent) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    if (maxBytes > 0) e->setValidator(new ShiftJisLengthValidator(maxBytes, e));
    e->setFixedWidth(width);
    return e;
}

QPushButton* button(const char* name, const char* caption, QWidget* parent) {
    auto* b = new QPushButton(u(caption), parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

QSpinBox* spin(const char* name, QWidget* parent) {
    auto* s = new QSpinBox(parent);
    s->setObjectName(QString::fromLatin1(name));
    // No limits of its own: the commands check the range and say what is wrong.
    s->setRange(INT_MIN, INT_MAX);
    s->setValue(1);
    s->setFixedWidth(90);
    return s;
}

void showText(QLineEdit* e, const std::string& sjis) {
    const QString text = qs(sjis);
    if (e->text() != text) e->setText(text);
}

int spinValue(std::int64_t v) {
    return static_cast<int>(std::clamp<std::int64_t>(v, INT_MIN, INT_MAX));
}

}  // namespace

AddRelevePanel::AddRelevePanel(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("Panel_AddReleve"));
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setLineWidth(2);
    setAutoFillBackground(true);

    Label_fileName = new QLabel(this);
    Label_fileName->setObjectName(QStringLiteral("Label_fileName"));
    QFont bold = Label_fileName->font();
    bold.setBold(true);
    Label_fileName->setFont(bold);

    constexpr int NameWidth = 210, CoverWidth = 34;
    EditName1 = edit("EditName1", NameBytes, NameWidth, this);
    EditCov1 = edit("EditCov1", CoverBytes, CoverWidth, this);
    EditName2 = edit("EditName2", NameBytes, NameWidth, this);
    EditCov2 = edit("EditCov2", CoverBytes, CoverWidth, this);
    EditGrid = edit("EditGrid", NameBytes, NameWidth, this);
    EditCov1->setText(QStringLiteral("+"));
    EditCov2->setText(QStringLiteral("+"));

    AddPlantABtn = button("AddPlantABtn", "Ａのみ", this);
    AddPlantAandBBtn = button("AddPlantAandBBtn", "ＡとＢ", this);
    AddPlantAorBBtn = button("AddPlantAorBBtn", "ＡかＢ", this);
    AddPlantAnotBBtn = button("AddPlantAnotBBtn", "Ｂなし", this);
    AddbyGridBtn = button("AddbyGridBtn", "地理区画のみ指定　", this);
    RtN1 = spin("RtN1", this);
    RtN2 = spin("RtN2", this);
    AddbyRecordBtn = button("AddbyRecordBtn", "レコード番号を指定して表に加える", this);
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setFixedHeight(14);
    Btn_AddCancel = button("Btn_AddCancel", "取止め", this);

    auto* boxes = new QGridLayout;
    boxes->setHorizontalSpacing(6);
    boxes->addWidget(label("植物名 ／ 地理区画　　       最低値", this), 0, 1, 1, 2);
    boxes->addWidget(label("A", this), 1, 0, Qt::AlignRight);
    boxes->addWidget(EditName1, 1, 1);
    boxes->addWidget(EditCov1, 1, 2, Qt::AlignLeft);
    boxes->addWidget(label("B", this), 2, 0, Qt::AlignRight);
    boxes->addWidget(EditName2, 2, 1);
    boxes->addWidget(EditCov2, 2, 2, Qt::AlignLeft);
    boxes->addWidget(EditGrid, 3, 1);
    boxes->addWidget(AddbyGridBtn, 3, 2);
    boxes->setColumnStretch(3, 1);

    auto* plants = new QHBoxLayout;
    for (QPushButton* b : {AddPlantABtn, AddPlantAandBBtn, AddPlantAorBBtn, AddPlantAnotBBtn})
        plants->addWidget(b);

    auto* range = new QHBoxLayout;
    range->addWidget(label("指定するレコード範囲", this));
    range->addWidget(RtN1);
    range->addWidget(label("～", this));
    range->addWidget(RtN2);
    range->addStretch(1);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(AddbyRecordBtn);
    bottom->addStretch(1);
    bottom->addWidget(Btn_AddCancel);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 10, 12, 10);
    layout->setSpacing(6);
    layout->addWidget(Label_fileName);
    layout->addLayout(boxes);
    layout->addSpacing(4);
    layout->addWidget(label("植物を指定して表に加える", this));
    layout->addLayout(plants);
    layout->addSpacing(4);
    layout->addLayout(range);
    layout->addLayout(bottom);
    layout->addWidget(ProgressBar1);

    resize(sizeHint());
    hide();
}

void AddRelevePanel::readInto(AddReleveForm& f) const {
    f.EditName1 = sjisOf(EditName1->text());
    f.EditCov1 = sjisOf(EditCov1->text());
    f.EditName2 = sjisOf(EditName2->text());
    f.EditCov2 = sjisOf(EditCov2->text());
    f.EditGrid = sjisOf(EditGrid->text());
    // A number being typed counts as entered.
    RtN1->interpretText();
    RtN2->interpretText();
    f.RtN1 = RtN1->value();
    f.RtN2 = RtN2->value();
}

void AddRelevePanel::showFrom(const AddReleveForm& f) {
    Label_fileName->setText(qs(f.labelFileName));
    showText(EditName1, f.EditName1);
    showText(EditCov1, f.EditCov1);
    showText(EditName2, f.EditName2);
    showText(EditCov2, f.EditCov2);
    showText(EditGrid, f.EditGrid);
    RtN1->setValue(spinValue(f.RtN1));
    RtN2->setValue(spinValue(f.RtN2));
}

}  // namespace tamsel

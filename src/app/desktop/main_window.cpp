#include "app/desktop/main_window.h"

#include <QAbstractButton>
#include <QAction>
#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QVBoxLayout>
#include <algorithm>
#include <map>
#include <new>
#include <sstream>

#include "analysis/recip.h"
#include "analysis/sorting.h"
#include "app/desktop/add_releve_panel.h"
#include "app/desktop/curve_chart.h"
#include "app/desktop/edit_panels.h"
#include "app/desktop/print_panel.h"
#include "app/desktop/veg_table.h"
#include "app/session/commands.h"
#include "app/session/compose_commands.h"
#include "app/session/edit_commands.h"
#include "app/session/output_commands.h"
#include "app/session/settings.h"
#include "app/session/table_file_commands.h"
#include "compose/add_releve.h"
#include "compose/dictionary.h"
#include "output/csv_exports.h"
#include "output/text_file.h"
#include "platform/error.h"
#include "platform/qt/qt_text.h"
#include "table/cell_inspector.h"
#include "table/frequency.h"
#include "table/table_layout.h"
#include "table/table_state.h"
#include "tablefile/table_file.h"
#include "text/sjis.h"

namespace tamsel {

namespace {

constexpr int WindowWidth = 729;
constexpr int WindowHeight = 543;
constexpr int ColumnZeroWidth = 1;
constexpr int NameColumnWidth = 196;
constexpr int RowZeroHeight = 1;
// Panel_AddReleve opens this far below the top of the table.
constexpr int AddReleveTop = 40;

// Whether a cell lies on a species row (relevé column) in use.
bool speciesRowInUse(const TableState& t, QPoint cell) {
    const TableLayout layout(t.model.freqRow());
    return cell.x() >= 0 && cell.y() >= layout.firstSpeciesRow() &&
           cell.y() <= layout.lastSpeciesRow(t.model.speciesCount());
}
bool releveColInUse(const TableState& t, QPoint cell) {
    return cell.y() >= 0 && cell.x() >= TableLayout::FirstReleveCol &&
           cell.x() <= TableLayout::lastReleveCol(t.model.releveCount());
}

MouseButton mouseButtonOf(Qt::MouseButton b) {
    switch (b) {
        case Qt::LeftButton:
            return MouseButton::Left;
        case Qt::RightButton:
            return MouseButton::Right;
        default:
            return MouseButton::Middle;
    }
}

}  // namespace

QFont TForm1::formFont() {
    QFont f;
    f.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("Noto Sans CJK JP")});
    f.setPixelSize(13);
    return f;
}

TForm1::TForm1(Session& session, const std::string& programPath,
               const std::vector<std::string>& args, QWidget* parent)
    : QMainWindow(parent),
      session_(session),
      commands_(allCommands()),
      ui_(std::make_unique<QtUi>(this)) {
    setObjectName(QStringLiteral("Form1"));
    ui_->setCurveChartView(
        [this](const CurveChartRequest& r) { return showCurveChartDialog(this, r); });
    setFont(formFont());
    resize(WindowWidth, WindowHeight);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        // Most of the screen, so that the header rows and many species rows show
        // (main() maximises the window where the desktop allows it).
        const QRect avail = screen->availableGeometry();
        resize(std::max(WindowWidth, avail.width() * 9 / 10),
               std::max(WindowHeight, avail.height() * 9 / 10));
        QRect r = geometry();
        r.moveCenter(avail.center());
        move(r.topLeft());
    }

    auto* host = new QWidget(this);
    auto* layout = new QVBoxLayout(host);
    layout->setContentsMargins(0, 0, 0, 0);
    vegTable_ = new VegTable(session_.table.model, host);
    vegTable_->setObjectName(QStringLiteral("VegTable"));
    layout->addWidget(vegTable_);
    setCentralWidget(host);
    buildAddRelevePanel(host);
    buildEditPanels(host);
    buildPrintPanel(host);
    buildMessagePanel(host);
    buildMenu();
    buildRecentMenu();
    connectGrid();
    // Esc closes what is open over the table, the innermost first, as Cancel would.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, [this] { closeOpenPanel(); });

    inspector_ = new QLabel(this);
    inspector_->setObjectName(QStringLiteral("StatusInspector"));
    inspector_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    report_ = new QLabel(this);
    report_->setObjectName(QStringLiteral("StatusReport"));
    statusBar()->addWidget(inspector_, 1);
    statusBar()->addPermanentWidget(report_);
    ui_->setStatusHandler([this](const QString& text) { report_->setText(text); });
    connect(vegTable_, &VegTable::cellHovered, this, [this](QPoint cell) {
        inspected_ = cell;
        showInspection();
    });

    // Widths and heights belong to the window; the core sizes the grid.
    vegTable_->setDefaultColWidth(DefaultColWidth);
    vegTable_->setDefaultRowHeight(DefaultRowHeight);
    vegTable_->setColWidth(0, ColumnZeroWidth);
    vegTable_->setColWidth(2, NameColumnWidth);
    vegTable_->setRowHeight(0, RowZeroHeight);

    ui_->setMessagePanel(Panel_ofMessage, LabelofProgress, ProgressBar2);
    ui_->setTableFileSource([this] { return session_.table.files.TableFileName; });
    ui_->setProgressBar1(Panel_AddReleve->ProgressBar1);
    // A command that changed the table and then asks or tells the user something
    // shows the changed table behind the dialog.
    ui_->setBeforeModalHandler([this] { showTableIfChanged(); });

    session_.programPath = programPath;
    runCommand([&] {
        try {
            FormCreate(session_, *ui_, args, true);
        } catch (const StartUpError& e) {
            // The window goes on with what start-up made; the user is told.
            ui_->message(e.settingsFailed ? msg("%1\n既定の設定で起動します。", e.what())
                                          : std::string(e.what()));
        }
    });
    shownFont_ = session_.table.print.TableFont;
    vegTable_->setTableFont(shownFont_);
}

TForm1::~TForm1() {
    // The grid widget shows the session's grid: let it go first.
    delete takeCentralWidget();
}

QAction* TForm1::item(const QString& name) const {
    auto it = items_.find(name);
    return it == items_.end() ? nullptr : it->second;
}

void TForm1::setAboutBox(QDialog* box) {
    ui_->setAboutBox(box);
}

void TForm1::buildMenu() {
    // Every item comes from the command table; one without a handler stays disabled.
    const std::vector<Command>& table = commands_;
    for (const MenuDef& m : mainMenus()) {
        QMenu* menu = menuBar()->addMenu(QString::fromUtf8(m.caption));
        menu->setObjectName(QString::fromUtf8(m.name));
        std::map<std::string, QMenu*> submenus;
        for (const Command* c : menuItems(table, m.name)) {
            if (c->place.separatorBefore) menu->addSeparator();
            QMenu* into = menu;
            if (!c->place.submenu.empty()) {
                QMenu*& sub = submenus[c->place.submenu];
                if (!sub) sub = menu->addMenu(QString::fromStdString(c->place.submenu));
                into = sub;
            }
            QAction* a = into->addAction(QString::fromStdString(c->caption));
            a->setObjectName(QString::fromStdString(c->item));
            a->setEnabled(false);
            if (!c->shortcut.empty())
                a->setShortcut(QKeySequence(QString::fromStdString(c->shortcut)));
            items_[a->objectName()] = a;
            if (!c->handler) continue;
            wire(a->objectName(), [this, c] {
                if (c->replacesTable && !askToSaveFirst(session_, *ui_)) return;
                // The window's commands have no arguments: their dialogs ask the user.
                static const CommandArgs none;
                std::ostringstream discarded;
                CommandCall call{session_, *ui_, none, discarded, discarded};
                c->handler(call);
                if (c->replacesTable) {
                    // Another table: its view starts at the top-left.
                    vegTable_->setTopRow(vegTable_->fixedRows());
                    vegTable_->setLeftCol(vegTable_->fixedCols());
                }
            });
        }
    }
    wire(QStringLiteral("Item_Quit"), [this] { Btn_QuitClick(); });
    if (QAction* a = item(QStringLiteral("Item_Undo"))) a->setShortcut(QKeySequence::Undo);
    if (QAction* a = item(QStringLiteral("Item_Redo")))
        a->setShortcuts(
            {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    updateEditItems();
}

void TForm1::updateEditItems() {
    const TableState& t = session_.table;
    const History& h = t.history;
    auto name = [](const char* caption, const std::string& step) {
        // The step's name before the access key, as "元に戻す: 列を削除する(&U)".
        QString text = QString::fromUtf8(caption);
        if (!step.empty())
            text.insert(text.indexOf(QLatin1Char('(')), QStringLiteral(": ") + qs(step));
        return text;
    };
    if (QAction* a = item(QStringLiteral("Item_Undo"))) {
        a->setText(name("元に戻す(&U)", h.undoName()));
        a->setEnabled(h.canUndo());
    }
    if (QAction* a = item(QStringLiteral("Item_Redo"))) {
        a->setText(name("やり直し(&Y)", h.redoName()));
        a->setEnabled(h.canRedo());
    }
    const QPoint c = vegTable_ ? vegTable_->current() : QPoint(-1, -1);
    const bool onRow = speciesRowInUse(t, c), onCol = releveColInUse(t, c);
    for (const char* n : {"Item_DelRow", "Item_InsRow", "Item_Comment"})
        if (QAction* a = item(QString::fromLatin1(n))) a->setEnabled(onRow);
    for (const char* n : {"Item_DelCol", "Item_InsCol"})
        if (QAction* a = item(QString::fromLatin1(n))) a->setEnabled(onCol);
    // Outputs and analyses of a table without relevés have nothing to work on,
    // and a blank table that came from no file has nothing to save.
    const bool blank = t.model.releveCount() == 0;
    for (const char* n : {"Item_ValueMatrix",    "Item_PCordCSV",       "Item_PlotData",
                          "Item_TextFile",       "Item_ExcelFile",      "Item_PrintTable",
                          "Item_CornellPercent", "Item_CornellOrdinal", "Item_LongTable",
                          "Item_ReleveStats",    "Item_IndicatorMeans", "Item_Synoptic",
                          "Item_SortFidelity",   "Item_Twinspan",       "Item_Recip",
                          "Item_OptimClass",     "Item_Beals",          "Item_BealsExcludeSelf",
                          "Item_Cocktail",       "Item_AssignUnits",    "Item_EditDefinitions"})
        if (QAction* a = item(QString::fromLatin1(n)); a && wired_.count(a->objectName()))
            a->setEnabled(!blank);
    if (QAction* a = item(QStringLiteral("Item_Save")); a && wired_.count(a->objectName()))
        a->setEnabled(!blank || !t.files.TableFileName.empty() || t.changed());
}

void TForm1::takeCurrentCell(QPoint cell) {
    TableState& t = session_.table;
    // A comment being written keeps its row until the edit panel closes.
    if (!(session_.editing.Panel_Edit.visible && t.selection.EditTarget == 2))
        t.selection.SelectedRow = speciesRowInUse(t, cell) ? cell.y() : 0;
    t.selection.SelectedColumn = releveColInUse(t, cell) ? cell.x() : 0;
    updateEditItems();
}

void TForm1::closeOpenPanel() {
    EditingState& e = session_.editing;
    runCommand([&] {
        if (e.Panel_Edit.visible) {
            Btn_Edit_CancelClick(session_.table, e);
            vegTable_->clearOutlines();
        } else if (e.Panel_ShowCell.visible || e.Panel_forCol.visible || e.Panel_forRow.visible) {
            e.Panel_ShowCell.visible = e.Panel_forCol.visible = e.Panel_forRow.visible = false;
        } else if (session_.printPanel.visible) {
            BtnCancelPrintClick(session_.printPanel);
            takeBackPanelRecount();
        } else if (session_.addPanel.visible) {
            Btn_AddCancelClick(session_.addPanel);
        }
    });
}

void TForm1::buildRecentMenu() {
    QMenu* file = menuBar()->findChild<QMenu*>(QStringLiteral("Menu_File"));
    if (!file) return;
    recentMenu_ = new QMenu(QStringLiteral("最近使ったファイル"), file);
    recentMenu_->setObjectName(QStringLiteral("Menu_Recent"));
    QAction* quit = item(QStringLiteral("Item_Quit"));
    file->insertMenu(quit, recentMenu_);
    file->insertSeparator(quit);
    connect(recentMenu_, &QMenu::aboutToShow, this, &TForm1::fillRecentMenu);
    fillRecentMenu();
}

void TForm1::fillRecentMenu() {
    recentMenu_->clear();
    const QStringList paths = recent_.paths();
    for (int i = 0; i < paths.size(); ++i) {
        const QString& path = paths[i];
        QAction* a = recentMenu_->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(path));
        connect(a, &QAction::triggered, this, [this, path] { openRecent(path); });
    }
    if (paths.isEmpty()) recentMenu_->addAction(QStringLiteral("（なし）"))->setEnabled(false);
}

void TForm1::openRecent(const QString& path) {
    runCommand(
        [&] {
            const std::string native = pathOf(path);
            if (!QFileInfo::exists(path)) {
                recent_.remove(path);
                fillRecentMenu();
                throw Error(msg("ファイルが見つからないので、最近使ったファイルから外しました: %1",
                                sjisOf(path)));
            }
            if (!askToSaveFirst(session_, *ui_)) return;
            openTableFile(session_.table, *ui_, native);
            vegTable_->setTopRow(vegTable_->fixedRows());
            vegTable_->setLeftCol(vegTable_->fixedCols());
        },
        sjisOf(QStringLiteral("最近使ったファイル")));
}

void TForm1::wire(const QString& name, std::function<void()> handler) {
    QAction* a = item(name);
    if (!a) return;
    a->setEnabled(true);
    wired_.insert(name);
    // A fault is reported with the item's caption, as the user knows the command,
    // without its access key.
    QString shown = a->text();
    // "(&U)" and what follows it ("…").
    const qsizetype key =
        std::max(shown.lastIndexOf(QStringLiteral("(&")), shown.lastIndexOf(QStringLiteral("（&")));
    if (key >= 0) shown.truncate(key);
    std::string caption = sjisOf(shown.remove(QLatin1Char('&')).trimmed());
    connect(a, &QAction::triggered, this, [this, handler = std::move(handler), caption] {
        // A command that changed the table and says nothing of its own gets this
        // line; one cancelled or that only opened a panel is not reported as done.
        const int said = ui_->statusCount();
        const auto moves = session_.table.history.moves();
        const bool panelWasOpen = session_.printPanel.visible;
        const bool ok = runCommand(handler, caption);
        const bool changed = session_.table.history.moves() != moves;
        if (!panelWasOpen && session_.printPanel.visible) {
            // The recount that opening the print-item panel made belongs to the
            // output: taken back when the output is cancelled.
            printPanelStep_.reset();
            if (changed) printPanelStep_ = session_.table.history.moves();
            return;
        }
        if (ok && ui_->statusCount() == said && changed)
            ui_->status(msg("「%1」を実行しました", caption));
    });
}

void TForm1::wireButton(QAbstractButton* button, std::function<void()> handler,
                        const std::string& name) {
    connect(button, &QAbstractButton::clicked, this,
            [this, handler = std::move(handler), name] { runCommand(handler, name); });
}

void TForm1::buildAddRelevePanel(QWidget* host) {
    Panel_AddReleve = new AddRelevePanel(host);
    AddRelevePanel* p = Panel_AddReleve;
    TableState& t = session_.table;
    const ReplaceName& d = session_.dictionary;
    AddReleveForm& f = session_.addPanel;
    Ui& ui = *ui_;
    const std::string adding = sj("表にデータを加える");
    wireButton(
        p->AddPlantABtn, [&] { AddPlantABtnClick(t, d, f, ui); }, adding);
    wireButton(
        p->AddPlantAandBBtn, [&] { AddPlantAandBBtnClick(t, d, f, ui); }, adding);
    wireButton(
        p->AddPlantAorBBtn, [&] { AddPlantAorBBtnClick(t, d, f, ui); }, adding);
    wireButton(
        p->AddPlantAnotBBtn, [&] { AddPlantAnotBBtnClick(t, d, f, ui); }, adding);
    wireButton(
        p->AddbyGridBtn, [&] { AddbyGridBtnClick(t, d, f, ui); }, adding);
    wireButton(
        p->AddbyRecordBtn, [&] { AddbyRecordBtnClick(t, d, f, ui); }, adding);
    wireButton(p->Btn_AddCancel, [&] {
        Btn_AddCancelClick(f);
        ui.status(sj("表にデータを加えるのを取止めました"));
    });
}

void TForm1::placeAddRelevePanel() {
    if (!Panel_AddReleve || !centralWidget()) return;
    const QWidget* host = centralWidget();
    Panel_AddReleve->resize(Panel_AddReleve->sizeHint());
    const int left = std::max(0, (host->width() - Panel_AddReleve->width()) / 2);
    const int top =
        std::clamp(AddReleveTop, 0, std::max(0, host->height() - Panel_AddReleve->height()));
    Panel_AddReleve->move(left, top);
}

void TForm1::buildEditPanels(QWidget* host) {
    edit_ = std::make_unique<EditPanels>(host);
    EditPanels& p = *edit_;
    for (PanelButton* b : {p.Btn_InsCol, p.Btn_DelCol, p.Btn_InsRow, p.Btn_DelRow, p.Btn_Remark})
        connect(b, &PanelButton::released, this,
                [this, b](Qt::MouseButton button) { panelButtonReleased(b, button); });
    TableState& t = session_.table;
    EditingState& e = session_.editing;
    connect(p.Btn_Edit_OK, &QAbstractButton::clicked, this, [this] { editOk(); });
    connect(p.Edit1, &QLineEdit::returnPressed, this, [this] { editOk(); });
    wireButton(p.Btn_Edit_Cancel, [&] {
        Btn_Edit_CancelClick(t, e);
        vegTable_->clearOutlines();  // the outline of the cell that was being written
    });
}

void TForm1::buildPrintPanel(QWidget* host) {
    PaneltoPrint = new PrintItemPanel(host);
    TableState& t = session_.table;
    PrintPanel& p = session_.printPanel;
    Ui& ui = *ui_;
    connect(PaneltoPrint->BtnToPrint, &QAbstractButton::clicked, this, [this, &t, &p, &ui] {
        runCommand([this, &t, &p, &ui] {
            // A character that Shift-JIS lacks would be stored as "?": refuse it instead.
            sjisOrRefuse(PaneltoPrint->EditTitle->text().toStdString(), "標題");
            PaneltoPrint->hide();  // before the save dialog shows
            BtnToPrintClick(t, p, ui);
        });
        // Written, or cancelled in the save dialog, without a change of its own:
        // the output leaves the table as it was.
        if (!p.visible) runCommand([this] { takeBackPanelRecount(); });
    });
    wireButton(PaneltoPrint->BtnCancelPrint, [this, &p] {
        BtnCancelPrintClick(p);
        takeBackPanelRecount();
    });
}

void TForm1::takeBackPanelRecount() {
    History& h = session_.table.history;
    // Nothing happened since the panel's recount: the table goes back to how it was.
    if (printPanelStep_ && h.moves() == *printPanelStep_) h.takeBack(session_.table.model);
    printPanelStep_.reset();
}

void TForm1::placePrintPanel() {
    if (!PaneltoPrint || !centralWidget()) return;
    const QWidget* host = centralWidget();
    PaneltoPrint->resize(PaneltoPrint->sizeHint());
    PaneltoPrint->move(std::max(0, (host->width() - PaneltoPrint->width()) / 2),
                       std::max(0, (host->height() - PaneltoPrint->height()) / 2));
}

void TForm1::editOk() {
    runEdit(
        [this] {
            // A character that Shift-JIS lacks would be stored as "?": refuse it instead.
            sjisOrRefuse(edit_->Edit1->text().toStdString(), "記入する文字");
            Btn_Edit_OKClick(session_.table, session_.editing);
            vegTable_->clearOutlines();  // the outline of the cell that was being written
        },
        sj("記入しました"),
        sj(session_.table.selection.EditTarget == 1 ? "組成表の標題を編集" : "コメント記入"));
}

void TForm1::panelButtonReleased(PanelButton* b, Qt::MouseButton button) {
    TableState& t = session_.table;
    EditingState& e = session_.editing;
    const MouseButton mb = mouseButtonOf(button);
    EditPanels& p = *edit_;
    const std::string name = sjisOf(b->toolTip());
    const std::string line = msg("「%1」を実行しました", name);
    runEdit(
        [&] {
            if (b == p.Btn_InsCol)
                Btn_InsColMouseUp(t, e, mb);
            else if (b == p.Btn_DelCol)
                Btn_DelColMouseUp(t, e, mb);
            else if (b == p.Btn_InsRow)
                Btn_InsRowMouseUp(t, e, mb);
            else if (b == p.Btn_DelRow)
                Btn_DelRowMouseUp(t, e, mb);
            else if (b == p.Btn_Remark)
                Btn_RemarkMouseUp(t, e, mb);
        },
        line, name);
}

void TForm1::connectGrid() {
    TableState& t = session_.table;
    EditingState& e = session_.editing;
    connect(vegTable_, &VegTable::cellPressed, this,
            [this, &t, &e](Qt::MouseButton button, QPoint cell, QPoint pos) {
                // The pop-ups are placed in the client area the grid fills.
                const QPoint origin = vegTable_->viewport()->mapTo(centralWidget(), QPoint(0, 0));
                runCommand([&] {
                    VegTableMouseDown(t, e, mouseButtonOf(button), cell.x(), cell.y());
                    edit_->placeFromPress(e, pos, origin);
                });
                const int row = cell.y();
                if (button == Qt::RightButton && cell.x() >= 0 &&
                    cell.x() < TableLayout::FirstReleveCol && row >= TableLayout::FirstItemRow &&
                    row <= TableLayout(t.model.freqRow()).lastItemRow())
                    headerRowMenu(row, vegTable_->viewport()->mapToGlobal(pos));
            });
    connect(
        vegTable_, &VegTable::mouseReleased, this,
        [this, &t, &e](Qt::MouseButton button, QPoint cell, QPoint, QPoint globalPos) {
            // The grid holds the mouse from the press on: a release over a pop-up
            // button is that button's.
            if (PanelButton* b = edit_->buttonAt(globalPos)) {
                panelButtonReleased(b, button);
                return;
            }
            runCommand([&] { VegTableMouseUp(t, e, mouseButtonOf(button), cell.x(), cell.y()); });
        });
    connect(vegTable_, &VegTable::currentChanged, this, [this](QPoint c) {
        takeCurrentCell(c);
        // Moved by the keyboard, the status bar follows the current cell.
        inspected_ = c;
        showInspection();
    });
    connect(vegTable_, &VegTable::mouseMovedHeld, this,
            [this](QPoint globalPos) { edit_->markButtonAt(globalPos); });
    connect(vegTable_, &VegTable::rowDragged, this, [this, &t](int from, int to) {
        runEdit([&] { moveRowByDrag(t, from, to); }, sj("行を移動しました"), sj("行を移動する"));
    });
    connect(vegTable_, &VegTable::colDragged, this, [this, &t](int from, int to) {
        runEdit([&] { moveColByDrag(t, from, to); }, sj("列を移動しました"), sj("列を移動する"));
    });
}

void TForm1::headerRowMenu(int row, QPoint globalPos) {
    // Shown without waiting, so that the grid's release of the press comes first.
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("Menu_HeaderRow"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    for (bool descending : {false, true}) {
        const char* caption =
            descending ? "この項目で並べ替え（降順）" : "この項目で並べ替え（昇順）";
        connect(menu->addAction(QString::fromUtf8(caption)), &QAction::triggered, this,
                [this, row, descending, caption] {
                    runEdit([&] { sortRelevesByRow(session_.table, *ui_, row, descending); },
                            msg("「%1」を実行しました", sj(caption)), sj(caption));
                });
    }
    menu->popup(globalPos);
}

void TForm1::updateDragLimits() {
    const TableState& t = session_.table;
    const TableLayout layout(t.model.freqRow());
    vegTable_->setMovable(layout.firstSpeciesRow(), layout.lastSpeciesRow(t.model.speciesCount()),
                          TableLayout::FirstReleveCol,
                          TableLayout::lastReleveCol(t.model.releveCount()));
}

void TForm1::readPanels() {
    if (Panel_AddReleve) Panel_AddReleve->readInto(session_.addPanel);
    if (edit_) edit_->readInto(session_.editing);
    if (PaneltoPrint) PaneltoPrint->readInto(session_.table, session_.printPanel);
}

void TForm1::showPanels() {
    if (Panel_AddReleve) {
        const AddReleveForm& f = session_.addPanel;
        Panel_AddReleve->showFrom(f);
        if (f.visible && Panel_AddReleve->isHidden()) {
            placeAddRelevePanel();
            Panel_AddReleve->show();
            Panel_AddReleve->raise();
            Panel_AddReleve->EditName1->setFocus();
        } else if (!f.visible) {
            Panel_AddReleve->hide();
        }
    }
    if (edit_) edit_->showFrom(session_.editing, session_.table.selection.EditTarget == 1);
    if (PaneltoPrint) {
        const bool opening = session_.printPanel.visible && PaneltoPrint->isHidden();
        PaneltoPrint->showFrom(session_.table, session_.printPanel);
        if (opening) {
            placePrintPanel();
            PaneltoPrint->raise();
            PaneltoPrint->EditTitle->setFocus();
        }
    }

    std::vector<CellOutline>& outlines = session_.editing.outlines;
    for (const CellOutline& o : outlines)
        vegTable_->outlineCell(
            o.col, o.row, o.colour == OutlineColour::Red ? QColor(Qt::red) : QColor(Qt::yellow));
    outlines.clear();

    if (!(session_.table.print.TableFont == shownFont_)) {
        shownFont_ = session_.table.print.TableFont;
        vegTable_->clearOutlines();
        vegTable_->setTableFont(shownFont_);
    }
    updateDragLimits();
}

void TForm1::buildMessagePanel(QWidget* host) {
    Panel_ofMessage = new QFrame(host);
    Panel_ofMessage->setObjectName(QStringLiteral("Panel_ofMessage"));
    Panel_ofMessage->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel_ofMessage->setLineWidth(2);
    Panel_ofMessage->setAutoFillBackground(true);
    LabelofProgress = new QLabel(Panel_ofMessage);
    LabelofProgress->setObjectName(QStringLiteral("LabelofProgress"));
    LabelofProgress->setAlignment(Qt::AlignCenter);
    ProgressBar2 = new QProgressBar(Panel_ofMessage);
    ProgressBar2->setObjectName(QStringLiteral("ProgressBar2"));
    ProgressBar2->setRange(0, 100);
    ProgressBar2->setValue(0);
    ProgressBar2->setTextVisible(false);
    auto* layout = new QVBoxLayout(Panel_ofMessage);
    layout->setContentsMargins(16, 10, 16, 12);
    layout->addWidget(LabelofProgress);
    layout->addWidget(ProgressBar2);
    Panel_ofMessage->resize(340, 72);
    Panel_ofMessage->hide();
}

void TForm1::placeMessagePanel() {
    if (!Panel_ofMessage || !centralWidget()) return;
    QRect r = Panel_ofMessage->geometry();
    r.moveCenter(centralWidget()->rect().center());
    Panel_ofMessage->move(r.topLeft());
}

void TForm1::runEdit(const std::function<void()>& command, const std::string& line,
                     const std::string& name) {
    const int said = ui_->statusCount();
    const auto moves = session_.table.history.moves();
    if (runCommand(command, name) && ui_->statusCount() == said &&
        session_.table.history.moves() != moves)
        ui_->status(line);
}

bool TForm1::runCommand(const std::function<void()>& command, const std::string& name) {
    readPanels();
    bool ok = false;
    try {
        // Whatever the command changed, also when it failed half-way, is one step.
        HistoryStep step(session_.table, name);
        command();
        ok = true;
    } catch (const Error& e) {
        ui_->showError(e.what());
    } catch (const std::bad_alloc&) {
        ui_->showError(sj("メモリが足りないため、処理を中止しました。"));
    } catch (const std::exception& e) {
        ui_->showError(internalErrorMessage(name.empty() ? sj("処理") : name, e.what()));
    } catch (...) {
        ui_->showError(internalErrorMessage(name.empty() ? sj("処理") : name, "?"));
    }
    showTableIfChanged();
    vegTable_->clampCurrent();
    RefreshCaption(session_.table, *ui_);
    if (const std::string& file = session_.table.files.TableFileName;
        !file.empty() && file != recentNoted_) {
        recent_.add(file);
        recentNoted_ = file;
        if (recentMenu_) fillRecentMenu();
    }
    showPanels();
    showInspection();
    takeCurrentCell(vegTable_->current());
    return ok;
}

void TForm1::showTableIfChanged() {
    const TableState& t = session_.table;
    const std::pair<std::uint64_t, std::uint64_t> now{t.model.grid().revision(), t.history.moves()};
    if (now == shownTable_) return;
    shownTable_ = now;
    // Outlines are drawn on the surface: a repaint of changed contents wipes them.
    vegTable_->clearOutlines();
    vegTable_->refresh();
    RefreshCaption(t, *ui_);
    showInspection();  // the counts beside the grid
}

void TForm1::showInspection() {
    inspector_->setText(qs(cellInspection(session_.table, inspected_.x(), inspected_.y())));
}

void TForm1::Btn_QuitClick() {
    close();
}

void TForm1::closeEvent(QCloseEvent* event) {
    // A running command finishes first; the window system may ask while the
    // progress panel is being painted.
    if (ui_->busy()) {
        event->ignore();
        return;
    }
    bool go = false;
    runCommand([&] { go = askToSaveFirst(session_, *ui_); }, sj("終了"));
    if (!go) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

void TForm1::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    placeMessagePanel();
    if (Panel_AddReleve && Panel_AddReleve->isVisible()) placeAddRelevePanel();
    if (PaneltoPrint && PaneltoPrint->isVisible()) placePrintPanel();
}

}  // namespace tamsel

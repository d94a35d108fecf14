#include "app/desktop/main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QScreen>
#include <QVBoxLayout>
#include <new>

#include "app/desktop/veg_table.h"
#include "app/session/settings.h"
#include "platform/error.h"
#include "table/table_state.h"
#include "text/sjis.h"

namespace tamsel {

namespace {

struct MenuItemDef {
    const char* name;  // null: a separator
    const char* caption;
};

struct MenuDef {
    const char* name;
    const char* caption;
    std::vector<MenuItemDef> items;
};

// The main menu, in order; every item starts disabled until its command is wired.
const std::vector<MenuDef>& mainMenu() {
    static const std::vector<MenuDef> menu = {
        {"Menu_File",
         "ファイル(&F)",
         {
             {"Item_NewTable", "組成表を初期化する(&N)"},
             {"Item_AddReleve", "表にデータを加える(&A)"},
             {"Item_LoadTable", "保存した表を読込む(&L)"},
             {nullptr, nullptr},
             {"Item_SaveTable", "現在の表を保存する　(&S)"},
             {"Item_ValueMatrix", "数値表として出力する(&V)"},
             {"Item_PCordCSV", "PCord用のCSV型出力(&C)"},
             {"Item_PlotData", "立地環境データ表出力(&R)"},
             {nullptr, nullptr},
             {"Item_TextFile", "表をテキスト出力(&F)"},
             {"Item_ExcelFile", "エクセル形式出力(&X)"},
             {"Item_PrintTable", "表を直接印刷出力(&P)"},
             {"Item_PrintSetup", "プリンターの設定(&T)"},
             {nullptr, nullptr},
             {"Item_Quit", "終　　　　了(&Q)"},
         }},
        {"Menu_Tool",
         "ツール(&T)",
         {
             {"Item_Frequency", "出現頻度を再計算する(&F)"},
             {"Item_SortPlant", "植物を頻度多順に並び替え(&P)"},
             {"Item_SortReleve", "測定を種数多順に並び替え(&O)"},
             {"Item_SortReverse", "測定を種数少順に並び替え（&R）"},
             {"Item_Recip", "反復平均法で行列並び替え(&H)"},
             {nullptr, nullptr},
             {"Item_CheckName", "異名辞書ファイルの読込み(&D)"},
         }},
        {"Menu_Edit",
         "編集(&E)",
         {
             {"Item_DelRow", "この行を削除する  (&R)"},
             {"Item_DelCol", "この列を削除する  (&C)"},
             {nullptr, nullptr},
             {"Item_InsRow", "この上に行を挿入する"},
             {"Item_Comment", "ここにコメント行を挿入"},
             {"Item_InsCol", "この左に列を挿入する"},
             {nullptr, nullptr},
             {"Item_EditTitle", "組成表の標題を編集(&T)"},
         }},
        {"Menu_Settings",
         "設定変更(&C)",
         {
             {"ItemReadINI", "設定ファイル読込み(&I)"},
             {"Item_SetFont", "表のフォント変更(&F)"},
         }},
        {"Menu_Help",
         "ヘルプ(&H)",
         {
             {"Item_Manual", "使用法　　(&H)"},
             {"Item_Version", "ﾊﾞｰｼﾞｮﾝ情報(&A)"},
         }},
    };
    return menu;
}

constexpr int WindowWidth = 729;
constexpr int WindowHeight = 543;
constexpr int ColumnZeroWidth = 1;
constexpr int NameColumnWidth = 196;
constexpr int RowZeroHeight = 1;

}  // namespace

QFont TForm1::formFont() {
    QFont f;
    f.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("Noto Sans CJK JP")});
    f.setPixelSize(13);
    return f;
}

TForm1::TForm1(const std::string& programPath, const std::vector<std::string>& args,
               QWidget* parent)
    : QMainWindow(parent), ui_(std::make_unique<QtUi>(this)) {
    setObjectName(QStringLiteral("Form1"));
    setFont(formFont());
    resize(WindowWidth, WindowHeight);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect r = geometry();
        r.moveCenter(screen->availableGeometry().center());
        move(r.topLeft());
    }

    auto* host = new QWidget(this);
    auto* layout = new QVBoxLayout(host);
    layout->setContentsMargins(0, 0, 0, 0);
    vegTable_ = new VegTable(session_.table.VegTable, host);
    vegTable_->setObjectName(QStringLiteral("VegTable"));
    layout->addWidget(vegTable_);
    setCentralWidget(host);
    buildMessagePanel(host);
    buildMenu();

    // Widths and heights belong to the window; the core sizes the grid.
    vegTable_->setDefaultColWidth(DefaultColWidth);
    vegTable_->setDefaultRowHeight(DefaultRowHeight);
    vegTable_->setColWidth(0, ColumnZeroWidth);
    vegTable_->setColWidth(2, NameColumnWidth);
    vegTable_->setRowHeight(0, RowZeroHeight);

    ui_->setMessagePanel(Panel_ofMessage, LabelofProgress, ProgressBar2);
    ui_->setGridChangedHandler([this] { vegTable_->refresh(); });

    session_.programPath = programPath;
    runCommand([&] { FormCreate(session_, *ui_, args, true); });
    vegTable_->setTableFont(session_.table.TableFont);
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
    for (const MenuDef& m : mainMenu()) {
        QMenu* menu = menuBar()->addMenu(QString::fromUtf8(m.caption));
        menu->setObjectName(QString::fromUtf8(m.name));
        for (const MenuItemDef& i : m.items) {
            if (!i.name) {
                menu->addSeparator();
                continue;
            }
            QAction* a = menu->addAction(QString::fromUtf8(i.caption));
            a->setObjectName(QString::fromUtf8(i.name));
            a->setEnabled(false);
            items_[a->objectName()] = a;
        }
    }
    wire(QStringLiteral("Item_NewTable"), [this] { Item_NewTableClick(); });
    wire(QStringLiteral("Item_Quit"), [this] { Btn_QuitClick(); });
    wire(QStringLiteral("Item_Version"), [this] { Item_VersionClick(); });
}

void TForm1::wire(const QString& name, std::function<void()> handler) {
    QAction* a = item(name);
    if (!a) return;
    a->setEnabled(true);
    connect(a, &QAction::triggered, this,
            [this, handler = std::move(handler)] { runCommand(handler); });
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

void TForm1::runCommand(const std::function<void()>& command) {
    try {
        command();
    } catch (const Error& e) {
        ui_->showError(e.what());
    } catch (const std::bad_alloc&) {
        ui_->showError(sj("メモリが足りないため、処理を中止しました。"));
    } catch (const std::exception& e) {
        ui_->showError(sj("処理中にエラーが発生しました: ") + e.what());
    } catch (...) {
        ui_->showError(sj("処理中に不明なエラーが発生しました。"));
    }
    vegTable_->refresh();
    RefreshCaption(session_.table, *ui_);
}

void TForm1::Item_NewTableClick() {
    ClearTable(session_.table, *ui_);
}

void TForm1::Btn_QuitClick() {
    close();
}

void TForm1::Item_VersionClick() {
    ui_->showAbout();
}

void TForm1::closeEvent(QCloseEvent* event) {
    // A running command finishes first; the window system may ask while the
    // progress panel is being painted.
    if (ui_->busy()) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

void TForm1::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    placeMessagePanel();
}

}  // namespace tamsel

#include <gtest/gtest.h>

#include <QStandardPaths>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QFontInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <fstream>
#include <functional>
#include <memory>
#include <set>

#include "app/desktop/about_box.h"
#include "app/desktop/main_window.h"
#include "app/desktop/veg_table.h"
#include "app/session/analysis_commands.h"
#include "app/session/compose_commands.h"
#include "platform/error.h"
#include "platform/qt/file_dialogs.h"
#include "platform/qt/help_viewer.h"
#include "platform/qt/qt_text.h"
#include "platform/qt/translations.h"
#include "support/table_fields.h"
#include "table/table_state.h"
#include "text/sjis.h"
#include "window_helpers.h"

namespace tamsel {
namespace {

using testing::answerNextModal;
using testing::closeNextMessageBox;
using testing::u;
using testing::Window;

TEST(DesktopWindow, StartsWithBlankTableAndCaption) {
    Window w;
    EXPECT_EQ(w.form.windowTitle(), u("森林群落組成表  NR=0, NS=0    辞書なし"));
    const CompositionTable& g = w.t().model;
    EXPECT_EQ(g.cell(3, w.t().model.freqRow()), sj("F＼N"));
    EXPECT_EQ(g.cell(2, 1), sj("表の通し番号"));

    auto* panel = w.form.findChild<QWidget*>(QStringLiteral("Panel_ofMessage"));
    auto* bar = w.form.findChild<QProgressBar*>(QStringLiteral("ProgressBar2"));
    ASSERT_TRUE(panel && bar && w.form.findChild<QLabel*>(QStringLiteral("LabelofProgress")));
    EXPECT_TRUE(panel->isHidden());
    EXPECT_EQ(bar->minimum(), 0);
    EXPECT_EQ(bar->maximum(), 100);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);  // the busy cursor is gone

    // The Windows font, or the Japanese monospace font installed in its place.
    const QString family = QFontInfo(w.form.vegTable()->font()).family();
    EXPECT_TRUE(family == u("ＭＳ ゴシック") || family == u("Noto Sans Mono CJK JP"))
        << family.toStdString();
    EXPECT_EQ(QFontInfo(w.form.vegTable()->font()).pixelSize(), 12);
}

TEST(DesktopWindow, MenuHasEveryCaptionEnabledWhereItApplies) {
    // "-" is a separator.
    const std::vector<std::pair<const char*, std::vector<const char*>>> expected = {
        {"ファイル(&F)",
         {"組成表を初期化する(&N)",
          "表にデータを加える(&A)",
          "Turboveg XML から加える(&U)…",
          "データベース",
          "保存した表を読込む(&L)",
          "-",
          "上書き保存(&S)",
          "名前を付けて保存(&W)…",
          "数値表として出力する(&V)",
          "PCord用のCSV型出力(&C)",
          "立地環境データ表出力(&R)",
          "データ交換",
          "-",
          "表をテキスト出力(&F)",
          "エクセル形式出力(&X)",
          "表を直接印刷出力(&P)",
          "プリンターの設定(&T)",
          "-",
          "最近使ったファイル",
          "-",
          "終　　　　了(&Q)"}},
        {"ツール(&T)",
         {"出現頻度を再計算する(&F)", "植物を頻度多順に並び替え(&P)",
          "測定を種数多順に並び替え(&O)", "測定を種数少順に並び替え（&R）",
          "反復平均法で行列並び替え(&H)", "-", "総合常在度表を出力(&Y)",
          "TWINSPAN で群に分ける(&W)", "識別種順に並び替え(&G)", "OptimClass で群の数を選ぶ(&K)",
          "Cocktail 法で種群を作る…", "定義で群に分ける…", "定義ファイルを編集…", "-",
          "異名辞書ファイルの読込み(&D)"}},
        {"編集(&E)",
         {"元に戻す(&U)", "やり直し(&Y)", "-", "この行を削除する  (&R)", "この列を削除する  (&C)",
          "-", "この上に行を挿入する", "ここにコメント行を挿入", "この左に列を挿入する", "-",
          "組成表の標題を編集(&T)", "層をまとめる…"}},
        {"設定変更(&C)", {"設定ファイル読込み(&I)", "被度の換算…", "表のフォント変更(&F)"}},
        {"ヘルプ(&H)", {"使用法　　(&H)", "ﾊﾞｰｼﾞｮﾝ情報(&A)"}},
    };
    Window w;
    const QList<QAction*> menus = w.form.menuBar()->actions();
    ASSERT_EQ(menus.size(), static_cast<qsizetype>(expected.size()));
    for (std::size_t m = 0; m < expected.size(); ++m) {
        SCOPED_TRACE(expected[m].first);
        EXPECT_EQ(menus[m]->text(), u(expected[m].first));
        ASSERT_NE(menus[m]->menu(), nullptr);
        const QList<QAction*> items = menus[m]->menu()->actions();
        ASSERT_EQ(items.size(), static_cast<qsizetype>(expected[m].second.size()));
        for (qsizetype i = 0; i < items.size(); ++i) {
            const QString want = u(expected[m].second[i]);
            if (want == u("-")) {
                EXPECT_TRUE(items[i]->isSeparator()) << i;
                continue;
            }
            EXPECT_EQ(items[i]->text(), want);
            // Nothing to undo or redo yet, and no current cell for the row and
            // column commands: of the 編集 menu only the title and the layers. The
            // outputs and analyses wait for relevés, the save for something to save.
            static const QStringList needReleves = {
                u("上書き保存(&S)"),           u("数値表として出力する(&V)"),
                u("PCord用のCSV型出力(&C)"),   u("立地環境データ表出力(&R)"),
                u("表をテキスト出力(&F)"),     u("エクセル形式出力(&X)"),
                u("表を直接印刷出力(&P)"),     u("反復平均法で行列並び替え(&H)"),
                u("総合常在度表を出力(&Y)"),   u("TWINSPAN で群に分ける(&W)"),
                u("識別種順に並び替え(&G)"),   u("OptimClass で群の数を選ぶ(&K)"),
                u("Cocktail 法で種群を作る…"), u("定義で群に分ける…"),
                u("定義ファイルを編集…")};
            const bool applies = (m != 2 || i >= items.size() - 2) && !needReleves.contains(want);
            EXPECT_EQ(items[i]->isEnabled(), applies) << want.toStdString();
        }
    }
    ASSERT_NE(w.form.item(QStringLiteral("Item_AddReleve")), nullptr);
    EXPECT_EQ(w.form.item(QStringLiteral("Item_AddReleve"))->text(), u("表にデータを加える(&A)"));
    // The exchange exports in their submenu.
    const QMenu* exchange = nullptr;
    for (const QAction* a : menus[0]->menu()->actions())
        if (a->text() == u("データ交換")) exchange = a->menu();
    ASSERT_NE(exchange, nullptr);
    QStringList captions;
    for (const QAction* a : exchange->actions()) {
        EXPECT_FALSE(a->isEnabled());  // a blank table has nothing to exchange
        captions << a->text();
    }
    EXPECT_EQ(captions,
              QStringList({u("Cornell形式、被度%(&C)"), u("Cornell形式、序数値(&O)"),
                           u("ロング形式CSV(&L)"), u("測定ごとの統計(&S)"), u("指標値の平均(&I)"),
                           u("Beals 平滑化(&B)"), u("Beals 平滑化、自身を除く(&E)")}));
}

TEST(DesktopWindow, NewTableFromMenuBlanksGrid) {
    Window w;
    TableState& t = w.t();
    const CompositionTable& g = t.model;
    const int row = t.model.freqRow() + 1;
    {
        // As a command changes the table: one step, so the table is changed.
        HistoryStep step(t, "edit");
        t.model.setCell(4, row, sj(" 3  "));
        t.model.setCell(2, row, sj("ブナ"));
        t.model.setCell(4, 2, "12");
        testing::editFields(t.model, [](TableFields& f) {
            f.releveCount = 3;
            f.speciesCount = 3;
        });
        t.model.permuteReleveColumns({2, 1, 0});  // columns away from their slots, as after a sort
        t.model.permuteSpeciesRows({2, 1, 0});
        LayerCodes codes{};
        codes[0] = 4;
        t.model.setCodes(1, 1, codes);
    }
    RefreshCaption(t, w.form.ui());
    ASSERT_EQ(w.form.windowTitle(), u("森林群落組成表＊  NR=3, NS=3    辞書なし"));

    w.form.item(QStringLiteral("Item_NewTable"))->trigger();

    EXPECT_EQ(w.form.windowTitle(), u("森林群落組成表  NR=0, NS=0    辞書なし"));
    EXPECT_EQ(t.model.releveCount(), 0);
    EXPECT_EQ(t.model.speciesCount(), 0);
    for (int c = 4; c < t.model.grid().colCount(); ++c) {
        EXPECT_EQ(t.model.releveSlotAt(c), c - 3);
        EXPECT_EQ(g.cell(c, 2), "");
    }
    for (int i = 1; i <= t.model.plantCapacity(); ++i) {
        EXPECT_EQ(t.model.speciesSlotAt(t.model.freqRow() + i), i);
        EXPECT_EQ(g.cell(2, t.model.freqRow() + i), "");
        EXPECT_EQ(g.cell(6, t.model.freqRow() + i), "");
    }
    EXPECT_EQ(t.model.codes().get(1, 1)[0], 0);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(w.form.findChild<QWidget*>(QStringLiteral("Panel_ofMessage"))->isHidden());
}

TEST(DesktopWindow, ErrorOfCommandIsShownAndProgramGoesOn) {
    Window w;
    QString shown;
    closeNextMessageBox(shown);
    w.form.runCommand([&] {
        BusyScope busy(w.form.ui());
        w.t().model.setTitle(sj("途中で変えた標題"));
        throw Error(sj("ファイルが開けません"));
    });
    EXPECT_EQ(shown, u("ファイルが開けません"));
    // What the command changed before it failed stays, and the caption shows it.
    EXPECT_EQ(w.form.windowTitle(), u("途中で変えた標題＊  NR=0, NS=0    辞書なし"));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    closeNextMessageBox(shown);
    w.form.runCommand([] { std::vector<int>().at(3); });
    EXPECT_TRUE(shown.startsWith(u("内部エラーが起きました（処理）"))) << shown.toStdString();
}

TEST(DesktopWindow, QuitClosesWindowButNotInTheMiddleOfACommand) {
    Window w;
    w.form.show();
    w.form.ui().setBusy(true);
    EXPECT_FALSE(w.form.close());
    EXPECT_TRUE(w.form.isVisible());
    w.form.ui().setBusy(false);
    w.form.item(QStringLiteral("Item_Quit"))->trigger();
    EXPECT_FALSE(w.form.isVisible());
}

TEST(DesktopWindow, GridMapsPositionsToCellsBothWays) {
    Window w;
    w.form.show();  // the viewport gets its size when shown
    VegTable* v = w.form.vegTable();
    EXPECT_EQ(v->cellRect(2, 1).width(), 196);
    EXPECT_EQ(v->cellRect(0, 20).width(), 1);
    EXPECT_EQ(v->cellRect(4, 0).height(), 1);
    EXPECT_EQ(v->cellRect(5, 7).size(), QSize(28, 15));
    EXPECT_EQ(v->cellAt(QPoint(-5, 3)), QPoint(-1, -1));

    struct Case {
        int leftCol, topRow;
        std::vector<QPoint> cells;  // (column, row) that must be in sight
    };
    const std::vector<Case> cases = {
        {4, 4, {{0, 0}, {2, 1}, {3, 3}, {4, 4}, {5, 10}}},
        {10, 50, {{1, 2}, {2, 60}, {10, 1}, {12, 50}, {11, 55}}},
    };
    for (const Case& c : cases) {
        v->setLeftCol(c.leftCol);
        v->setTopRow(c.topRow);
        ASSERT_EQ(v->leftCol(), c.leftCol);
        ASSERT_EQ(v->topRow(), c.topRow);
        for (QPoint cell : c.cells) {
            QRect r = v->cellRect(cell.x(), cell.y());
            ASSERT_FALSE(r.isEmpty()) << cell.x() << "," << cell.y();
            EXPECT_EQ(v->cellAt(r.center()), cell);
            EXPECT_EQ(v->cellAt(r.bottomRight()), cell);
        }
    }
    // Scrolled past: columns 4..9 and rows 4..49 are out of sight.
    EXPECT_TRUE(v->cellRect(9, 50).isEmpty());
    EXPECT_TRUE(v->cellRect(10, 49).isEmpty());
}

TEST(FileDialogFilters, PatternsMatchNamesOfEitherCase) {
    const QStringList filters =
        nameFiltersOf(sj("植生データファイル (*.rli)|*.rli|植生組成表ファイル (*.vtb)|*.VTB|"
                         "ＣＳＶデータファイル (*.csv)|*.csv|異名辞書ファイル (*.dic)|*.dic"));
    ASSERT_EQ(filters.size(), 4);
    EXPECT_TRUE(filters[1].startsWith(u("植生組成表ファイル (*.vtb) (")));

    struct Case {
        const char* pattern;
        const char* name;
        bool matches;
    };
    const Case cases[] = {
        {"*.VTB", "table.vtb", true}, {"*.VTB", "TABLE.VTB", true}, {"*.VTB", "t.Vtb", true},
        {"*.rli", "DATA.RLI", true},  {"*.rli", "data.rld", false}, {"*.VTB", "t.vtbx", false},
    };
    for (const Case& c : cases) {
        const QString p = caseFreePattern(u(c.pattern));
        const auto re = QRegularExpression::fromWildcard(p, Qt::CaseSensitive);
        EXPECT_EQ(re.match(u(c.name)).hasMatch(), c.matches) << c.pattern << " " << c.name;
    }
}

TEST(HelpViewer, ShowsShiftJisPagesAndReportsMissingFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string path = pathOf(dir.filePath(QStringLiteral("Tamsel.hlp")));
    {
        std::ofstream f(path, std::ios::binary);
        f << sj("<html><body><h1>使用法</h1><p>組成表を作る</p></body></html>");
    }
    HelpViewer viewer;
    ASSERT_TRUE(viewer.showFile(path));
    EXPECT_TRUE(viewer.toPlainText().contains(u("組成表を作る")))
        << viewer.toPlainText().toStdString();

    QString shown;
    closeNextMessageBox(shown);
    EXPECT_FALSE(viewer.showFile(path + ".missing"));
    EXPECT_TRUE(shown.contains(u("ヘルプファイルが見つかりません"))) << shown.toStdString();
}

TEST(AboutBox, ShowsVersionAndClosesWithOk) {
    TAboutBox box;
    EXPECT_EQ(box.windowTitle(), u("ﾊﾞｰｼﾞｮﾝ情報"));
    QStringList texts;
    for (QLabel* l : box.findChildren<QLabel*>()) texts << l->text();
    EXPECT_TRUE(texts.contains(u("Tamsel Windows")));
    EXPECT_TRUE(texts.contains(u("Version 3.351")));
    EXPECT_TRUE(box.okButton()->isDefault());
    answerNextModal([](QWidget* dialog) {
        if (auto* b = dialog->findChild<QPushButton*>(QStringLiteral("OKButton"))) b->click();
    });
    EXPECT_EQ(box.exec(), QDialog::Accepted);
}

}  // namespace
}  // namespace tamsel

int main(int argc, char** argv) {
    // The window tests need no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // The recent files go to a settings folder of the tests, not the user's.
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    tamsel::installQtTranslations(app);  // as the program does
    tamsel::testing::ModalWatchdog watchdog;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

// TForm1: the main window. It shows a session it is given, forwards its menu commands to the
// core's handlers through one boundary that shows errors, and repaints after each.
#pragma once

#include <QMainWindow>
#include <QString>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "app/desktop/recent_files.h"
#include "app/session/commands.h"
#include "app/session/session.h"
#include "platform/qt/qt_ui.h"

class QAction;
class QDialog;
class QAbstractButton;
class QFrame;
class QLabel;
class QMenu;
class QProgressBar;

namespace tamsel {

class AddRelevePanel;
class EditPanels;
class PanelButton;
class PrintItemPanel;
class VegTable;

class TForm1 : public QMainWindow {
    Q_OBJECT
  public:
    // Runs the start-up sequence; args are the command-line arguments after the
    // program name.
    // The window shows and changes session, which outlives it.
    TForm1(Session& session, const std::string& programPath, const std::vector<std::string>& args,
           QWidget* parent = nullptr);
    ~TForm1() override;

    // The window's font: "ＭＳ Ｐゴシック" where installed, else a Japanese sans font.
    static QFont formFont();

    Session& session() { return session_; }
    QtUi& ui() { return *ui_; }
    VegTable* vegTable() const { return vegTable_; }
    AddRelevePanel* addRelevePanel() const { return Panel_AddReleve; }
    PrintItemPanel* printItemPanel() const { return PaneltoPrint; }
    EditPanels& editPanels() const { return *edit_; }
    QLabel* statusInspector() const { return inspector_; }
    QLabel* statusReport() const { return report_; }
    // A menu item by its name, e.g. "Item_AddReleve"; null for an unknown name.
    QAction* item(const QString& name) const;
    void setAboutBox(QDialog* box);

    // The command boundary: the panels' boxes are copied into the session, the
    // command runs, an error escaping it is shown in a message box and the program
    // goes on; the grid, the caption and the panels are then refreshed.
    // name: the command as the user knows it (Shift-JIS), for a fault of the program.
    // False when the command failed.
    bool runCommand(const std::function<void()>& command, const std::string& name = {});
    // A hand edit through runCommand, one step of the history named name; when it
    // changed the table and said nothing of its own, the status bar gets line
    // (Shift-JIS).
    void runEdit(const std::function<void()>& command, const std::string& line,
                 const std::string& name);

  protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void buildMenu();
    // "最近使ったファイル" in the file menu, above 終了.
    void buildRecentMenu();
    void fillRecentMenu();
    void openRecent(const QString& path);
    // Esc: the edit panel, a pop-up, the print-item or the add-relevé panel.
    void closeOpenPanel();
    void buildMessagePanel(QWidget* host);
    void placeMessagePanel();
    // Enables the item and makes it run the handler through runCommand.
    void wire(const QString& name, std::function<void()> handler);
    // Makes a button run the handler through runCommand; name: its step (Shift-JIS).
    void wireButton(QAbstractButton* button, std::function<void()> handler,
                    const std::string& name = {});
    void buildAddRelevePanel(QWidget* host);
    void buildEditPanels(QWidget* host);
    void buildPrintPanel(QWidget* host);
    void connectGrid();

    void readPanels();
    void showPanels();
    void placeAddRelevePanel();
    void placePrintPanel();
    // The print-item panel closed: its opening's recount is taken back when
    // nothing came after it.
    void takeBackPanelRecount();
    // A pop-up button released with a mouse button, over it or after a press on
    // the grid that held the mouse.
    void panelButtonReleased(PanelButton* b, Qt::MouseButton button);
    void editOk();
    // The rows and columns a drag may move: species rows and relevé columns in use.
    void updateDragLimits();
    // A right press on a header row's caption: sort the relevés by that row.
    void headerRowMenu(int row, QPoint globalPos);

    // The menus as the table allows: undo and redo name their step; the row and
    // column commands act on the current cell; outputs and analyses need relevés.
    void updateEditItems();
    // The current cell's species row and relevé column become the ones the row and
    // column commands act on.
    void takeCurrentCell(QPoint cell);

    void Btn_QuitClick();
    // Repaints the grid and the caption when the table changed since they were
    // last shown: at the command boundary, and before a dialog shows over them.
    void showTableIfChanged();
    // The status bar's inspector: what the cell under the mouse, or the current
    // cell after a move by the keyboard, holds.
    void showInspection();

    Session& session_;
    std::vector<Command> commands_;
    std::unique_ptr<QtUi> ui_;
    VegTable* vegTable_ = nullptr;
    QFrame* Panel_ofMessage = nullptr;
    QLabel* LabelofProgress = nullptr;
    QProgressBar* ProgressBar2 = nullptr;
    AddRelevePanel* Panel_AddReleve = nullptr;
    PrintItemPanel* PaneltoPrint = nullptr;
    std::unique_ptr<EditPanels> edit_;
    FontSpec shownFont_;
    std::map<QString, QAction*> items_;
    std::set<QString> wired_;  // the items that run a command
    // The history's moves after the step in which the print-item panel opened
    // and recounted the table, while that recount is the last step.
    std::optional<std::uint64_t> printPanelStep_;
    QLabel* inspector_ = nullptr;  // the cell last pointed at or moved to
    QLabel* report_ = nullptr;     // what the last command did
    QPoint inspected_{-1, -1};     // the cell under the mouse, or the current cell
    RecentFiles recent_;
    QMenu* recentMenu_ = nullptr;
    std::string recentNoted_;  // the table file last put in the list
    // The grid's revision and the history's moves when the grid was last shown.
    std::pair<std::uint64_t, std::uint64_t> shownTable_{~0ULL, ~0ULL};
};

}  // namespace tamsel

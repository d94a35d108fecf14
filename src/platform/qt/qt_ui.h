// The core's user interface over Qt Widgets: message boxes, the busy cursor, the
// message panel with its progress bar, the common dialogs, help and about box.
#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <functional>
#include <map>

#include "platform/ui.h"

class QDialog;
class QLabel;
class QPrinter;
class QProgressBar;
class QProgressDialog;
class QWidget;

namespace tamsel {

class HelpViewer;

class QtUi : public Ui {
  public:
    // window: the main window, parent of the dialogs and carrier of the caption.
    explicit QtUi(QWidget* window);
    ~QtUi() override;

    // Panel_ofMessage with LabelofProgress and ProgressBar2.
    void setMessagePanel(QWidget* panel, QLabel* label, QProgressBar* bar);
    // ProgressBar1, on the add-relevé panel.
    void setProgressBar1(QProgressBar* bar);
    void setAboutBox(QDialog* box);
    // Called before anything shows over the window (a message, a dialog, the
    // message panel), so that the window first shows a table the command changed.
    void setBeforeModalHandler(std::function<void()> handler);

    // Answers the file and font dialogs in place of the user (tests). A hook that
    // returns nothing stands for a cancelled dialog.
    using FileDialogHook =
        std::function<std::optional<std::string>(const FileDialogRequest&, bool save)>;
    using FontDialogHook = std::function<std::optional<FontSpec>(const FontSpec& current)>;
    void setFileDialogHook(FileDialogHook hook) { fileHook_ = std::move(hook); }
    // The path of the open table's file, empty when it has none: the file
    // dialogs start in its folder.
    void setTableFileSource(std::function<std::string()> source) { tableFile_ = std::move(source); }
    // The folder a file dialog for r starts in.
    std::string dialogFolder(const FileDialogRequest& r) const;
    void setFontDialogHook(FontDialogHook hook) { fontHook_ = std::move(hook); }
    using SaveQuestionHook = std::function<SaveAnswer(const std::string& question)>;
    void setSaveQuestionHook(SaveQuestionHook hook) { saveHook_ = std::move(hook); }
    bool askToAddAgain(const std::string& question, std::int64_t count) override;
    // Where status() lines go (the window's status bar).
    void setStatusHandler(std::function<void(const QString&)> handler) {
        status_ = std::move(handler);
    }
    // Answers the print and set-up dialogs (tests): sets the printer up and
    // returns whether the dialog was accepted.
    using PrinterDialogHook = std::function<bool(QPrinter&, bool setup)>;
    void setPrinterDialogHook(PrinterDialogHook hook) { printerHook_ = std::move(hook); }
    // The one printer of the window, which the set-up dialog sets up and the
    // print dialog prints on; made when first needed.
    QPrinter& printer();
    using FieldsDialogHook =
        std::function<std::optional<std::vector<std::string>>(const FieldsDialogRequest&)>;
    void setFieldsDialogHook(FieldsDialogHook hook) { fieldsHook_ = std::move(hook); }
    // The alert sound was given this many times.
    int alertCount() const { return alerts_; }

    // A failed command: like message(), with the error icon.
    void showError(const std::string& text);
    bool busy() const { return busyDepth_ > 0; }
    // How many status() lines came so far (the window adds its own when a command
    // said nothing).
    int statusCount() const { return statusCount_; }

    void message(const std::string& text) override;
    void alert() override;
    void setBusy(bool on) override;
    void showMessagePanel(const std::string& label) override;
    void hideMessagePanel() override;

    std::optional<std::string> openFileDialog(const FileDialogRequest& r) override;
    std::optional<std::string> saveFileDialog(const FileDialogRequest& r) override;
    std::optional<FontSpec> fontDialog(const FontSpec& current) override;
    std::unique_ptr<PrinterSurface> printDialog() override;
    void printerSetupDialog() override;
    std::optional<std::vector<std::string>> fieldsDialog(const FieldsDialogRequest& r) override;

    void showHelp(const std::string& helpFile) override;
    void showAbout() override;

    void captionChanged(const std::string& caption) override;
    bool showsChanges() const override { return true; }
    bool interactive() const override { return true; }
    SaveAnswer askToSave(const std::string& question) override;
    void status(const std::string& text) override;
    void showReport(const std::string& title, const std::string& text,
                    const std::function<void()>& save) override;
    void editText(const TextEditRequest& r) override;
    // The chart is drawn by the window (the chart library is the window's own);
    // without a view none is shown.
    using CurveChartView =
        std::function<std::optional<std::pair<int, int>>(const CurveChartRequest&)>;
    void setCurveChartView(CurveChartView view) { chartView_ = std::move(view); }
    std::optional<std::pair<int, int>> showCurveChart(const CurveChartRequest& r) override;
    void offerCancel() override;
    bool cancelRequested() override;

  protected:
    void progressChanged(int which, const ProgressBar& bar) override;

  private:
    QPointer<QWidget> window_;
    QPointer<QWidget> panel_;
    QPointer<QLabel> label_;
    QPointer<QProgressBar> bar1_, bar2_;
    QPointer<QDialog> about_;
    QPointer<QProgressDialog> cancel_;  // while a command can be cancelled
    QPointer<HelpViewer> help_;
    std::function<void()> beforeModal_;
    // For the span of a message or dialog: the progress panel closed, the table
    // shown as the command left it, the normal cursor.
    class ModalScope {
      public:
        explicit ModalScope(QtUi& ui);
        ~ModalScope();
        ModalScope(const ModalScope&) = delete;
        ModalScope& operator=(const ModalScope&) = delete;

      private:
        bool lifted_;
    };
    FileDialogHook fileHook_;
    FontDialogHook fontHook_;
    SaveQuestionHook saveHook_;
    std::function<void(const QString&)> status_;
    PrinterDialogHook printerHook_;
    std::unique_ptr<QPrinter> printer_;
    FieldsDialogHook fieldsHook_;
    CurveChartView chartView_;
    int busyDepth_ = 0;
    int alerts_ = 0;
    int statusCount_ = 0;
    QElapsedTimer sincePaint_;
    std::function<std::string()> tableFile_;
    std::string startFolder_;                         // the working folder when the window was made
    std::string lastFolder_;                          // of the file chosen last in this run
    std::map<std::string, std::string> kindFolders_;  // by kind of file, in this run
    std::optional<std::string> fileDialog(FileDialogRequest r, bool save);
};

}  // namespace tamsel

// What the logic needs of the outside world. The desktop implements it over Qt,
// the command line and the tests over prepared answers. All texts are Shift-JIS.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tamsel {

struct FileDialogRequest {
    std::string title;
    std::string filter;      // "caption|pattern|caption|pattern..."
    int filterIndex = 1;     // 1-based entry of the filter list
    std::string initialDir;  // native path; empty = current folder
    std::string fileName;    // proposed name (may be a pattern such as "*.rli")
    std::string defaultExt;  // ".vtb", or empty
};

// A small form of labelled text fields with OK and Cancel.
struct FieldsDialogRequest {
    struct Field {
        std::string label;
        std::string text;       // shown at first
        bool checkBox = false;  // a check box instead: text "1" ticked, "" not
    };
    std::string title;
    std::vector<Field> fields;
    // Throws Error when the texts cannot be taken; the window then says so and
    // keeps the dialog open. May be empty.
    std::function<void(const std::vector<std::string>&)> check;
};

// A text to edit in a window of its own, with 確認, 保存 and 閉じる.
struct TextEditRequest {
    std::string title;
    std::string text;
    // The first fault of a text: its line (from 1) and the message; line 0: none.
    std::function<std::pair<int, std::string>(const std::string&)> check;
    // Writes the text; an Error is shown and the window stays open.
    std::function<void(const std::string&)> save;
};

// Curves of points joined by lines, one series each, one point marked; the
// user may choose a point.
struct CurveChartRequest {
    std::string title, xLabel, yLabel, action;  // action: the button that takes the choice
    struct Series {
        std::string name;
        std::vector<std::pair<double, double>> points;
    };
    std::vector<Series> series;
    int markedSeries = -1, markedPoint = -1;
};

struct FontSpec {
    std::string family;  // Shift-JIS
    int pixelSize = 12;
    bool bold = false;
    bool italic = false;
    bool operator==(const FontSpec&) const = default;
};

class Ui;
class Dispatcher;
class PrinterSurface;

// The answers to "save the table first?".
enum class SaveAnswer { Save, Discard, Cancel };

// A progress bar that behaves like the window's: a range that refuses a maximum
// below its minimum, and a position kept inside the range.
class ProgressBar {
  public:
    int min() const { return min_; }
    int max() const { return max_; }
    int position() const { return pos_; }
    void setMin(int v);  // throws Error when v > max
    void setMax(int v);  // throws Error when v < min
    void setRange(int lo, int hi);
    void setPosition(int v);

  private:
    friend class Ui;
    Ui* owner_ = nullptr;
    int which_ = 0;
    int min_ = 0, max_ = 100, pos_ = 0;
};

class Ui {
  public:
    Ui();
    Ui(const Ui&) = delete;
    Ui& operator=(const Ui&) = delete;
    virtual ~Ui() = default;

    virtual void message(const std::string& text) = 0;  // a message box; returns when closed
    virtual void alert() = 0;                           // the system's default alert sound
    virtual void setBusy(bool on) = 0;                  // hourglass cursor
    // Panel_ofMessage with LabelofProgress: show (with this text) and repaint, or hide.
    virtual void showMessagePanel(const std::string& label) = 0;
    virtual void hideMessagePanel() = 0;

    virtual std::optional<std::string> openFileDialog(const FileDialogRequest& r) = 0;
    virtual std::optional<std::string> saveFileDialog(const FileDialogRequest& r) = 0;
    virtual std::optional<FontSpec> fontDialog(const FontSpec& current) = 0;
    // The print dialog: a surface on the printer and paper chosen, or nothing when
    // the dialog was cancelled. The base has no printer and throws Error.
    virtual std::unique_ptr<PrinterSurface> printDialog();
    // The printer and paper set-up dialog; what it chooses is what printDialog
    // offers next.
    virtual void printerSetupDialog() {}
    // The fields' texts as the user left them, or nothing when cancelled.
    virtual std::optional<std::vector<std::string>> fieldsDialog(const FieldsDialogRequest& r) = 0;

    virtual void showHelp(const std::string& helpFile) = 0;
    virtual void showAbout() = 0;

    virtual void captionChanged(const std::string& caption) = 0;
    // Whether the caption marks a changed table (the window does; the command
    // line prints the caption as it always has).
    virtual bool showsChanges() const { return false; }
    // Whether a person answers the dialogs (the window); otherwise they are
    // answered from what was prepared (the command line, the tests).
    virtual bool interactive() const { return false; }

    // Asks whether to save a changed table before it is replaced, with the buttons
    // 保存 / 保存しない / キャンセル. Only the window asks.
    virtual SaveAnswer askToSave(const std::string& question) = 0;
    // An add would place count relevés already in the table again: whether to
    // (question: "n 件の測定は既に表にあります。もう一度加えますか？"). The
    // window asks, with 加えない as the default; this base adds them again.
    virtual bool askToAddAgain(const std::string& question, std::int64_t count) {
        (void)question;
        (void)count;
        return true;
    }
    // One line on what a command did, shown without stopping the user (the
    // window's status bar); the command line keeps its output as it is.
    virtual void status(const std::string& text) { (void)text; }
    // A long text in a window of its own with 閉じる and 保存; 保存 runs save and
    // the window stays open. The command line shows none.
    virtual void showReport(const std::string& title, const std::string& text,
                            const std::function<void()>& save) {
        (void)title;
        (void)text;
        (void)save;
    }
    // The editor; the command line shows none.
    virtual void editText(const TextEditRequest& r) { (void)r; }
    // The chart in a window of its own; the (series, point) the user chose, or
    // nothing when closed without a choice. The command line shows none.
    virtual std::optional<std::pair<int, int>> showCurveChart(const CurveChartRequest& r) {
        (void)r;
        return std::nullopt;
    }
    // Whether the user pressed the message panel's cancel button since the panel
    // was shown with one (showMessagePanel, then offerCancel).
    virtual void offerCancel() {}
    virtual bool cancelRequested() { return false; }

    ProgressBar& progressBar1() { return bar1_; }  // on the add-relevé panel
    ProgressBar& progressBar2() { return bar2_; }  // on the message panel

    // The automation dispatcher the front end chose (the spreadsheet output's
    // servers); throws Error when there is none.
    Dispatcher& automation();
    void setAutomation(Dispatcher* d) { automation_ = d; }

  protected:
    friend class ProgressBar;
    // Called when a bar moves, so a window can repaint it now and then.
    virtual void progressChanged(int which, const ProgressBar& bar) {
        (void)which;
        (void)bar;
    }

  private:
    ProgressBar bar1_, bar2_;
    Dispatcher* automation_ = nullptr;
};

// Busy cursor for the span of a scope, restored on every path.
class BusyScope {
  public:
    explicit BusyScope(Ui& ui) : ui_(ui) { ui_.setBusy(true); }
    ~BusyScope() { ui_.setBusy(false); }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

  private:
    Ui& ui_;
};

// Busy cursor and message panel for the span of a scope.
class MessagePanelScope {
  public:
    MessagePanelScope(Ui& ui, const std::string& label) : ui_(ui) {
        ui_.setBusy(true);
        try {
            ui_.showMessagePanel(label);
        } catch (...) {
            ui_.setBusy(false);
            throw;
        }
    }
    ~MessagePanelScope() { close(); }
    void relabel(const std::string& label) { ui_.showMessagePanel(label); }
    // The work is done: the panel and the busy cursor go before a closing report.
    void close() {
        if (!open_) return;
        open_ = false;
        ui_.hideMessagePanel();
        ui_.setBusy(false);
    }
    MessagePanelScope(const MessagePanelScope&) = delete;
    MessagePanelScope& operator=(const MessagePanelScope&) = delete;

  private:
    Ui& ui_;
    bool open_ = true;
};

}  // namespace tamsel

// What the application needs of the user: the questions and dialogs on top of
// what an operation tells (Progress). The desktop implements it over Qt, the
// command line and the tests over prepared answers. All texts are Shift-JIS.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/font_spec.h"
#include "platform/progress.h"

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
        // Offered as the field is typed: those that hold the text after the
        // field's last "," (a list of names is typed one after another).
        std::vector<std::string> suggestions = {};
    };
    std::string title;
    std::vector<Field> fields;
    // Throws Error when the texts cannot be taken; the window then says so and
    // keeps the dialog open. May be empty.
    std::function<void(const std::vector<std::string>&)> check;
    // Said under the fields as they are typed, after a short pause (how many
    // relevés the conditions select); an Error's message is said instead. The
    // window calls it on a thread of its own, one call at a time, while the dialog
    // is open. May be empty.
    std::function<std::string(const std::vector<std::string>&)> live;
    // Asks a live call that is running to end soon (from the window's thread);
    // what it then says is not shown. May be empty.
    std::function<void()> stopLive;
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

class Ui;
class Dispatcher;
class PrinterSurface;

// The answers to "save the table first?".
enum class SaveAnswer { Save, Discard, Cancel };

// Only the application and the platform see it; the core takes a Progress.
class Ui : public Progress {
  public:
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
    // The automation dispatcher the front end chose (the spreadsheet output's
    // servers); throws Error when there is none.
    Dispatcher& automation();
    void setAutomation(Dispatcher* d) { automation_ = d; }

  private:
    Dispatcher* automation_ = nullptr;
};

}  // namespace tamsel

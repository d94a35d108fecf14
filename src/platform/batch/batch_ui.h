// The user interface of the command line and the tests: dialogs are answered
// from prepared answers, messages are collected instead of shown.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/printer.h"
#include "platform/ui.h"

namespace tamsel {

class BatchUi : public Ui {
  public:
    void message(const std::string& text) override { messages.push_back(text); }
    void alert() override { ++alerts; }
    void setBusy(bool on) override { busyDepth += on ? 1 : -1; }
    void showMessagePanel(const std::string& label) override {
        panelShown = true;
        panelLabels.push_back(label);
    }
    void hideMessagePanel() override { panelShown = false; }

    std::optional<std::string> openFileDialog(const FileDialogRequest& r) override;
    std::optional<std::string> saveFileDialog(const FileDialogRequest& r) override;
    std::optional<FontSpec> fontDialog(const FontSpec& current) override;
    // The next print answer opened on printers; no answer left: cancelled.
    std::unique_ptr<PrinterSurface> printDialog() override;
    void printerSetupDialog() override { ++printerSetups; }
    std::optional<std::vector<std::string>> fieldsDialog(const FieldsDialogRequest& r) override;

    void showHelp(const std::string& helpFile) override { helpShown.push_back(helpFile); }
    void showAbout() override { ++aboutShown; }
    void captionChanged(const std::string& c) override { caption = c; }
    // From saveAnswers in order; none left: キャンセル, so nothing is lost.
    SaveAnswer askToSave(const std::string& question) override;
    // Adds them again, as the description does, with a note counting them.
    bool askToAddAgain(const std::string& question, std::int64_t count) override;
    void status(const std::string& text) override { statusLines.push_back(text); }
    void showReport(const std::string& title, const std::string& text,
                    const std::function<void()>& save) override {
        reports.push_back(title + "\n" + text);
        if (saveReport) save();
    }
    // Answers cancelRequested() with true once this many questions were asked
    // (negative: never).
    int cancelAfter = -1;
    bool cancelRequested() override { return cancelAfter >= 0 && cancelAsked++ >= cancelAfter; }

    // Prepared answers, taken in order; an empty optional is a cancelled dialog.
    std::deque<std::optional<std::string>> fileAnswers;
    std::deque<std::optional<FontSpec>> fontAnswers;
    std::deque<SaveAnswer> saveAnswers;
    std::deque<std::optional<PrintTarget>> printAnswers;
    // What opens the print answers; none: printing is refused.
    PrinterService* printers = nullptr;
    // Per field a text typed in, or nothing to leave the field as it was shown.
    using FieldsAnswer = std::vector<std::optional<std::string>>;
    std::deque<std::optional<FieldsAnswer>> fieldsAnswers;

    // What the program did.
    std::vector<std::string> messages;
    std::vector<std::string> panelLabels;
    std::vector<FileDialogRequest> dialogs;
    std::vector<FieldsDialogRequest> fieldsDialogs;
    std::vector<std::string> helpShown;
    std::vector<std::string> questions;
    std::vector<std::string> statusLines;
    std::vector<std::string> reports;  // title, line feed, text
    bool saveReport = false;           // the answer of every report window
    int cancelAsked = 0;
    std::string caption;
    int alerts = 0;
    int busyDepth = 0;
    int aboutShown = 0;
    int printDialogs = 0;
    int printerSetups = 0;
    bool panelShown = false;

  private:
    std::optional<std::string> nextFile(const FileDialogRequest& r);
};

}  // namespace tamsel

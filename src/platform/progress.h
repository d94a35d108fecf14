// What an operation of the core may tell the user while it works and when it is
// done: the busy cursor, the message panel with its progress bars and cancel
// button, and notes on what it did. It asks nothing; the questions and dialogs
// are the Ui's (platform/ui.h), which only the application and the platform see.
#pragma once

#include <string>

namespace tamsel {

class Progress;

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
    friend class Progress;
    Progress* owner_ = nullptr;
    int which_ = 0;
    int min_ = 0, max_ = 100, pos_ = 0;
};

class Progress {
  public:
    Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;
    virtual ~Progress() = default;

    virtual void message(const std::string& text) = 0;  // a message box; returns when closed
    virtual void alert() = 0;                           // the system's default alert sound
    virtual void setBusy(bool on) = 0;                  // hourglass cursor
    // Panel_ofMessage with LabelofProgress: show (with this text) and repaint, or hide.
    virtual void showMessagePanel(const std::string& label) = 0;
    virtual void hideMessagePanel() = 0;
    // One line on what a command did, shown without stopping the user (the
    // window's status bar); the command line keeps its output as it is.
    virtual void status(const std::string& text) { (void)text; }
    // Whether the user pressed the message panel's cancel button since the panel
    // was shown with one (showMessagePanel, then offerCancel).
    virtual void offerCancel() {}
    virtual bool cancelRequested() { return false; }

    ProgressBar& progressBar1() { return bar1_; }  // on the add-relevé panel
    ProgressBar& progressBar2() { return bar2_; }  // on the message panel

  protected:
    friend class ProgressBar;
    // Called when a bar moves, so a window can repaint it now and then.
    virtual void progressChanged(int which, const ProgressBar& bar) {
        (void)which;
        (void)bar;
    }

  private:
    ProgressBar bar1_, bar2_;
};

// Busy cursor for the span of a scope, restored on every path.
class BusyScope {
  public:
    explicit BusyScope(Progress& ui) : ui_(ui) { ui_.setBusy(true); }
    ~BusyScope() { ui_.setBusy(false); }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

  private:
    Progress& ui_;
};

// Busy cursor and message panel for the span of a scope.
class MessagePanelScope {
  public:
    MessagePanelScope(Progress& ui, const std::string& label) : ui_(ui) {
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
    Progress& ui_;
    bool open_ = true;
};

}  // namespace tamsel

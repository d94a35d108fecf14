#include "platform/qt/qt_ui.h"

#include <QApplication>
#include <QCheckBox>
#include <QCompleter>
#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QSettings>
#include <QStringListModel>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <future>
#include <utility>

#include "platform/error.h"
#include "platform/qt/file_dialogs.h"
#include "platform/qt/help_viewer.h"
#include "platform/qt/print/fonts.h"
#include "platform/qt/print/qt_printer.h"
#include "platform/qt/qt_text.h"

namespace tamsel {

namespace {
// Progress repaints per second during a long command: enough to look alive,
// few enough not to slow the command down.
constexpr int PaintIntervalMs = 50;

void showBox(QWidget* parent, QMessageBox::Icon icon, const std::string& sjisText) {
    QMessageBox box(icon, QCoreApplication::applicationName(), qs(sjisText), QMessageBox::Ok,
                    parent);
    box.exec();
}
}  // namespace

QtUi::QtUi(QWidget* window) : window_(window) {
    std::error_code ec;
    startFolder_ = std::filesystem::current_path(ec).string();
}

QtUi::~QtUi() {
    while (busyDepth_ > 0) setBusy(false);
}

void QtUi::setMessagePanel(QWidget* panel, QLabel* label, QProgressBar* bar) {
    panel_ = panel;
    label_ = label;
    bar2_ = bar;
}

void QtUi::setProgressBar1(QProgressBar* bar) {
    bar1_ = bar;
}
void QtUi::setAboutBox(QDialog* box) {
    about_ = box;
}
void QtUi::setBeforeModalHandler(std::function<void()> handler) {
    beforeModal_ = std::move(handler);
}

void QtUi::message(const std::string& text) {
    const ModalScope modal(*this);
    showBox(window_, QMessageBox::NoIcon, text);
}

void QtUi::showError(const std::string& text) {
    const ModalScope modal(*this);
    showBox(window_, QMessageBox::Critical, text);
}

void QtUi::alert() {
    ++alerts_;
    QApplication::beep();
}

void QtUi::setBusy(bool on) {
    // Qt keeps a stack of override cursors, so nested scopes restore in order.
    if (on) {
        ++busyDepth_;
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else if (busyDepth_ > 0) {
        --busyDepth_;
        QApplication::restoreOverrideCursor();
    }
}

void QtUi::showMessagePanel(const std::string& label) {
    if (beforeModal_) beforeModal_();
    if (!panel_) return;
    if (label_) label_->setText(qs(label));
    // A command that moves on to its next part (relabel) says so on its cancel
    // dialog too.
    if (cancel_) cancel_->setLabelText(qs(label));
    panel_->show();
    panel_->raise();
    // The command keeps the event loop busy, so the panel is painted here and now.
    panel_->repaint();
    sincePaint_.restart();
}

void QtUi::hideMessagePanel() {
    if (panel_) panel_->hide();
    if (cancel_) {
        // reset() stops the timer that would show the dialog later; deleteLater
        // alone would leave it on screen through the next dialog's event loop.
        cancel_->reset();
        cancel_->hide();
        cancel_->deleteLater();
    }
    cancel_ = nullptr;
}

QtUi::ModalScope::ModalScope(QtUi& ui) : lifted_(ui.busyDepth_ > 0) {
    // Whatever the command still shows of its progress goes before the user is
    // asked or told anything: the progress panel never covers a message.
    ui.hideMessagePanel();
    if (ui.beforeModal_) ui.beforeModal_();
    if (lifted_) QApplication::setOverrideCursor(Qt::ArrowCursor);
}

QtUi::ModalScope::~ModalScope() {
    if (lifted_) QApplication::restoreOverrideCursor();
}

void QtUi::offerCancel() {
    if (!window_) return;
    // A window-modal progress dialog: while it shows, the events it lets through
    // reach its cancel button and nothing else of the window.
    cancel_ = new QProgressDialog(label_ ? label_->text() : QString(), qs(sj("キャンセル")), 0,
                                  1000, window_);
    cancel_->setWindowModality(Qt::WindowModal);
    cancel_->setMinimumDuration(500);
    cancel_->setAutoClose(false);
    cancel_->setAutoReset(false);
    cancel_->setValue(0);
}

bool QtUi::cancelRequested() {
    // The dialog's setValue has let its events through once it shows.
    return cancel_ && cancel_->wasCanceled();
}

void QtUi::showReport(const std::string& title, const std::string& text,
                      const std::function<void()>& save) {
    const ModalScope modal(*this);
    QDialog dialog(window_);
    dialog.setWindowTitle(qs(title));
    auto* layout = new QVBoxLayout(&dialog);
    auto* view = new QPlainTextEdit(qs(text), &dialog);
    view->setReadOnly(true);
    view->setLineWrapMode(QPlainTextEdit::NoWrap);
    view->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    layout->addWidget(view);
    auto* buttons = new QDialogButtonBox(&dialog);
    QPushButton* saveButton = buttons->addButton(qs(sj("保存")), QDialogButtonBox::ActionRole);
    buttons->addButton(qs(sj("閉じる")), QDialogButtonBox::RejectRole);
    // Saving leaves the report open: the user may still read it, or save it again.
    QObject::connect(saveButton, &QPushButton::clicked, &dialog, [this, &save] {
        if (!save) return;
        try {
            save();
        } catch (const Error& e) {
            showError(e.what());
        }
    });
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    saveButton->setDefault(false);
    saveButton->setAutoDefault(false);
    dialog.resize(720, 480);
    dialog.exec();
}

void QtUi::editText(const TextEditRequest& r) {
    const ModalScope modal(*this);
    QDialog dialog(window_);
    dialog.setWindowTitle(qs(r.title));
    auto* layout = new QVBoxLayout(&dialog);
    auto* edit = new QPlainTextEdit(qs(r.text), &dialog);
    edit->setLineWrapMode(QPlainTextEdit::NoWrap);
    edit->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    layout->addWidget(edit);
    auto* verdict = new QLabel(&dialog);
    verdict->setWordWrap(true);
    layout->addWidget(verdict);
    auto* buttons = new QDialogButtonBox(&dialog);
    QPushButton* checkButton = buttons->addButton(qs(sj("確認")), QDialogButtonBox::ActionRole);
    QPushButton* saveButton = buttons->addButton(qs(sj("保存")), QDialogButtonBox::ActionRole);
    buttons->addButton(qs(sj("閉じる")), QDialogButtonBox::RejectRole);
    // The faulty line is marked and the cursor put on it; the text stays as typed.
    auto check = [&]() -> std::optional<std::string> {
        auto text = sjisStrictOf(edit->toPlainText());
        if (!text) {
            verdict->setText(qs(sj("Shift-JIS にない文字があります")));
            return std::nullopt;
        }
        const auto [line, message] = r.check ? r.check(*text) : std::pair<int, std::string>{};
        QList<QTextEdit::ExtraSelection> marks;
        const QTextBlock block = edit->document()->findBlockByNumber(line - 1);
        if (line > 0 && block.isValid()) {
            QTextCursor at(block);
            QTextEdit::ExtraSelection mark;
            mark.cursor = at;
            mark.format.setBackground(QColor(255, 220, 220));
            mark.format.setProperty(QTextFormat::FullWidthSelection, true);
            marks.push_back(mark);
            edit->setTextCursor(at);
        }
        edit->setExtraSelections(marks);
        verdict->setText(line > 0 ? qs(message) : qs(sj("誤りはありません")));
        return text;
    };
    QObject::connect(checkButton, &QPushButton::clicked, &dialog, [&] { check(); });
    QObject::connect(saveButton, &QPushButton::clicked, &dialog, [&] {
        const auto text = check();
        if (!text || !r.save) return;
        try {
            r.save(*text);
        } catch (const Error& e) {
            showError(e.what());
        }
    });
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    checkButton->setAutoDefault(false);
    saveButton->setAutoDefault(false);
    dialog.resize(720, 480);
    check();
    dialog.exec();
}

void QtUi::progressChanged(int which, const ProgressBar& bar) {
    if (which == 2 && cancel_) {
        if (cancel_->maximum() != bar.max() || cancel_->minimum() != bar.min())
            cancel_->setRange(bar.min(), bar.max());
        cancel_->setValue(bar.position());  // a modal dialog handles its events here
    }
    QProgressBar* w = which == 1 ? bar1_.data() : bar2_.data();
    if (!w) return;
    if (w->minimum() != bar.min() || w->maximum() != bar.max()) w->setRange(bar.min(), bar.max());
    w->setValue(bar.position());
    if (!w->isVisible()) return;
    if (sincePaint_.isValid() && sincePaint_.elapsed() < PaintIntervalMs &&
        bar.position() != bar.max())
        return;
    w->repaint();
    // Lets the window system show what was painted; the user's input waits until
    // the command has finished.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    sincePaint_.restart();
}

namespace {
// The kind of file a dialog is for, as its extension in lower case ("vtb"): the
// proposed pattern's, else the default extension's, else the selected filter's.
std::string fileKind(const FileDialogRequest& r) {
    QString ext;
    const QString name = qPath(r.fileName);
    if (name.startsWith(QStringLiteral("*."))) ext = name.mid(2);
    if (ext.isEmpty()) ext = qPath(r.defaultExt);
    if (ext.isEmpty()) {
        const QStringList items = qs(r.filter).split(QLatin1Char('|'));
        const qsizetype at = 2 * (std::max(r.filterIndex, 1) - 1) + 1;
        if (at < items.size()) ext = items[at].section(QLatin1Char(';'), 0, 0);
        ext = ext.section(QLatin1Char('.'), -1);
    }
    if (ext.startsWith(QLatin1Char('.'))) ext.remove(0, 1);
    return ext.toLower().toStdString();
}

// Per kind of file and across runs, the folder a file was last chosen in.
QString folderKey(const std::string& kind) {
    return QStringLiteral("dialogFolders/") + QString::fromStdString(kind);
}
}  // namespace

std::string QtUi::dialogFolder(const FileDialogRequest& r) const {
    // Where the user works: the open table's folder, else where this kind of
    // file was chosen last, else where any file was chosen in this run, else the
    // folder the settings name, else the folder the program was started from
    // (start-up moves to the program's own).
    const std::string table = tableFile_ ? tableFile_() : std::string();
    std::string folder = std::filesystem::path(table).parent_path().string();
    const std::string kind = fileKind(r);
    if (folder.empty()) {
        if (auto it = kindFolders_.find(kind); it != kindFolders_.end()) folder = it->second;
    }
    if (folder.empty() && !fileHook_) {
        const QSettings s(QStringLiteral("Tamsel"), QStringLiteral("tamsel"));
        folder = pathOf(s.value(folderKey(kind)).toString());
    }
    if (folder.empty()) folder = lastFolder_;
    if (folder.empty()) folder = r.initialDir;
    if (folder.empty()) folder = startFolder_;
    return folder;
}

std::optional<std::string> QtUi::fileDialog(FileDialogRequest r, bool save) {
    r.initialDir = dialogFolder(r);
    std::optional<std::string> chosen =
        fileHook_ ? fileHook_(r, save) : runFileDialog(window_, r, save);
    if (chosen) {
        const std::string folder = std::filesystem::path(*chosen).parent_path().string();
        if (!folder.empty()) {
            lastFolder_ = folder;
            kindFolders_[fileKind(r)] = folder;
            // Answered dialogs (the tests) leave the user's settings alone.
            if (!fileHook_) {
                QSettings s(QStringLiteral("Tamsel"), QStringLiteral("tamsel"));
                s.setValue(folderKey(fileKind(r)), qPath(folder));
            }
        }
    }
    return chosen;
}

QPrinter& QtUi::printer() {
    if (!printer_) printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *printer_;
}

namespace {

// The window's printer as the print dialog left it: a printer, or a PDF file
// when its output file name is set. The printer outlives the job and offers
// the same file next time.
class QPrinterTarget : public PageTarget {
  public:
    explicit QPrinterTarget(QPrinter& printer) : printer_(printer) {
        printer_.setResolution(PrinterDpi);
        if (printer_.outputFormat() != QPrinter::PdfFormat) return;
        pdf_ = std::make_unique<DrawnPdf>(printer_.outputFileName());
        printer_.setOutputFileName(pdf_->drawnPath());
    }
    ~QPrinterTarget() override {
        if (pdf_) printer_.setOutputFileName(pdf_->target());
    }
    QPagedPaintDevice& device() override { return printer_; }
    QString name() const override { return pdf_ ? pdf_->target() : printer_.printerName(); }
    void setTitle(const QString& title) override { printer_.setDocName(title); }
    bool failed() const override { return printer_.printerState() == QPrinter::Error; }
    void abort() override { printer_.abort(); }
    void finish() override {
        if (pdf_) pdf_->commit();
    }
    void abandon() noexcept override {
        if (pdf_) pdf_->abandon();
    }

  private:
    QPrinter& printer_;
    std::unique_ptr<DrawnPdf> pdf_;
};

}  // namespace

std::unique_ptr<PrinterSurface> QtUi::printDialog() {
    const ModalScope modal(*this);
    QPrinter& p = printer();
    bool accepted = false;
    if (printerHook_) {
        accepted = printerHook_(p, false);
    } else {
        QPrintDialog dialog(&p, window_);
        accepted = dialog.exec() == QDialog::Accepted;
    }
    if (!accepted) return nullptr;
    return std::make_unique<QtPrinterSurface>(std::make_unique<QPrinterTarget>(p));
}

void QtUi::printerSetupDialog() {
    const ModalScope modal(*this);
    QPrinter& p = printer();
    if (printerHook_) {
        printerHook_(p, true);
        return;
    }
    QPageSetupDialog dialog(&p, window_);
    dialog.exec();
}

std::optional<std::string> QtUi::openFileDialog(const FileDialogRequest& r) {
    const ModalScope modal(*this);
    return fileDialog(r, false);
}

std::optional<std::string> QtUi::saveFileDialog(const FileDialogRequest& r) {
    const ModalScope modal(*this);
    return fileDialog(r, true);
}

std::optional<FontSpec> QtUi::fontDialog(const FontSpec& current) {
    const ModalScope modal(*this);
    if (fontHook_) return fontHook_(current);
    bool ok = false;
    // The dialog opens on the grid's font; OK without a change keeps it exactly,
    // even where the font resolves to another family on this system.
    const QFont initial = qFontOf(current, QString());
    // The dialog speaks in points: handed a font sized in pixels it sets a size
    // of -1 points (and Qt says so on stderr).
    QFont inPoints = initial;
    inPoints.setPointSizeF(QFontInfo(initial).pointSizeF());
    QFont chosen = QFontDialog::getFont(&ok, inPoints, window_);
    if (!ok) return std::nullopt;
    const QFontInfo was(initial), now(chosen);
    if (was.family() == now.family() && was.pixelSize() == now.pixelSize() &&
        was.bold() == now.bold() && was.italic() == now.italic())
        return current;
    return fontSpecOf(chosen);
}

namespace {
// Completes the name after the field's last ",": a list of names is typed one
// after another, each found by any part of it.
class ListCompleter : public QCompleter {
  public:
    ListCompleter(const QStringList& names, QObject* parent)
        : QCompleter(new QStringListModel(names, parent), parent) {
        setCaseSensitivity(Qt::CaseInsensitive);
        setFilterMode(Qt::MatchContains);
    }
    QStringList splitPath(const QString& path) const override {
        return {path.mid(path.lastIndexOf(QLatin1Char(',')) + 1).trimmed()};
    }
    QString pathFromIndex(const QModelIndex& index) const override {
        const QString typed = static_cast<QLineEdit*>(widget())->text();
        return typed.left(typed.lastIndexOf(QLatin1Char(',')) + 1) +
               QCompleter::pathFromIndex(index);
    }
};
}  // namespace

std::optional<std::vector<std::string>> QtUi::fieldsDialog(const FieldsDialogRequest& r) {
    const ModalScope modal(*this);
    if (fieldsHook_) return fieldsHook_(r);
    QDialog dialog(window_);
    dialog.setWindowTitle(qs(r.title));
    auto* form = new QFormLayout(&dialog);
    // One of the two per field: a line edit, or a check box.
    std::vector<std::pair<QLineEdit*, QCheckBox*>> edits;
    for (const FieldsDialogRequest::Field& f : r.fields) {
        if (f.checkBox) {
            auto* box = new QCheckBox(qs(f.label), &dialog);
            box->setChecked(!f.text.empty());
            edits.push_back({nullptr, box});
            form->addRow(box);
        } else {
            edits.push_back({new QLineEdit(qs(f.text), &dialog), nullptr});
            form->addRow(qs(f.label), edits.back().first);
            if (!f.suggestions.empty()) {
                QStringList names;
                names.reserve(static_cast<qsizetype>(f.suggestions.size()));
                for (const std::string& n : f.suggestions) names.push_back(qs(n));
                edits.back().first->setCompleter(new ListCompleter(names, &dialog));
            }
        }
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    auto textsOf = [&edits] {
        std::vector<std::string> texts;
        for (const auto& [edit, box] : edits)
            texts.push_back(edit ? sjisOf(edit->text()) : std::string(box->isChecked() ? "1" : ""));
        return texts;
    };
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, [&] {
        if (r.check) {
            try {
                r.check(textsOf());
            } catch (const Error& e) {
                // Told over the dialog, which stays open on the field the message names.
                const QString text = qs(e.what());
                QMessageBox::critical(&dialog, QCoreApplication::applicationName(), text);
                for (std::size_t f = 0; f < edits.size(); ++f)
                    if (edits[f].first && text.contains(qs(r.fields[f].label))) {
                        edits[f].first->setFocus();
                        edits[f].first->selectAll();
                        break;
                    }
                return;
            }
        }
        dialog.accept();
    });
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    // The live text is made on a thread of its own, one at a time, so typing never
    // waits for a count over a large store: texts typed while one runs stop it and
    // are counted when it has ended.
    std::future<void> making;
    bool again = false;
    std::function<void()> say;
    if (r.live) {
        // Said again a moment after the typing stops, not for every key.
        auto* said = new QLabel(&dialog);
        // A long fault message wraps instead of widening the dialog past the screen;
        // two lines are kept for it, and the dialog grows when it needs more.
        said->setWordWrap(true);
        said->setMinimumHeight(2 * said->fontMetrics().lineSpacing());
        auto* pause = new QTimer(&dialog);
        pause->setSingleShot(true);
        pause->setInterval(250);
        auto show = [&, said](const QString& text) {
            making.wait();  // its thread is at its end
            if (std::exchange(again, false)) {
                say();
                return;
            }
            said->setText(text);
            if (said->heightForWidth(said->width()) > said->height()) dialog.adjustSize();
        };
        say = [&, said, show] {
            if (making.valid() &&
                making.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
                again = true;
                if (r.stopLive) r.stopLive();
                return;
            }
            making = std::async(std::launch::async, [&r, said, show, texts = textsOf()] {
                QString text;
                try {
                    text = qs(r.live(texts));
                } catch (const std::exception& e) {
                    text = qs(e.what());
                }
                QMetaObject::invokeMethod(
                    said, [show, text] { show(text); }, Qt::QueuedConnection);
            });
        };
        QObject::connect(pause, &QTimer::timeout, &dialog, [&] { say(); });
        for (const auto& [edit, box] : edits) {
            // Conditions are typed out in full here: room for a few names.
            if (edit) edit->setMinimumWidth(edit->fontMetrics().averageCharWidth() * 36);
            if (edit)
                QObject::connect(edit, &QLineEdit::textChanged, pause,
                                 static_cast<void (QTimer::*)()>(&QTimer::start));
            else
                QObject::connect(box, &QCheckBox::toggled, pause,
                                 static_cast<void (QTimer::*)()>(&QTimer::start));
        }
        form->addRow(said);
        QTimer::singleShot(0, &dialog, [&] { say(); });
    }
    form->addRow(buttons);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    // Nothing may use what the live text reads once the dialog has gone.
    if (making.valid()) {
        if (r.stopLive) r.stopLive();
        making.wait();
    }
    if (!accepted) return std::nullopt;
    return textsOf();
}

std::optional<std::pair<int, int>> QtUi::showCurveChart(const CurveChartRequest& r) {
    if (!chartView_) return std::nullopt;
    const ModalScope modal(*this);
    return chartView_(r);
}

void QtUi::showHelp(const std::string& helpFile) {
    if (!help_) help_ = new HelpViewer(window_);  // owned by the window
    help_->showFile(helpFile);
}

void QtUi::showAbout() {
    const ModalScope modal(*this);
    if (about_) about_->exec();
}

void QtUi::captionChanged(const std::string& caption) {
    if (!window_) return;
    window_->setWindowTitle(qs(caption));
    window_->update();
}

SaveAnswer QtUi::askToSave(const std::string& question) {
    const ModalScope modal(*this);
    if (saveHook_) return saveHook_(question);
    QMessageBox box(QMessageBox::Warning, QCoreApplication::applicationName(), qs(question),
                    QMessageBox::NoButton, window_);
    QPushButton* save = box.addButton(QStringLiteral("保存"), QMessageBox::AcceptRole);
    QPushButton* discard =
        box.addButton(QStringLiteral("保存しない"), QMessageBox::DestructiveRole);
    QPushButton* cancel = box.addButton(QStringLiteral("キャンセル"), QMessageBox::RejectRole);
    box.setDefaultButton(save);
    box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() == save) return SaveAnswer::Save;
    if (box.clickedButton() == discard) return SaveAnswer::Discard;
    return SaveAnswer::Cancel;
}

bool QtUi::askToAddAgain(const std::string& question, std::int64_t) {
    const ModalScope modal(*this);
    QMessageBox box(QMessageBox::Question, QCoreApplication::applicationName(), qs(question),
                    QMessageBox::NoButton, window_);
    QPushButton* again = box.addButton(QStringLiteral("加える"), QMessageBox::AcceptRole);
    QPushButton* not_ = box.addButton(QStringLiteral("加えない"), QMessageBox::RejectRole);
    box.setDefaultButton(not_);
    box.setEscapeButton(not_);
    box.exec();
    return box.clickedButton() == again;
}

void QtUi::status(const std::string& text) {
    ++statusCount_;
    if (status_) status_(qs(text));
}

}  // namespace tamsel

#include "platform/qt/help_viewer.h"

#include <QFile>
#include <QFileInfo>
#include <QKeySequence>
#include <QMessageBox>
#include <QShortcut>
#include <QTextDocument>
#include <QUrl>

#include "platform/qt/qt_text.h"

namespace tamsel {

HelpViewer::HelpViewer(QWidget* parent) : QTextBrowser(parent) {
    setWindowFlag(Qt::Window);
    setWindowTitle(QStringLiteral("使用法"));
    setOpenExternalLinks(true);
    resize(720, 560);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);
}

bool HelpViewer::showFile(const std::string& path) {
    const QString file = qPath(path);
    if (!QFileInfo(file).isFile()) {
        QMessageBox::warning(parentWidget(), windowTitle(),
                             QStringLiteral("ヘルプファイルが見つかりません: ") + file);
        return false;
    }
    setSource(QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath()), QTextDocument::HtmlResource);
    setWindowTitle(QStringLiteral("使用法 - ") + QFileInfo(file).fileName());
    show();
    raise();
    activateWindow();
    return true;
}

QVariant HelpViewer::loadResource(int type, const QUrl& name) {
    // Pages of the help (the file and the pages it links to) are Shift-JIS.
    if (type == QTextDocument::HtmlResource && name.isLocalFile()) {
        QFile f(name.toLocalFile());
        if (!f.open(QIODevice::ReadOnly)) return {};
        const QByteArray bytes = f.readAll();
        return qs(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    }
    return QTextBrowser::loadResource(type, name);
}

}  // namespace tamsel

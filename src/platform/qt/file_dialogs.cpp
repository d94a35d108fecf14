#include "platform/qt/file_dialogs.h"

#include <QFileDialog>

#include "platform/qt/qt_text.h"

namespace tamsel {

namespace {

QString filterEntry(const QString& caption, const QString& patterns) {
    QStringList parts;
    for (const QString& p : QString(patterns)
                                .replace(QLatin1Char(';'), QLatin1Char(' '))
                                .split(QLatin1Char(' '), Qt::SkipEmptyParts))
        parts << caseFreePattern(p);
    // The dialog hides the trailing "(...)" and shows the caption as written.
    return caption + QStringLiteral(" (") + parts.join(QLatin1Char(' ')) + QLatin1Char(')');
}

bool isWildcard(const QString& name) {
    return name.contains(QLatin1Char('*')) || name.contains(QLatin1Char('?'));
}

}  // namespace

QString caseFreePattern(const QString& pattern) {
    QString out;
    for (QChar c : pattern) {
        QChar lo = c.toLower(), up = c.toUpper();
        if (lo != up && c.unicode() < 0x80) {
            out += QLatin1Char('[') + lo + up + QLatin1Char(']');
        } else {
            out += c;
        }
    }
    return out;
}

QStringList nameFiltersOf(const std::string& sjisFilter) {
    const QStringList items = qs(sjisFilter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < items.size(); i += 2)
        filters << filterEntry(items[i], items[i + 1]);
    return filters;
}

std::optional<std::string> runFileDialog(QWidget* parent, const FileDialogRequest& r, bool save) {
    QFileDialog dialog(parent, qs(r.title));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    if (!r.initialDir.empty()) dialog.setDirectory(qPath(r.initialDir));

    QStringList filters = nameFiltersOf(r.filter);
    // An index past the list falls back to the first entry.
    int selected = (r.filterIndex >= 1 && r.filterIndex <= filters.size()) ? r.filterIndex - 1 : 0;
    const QString name = qPath(r.fileName);
    if (isWildcard(name)) {
        // A proposed name such as "*.ini" decides which files are listed.
        const QString wanted = caseFreePattern(name);
        auto patternsOf = [](const QString& e) {
            qsizetype open = e.lastIndexOf(QLatin1Char('('));
            return e.mid(open + 1, e.size() - open - 2);
        };
        if (selected >= filters.size() || patternsOf(filters[selected]) != wanted) {
            selected = -1;
            for (int i = 0; i < filters.size(); ++i)
                if (patternsOf(filters[i]) == wanted) selected = i;
            if (selected < 0) {
                filters.prepend(filterEntry(name, name));
                selected = 0;
            }
        }
    }
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        dialog.selectNameFilter(filters[selected]);
    }
    if (!name.isEmpty() && !isWildcard(name)) dialog.selectFile(name);
    QString ext = qPath(r.defaultExt);
    if (ext.startsWith(QLatin1Char('.'))) ext.remove(0, 1);
    if (!ext.isEmpty()) dialog.setDefaultSuffix(ext);

    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty()) return std::nullopt;
    return pathOf(files.front());
}

}  // namespace tamsel

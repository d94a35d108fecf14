#include "app/desktop/recent_files.h"

#include <QFile>
#include <QSettings>

namespace tamsel {

namespace {
const char* const Key = "recentFiles";
// A name of its own: the application name is the window's long title.
#define TAMSEL_SETTINGS(s) QSettings s(QStringLiteral("Tamsel"), QStringLiteral("tamsel"))
}  // namespace

QStringList RecentFiles::paths() const {
    TAMSEL_SETTINGS(s);
    return s.value(Key).toStringList();
}

void RecentFiles::add(const std::string& path) {
    const QString p = QFile::decodeName(QByteArray::fromStdString(path));
    QStringList list = paths();
    list.removeAll(p);
    list.prepend(p);
    while (list.size() > Limit) list.removeLast();
    store(list);
}

void RecentFiles::remove(const QString& path) {
    QStringList list = paths();
    list.removeAll(path);
    store(list);
}

void RecentFiles::store(const QStringList& paths) {
    TAMSEL_SETTINGS(s);
    s.setValue(Key, paths);
}

}  // namespace tamsel

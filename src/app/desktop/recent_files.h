// "最近使ったファイル": the last table files saved or loaded, newest first, kept in
// the user's settings (QSettings) across runs.
#pragma once

#include <QStringList>
#include <string>

namespace tamsel {

class RecentFiles {
  public:
    static constexpr int Limit = 8;

    QStringList paths() const;
    // Puts path (native) first; the oldest beyond the limit go.
    void add(const std::string& path);
    void remove(const QString& path);

  private:
    void store(const QStringList& paths);
};

}  // namespace tamsel

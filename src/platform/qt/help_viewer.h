// The help viewer: a window beside the program that shows the help file, HTML
// stored in Shift-JIS like every other file of the program.
#pragma once

#include <QTextBrowser>
#include <string>

namespace tamsel {

class HelpViewer : public QTextBrowser {
    Q_OBJECT
  public:
    explicit HelpViewer(QWidget* parent = nullptr);
    // Shows the file and brings the window up; a missing file is reported in a
    // message box and the window stays as it was.
    bool showFile(const std::string& path);

  protected:
    QVariant loadResource(int type, const QUrl& name) override;
};

}  // namespace tamsel

// The desktop program: the application, the main window (which runs the start-up
// sequence), the about box, the message loop.
#include <QApplication>
#include <string>
#include <vector>

#include "app/desktop/about_box.h"
#include "app/desktop/main_window.h"
#include "platform/qt/translations.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tamsel Windows Version 3.34"));
    QApplication::setFont(tamsel::TForm1::formFont());
    tamsel::installQtTranslations(app);

    std::vector<std::string> args;
    const QStringList all = QCoreApplication::arguments();
    for (qsizetype i = 1; i < all.size(); ++i) args.push_back(all[i].toStdString());

    tamsel::Session session;
    tamsel::TForm1 form(session, QCoreApplication::applicationFilePath().toStdString(), args);
    tamsel::TAboutBox about(&form);
    form.setAboutBox(&about);
    form.showMaximized();
    return app.exec();
}

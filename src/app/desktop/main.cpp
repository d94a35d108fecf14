// The desktop program: the application, the main window (which runs the start-up
// sequence), the about box, the message loop.
#include <QApplication>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "app/desktop/about_box.h"
#include "app/desktop/main_window.h"
#include "platform/qt/translations.h"

int main(int argc, char** argv) {
    // Answered before any window: these are no settings files.
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        if (a == "--version") {
            std::printf("Tamsel Windows Version 3.34\n");
            return 0;
        }
        if (a == "--help" || a == "-h") {
            std::printf(
                "usage: tamsel [SETTINGS.ini] [TABLE.vtb]\n"
                "  SETTINGS.ini  settings file read at start-up\n"
                "  TABLE.vtb     table file opened after start-up\n"
                "  --version     the version\n"
                "  --help        this text\n"
                "The command-line program is tamsel-batch (tamsel-batch --help).\n");
            return 0;
        }
    }
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

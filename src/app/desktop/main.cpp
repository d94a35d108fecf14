// The desktop program: the application, the main window (which runs the start-up
// sequence), the about box, the message loop.
#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <string>
#include <vector>

#include "app/desktop/about_box.h"
#include "app/desktop/main_window.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tamsel Windows Version 3.34"));
    QApplication::setFont(tamsel::TForm1::formFont());
    // The common dialogs (file, font, message buttons) in Japanese, as the rest
    // of the program; Qt's own English stays where no translation is installed.
    QTranslator qtJapanese;
    if (qtJapanese.load(QLocale(QLocale::Japanese), QStringLiteral("qtbase"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtJapanese);

    std::vector<std::string> args;
    const QStringList all = QCoreApplication::arguments();
    for (qsizetype i = 1; i < all.size(); ++i) args.push_back(all[i].toStdString());

    tamsel::Session session;
    tamsel::TForm1 form(session, QCoreApplication::applicationFilePath().toStdString(), args);
    tamsel::TAboutBox about(&form);
    form.setAboutBox(&about);
    form.show();
    return app.exec();
}

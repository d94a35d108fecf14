#include "platform/qt/translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace tamsel {

bool installQtTranslations(QCoreApplication& app) {
    auto* japanese = new QTranslator(&app);
    if (!japanese->load(QLocale(QLocale::Japanese), QStringLiteral("qtbase"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete japanese;
        return false;
    }
    return QCoreApplication::installTranslator(japanese);
}

}  // namespace tamsel

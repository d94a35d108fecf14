// Qt's own texts (the buttons and labels of the file, font, print and message
// dialogs) in Japanese, as the rest of the program speaks.
#pragma once

class QCoreApplication;

namespace tamsel {

// Loads Qt's Japanese translation (qtbase_ja, Debian qt6-translations-l10n) into
// app; false where it is not installed, and Qt's English stays.
bool installQtTranslations(QCoreApplication& app);

}  // namespace tamsel

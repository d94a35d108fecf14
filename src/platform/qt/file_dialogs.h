// File-open and file-save dialogs from the core's requests.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <string>

#include "platform/ui.h"

class QWidget;

namespace tamsel {

// "*.VTB" as "*.[vV][tT][bB]": names on disk may be of either letter case.
QString caseFreePattern(const QString& pattern);

// The filter list "caption|pattern|caption|pattern..." (Shift-JIS) as Qt name
// filters, one per caption, the caption kept as the text the user sees.
QStringList nameFiltersOf(const std::string& sjisFilter);

// Shows the dialog modally; the chosen native path, or nothing when cancelled.
std::optional<std::string> runFileDialog(QWidget* parent, const FileDialogRequest& r, bool save);

}  // namespace tamsel

// The core's font description and QFont.
#pragma once

#include <QFont>
#include <QString>

#include "platform/ui.h"

namespace tamsel {

// The font as described, or the fallback family where that family is not installed
// (the Windows Japanese fonts are rarely there on other systems).
QFont qFontOf(const FontSpec& font, const QString& fallbackFamily);
FontSpec fontSpecOf(const QFont& font);

}  // namespace tamsel

#include "platform/qt/print/fonts.h"

#include <QFontInfo>
#include <QStringList>

#include "platform/qt/qt_text.h"

namespace tamsel {

QFont qFontOf(const FontSpec& wanted, const QString& fallbackFamily) {
    QFont f;
    QStringList families{qs(wanted.family)};
    if (!fallbackFamily.isEmpty() && fallbackFamily != families.front()) families << fallbackFamily;
    f.setFamilies(families);
    f.setPixelSize(wanted.pixelSize > 0 ? wanted.pixelSize : 12);
    f.setBold(wanted.bold);
    f.setItalic(wanted.italic);
    return f;
}

FontSpec fontSpecOf(const QFont& font) {
    FontSpec out;
    out.family = sjisOf(font.family());
    // The font dialog speaks in points; the table counts pixels.
    out.pixelSize = font.pixelSize() > 0 ? font.pixelSize() : QFontInfo(font).pixelSize();
    out.bold = font.bold();
    out.italic = font.italic();
    return out;
}

}  // namespace tamsel

#include "platform/qt/fonts.h"

#include <QFontInfo>
#include <QStringList>

#include "platform/qt/qt_text.h"

namespace tamsel {

QFont qFontOf(const FontSpec& spec, const QString& fallbackFamily) {
    QFont f;
    QStringList families{qs(spec.family)};
    if (!fallbackFamily.isEmpty() && fallbackFamily != families.front()) families << fallbackFamily;
    f.setFamilies(families);
    f.setPixelSize(spec.pixelSize > 0 ? spec.pixelSize : 12);
    f.setBold(spec.bold);
    f.setItalic(spec.italic);
    return f;
}

FontSpec fontSpecOf(const QFont& font) {
    FontSpec spec;
    spec.family = sjisOf(font.family());
    // The font dialog speaks in points; the table counts pixels.
    spec.pixelSize = font.pixelSize() > 0 ? font.pixelSize() : QFontInfo(font).pixelSize();
    spec.bold = font.bold();
    spec.italic = font.italic();
    return spec;
}

}  // namespace tamsel

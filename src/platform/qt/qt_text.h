// The crossings between the core's strings and QString. Core texts are Shift-JIS
// and pass through the text helpers; paths are native UTF-8.
#pragma once

#include <QString>
#include <optional>
#include <string>
#include <string_view>

#include "text/sjis.h"

namespace tamsel {

inline QString qs(std::string_view sjis) {
    return QString::fromUtf8(toUtf8(sjis));
}
inline std::string sjisOf(const QString& s) {
    return fromUtf8(s.toUtf8().toStdString());
}
// Nothing when the text holds a character that Shift-JIS lacks.
inline std::optional<std::string> sjisStrictOf(const QString& s) {
    return fromUtf8Strict(s.toUtf8().toStdString());
}

inline QString qPath(const std::string& nativePath) {
    return QString::fromUtf8(nativePath);
}
inline std::string pathOf(const QString& s) {
    return s.toUtf8().toStdString();
}

}  // namespace tamsel

#include "platform/qt/sjis_length.h"

#include "platform/qt/qt_text.h"

namespace tamsel {

ShiftJisLengthValidator::ShiftJisLengthValidator(int maxBytes, QObject* parent)
    : QValidator(parent), maxBytes_(maxBytes) {}

QValidator::State ShiftJisLengthValidator::validate(QString& input, int&) const {
    // A character Shift-JIS lacks becomes one "?" byte, as the table will hold it.
    return sjisOf(input).size() <= static_cast<std::size_t>(maxBytes_) ? Acceptable : Invalid;
}

}  // namespace tamsel

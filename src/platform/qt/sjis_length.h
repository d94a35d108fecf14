// Limits an edit box to a number of Shift-JIS bytes, as the boxes of a Japanese
// Windows program count them (a full-width character takes two).
#pragma once

#include <QValidator>

namespace tamsel {

class ShiftJisLengthValidator : public QValidator {
  public:
    ShiftJisLengthValidator(int maxBytes, QObject* parent);
    State validate(QString& input, int& pos) const override;
    int maxBytes() const { return maxBytes_; }

  private:
    int maxBytes_;
};

}  // namespace tamsel

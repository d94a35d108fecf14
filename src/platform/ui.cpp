#include "platform/ui.h"

#include "platform/error.h"

namespace tamsel {

namespace {
// The message is plain ASCII, so it needs no conversion.
[[noreturn]] void rangeError(const char* what) {
    throw Error(std::string("Progress bar: ") + what);
}
}  // namespace

Ui::Ui() {
    bar1_.owner_ = this;
    bar1_.which_ = 1;
    bar2_.owner_ = this;
    bar2_.which_ = 2;
}

void ProgressBar::setMin(int v) {
    if (v > max_) rangeError("minimum above maximum");
    min_ = v;
    setPosition(pos_);
}

void ProgressBar::setMax(int v) {
    if (v < min_) rangeError("maximum below minimum");
    max_ = v;
    setPosition(pos_);
}

void ProgressBar::setRange(int lo, int hi) {
    if (hi < lo) rangeError("maximum below minimum");
    min_ = lo;
    max_ = hi;
    setPosition(pos_);
}

void ProgressBar::setPosition(int v) {
    int p = v < min_ ? min_ : (v > max_ ? max_ : v);
    bool moved = p != pos_;
    pos_ = p;
    if (moved && owner_) owner_->progressChanged(which_, *this);
}

}  // namespace tamsel

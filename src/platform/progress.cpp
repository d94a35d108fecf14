#include "platform/progress.h"

#include "platform/error.h"
#include "text/sjis.h"

namespace tamsel {

namespace {
[[noreturn]] void rangeError(const char* what) {
    throw Error(msg("進行表示の範囲が不正です: %1", sj(what)));
}
}  // namespace

Progress::Progress() {
    bar1_.owner_ = this;
    bar1_.which_ = 1;
    bar2_.owner_ = this;
    bar2_.which_ = 2;
}

void ProgressBar::setMin(int v) {
    if (v > max_) rangeError("最小値が最大値を超えます");
    min_ = v;
    setPosition(pos_);
}

void ProgressBar::setMax(int v) {
    if (v < min_) rangeError("最大値が最小値より小さくなります");
    max_ = v;
    setPosition(pos_);
}

void ProgressBar::setRange(int lo, int hi) {
    if (hi < lo) rangeError("最大値が最小値より小さくなります");
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

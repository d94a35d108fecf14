#include "table/history.h"

#include <algorithm>
#include <type_traits>

#include "platform/error.h"
#include "text/sjis.h"

namespace tamsel {

namespace {

std::size_t textBytes(const std::string& s) {
    return s.capacity() > 15 ? s.capacity() + 1 : 0;
}

std::size_t bytesOf(const Change& c) {
    return sizeof(Change) + std::visit(
                                [](const auto& x) -> std::size_t {
                                    using T = std::decay_t<decltype(x)>;
                                    if constexpr (std::is_same_v<T, change::Cell>) {
                                        return textBytes(x.text);
                                    } else if constexpr (std::is_same_v<T, change::Row>) {
                                        std::size_t n = x.cells.capacity() * sizeof(x.cells[0]);
                                        for (const auto& cell : x.cells)
                                            n += textBytes(cell.second);
                                        return n;
                                    } else if constexpr (std::is_same_v<T, change::RowOrder> ||
                                                         std::is_same_v<T, change::ColOrder>) {
                                        return x.order.capacity() * sizeof(int);
                                    } else if constexpr (std::is_same_v<T, change::Releve>) {
                                        return x.codes.capacity() * sizeof(x.codes[0]);
                                    } else if constexpr (std::is_same_v<T, change::CountOrder>) {
                                        return x.order.capacity() * sizeof(int);
                                    } else if constexpr (std::is_same_v<T, change::CountSize>) {
                                        return x.dropped.capacity() * sizeof(std::uint16_t);
                                    } else if constexpr (std::is_same_v<T, change::DomLineSize>) {
                                        return x.dropped.capacity() * sizeof(LayerCodes);
                                    } else if constexpr (std::is_same_v<T, change::Origin>) {
                                        return textBytes(x.dataFile);
                                    } else if constexpr (std::is_same_v<T, change::Region>) {
                                        if (!x.cells) return 0;
                                        return sizeof(change::CellTexts) +
                                               x.cells->at.capacity() * sizeof(x.cells->at[0]) +
                                               x.cells->ends.capacity() * sizeof(std::uint32_t) +
                                               x.cells->bytes.capacity();
                                    } else {
                                        return 0;
                                    }
                                },
                                c);
}

const std::string noName;

}  // namespace

void ChangeLog::add(Change c) {
    makeRoom();
    bytes_ += bytesOf(c);
    blocks_.back().push_back(std::move(c));
    ++size_;
    makeRoom();
}

void ChangeLog::makeRoom() {
    if (!blocks_.empty() && blocks_.back().size() < blocks_.back().capacity()) return;
    const std::size_t last = blocks_.empty() ? 0 : blocks_.back().capacity();
    std::vector<Change> block;
    block.reserve(std::clamp(2 * last, FirstBlock, LargestBlock));
    if (blocks_.size() == blocks_.capacity())
        blocks_.reserve(std::max<std::size_t>(4, 2 * blocks_.size()));
    blocks_.push_back(std::move(block));
}

void ChangeLog::append(ChangeLog&& other) {
    blocks_.reserve(blocks_.size() + other.blocks_.size());
    for (std::vector<Change>& b : other.blocks_) blocks_.push_back(std::move(b));
    size_ += other.size_;
    bytes_ += other.bytes_;
    other.clear();
}

void ChangeLog::truncate(std::size_t count) {
    while (size_ > count) {
        std::vector<Change>& b = blocks_.back();
        if (b.empty()) {
            blocks_.pop_back();
            continue;
        }
        bytes_ -= bytesOf(b.back());
        b.pop_back();
        --size_;
    }
}

std::size_t History::Step::bytes() const {
    return sizeof(Step) + name.size() + log.bytes() + (scalars ? scalars->title.size() : 0);
}

void History::begin(CompositionTable& t, const std::string& name) {
    if (depth_++ > 0) return;
    open_ = true;
    current_ = Step{name, {}, {}};
    before_ = t.scalars();
    t.setChangeLog(&current_.log);
}

void History::commit(CompositionTable& t) {
    if (depth_ == 0 || --depth_ > 0) return;
    t.setChangeLog(nullptr);
    if (open_) {
        open_ = false;
        if (!(t.scalars() == before_)) current_.scalars = std::move(before_);
        if (!current_.log.empty() || current_.scalars) {
            dropRedo();
            bytes_ += current_.bytes();
            steps_.push_back(std::move(current_));
            ++index_;
            ++moves_;
            trim();
        }
    }
    current_ = Step{};
    before_ = TableScalars{};
}

const std::string& History::undoName() const {
    return canUndo() ? steps_[index_ - 1].name : noName;
}

const std::string& History::redoName() const {
    return canRedo() ? steps_[index_].name : noName;
}

void History::apply(CompositionTable& t, Step& step) {
    ChangeLog reverse;
    t.setChangeLog(&reverse);
    try {
        step.log.forEachBackTo(0, [&](Change& c) { t.applyChange(c); });
    } catch (...) {
        // Half applied, the steps no longer fit the table: none is kept.
        restart(t);
        throw;
    }
    if (step.scalars) {
        TableScalars now = t.scalars();
        t.restoreScalars(std::move(*step.scalars));
        step.scalars = std::move(now);
    }
    bytes_ -= step.bytes();
    step.log = std::move(reverse);
    bytes_ += step.bytes();
    // A step opened around the undo (the command boundary) sees no change of its own.
    t.setChangeLog(open_ ? &current_.log : nullptr);
    if (open_) before_ = t.scalars();
}

void History::undo(CompositionTable& t) {
    if (!canUndo()) throw Error(sj("元に戻せる操作がありません。"));
    apply(t, steps_[index_ - 1]);
    --index_;
    ++moves_;
}

void History::takeBack(CompositionTable& t) {
    undo(t);
    dropRedo();
}

void History::redo(CompositionTable& t) {
    if (!canRedo()) throw Error(sj("やり直せる操作がありません。"));
    apply(t, steps_[index_]);
    ++index_;
    ++moves_;
}

History::Mark History::mark(const CompositionTable& t) const {
    if (!open_) throw Error(sj("内部エラー: 取り消しの印は操作の途中でしか付けられません"));
    return Mark{current_.log.size(), t.scalars()};
}

void History::rollBack(CompositionTable& t, Mark&& m) {
    t.setChangeLog(nullptr);
    try {
        current_.log.forEachBackTo(m.changes, [&](Change& c) { t.applyChange(c); });
    } catch (...) {
        restart(t);
        throw;
    }
    current_.log.truncate(m.changes);
    t.restoreScalars(std::move(m.scalars));
    t.setChangeLog(&current_.log);
}

void History::restart(CompositionTable& t) {
    steps_.clear();
    index_ = 0;
    saved_ = -1;
    bytes_ = 0;
    ++moves_;
    // What the open step recorded so far belongs to the table replaced.
    open_ = false;
    current_ = Step{};
    t.setChangeLog(nullptr);
}

void History::dropRedo() {
    while (steps_.size() > index_) {
        bytes_ -= steps_.back().bytes();
        steps_.pop_back();
    }
    if (saved_ > static_cast<std::ptrdiff_t>(index_)) saved_ = -1;
}

void History::trim() {
    while (!steps_.empty() && (steps_.size() > maxSteps_ || bytes_ > maxBytes_)) {
        bytes_ -= steps_.front().bytes();
        steps_.pop_front();
        if (index_ > 0) --index_;
        saved_ = saved_ > 0 ? saved_ - 1 : -1;
    }
}

void History::setLimits(std::size_t maxSteps, std::size_t maxBytes) {
    maxSteps_ = maxSteps;
    maxBytes_ = maxBytes;
    trim();
}

}  // namespace tamsel

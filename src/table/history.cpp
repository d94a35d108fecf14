#include "table/history.h"

#include <algorithm>
#include <type_traits>

#include "platform/error.h"
#include "table/table_state.h"
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
                                    } else {
                                        return 0;
                                    }
                                },
                                c);
}

template <class... F>
struct Overloaded : F... {
    using F::operator()...;
};
template <class... F>
Overloaded(F...) -> Overloaded<F...>;

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
    std::size_t n = sizeof(Step) + name.size() + log.bytes();
    if (fields)
        n += fields->title.size() + (fields->freq.size() + fields->numSp.size()) * 2 +
             fields->domLine.size() * sizeof(LayerCodes);
    return n;
}

void History::applyChange(CompositionTable& t, Change& c) {
    Grid& g = t.grid_;
    CoverArray& a = t.codes_;
    std::visit(Overloaded{
                   [&](change::Cell& x) { g.setCell(x.col, x.row, std::move(x.text)); },
                   [&](change::Row& x) {
                       std::vector<std::string> texts(static_cast<std::size_t>(g.colCount()));
                       for (auto& [col, text] : x.cells)
                           texts.at(static_cast<std::size_t>(col)) = std::move(text);
                       g.setRowTexts(x.row, texts);
                   },
                   [&](change::RowCount& x) { g.setRowCount(x.count); },
                   [&](change::ColCount& x) { g.setColCount(x.count); },
                   [&](change::RowOrder& x) { g.permuteRows(x.first, x.order); },
                   [&](change::ColOrder& x) { g.permuteCols(x.first, x.order); },
                   [&](change::RowMove& x) { g.moveRow(x.from, x.to); },
                   [&](change::ColMove& x) { g.moveCol(x.from, x.to); },
                   [&](change::Codes& x) { a.set(x.releve, x.species, x.codes); },
                   [&](change::Releve& x) { a.replaceReleve(x.releve, std::move(x.codes)); },
                   [&](change::CoverSize& x) { a.resize(x.releves, x.species); },
               },
               c);
}

void History::link(TableState& t, ChangeLog* log) {
    t.grid_.setChangeLog(log);
    t.codes_.setChangeLog(log);
}

void History::begin(TableState& t, const std::string& name) {
    if (depth_++ > 0) return;
    open_ = true;
    current_ = Step{name, {}, {}};
    before_ = t.fields();
    link(t, &current_.log);
}

void History::commit(TableState& t) {
    if (depth_ == 0 || --depth_ > 0) return;
    link(t, nullptr);
    if (open_) {
        open_ = false;
        TableFields now = t.fields();
        if (!(now == before_)) current_.fields = std::move(before_);
        if (!current_.log.empty() || current_.fields) {
            dropRedo();
            bytes_ += current_.bytes();
            steps_.push_back(std::move(current_));
            ++index_;
            ++moves_;
            trim();
        }
    }
    current_ = Step{};
    before_ = TableFields{};
    t.settle();
}

const std::string& History::undoName() const {
    return canUndo() ? steps_[index_ - 1].name : noName;
}

const std::string& History::redoName() const {
    return canRedo() ? steps_[index_].name : noName;
}

void History::apply(TableState& t, Step& step) {
    ChangeLog reverse;
    link(t, &reverse);
    try {
        step.log.forEachBackTo(0, [&](Change& c) { applyChange(t, c); });
    } catch (...) {
        // Half applied, the steps no longer fit the table: none is kept.
        restart(t);
        throw;
    }
    if (step.fields) {
        TableFields now = t.fields();
        t.setFields(std::move(*step.fields));
        step.fields = std::move(now);
    }
    bytes_ -= step.bytes();
    step.log = std::move(reverse);
    bytes_ += step.bytes();
    // A step opened around the undo (the command boundary) sees no change of its own.
    link(t, open_ ? &current_.log : nullptr);
    if (open_) before_ = t.fields();
    t.settle();
}

void History::undo(TableState& t) {
    if (!canUndo()) throw Error(sj("元に戻せる操作がありません。"));
    apply(t, steps_[index_ - 1]);
    --index_;
    ++moves_;
}

void History::takeBack(TableState& t) {
    undo(t);
    dropRedo();
}

void History::redo(TableState& t) {
    if (!canRedo()) throw Error(sj("やり直せる操作がありません。"));
    apply(t, steps_[index_]);
    ++index_;
    ++moves_;
}

History::Mark History::mark(const TableState& t) const {
    if (!open_) throw Error(sj("内部エラー: 取り消しの印は操作の途中でしか付けられません"));
    return Mark{current_.log.size(), t.fields()};
}

void History::rollBack(TableState& t, Mark&& m) {
    link(t, nullptr);
    try {
        current_.log.forEachBackTo(m.changes, [&](Change& c) { applyChange(t, c); });
    } catch (...) {
        restart(t);
        throw;
    }
    current_.log.truncate(m.changes);
    t.setFields(std::move(m.fields));
    link(t, &current_.log);
}

void History::restart(TableState& t) {
    steps_.clear();
    index_ = 0;
    saved_ = 0;
    bytes_ = 0;
    ++moves_;
    // What the open step recorded so far belongs to the table replaced.
    open_ = false;
    current_ = Step{};
    link(t, nullptr);
    t.settle();
}

void History::foldIntoPrevious() {
    if (!open_ || current_.log.empty()) return;
    // The changes undo the renumbering when applied in reverse, and a step's
    // changes are applied from its last: appended, they come first both when the
    // step before is undone and when the step after, recorded on the old
    // numbers, is redone.
    if (index_ < steps_.size()) {
        Step& next = steps_[index_];
        bytes_ -= next.bytes();
        ChangeLog copy = current_.log;
        next.log.append(std::move(copy));
        bytes_ += next.bytes();
    }
    if (index_ > 0) {
        Step& prev = steps_[index_ - 1];
        bytes_ -= prev.bytes();
        prev.log.append(std::move(current_.log));
        bytes_ += prev.bytes();
    }
    current_.log.clear();
    trim();
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

HistoryStep::HistoryStep(TableState& t, const std::string& name) : t_(t) {
    t_.history.begin(t_, name);
}

HistoryStep::~HistoryStep() {
    try {
        t_.history.commit(t_);
    } catch (...) {
        // No memory to keep the step: the history starts again from here.
        t_.history.restart(t_);
    }
}

}  // namespace tamsel

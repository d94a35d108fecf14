#include "table/grid.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "platform/error.h"
#include "text/sjis.h"

namespace tamsel {

namespace {
const std::string emptyText;

[[noreturn]] void outside(const char* what, int index) {
    throw Error(sj("表の範囲外です: ") + sj(what) + " " + std::to_string(index));
}

using Entry = std::pair<std::uint32_t, std::uint32_t>;
auto findEntry(std::vector<Entry>& v, std::uint32_t phys) {
    return std::lower_bound(v.begin(), v.end(), phys,
                            [](const Entry& e, std::uint32_t p) { return e.first < p; });
}
auto findEntry(const std::vector<Entry>& v, std::uint32_t phys) {
    return std::lower_bound(v.begin(), v.end(), phys,
                            [](const Entry& e, std::uint32_t p) { return e.first < p; });
}

// Many columns dropped at once, every row visited once: a row pass for each
// column was columns x rows (a whole add undone).
template <typename Rows>
void dropPhysColsIn(Rows& rows, TextPool& pool, const std::vector<std::uint32_t>& gone,
                    std::size_t physCount) {
    std::vector<char> isGone(physCount, 0);
    for (std::uint32_t phys : gone) isGone[phys] = 1;
    for (auto& r : rows) {
        if (r.isDense) {
            for (std::uint32_t phys : gone)
                if (phys < r.dense.size()) pool.release(std::exchange(r.dense[phys], 0));
        } else {
            std::erase_if(r.sparse, [&](const Entry& e) {
                if (!isGone[e.first]) return false;
                pool.release(e.second);
                return true;
            });
        }
    }
}
}  // namespace

void Grid::checkRow(int row) const {
    if (row < 0 || row >= rowCount()) outside("行", row);
}
void Grid::checkCol(int col) const {
    if (col < 0 || col >= colCount()) outside("列", col);
}

void Grid::setColCount(int n) {
    ++revision_;
    if (n < 0) outside("列数", n);
    if (n < colCount()) fresh_.active = false;
    if (link_.log && n != colCount()) {
        // Dropped columns are one region; growth in a fresh region is undone with it.
        if (n < colCount()) {
            change::Region r{n, 0, colCount(), rowCount(), nullptr};
            r.cells = cellsIn(r);
            record(std::move(r));
        } else if (!fresh_.active) {
            record(change::ColCount{colCount()});
        }
    }
    if (n < colCount()) {
        colRoom_ = 0;
        std::vector<std::uint32_t> gone;
        gone.reserve(static_cast<std::size_t>(colCount() - n));
        while (colCount() > n) {
            gone.push_back(colMap_.back());
            colMap_.pop_back();
        }
        if (gone.size() < 16) {
            for (std::uint32_t phys : gone) dropPhysCol(phys);
        } else {
            dropPhysColsIn(rows_, pool_, gone, colOfPhys_.size());
        }
        for (std::uint32_t phys : gone) {
            colOfPhys_[phys] = -1;
            freeCols_.push_back(phys);
        }
    }
    while (colCount() < n) {
        std::uint32_t phys;
        if (!freeCols_.empty()) {
            phys = freeCols_.back();
            freeCols_.pop_back();
        } else {
            phys = static_cast<std::uint32_t>(colOfPhys_.size());
            colOfPhys_.push_back(-1);
        }
        colOfPhys_[phys] = colCount();
        colMap_.push_back(phys);
    }
}

void Grid::setRowCount(int n) {
    ++revision_;
    if (n < 0) outside("行数", n);
    if (n < rowCount()) fresh_.active = false;
    if (link_.log && n != rowCount()) {
        if (n < rowCount()) {
            change::Region r{0, n, colCount(), rowCount(), nullptr};
            r.cells = cellsIn(r);
            record(std::move(r));
        } else if (!fresh_.active) {
            record(change::RowCount{rowCount()});
        }
    }
    if (n < rowCount()) {
        for (int r = n; r < rowCount(); ++r) releaseRow(rows_[rowMap_[r]]);
        // Keep rows_ dense: the physical rows still in use are renumbered in order.
        std::vector<Row> kept;
        kept.reserve(static_cast<std::size_t>(n));
        for (int r = 0; r < n; ++r) kept.push_back(std::move(rows_[rowMap_[r]]));
        rows_ = std::move(kept);
        rowMap_.resize(static_cast<std::size_t>(n));
        for (int r = 0; r < n; ++r) rowMap_[r] = static_cast<std::uint32_t>(r);
    }
    while (rowCount() < n) {
        rowMap_.push_back(static_cast<std::uint32_t>(rows_.size()));
        rows_.emplace_back();
    }
}

void Grid::reserveCols(int n) {
    if (n <= colCount()) return;
    // Physical columns given up and not yet reused count towards the rows' size.
    const std::size_t phys = colOfPhys_.size() + static_cast<std::size_t>(n - colCount());
    colMap_.reserve(static_cast<std::size_t>(n));
    colOfPhys_.reserve(phys);
    colRoom_ = phys;
    for (Row& r : rows_)
        if (r.isDense) r.dense.reserve(phys);
}

void Grid::dropPhysCol(std::uint32_t phys) {
    for (auto& r : rows_) {
        if (r.isDense) {
            if (phys < r.dense.size()) pool_.release(std::exchange(r.dense[phys], 0));
        } else {
            auto it = findEntry(r.sparse, phys);
            if (it != r.sparse.end() && it->first == phys) {
                pool_.release(it->second);
                r.sparse.erase(it);
            }
        }
    }
}

// A row more than half full is cheaper held by column: no search, no shifting
// on insert, and hardly more memory than the entries.
void Grid::makeDenseIfFull(Row& r) {
    if (r.sparse.size() < 4 || 2 * r.sparse.size() < colOfPhys_.size()) return;
    r.dense.reserve(std::max(colRoom_, colOfPhys_.size()));
    r.dense.assign(colOfPhys_.size(), 0);
    for (const auto& [phys, id] : r.sparse) r.dense[phys] = id;
    r.sparse = std::vector<Entry>();
    r.isDense = true;
}

bool Grid::put(Row& r, std::uint32_t phys, std::string_view text) {
    if (r.isDense) {
        if (phys >= r.dense.size()) {
            if (text.empty()) return false;
            if (colRoom_ > r.dense.capacity()) r.dense.reserve(colRoom_);
            r.dense.resize(colOfPhys_.size(), 0);
        }
        std::uint32_t& id = r.dense[phys];
        if (pool_.holds(id, text)) return false;
        pool_.release(std::exchange(id, pool_.acquire(text)));
        return true;
    }
    auto& v = r.sparse;
    // Filling a row in column order appends: the common case skips the search.
    if (v.empty() || v.back().first < phys) {
        if (text.empty()) return false;
        // A row filled cell by cell grows by a quarter: doubling kept a third of the
        // species rows of an add empty.
        if (v.size() == v.capacity()) v.reserve(v.size() + std::max<std::size_t>(4, v.size() / 4));
        v.emplace_back(phys, pool_.acquire(text));
        makeDenseIfFull(r);
        return true;
    }
    auto it = findEntry(v, phys);
    bool present = it != v.end() && it->first == phys;
    if (text.empty()) {
        if (!present) return false;
        pool_.release(it->second);
        v.erase(it);
    } else if (present) {
        if (pool_.holds(it->second, text)) return false;
        pool_.release(std::exchange(it->second, pool_.acquire(text)));
    } else {
        v.insert(it, Entry{phys, pool_.acquire(text)});
        makeDenseIfFull(r);
    }
    return true;
}

std::uint32_t Grid::idAt(const Row& r, std::uint32_t phys) const {
    if (r.isDense) return phys < r.dense.size() ? r.dense[phys] : 0;
    auto it = findEntry(r.sparse, phys);
    return (it != r.sparse.end() && it->first == phys) ? it->second : 0;
}

std::optional<std::int32_t> Grid::plainNumber(int col, int row) const {
    if (col < 0 || col >= colCount() || row < 0 || row >= rowCount()) return std::nullopt;
    return TextPool::plainNumber(idAt(rows_[rowMap_[row]], colMap_[col]));
}

const std::string& Grid::cell(int col, int row) const {
    if (col < 0 || col >= colCount() || row < 0 || row >= rowCount()) return emptyText;
    return pool_.text(idAt(rows_[rowMap_[row]], colMap_[col]));
}

void Grid::releaseRow(const Row& r) {
    if (r.isDense)
        for (std::uint32_t id : r.dense) pool_.release(id);
    else
        for (const auto& [phys, id] : r.sparse) pool_.release(id);
}

void Grid::acquireRow(const Row& r) {
    if (r.isDense)
        for (std::uint32_t id : r.dense) pool_.acquire(id);
    else
        for (const auto& [phys, id] : r.sparse) pool_.acquire(id);
}

void Grid::setCell(int col, int row, std::string text) {
    checkCol(col);
    checkRow(row);
    write(col, row, std::move(text));
}

void Grid::setCells(const std::vector<CellWrite>& cells) {
    for (const CellWrite& c : cells) {
        checkCol(c.col);
        checkRow(c.row);
    }
    // A counting sort by physical row; within a row the cells keep their order.
    std::vector<std::uint32_t> start(rows_.size() + 1, 0);
    for (const CellWrite& c : cells) ++start[rowMap_[c.row] + 1];
    for (std::size_t r = 1; r < start.size(); ++r) start[r] += start[r - 1];
    std::vector<std::uint32_t> fill(start.begin(), start.end() - 1), order(cells.size());
    for (std::size_t k = 0; k < cells.size(); ++k)
        order[fill[rowMap_[cells[k].row]]++] = static_cast<std::uint32_t>(k);
    for (std::size_t pr = 0; pr < rows_.size(); ++pr) {
        const std::uint32_t first = start[pr], last = start[pr + 1];
        if (first == last) continue;
        Row& r = rows_[pr];
        // The common case: new cells beyond the row's last, in column order.
        bool append = !r.isDense;
        std::uint32_t after = r.sparse.empty() ? 0 : r.sparse.back().first + 1;
        for (std::uint32_t k = first; append && k < last; ++k) {
            const CellWrite& c = cells[order[k]];
            const std::uint32_t phys = colMap_[c.col];
            append = !c.text.empty() && phys >= after;
            after = phys + 1;
        }
        if (!append) {
            for (std::uint32_t k = first; k < last; ++k) {
                const CellWrite& c = cells[order[k]];
                write(c.col, c.row, c.text);
            }
            continue;
        }
        const std::size_t need = r.sparse.size() + (last - first);
        // By a quarter, not double: rows that grow a little every batch, as species
        // rows in an add, kept a third of their room empty.
        if (need > r.sparse.capacity())
            r.sparse.reserve(std::max(need, r.sparse.capacity() + r.sparse.capacity() / 4));
        for (std::uint32_t k = first; k < last; ++k) {
            const CellWrite& c = cells[order[k]];
            const bool recorded = link_.log && !isFresh(c.col, c.row);
            if (recorded) link_.log->makeRoom();  // the cell written must reach the log
            r.sparse.emplace_back(colMap_[c.col], pool_.acquire(c.text));
            if (recorded) record(change::Cell{c.col, c.row, std::string()});
        }
        revision_ += last - first;
        makeDenseIfFull(r);
    }
}

void Grid::write(int col, int row, std::string_view text) {
    if (!link_.log || isFresh(col, row)) {
        if (put(physRow(row), colMap_[col], text)) ++revision_;
        return;
    }
    std::string was = cell(col, row);
    link_.log->makeRoom();
    if (put(physRow(row), colMap_[col], text)) {
        ++revision_;
        record(change::Cell{col, row, std::move(was)});
    }
}

void Grid::recordRow(int row, bool evenEmpty) {
    // A row the grid grew by in a fresh region comes back empty with the region.
    if (!link_.log || (fresh_.active && row >= fresh_.rowCount)) return;
    change::Row r{row, {}};
    forEachInRow(row, [&](int col, const std::string& text) { r.cells.emplace_back(col, text); });
    if (evenEmpty || !r.cells.empty()) record(std::move(r));
}

void Grid::clearRow(int row) {
    ++revision_;
    checkRow(row);
    recordRow(row);
    releaseRow(physRow(row));
    physRow(row) = Row{};
}

void Grid::clearCol(int col) {
    ++revision_;
    checkCol(col);
    if (link_.log)
        for (int row = 0; row < rowCount(); ++row)
            if (const std::string& text = cell(col, row); !text.empty() && !isFresh(col, row))
                record(change::Cell{col, row, text});
    dropPhysCol(colMap_[col]);
}

void Grid::clearAll() {
    ++revision_;
    for (int row = 0; row < rowCount(); ++row) recordRow(row);
    fresh_.active = false;
    pool_ = TextPool{};
    // With every cell empty the maps carry nothing: they go back to the identity,
    // as in a fresh grid. Kept permuted (after a reordering), later fills in
    // position order would land in scattered physical columns, and every sparse
    // insert would shift the rest of its row.
    const std::size_t rows = rowMap_.size(), cols = colMap_.size();
    rows_ = std::vector<Row>(rows);
    for (std::size_t r = 0; r < rows; ++r) rowMap_[r] = static_cast<std::uint32_t>(r);
    colOfPhys_.assign(cols, 0);
    for (std::size_t c = 0; c < cols; ++c) {
        colMap_[c] = static_cast<std::uint32_t>(c);
        colOfPhys_[c] = static_cast<int>(c);
    }
    freeCols_.clear();
    colRoom_ = 0;
}

std::vector<std::string> Grid::rowTexts(int row) const {
    std::vector<std::string> out(static_cast<std::size_t>(colCount()));
    forEachInRow(row, [&](int col, const std::string& text) { out[col] = text; });
    return out;
}

std::vector<std::string> Grid::colTexts(int col) const {
    checkCol(col);
    std::vector<std::string> out(static_cast<std::size_t>(rowCount()));
    for (int r = 0; r < rowCount(); ++r) out[r] = cell(col, r);
    return out;
}

void Grid::setRowTexts(int row, const std::vector<std::string>& texts) {
    checkRow(row);
    recordRow(row, true);
    Row r;
    for (int c = 0; c < colCount() && c < static_cast<int>(texts.size()); ++c)
        if (!texts[c].empty()) r.sparse.emplace_back(colMap_[c], pool_.acquire(texts[c]));
    std::sort(r.sparse.begin(), r.sparse.end(),
              [](const Entry& x, const Entry& y) { return x.first < y.first; });
    makeDenseIfFull(r);
    ++revision_;
    releaseRow(physRow(row));
    physRow(row) = std::move(r);
}

void Grid::setRowCells(int row, std::span<const std::pair<int, std::string>> cells) {
    checkRow(row);
    for (std::size_t k = 0; k < cells.size(); ++k) {
        checkCol(cells[k].first);
        if (cells[k].second.empty() || (k > 0 && cells[k - 1].first >= cells[k].first))
            throw Error(sj("表の行のセルの並びが正しくありません"));
    }
    recordRow(row, true);
    Row r;
    // The shape makeDenseIfFull would give the row filled cell by cell.
    if (cells.size() >= 4 && 2 * cells.size() >= colOfPhys_.size()) {
        r.isDense = true;
        r.dense.resize(colOfPhys_.size(), 0);
        for (const auto& [col, text] : cells) r.dense[colMap_[col]] = pool_.acquire(text);
    } else {
        r.sparse.reserve(cells.size());
        for (const auto& [col, text] : cells)
            r.sparse.emplace_back(colMap_[col], pool_.acquire(text));
        auto byPhys = [](const Entry& x, const Entry& y) { return x.first < y.first; };
        if (!std::is_sorted(r.sparse.begin(), r.sparse.end(), byPhys))
            std::sort(r.sparse.begin(), r.sparse.end(), byPhys);
    }
    ++revision_;
    releaseRow(physRow(row));
    physRow(row) = std::move(r);
}

namespace {
// The exchange of a and b as an order over the rows from the lower: its own inverse.
std::vector<int> swapOrder(int a, int b) {
    std::vector<int> order(static_cast<std::size_t>(std::abs(a - b)) + 1);
    for (std::size_t k = 0; k < order.size(); ++k) order[k] = static_cast<int>(k);
    std::swap(order.front(), order.back());
    return order;
}
}  // namespace

void Grid::swapRows(int a, int b) {
    ++revision_;
    checkRow(a);
    checkRow(b);
    fresh_.active = false;
    if (link_.log && a != b) record(change::RowOrder{std::min(a, b), swapOrder(a, b)});
    std::swap(rowMap_[a], rowMap_[b]);
}

void Grid::swapCols(int a, int b) {
    ++revision_;
    checkCol(a);
    checkCol(b);
    fresh_.active = false;
    if (link_.log && a != b) record(change::ColOrder{std::min(a, b), swapOrder(a, b)});
    std::swap(colMap_[a], colMap_[b]);
    colOfPhys_[colMap_[a]] = a;
    colOfPhys_[colMap_[b]] = b;
}

namespace {
template <typename V>
void moveWithin(V& v, int from, int to) {
    if (from < to)
        std::rotate(v.begin() + from, v.begin() + from + 1, v.begin() + to + 1);
    else if (from > to)
        std::rotate(v.begin() + to, v.begin() + from, v.begin() + from + 1);
}
}  // namespace

void Grid::moveRow(int from, int to) {
    if (from != to) ++revision_;
    checkRow(from);
    checkRow(to);
    fresh_.active = false;
    if (from != to) record(change::RowMove{to, from});
    moveWithin(rowMap_, from, to);
}

void Grid::moveCol(int from, int to) {
    if (from != to) ++revision_;
    checkCol(from);
    checkCol(to);
    fresh_.active = false;
    if (from != to) record(change::ColMove{to, from});
    moveWithin(colMap_, from, to);
    for (int c = std::min(from, to); c <= std::max(from, to); ++c) colOfPhys_[colMap_[c]] = c;
}

namespace {
// Two positions given the same row would share its cells, and a later write to
// one would show in both: refuse anything but a permutation, before any change.
void checkPermutation(const std::vector<int>& order) {
    std::vector<bool> used(order.size(), false);
    for (int k : order) {
        if (k < 0 || k >= static_cast<int>(order.size()) || used[static_cast<std::size_t>(k)])
            throw Error(
                sj("表の並び替えの順序が正しくありません（同じ位置が二度あるか範囲外です）"));
        used[static_cast<std::size_t>(k)] = true;
    }
}
std::vector<int> inverseOf(const std::vector<int>& order) {
    std::vector<int> inv(order.size());
    for (std::size_t k = 0; k < order.size(); ++k)
        inv[static_cast<std::size_t>(order[k])] = static_cast<int>(k);
    return inv;
}
}  // namespace

void Grid::permuteRows(int first, const std::vector<int>& order) {
    ++revision_;
    int n = static_cast<int>(order.size());
    if (n == 0) return;
    checkRow(first);
    checkRow(first + n - 1);
    checkPermutation(order);
    fresh_.active = false;
    if (link_.log) record(change::RowOrder{first, inverseOf(order)});
    std::vector<std::uint32_t> old(rowMap_.begin() + first, rowMap_.begin() + first + n);
    for (int k = 0; k < n; ++k) rowMap_[first + k] = old.at(static_cast<std::size_t>(order[k]));
}

void Grid::permuteCols(int first, const std::vector<int>& order) {
    ++revision_;
    int n = static_cast<int>(order.size());
    if (n == 0) return;
    checkCol(first);
    checkCol(first + n - 1);
    checkPermutation(order);
    fresh_.active = false;
    if (link_.log) record(change::ColOrder{first, inverseOf(order)});
    std::vector<std::uint32_t> old(colMap_.begin() + first, colMap_.begin() + first + n);
    for (int k = 0; k < n; ++k) {
        colMap_[first + k] = old.at(static_cast<std::size_t>(order[k]));
        colOfPhys_[colMap_[first + k]] = first + k;
    }
}

void Grid::copyRow(int from, int to) {
    ++revision_;
    checkRow(from);
    checkRow(to);
    if (from == to) return;
    recordRow(to, true);
    releaseRow(physRow(to));
    physRow(to) = physRow(from);
    acquireRow(physRow(to));
}

// --- regions ---------------------------------------------------------------------

std::unique_ptr<change::CellTexts> Grid::cellsIn(const change::Region& reg) const {
    auto out = std::make_unique<change::CellTexts>();
    for (int row = 0; row < rowCount(); ++row)
        forEachInRow(row, [&](int col, const std::string& text) {
            if (!inRegion(reg, col, row)) return;
            out->at.emplace_back(col, row);
            out->bytes += text;
            out->ends.push_back(static_cast<std::uint32_t>(out->bytes.size()));
        });
    if (out->at.empty()) return nullptr;
    return out;
}

void Grid::recordFreshRegion(int col, int row) {
    if (!link_.log) return;
    if (fresh_.active && fresh_.col <= col && fresh_.row <= row) return;
    change::Region r{col, row, colCount(), rowCount(), nullptr};
    r.cells = cellsIn(r);
    record(std::move(r));
    fresh_ = Fresh{true, col, row, colCount(), rowCount()};
}

void Grid::restoreRegion(change::Region& reg) {
    ++revision_;
    fresh_.active = false;
    // The region as it is now, over the smaller of the two sizes, is what redoes this.
    change::Region now{reg.col, reg.row, std::min(colCount(), reg.colCount),
                       std::min(rowCount(), reg.rowCount), nullptr};
    if (reg.cells)
        for (const auto& [col, row] : reg.cells->at)
            if (col < 0 || row < 0 || col >= reg.colCount || row >= reg.rowCount ||
                !inRegion(now, col, row))
                throw Error(sj("内部エラー: 取り消しの記録が表の範囲と合いません"));
    if (link_.log) link_.log->makeRoom();
    now.cells = cellsIn(now);
    for (int row = 0; row < rowCount(); ++row) {
        Row& r = physRow(row);
        if (r.isDense) {
            for (std::size_t phys = 0; phys < r.dense.size(); ++phys)
                if (r.dense[phys] != 0 && inRegion(now, colOfPhys_[phys], row))
                    pool_.release(std::exchange(r.dense[phys], 0));
        } else {
            std::erase_if(r.sparse, [&](const Entry& e) {
                if (!inRegion(now, colOfPhys_[e.first], row)) return false;
                pool_.release(e.second);
                return true;
            });
        }
    }
    const std::pair<int, int> before{colCount(), rowCount()};
    ChangeLog* log = std::exchange(link_.log, nullptr);
    setColCount(reg.colCount);
    setRowCount(reg.rowCount);
    link_.log = log;
    if (reg.cells) {
        const change::CellTexts& c = *reg.cells;
        std::uint32_t begin = 0;
        for (std::size_t k = 0; k < c.at.size(); ++k) {
            const auto [col, row] = c.at[k];
            put(physRow(row), colMap_[col],
                std::string_view(c.bytes).substr(begin, c.ends[k] - begin));
            begin = c.ends[k];
        }
    }
    now.colCount = before.first;
    now.rowCount = before.second;
    record(std::move(now));
}

void Grid::copyCol(int from, int to) {
    ++revision_;
    checkCol(from);
    checkCol(to);
    if (from == to) return;
    for (int r = 0; r < rowCount(); ++r) setCell(to, r, cell(from, r));
}

}  // namespace tamsel

#include "table/grid.h"

#include <algorithm>

#include "platform/error.h"
#include "text/sjis.h"

namespace tamsel {

namespace {
const std::string emptyText;

[[noreturn]] void outside(const char* what, int index) {
    throw Error(sj("表の範囲外です: ") + sj(what) + " " + std::to_string(index));
}

auto findEntry(std::vector<std::pair<std::uint32_t, std::string>>& v, std::uint32_t phys) {
    return std::lower_bound(v.begin(), v.end(), phys,
                            [](const auto& e, std::uint32_t p) { return e.first < p; });
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
    while (colCount() > n) {
        std::uint32_t phys = colMap_.back();
        colMap_.pop_back();
        dropPhysCol(phys);
        colOfPhys_[phys] = -1;
        freeCols_.push_back(phys);
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
    if (n < rowCount()) {
        // Keep rows_ dense: the physical rows still in use are renumbered in order.
        std::vector<std::vector<Entry>> kept;
        kept.reserve(static_cast<std::size_t>(n));
        for (int r = 0; r < n; ++r) {
            kept.push_back(std::move(rows_[rowMap_[r]]));
        }
        rows_ = std::move(kept);
        rowMap_.resize(static_cast<std::size_t>(n));
        for (int r = 0; r < n; ++r) rowMap_[r] = static_cast<std::uint32_t>(r);
    }
    while (rowCount() < n) {
        rowMap_.push_back(static_cast<std::uint32_t>(rows_.size()));
        rows_.emplace_back();
    }
}

void Grid::dropPhysCol(std::uint32_t phys) {
    for (auto& r : rows_) {
        auto it = findEntry(r, phys);
        if (it != r.end() && it->first == phys) r.erase(it);
    }
}

const std::string& Grid::cell(int col, int row) const {
    if (col < 0 || col >= colCount() || row < 0 || row >= rowCount()) return emptyText;
    const auto& r = rows_[rowMap_[row]];
    std::uint32_t phys = colMap_[col];
    auto it = std::lower_bound(r.begin(), r.end(), phys,
                               [](const Entry& e, std::uint32_t p) { return e.first < p; });
    return (it != r.end() && it->first == phys) ? it->second : emptyText;
}

void Grid::setCell(int col, int row, std::string text) {
    checkCol(col);
    checkRow(row);
    auto& r = physRow(row);
    std::uint32_t phys = colMap_[col];
    auto it = findEntry(r, phys);
    bool present = it != r.end() && it->first == phys;
    if (text.empty()) {
        if (!present) return;
        r.erase(it);
    } else if (present) {
        if (it->second == text) return;
        it->second = std::move(text);
    } else {
        r.insert(it, Entry{phys, std::move(text)});
    }
    ++revision_;
}

void Grid::clearRow(int row) {
    ++revision_;
    checkRow(row);
    physRow(row).clear();
}

void Grid::clearCol(int col) {
    ++revision_;
    checkCol(col);
    dropPhysCol(colMap_[col]);
}

void Grid::clearAll() {
    ++revision_;
    for (auto& r : rows_) r.clear();
}

std::vector<std::string> Grid::rowTexts(int row) const {
    checkRow(row);
    std::vector<std::string> out(static_cast<std::size_t>(colCount()));
    for (const auto& [phys, text] : rows_[rowMap_[row]]) out[colOfPhys_[phys]] = text;
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
    auto& r = physRow(row);
    r.clear();
    for (int c = 0; c < colCount() && c < static_cast<int>(texts.size()); ++c)
        if (!texts[c].empty()) r.emplace_back(colMap_[c], texts[c]);
    std::sort(r.begin(), r.end(), [](const Entry& a, const Entry& b) { return a.first < b.first; });
    ++revision_;
}

void Grid::swapRows(int a, int b) {
    ++revision_;
    checkRow(a);
    checkRow(b);
    std::swap(rowMap_[a], rowMap_[b]);
}

void Grid::swapCols(int a, int b) {
    ++revision_;
    checkCol(a);
    checkCol(b);
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
    moveWithin(rowMap_, from, to);
}

void Grid::moveCol(int from, int to) {
    if (from != to) ++revision_;
    checkCol(from);
    checkCol(to);
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
}  // namespace

void Grid::permuteRows(int first, const std::vector<int>& order) {
    ++revision_;
    int n = static_cast<int>(order.size());
    if (n == 0) return;
    checkRow(first);
    checkRow(first + n - 1);
    checkPermutation(order);
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
    if (from != to) physRow(to) = physRow(from);
}

void Grid::copyCol(int from, int to) {
    ++revision_;
    checkCol(from);
    checkCol(to);
    if (from == to) return;
    for (int r = 0; r < rowCount(); ++r) setCell(to, r, cell(from, r));
}

}  // namespace tamsel

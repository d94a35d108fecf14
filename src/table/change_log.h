// What reverses a change of the table, as the grid, the cover array and the
// table's own arrays record it at their own operations: a cell's earlier text,
// the inverse of a permutation, the earlier size with the entries it dropped, a
// slot's earlier origin. A command's steps are these, never a copy of the table,
// so undoing a sort costs one permutation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "datafile/cover_codes.h"

namespace tamsel::change {

// Each names the operation that undoes the change it was recorded for.
struct Cell {  // Grid::setCell
    std::int32_t col, row;
    std::string text;
};
struct Row {  // Grid::setRowTexts (non-empty cells, by column)
    std::int32_t row;
    std::vector<std::pair<std::int32_t, std::string>> cells;
};
struct RowCount {  // Grid::setRowCount
    std::int32_t count;
};
struct ColCount {  // Grid::setColCount
    std::int32_t count;
};
struct RowOrder {  // Grid::permuteRows
    std::int32_t first;
    std::vector<int> order;
};
struct ColOrder {  // Grid::permuteCols
    std::int32_t first;
    std::vector<int> order;
};
struct RowMove {  // Grid::moveRow
    std::int32_t from, to;
};
struct ColMove {  // Grid::moveCol
    std::int32_t from, to;
};
// Cells with their texts, compactly: the positions and one buffer of the texts.
struct CellTexts {
    std::vector<std::pair<std::int32_t, std::int32_t>> at;  // column, row
    std::vector<std::uint32_t> ends;                        // where each text ends in bytes
    std::string bytes;
};
// A region of the grid as it was, recorded once for a bulk change instead of
// each of its cells: the cells at columns >= col on rows >= row, and those of
// the columns >= colCount and rows >= rowCount (the grid's size then). The
// region of the cells an append writes into free columns and new rows, and of
// the cells a shrink drops.
struct Region {  // Grid::restoreRegion
    std::int32_t col, row, colCount, rowCount;
    std::unique_ptr<CellTexts> cells;  // null: none
};
struct Codes {  // CoverArray::set
    std::int32_t releve, species;
    LayerCodes codes;
};
struct Releve {  // CoverArray::replaceReleve
    std::int32_t releve;
    std::vector<std::pair<std::int32_t, LayerCodes>> codes;
};
struct CoverSize {  // CoverArray::resize
    std::int32_t releves, species;
};

// The table's count arrays: FreqArray by species row, NumSpArray by relevé column.
enum class CountLine : std::uint8_t { Freq, NumSp };
struct Count {  // one entry of a count array
    CountLine line;
    std::int32_t index;
    std::uint16_t value;
};
struct CountMove {  // an entry moved as a drag moves its row or column
    CountLine line;
    std::int32_t from, to;
};
struct CountOrder {  // entries 1, 2, ... permuted with their rows or columns
    CountLine line;
    std::vector<int> order;
};
struct CountSize {  // the array's earlier size, with the entries it dropped
    CountLine line;
    std::int32_t size;
    std::vector<std::uint16_t> dropped;
};
struct DomLineSize {  // DomLine's earlier size, with the entries it dropped
    std::int32_t size;
    std::vector<LayerCodes> dropped;
};
struct Origin {  // the origin a relevé slot had
    std::int32_t slot, record;
    std::string dataFile;
};

}  // namespace tamsel::change

namespace tamsel {

using Change =
    std::variant<change::Cell, change::Row, change::RowCount, change::ColCount, change::RowOrder,
                 change::ColOrder, change::RowMove, change::ColMove, change::Codes, change::Releve,
                 change::CoverSize, change::Count, change::CountMove, change::CountOrder,
                 change::CountSize, change::DomLineSize, change::Origin, change::Region>;

// The changes of one step, in the order they were made; undone in reverse. They
// are kept in blocks that never move: a log of millions of changes (an add of
// 100,000 relevés) grows by a block, where one array moved every change to an
// array twice its size and held both at the peak.
class ChangeLog {
  public:
    // Records c. There is always room for one more change afterwards (or add
    // throws with c recorded), so a change recorded after the operation it
    // reverses (makeRoom first) is never lost to memory running out.
    void add(Change c);
    void makeRoom();
    bool empty() const { return size_ == 0; }
    std::size_t size() const { return size_; }
    std::size_t bytes() const { return bytes_; }
    // Calls f on each change from the last down to the (count + 1)th.
    template <typename F>
    void forEachBackTo(std::size_t count, F&& f) {
        std::size_t k = size_;
        for (auto b = blocks_.rbegin(); b != blocks_.rend() && k > count; ++b)
            for (auto it = b->rbegin(); it != b->rend() && k > count; ++it, --k) f(*it);
    }
    void append(ChangeLog&& other);
    // Drops the changes from the (count + 1)th on.
    void truncate(std::size_t count);
    void clear() { *this = ChangeLog{}; }

  private:
    static constexpr std::size_t FirstBlock = 16, LargestBlock = std::size_t{1} << 14;
    std::vector<std::vector<Change>> blocks_;
    std::size_t size_ = 0;
    std::size_t bytes_ = 0;
};

// Where a grid or cover array records its changes: nowhere unless a step is open.
// A copy records nowhere, and an assignment keeps the target's own log, so a table
// built aside and moved in is not half recorded.
class ChangeLogLink {
  public:
    ChangeLogLink() = default;
    ChangeLogLink(const ChangeLogLink&) {}
    ChangeLogLink& operator=(const ChangeLogLink&) { return *this; }
    ChangeLog* log = nullptr;
};

}  // namespace tamsel

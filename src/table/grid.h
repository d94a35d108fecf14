// The string grid that holds every displayed text of the table, as Shift-JIS bytes.
// Rows and columns are addressed through position maps, so moving, exchanging
// and reordering whole rows or columns touches only the maps. Each physical row
// is stored in the shape that fits it: sparse (sorted (column, text) entries)
// while at most about half its cells are filled, as species rows are; dense (one
// text per physical column) once more are, as header rows and the serial row
// are. A cell holds the number of its text in the grid's pool (TextPool), where
// each distinct text is kept once.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "table/change_log.h"
#include "table/text_pool.h"

namespace tamsel {

// One cell to write, for Grid::setCells.
struct CellWrite {
    int col = 0, row = 0;
    std::string text;
};

class Grid {
  public:
    int colCount() const { return static_cast<int>(colMap_.size()); }
    int rowCount() const { return static_cast<int>(rowMap_.size()); }
    void setColCount(int n);
    void setRowCount(int n);
    // Room for n columns: a command about to add many columns one at a time
    // grows every full row once, where each doubling moved all its cells. A
    // clear or a shrink of the columns forgets it.
    void reserveCols(int n);

    // A cell outside the grid reads as empty; writing one throws Error.
    const std::string& cell(int col, int row) const;
    void setCell(int col, int row, std::string text);
    bool isEmpty(int col, int row) const { return cell(col, row).empty(); }
    // The value of a cell that holds a whole number as the table writes a slot
    // ("123"), without reading its text; none for any other cell.
    std::optional<std::int32_t> plainNumber(int col, int row) const;

    void clearRow(int row);
    void clearCol(int col);
    // Every cell empty, and the storage as a fresh grid of the same size has it.
    void clearAll();

    // All cells of a row or column as a list, and such a list written back
    // (missing items clear their cells).
    std::vector<std::string> rowTexts(int row) const;
    std::vector<std::string> colTexts(int col) const;
    void setRowTexts(int row, const std::vector<std::string>& texts);
    // Writes the cells as setCell would one after another (the last write to a
    // cell wins), but row by row: cells gathered a column at a time for many rows
    // touch each row's storage once, where one setCell each was a cache miss at
    // the tail of its row. A cell outside the grid throws Error before any change.
    void setCells(const std::vector<CellWrite>& cells);
    // The row's cells become these (columns ascending, each in the grid, texts
    // not empty), the others empty; the storage is sized once, for a loader.
    void setRowCells(int row, std::span<const std::pair<int, std::string>> cells);

    // Calls f(col, text) for each non-empty cell of a row, in no set order.
    template <typename F>
    void forEachInRow(int row, F&& f) const {
        checkRow(row);
        const Row& r = rows_[rowMap_[row]];
        if (r.isDense) {
            for (std::size_t phys = 0; phys < r.dense.size(); ++phys)
                if (r.dense[phys] != 0) f(colOfPhys_[phys], pool_.text(r.dense[phys]));
        } else {
            for (const auto& [phys, id] : r.sparse) f(colOfPhys_[phys], pool_.text(id));
        }
    }

    // Whole-row and whole-column moves.
    void swapRows(int a, int b);
    void swapCols(int a, int b);
    void moveRow(int from, int to);  // as a drag: the rows between shift by one
    void moveCol(int from, int to);
    // Rows first .. first+order.size()-1 get the rows that stood at first+order[k].
    void permuteRows(int first, const std::vector<int>& order);
    void permuteCols(int first, const std::vector<int>& order);

    // A real copy of all cells of one row (column) into another.
    void copyRow(int from, int to);
    void copyCol(int from, int to);

    // Counts the changes of contents or order (a cell written with the text it
    // holds is none), so that a caller can tell whether anything changed since.
    std::uint64_t revision() const { return revision_; }

    // Every later change records what reverses it there (null: nowhere).
    void setChangeLog(ChangeLog* log) {
        link_.log = log;
        fresh_.active = false;
    }
    // The cells at columns >= col on rows >= row, and every cell of the columns
    // and rows the grid grows by later, are recorded once, as they are now
    // (change::Region), and each write there is not recorded again: an append
    // of many columns is undone by dropping what it wrote. Ends at the next
    // reordering or shrink of rows or columns, or change of the log.
    void recordFreshRegion(int col, int row);
    // Makes the region r records what it was, and records what reverses that.
    void restoreRegion(change::Region& r);

  private:
    using Entry = std::pair<std::uint32_t, std::uint32_t>;  // physical column, text number
    struct Row {
        bool isDense = false;
        std::vector<Entry> sparse;         // sorted by physical column
        std::vector<std::uint32_t> dense;  // by physical column; may be shorter than the grid
    };
    struct Fresh {
        bool active = false;
        int col = 0, row = 0, colCount = 0, rowCount = 0;
    };
    bool isFresh(int col, int row) const {
        return fresh_.active && ((col >= fresh_.col && row >= fresh_.row) ||
                                 col >= fresh_.colCount || row >= fresh_.rowCount);
    }
    bool inRegion(const change::Region& r, int col, int row) const {
        return (col >= r.col && row >= r.row) || col >= r.colCount || row >= r.rowCount;
    }
    // The cells of the region, in row order (within a row, by physical column).
    std::unique_ptr<change::CellTexts> cellsIn(const change::Region& r) const;
    void releaseRow(const Row& r);
    void acquireRow(const Row& r);
    // The text number at a physical cell (0: empty).
    std::uint32_t idAt(const Row& r, std::uint32_t phys) const;
    void checkRow(int row) const;
    void checkCol(int col) const;
    Row& physRow(int row) { return rows_[rowMap_[row]]; }
    void dropPhysCol(std::uint32_t phys);
    // Writes one cell; true when its text changed.
    bool put(Row& r, std::uint32_t phys, std::string_view text);
    // setCell's work on a checked cell.
    void write(int col, int row, std::string_view text);
    void makeDenseIfFull(Row& r);
    // Records the row's cells before they change; an empty row only when asked.
    void recordRow(int row, bool evenEmpty = false);
    void record(Change c) {
        if (link_.log) link_.log->add(std::move(c));
    }

    std::vector<Row> rows_;                // by physical row
    std::vector<std::uint32_t> rowMap_;    // position -> physical row
    std::vector<std::uint32_t> colMap_;    // position -> physical column
    std::vector<int> colOfPhys_;           // physical column -> position (-1: gone)
    std::vector<std::uint32_t> freeCols_;  // physical columns free for reuse
    std::size_t colRoom_ = 0;              // the physical columns reserveCols made room for
    std::uint64_t revision_ = 0;
    TextPool pool_;
    Fresh fresh_;
    ChangeLogLink link_;
};

}  // namespace tamsel

// Where things are in the grid. This is the one place that knows how table
// positions (relevé j, species row i, print item n) map to grid coordinates;
// everyone else asks it instead of adding 3 or FreqRow.
#pragma once

#include <array>
#include <cstdint>

namespace tamsel {

struct TableState;

class TableLayout {
  public:
    static constexpr int ItemCount = 30;

    // Fixed rows and columns.
    static constexpr int SlotRow = 0;    // ReleveSlot of each relevé column
    static constexpr int SerialRow = 1;  // serial numbers 1, 2, 3 ... of the relevé columns
    static constexpr int FirstItemRow = 2;
    static constexpr int SlotCol = 0;    // SpeciesSlot of each species row
    static constexpr int NumberCol = 1;  // running numbers of the species rows
    static constexpr int NameCol = 2;    // species names, comments, item captions
    static constexpr int FreqCol = 3;    // frequencies; "F＼N" in the frequency row
    static constexpr int FirstReleveCol = 4;
    static constexpr int FixedCols = 4;
    static constexpr int FixedRows = 4;
    // The frequency row follows the item rows: 2 with none enabled, 31 with all 29.
    static constexpr std::int32_t MinFreqRow = FirstItemRow;
    static constexpr std::int32_t MaxFreqRow = FirstItemRow + ItemCount - 1;
    // A right press on rows 2..4 of a relevé column shows the cell's whole text.
    static constexpr int LastShowCellRow = 4;

    // A layout with FreqRow and the print items whose boxes are enabled
    // (enabled[n] for n = 2..30; entries 0 and 1 are ignored).
    TableLayout(std::int32_t freqRow, const std::array<bool, ItemCount + 1>& enabled);
    // A layout that knows only where the frequency row is: it has no item rows.
    explicit TableLayout(std::int32_t freqRow) : freqRow_(freqRow) {}

    std::int32_t freqRow() const { return freqRow_; }

    // Relevé column j (1-based) <-> grid column.
    static constexpr int releveCol(std::int32_t j) { return j + 3; }
    static constexpr std::int32_t releveAt(int col) { return col - 3; }
    static constexpr bool isReleveCol(int col) { return col >= FirstReleveCol; }
    // Species row i (1-based) <-> grid row.
    int speciesRow(std::int32_t i) const { return freqRow_ + i; }
    std::int32_t speciesAt(int row) const { return row - freqRow_; }
    int firstSpeciesRow() const { return freqRow_ + 1; }
    bool isSpeciesRow(int row) const { return row > freqRow_; }

    // Item rows 2 .. FreqRow-1.
    int lastItemRow() const { return freqRow_ - 1; }
    // The grid row of print item n (2..30), or 0 when its box is not enabled or
    // the row would not lie above the frequency row.
    int itemRow(int n) const { return n >= 2 && n <= ItemCount ? rowOfItem_[n] : 0; }
    // The print item an item row shows, or 0 for a row that is no item row.
    int itemAt(int row) const {
        return row >= FirstItemRow && row < freqRow_ && row <= ItemCount ? itemOfRow_[row] : 0;
    }

    // The last grid column and row in use.
    static constexpr int lastReleveCol(std::int32_t releveCount) { return releveCol(releveCount); }
    int lastSpeciesRow(std::int32_t speciesCount) const { return speciesRow(speciesCount); }

    // The grid that holds relevé and species capacities, whatever FreqRow becomes.
    static constexpr int gridColCount(std::int32_t releveCapacity) {
        return releveCapacity + FixedCols;
    }
    static constexpr int gridRowCount(std::int32_t plantCapacity) {
        return plantCapacity + MaxFreqRow + 1;
    }
    // How many relevé columns and species rows a grid of that size has room for.
    static constexpr std::int32_t releveRoom(int colCount) { return colCount - FixedCols; }
    std::int32_t speciesRoom(int rowCount) const { return rowCount - 1 - freqRow_; }

  private:
    std::int32_t freqRow_;
    std::array<int, ItemCount + 1> rowOfItem_{};
    std::array<int, ItemCount + 2> itemOfRow_{};
};

// The layout of a table as it stands: its FreqRow and its enabled boxes.
TableLayout layoutOf(const TableState& t);
// The layout the enabled boxes make: one item row each, FreqRow below them. A
// blank table and every relevé placed take this one.
TableLayout boxLayoutOf(const TableState& t);

}  // namespace tamsel

// The composition-table file (.vtb): the only file the program both writes and reads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "io/byte_sink.h"
#include "platform/progress.h"
#include "table/cover_array.h"
#include "table/grid.h"
#include "table/table_state.h"

namespace tamsel {

// Writes the whole file (title, counts, cover block, grid block, CR LF). In the
// file the slots of the relevé columns and species rows in use are exactly
// 1..ReleveCount and 1..SpeciesCount, their codes with them: a slot above the
// count is exchanged for one in range that no position in use holds (the free
// column or row holding it takes the other), in ascending order; the table
// itself is not changed. Throws Error when a slot cell is not a number, lies
// outside TableArray or is repeated, or the table holds what the file cannot
// carry (a line break in the title or a cell, a code above 207), or the sink fails.
void writeTableFile(ByteSink& out, const TableState& t);

// The content of a table file, parsed and checked, not yet in any table.
struct LoadedTable {
    std::string title;
    std::int32_t speciesCount = 0, releveCount = 0, freqRow = 0;
    CoverArray codes;  // (releveCount + 1) x (speciesCount + 1) slots
    // TableLayout's grid for the counts, as the model holds it: a species cell in
    // use keeps its text only where the file shows something else than its codes.
    Grid grid;
    // The non-empty species cells in use as the file shows them, by species row
    // and by relevé column (entry 0 unused).
    std::vector<std::uint32_t> presencePerRow, presencePerColumn;
};

// Parses a table file fed in pieces cut anywhere (inside a line, a double-byte
// character or a quoted item): each line is parsed when its line end arrives,
// into the new table, so only the table and the longest line are held. finish()
// throws the first fault in the order a check of the whole file has them (the
// file's shape and line count before any line's content), else gives the table.
// fileName only names the file in messages; bar advances per line of the cover
// block.
class TableFileReader {
  public:
    explicit TableFileReader(const std::string& fileName, ProgressBar* bar = nullptr);
    ~TableFileReader();
    TableFileReader(const TableFileReader&) = delete;
    TableFileReader& operator=(const TableFileReader&) = delete;
    void feed(std::string_view piece);
    LoadedTable finish();

  private:
    struct State;
    std::unique_ptr<State> s_;
};

// Parses a whole file held in memory. fileName only names the file in messages. Every fault
// throws Error naming the file and the line. bar, when given, advances per line
// of the cover block.
LoadedTable readTableFile(std::string_view bytes, const std::string& fileName,
                          ProgressBar* bar = nullptr);

// Puts a loaded table in place of the current one: counts, capacities, arrays
// (FreqArray and NumSpArray recounted from the grid, cells untouched), title,
// DataFileName (and DataFolder) from path, CurrentNotation 2, TableFileName.
void installLoadedTable(TableState& t, LoadedTable&& loaded, const std::string& path);

// The file-name forms. Saving goes through SafeFileWriter, so a failed save
// leaves the previous file as it was; a saved table's file is path. Loading replaces the table only
// when the whole file was good.
void saveTableFile(TableState& t, const std::string& path);
// The load reads the file through a buffer of bufferSize bytes.
void loadTableFile(TableState& t, const std::string& path, ProgressBar* bar = nullptr,
                   std::size_t bufferSize = 4 << 20);

}  // namespace tamsel

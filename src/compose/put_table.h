// Placing the relevé last read into the table as a new column.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "compose/replace_name.h"
#include "table/table_state.h"

namespace tamsel {

// Species name -> position (1-based, below FreqRow) of the first species row with
// that name. Built from the grid when a scan starts; PutTable keeps it up to date
// as it adds rows, so finding a species costs one probe instead of a scan. The
// names are held in one flat open-addressing table: a probe touches one entry of
// one array, where a node-based map touched a bucket, a node and its string in
// three places of the heap (the lookup was a quarter of a large add).
class SpeciesRowIndex {
  public:
    std::int32_t freqRow = -1;  // the FreqRow the positions were taken under
    // The slot number of the species row at each position, read from the grid the
    // first time the row is written (0: not read yet); rows do not move during a
    // scan, and reading the slot cell for every species cell cost a cache miss.
    std::vector<std::int32_t> slotOf;

    // The position of the first row named name, or 0.
    std::int32_t find(std::string_view name) const;
    // Adds name at position (>= 1) unless the name is there already.
    void add(std::string name, std::int32_t position);
    void reserve(std::size_t names);

  private:
    struct Item {
        std::size_t hash = 0;
        std::int32_t position = 0;  // 0: a free entry
        std::string name;
    };
    std::size_t probe(std::string_view name, std::size_t hash) const;
    std::vector<Item> items_;  // a power of two in size, at most half in use
    std::size_t used_ = 0;
};

SpeciesRowIndex buildSpeciesRowIndex(const TableState& t);

// Writes relevé j (the caller has set ReleveCount to j) from r, whatever source
// read it: header cells, "──" in row FreqRow, one cell per species,
// found or appended as a row. Codes go to TableArray at the slots of the column and
// rows written. False when the table cannot grow: the column is then left as
// growth made it, with none of the relevé's cells or codes and no row it added.
bool placeReleve(TableState& t, const ReplaceName& d, SpeciesRowIndex& index, std::int32_t j,
                 const ReleveView& r);
// The same for the relevé the data file pair read last.
bool PutTable(TableState& t, const ReplaceName& d, SpeciesRowIndex& index, std::int32_t j);
// Places r as the next column (ReleveCount + 1). False when the table cannot grow;
// ReleveCount then counts only the relevés placed whole.
bool appendReleve(TableState& t, const ReplaceName& d, SpeciesRowIndex& index, const ReleveView& r);

}  // namespace tamsel

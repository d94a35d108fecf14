// Placing the relevé last read into the table as a new column.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "compose/replace_name.h"
#include "table/grid.h"
#include "table/table_state.h"

namespace tamsel {

// Species name -> position (1-based, below FreqRow) of the first species row with
// that name. Built from the grid when a scan starts; PutTable keeps it up to date
// as it adds rows, so finding a species costs one probe instead of a scan. The
// names are found through one flat open-addressing table of small entries: a
// probe touches one entry of one array and then the name it points to, where a
// node-based map touched a bucket, a node and its string in three places of the
// heap (the lookup was a quarter of a large add).
class SpeciesRowIndex {
  public:
    std::int32_t freqRow = -1;  // the FreqRow the positions were taken under
    // The slot number of the species row at each position, read from the grid the
    // first time the row is written (0: not read yet); rows do not move during a
    // scan, and reading the slot cell for every species cell cost a cache miss.
    std::vector<std::int32_t> slotOf;

    // The position of the first row named name, or 0.
    std::int32_t find(std::string_view name) const;
    // The same with the name's hash (hashOf) taken before.
    std::int32_t find(std::string_view name, std::size_t hash) const;
    static std::size_t hashOf(std::string_view name);
    // Starts fetching the entry a lookup of the hash begins at, so that the
    // lookups of a relevé's species wait for memory together, not one by one.
    void prefetch(std::size_t hash) const {
        if (!items_.empty()) __builtin_prefetch(&items_[hash & (items_.size() - 1)]);
    }
    // The names of the relevé being placed and their hashes, kept for their buffers.
    std::vector<std::string> pending;
    std::vector<std::size_t> pendingHashes;
    // A name as stored, kept for its buffer: a pending name that took the stored
    // width went to the heap, and so did the index's copy, a cache miss per probe.
    std::string stored;
    // Adds name at position (>= 1) unless the name is there already.
    void add(std::string name, std::int32_t position);
    void reserve(std::size_t names);

  private:
    // Eight bytes an entry, so that the table of a large add stays in the cache;
    // the name is compared only when the hash's high half matches.
    struct Item {
        std::uint32_t tag = 0;      // the high half of the name's hash
        std::int32_t position = 0;  // 0: a free entry
    };
    std::size_t probe(std::string_view name, std::size_t hash) const;
    std::vector<Item> items_;         // a power of two in size, at most half in use
    std::vector<std::string> names_;  // by position
    std::size_t used_ = 0;
};

SpeciesRowIndex buildSpeciesRowIndex(const TableState& t);

// The texts of one relevé whose control characters placing made blanks
// (blankControls): how many, and the first as a report names it.
struct BlankedTexts {
    std::int32_t count = 0;
    std::string first;  // Shift-JIS

    // n texts more; name() names the first of them, asked for only when it is the
    // relevé's first.
    template <typename Name>
    void add(std::int32_t n, Name&& name) {
        if (n == 0) return;
        if (count == 0) first = name();
        count += n;
    }
    // One text, with this many control bytes inside.
    template <typename Name>
    void note(std::size_t inside, Name&& name) {
        add(inside ? 1 : 0, name);
    }
};

// The print item whose box shows the header field at offset (2 .. 30).
int printItemOfField(std::size_t offset);

// Writes relevé j (the caller has set ReleveCount to j) from r, whatever source
// read it: header cells, "──" in row FreqRow, and each species' codes in
// TableArray at the slots of the column and of its row, found or appended (the
// species cells show them). False when the table cannot grow: the column is then left as
// growth made it, with none of the relevé's cells or codes and no row it added.
// Control characters inside the header fields and names become blanks; blanked,
// when given, hears of them.
bool placeReleve(TableState& t, const ReplaceName& d, SpeciesRowIndex& index, std::int32_t j,
                 const ReleveView& r, BlankedTexts* blanked = nullptr);
// The same for the relevé the data file pair read last.
bool PutTable(TableState& t, const ReplaceName& d, SpeciesRowIndex& index, std::int32_t j);
// Places r as the next column (ReleveCount + 1). False when the table cannot grow;
// ReleveCount then counts only the relevés placed whole.
bool appendReleve(TableState& t, const ReplaceName& d, SpeciesRowIndex& index, const ReleveView& r,
                  BlankedTexts* blanked = nullptr);

}  // namespace tamsel

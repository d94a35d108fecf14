// DomLine for every species at once. Writing a species line needs its codes in
// the relevé columns of one page and whether each layer is used in any column;
// filling DomLine across all columns per species and page would cost
// species x columns x pages. This collects, in one pass over TableArray, the
// codes of each species slot in the relevé columns 1..NR that hold it.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "datafile/cover_codes.h"
#include "table/table_state.h"

namespace tamsel {

class DomLineTable {
  public:
    struct Entry {
        std::int32_t column;  // relevé column j, 1..NR
        LayerCodes codes;     // never all zero
    };

    // Reads the ReleveSlot of every relevé column in use; a slot that is no
    // number or lies outside TableArray throws Error naming the column.
    explicit DomLineTable(const TableState& t);

    // Species slots 0 .. count-1 are known.
    std::int32_t slotCount() const { return static_cast<std::int32_t>(start_.size()) - 1; }

    // The columns that hold species slot s, in column order (entry j of DomLine
    // is all zero for every other column). s must be below slotCount().
    std::span<const Entry> entries(std::int32_t s) const {
        return {entries_.data() + start_[s], entries_.data() + start_[s + 1]};
    }
    // Those of columns a..b.
    std::span<const Entry> entries(std::int32_t s, std::int32_t a, std::int32_t b) const;

    // LayerInUse for layers 1..7 of species slot s: bit k-1 is set when some
    // relevé column holds a code above 1 in layer k.
    std::uint8_t layersInUse(std::int32_t s) const { return inUse_[s]; }

    // DomLine[j] for j = a..b, into out[j - a].
    void fill(std::int32_t s, std::int32_t a, std::int32_t b, std::span<LayerCodes> out) const;

  private:
    std::vector<std::uint32_t> start_;  // by species slot, and one past the last
    std::vector<Entry> entries_;
    std::vector<std::uint8_t> inUse_;
};

// The ReleveSlot of relevé column j and the SpeciesSlot of table row i, checked
// against TableArray; Error naming the column or row otherwise.
std::int32_t releveSlotChecked(const TableState& t, std::int32_t j);
std::int32_t speciesSlotChecked(const TableState& t, std::int32_t i);

// freq x 100 / NR to the nearest whole number, a half to the even neighbour.
int percentFrequency(int freq, int releveCount);

}  // namespace tamsel

namespace tamsel {

// Layer k (1..7) of species slot s is used in some relevé column.
inline bool LayerInUse(const DomLineTable& d, std::int32_t s, int k) {
    return (d.layersInUse(s) >> (k - 1)) & 1u;
}

}  // namespace tamsel

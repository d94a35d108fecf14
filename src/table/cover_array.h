// TableArray: seven cover codes for every (relevé slot, species slot), slots
// 0..relevé capacity and 0..species capacity. Held sparsely: most cells of a
// large table are absent, and growth must not copy the whole array.
#pragma once

#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "datafile/cover_codes.h"
#include "table/change_log.h"

namespace tamsel {

// One (relevé slot, species slot, codes) entry for CoverArray::assign.
struct CoverEntry {
    std::int32_t releve;
    std::int32_t species;
    LayerCodes codes;
};

class CoverArray {
  public:
    // Slots 0..releveSlots-1 and 0..speciesSlots-1; entries that remain keep
    // their codes, new ones are zero.
    void resize(int releveSlots, int speciesSlots);
    int releveSlots() const { return static_cast<int>(byReleve_.size()); }
    int speciesSlots() const { return speciesSlots_; }

    // Outside the slots: throws Error (a range error).
    const LayerCodes& get(int releveSlot, int speciesSlot) const;
    void set(int releveSlot, int speciesSlot, const LayerCodes& codes);
    // The whole array at once, as clearAll() and then set() of each entry in turn
    // would leave it (a later entry for the same cell wins; zero codes erase),
    // without set()'s scattered searches: a load arrives species by species.
    // An entry outside the slots throws Error before anything changes.
    void assign(std::span<const CoverEntry> entries);
    void assign(const std::vector<CoverEntry>& entries) { assign(std::span(entries)); }

    // Room for n entries in one relevé slot; nothing changes.
    void reserveReleve(int releveSlot, std::size_t n);
    void clearReleve(int releveSlot);    // every species slot of one relevé slot
    void clearSpecies(int speciesSlot);  // one species slot in every relevé slot
    void clearAll();

    // The non-zero entries of one relevé slot, by ascending species slot.
    const std::vector<std::pair<std::int32_t, LayerCodes>>& releve(int releveSlot) const;
    // All entries of one relevé slot at once (non-zero, by ascending species slot).
    void replaceReleve(int releveSlot, std::vector<std::pair<std::int32_t, LayerCodes>> codes);

    // Every later change records what reverses it there (null: nowhere).
    void setChangeLog(ChangeLog* log) {
        link_.log = log;
        whole_.clear();
    }

  private:
    void check(int releveSlot, int speciesSlot) const;
    // Whether the slot's entries as they were are in the log already: a slot
    // found empty is recorded whole once (change::Releve), and its later
    // changes in the same log not one by one, so that filling a fresh relevé
    // costs one record.
    bool recordedWhole(int releveSlot) const {
        return static_cast<std::size_t>(releveSlot) < whole_.size() && whole_[releveSlot];
    }
    std::vector<bool> whole_;  // by relevé slot
    std::vector<std::vector<std::pair<std::int32_t, LayerCodes>>> byReleve_;
    int speciesSlots_ = 0;
    ChangeLogLink link_;
};

}  // namespace tamsel

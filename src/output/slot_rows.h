// From a cover entry to the table rows it belongs to.
#pragma once

#include <cstdint>
#include <vector>

#include "output/dom_lines.h"
#include "table/table_state.h"

namespace tamsel {

// Species slot -> the table rows of a list (by their index in it) that carry
// that slot: a cover entry of TableArray reaches its rows without a search.
class SlotRows {
  public:
    SlotRows(const TableState& t, const std::vector<std::int32_t>& rows)
        : first_(static_cast<std::size_t>(t.model.codes().speciesSlots()), -1),
          next_(rows.size(), -1) {
        for (std::int32_t u = static_cast<std::int32_t>(rows.size()) - 1; u >= 0; --u) {
            std::int32_t s = speciesSlotChecked(t, rows[u]);
            next_[u] = first_[s];
            first_[s] = u;
        }
    }
    template <typename F>
    void forEach(std::int32_t slot, F&& f) const {
        for (std::int32_t u = first_[slot]; u >= 0; u = next_[u]) f(u);
    }

  private:
    std::vector<std::int32_t> first_, next_;
};

}  // namespace tamsel

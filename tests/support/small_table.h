// Small tables built cell by cell in a table state, as placing relevés and hand
// editing leave them: header cells, names, layer summaries and codes through the
// slots. For tests of the outputs.
#pragma once

#include <cstdint>
#include <string>

#include "datafile/cover_codes.h"
#include "table/table_layout.h"
#include "table/table_state.h"

namespace tamsel::testing {

// A new relevé column; returns its position j.
inline std::int32_t addReleveColumn(TableState& t) {
    t.model.appendReleveColumn();
    return t.model.releveCount();
}

// The text of print item n (2..29) in relevé column j.
inline void setHeader(TableState& t, std::int32_t j, int item, const std::string& text) {
    t.model.setCell(TableLayout::releveCol(j), layoutOf(t).itemRow(item), text);
}

// A new table row holding a species name or a comment; returns its position.
inline std::int32_t addTableRow(TableState& t, const std::string& name) {
    t.model.appendSpeciesRow(name);
    return t.model.speciesCount();
}

// Species row s found in relevé j with these codes.
inline void setCodes(TableState& t, std::int32_t j, std::int32_t s, const LayerCodes& codes) {
    int col = TableLayout::releveCol(j), row = layoutOf(t).speciesRow(s);
    t.model.setCodes(t.model.releveSlotAt(col), t.model.speciesSlotAt(row), codes);
}

}  // namespace tamsel::testing

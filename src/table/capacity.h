// Growth of the table: relevé columns in steps of 8, species rows in steps of 16.
#pragma once

#include <cstdint>

#include "table/table_state.h"

namespace tamsel {

// Room for relevé positions up to at least count; new columns carry their slot
// and serial number. False (nothing changed) when memory runs out.
bool AddCol(TableState& t, std::int32_t count);
// Room for species positions up to at least count; new rows carry their slot and
// running number.
bool AddRow(TableState& t, std::int32_t count);

}  // namespace tamsel

// The composition-table file (.vtb): the only file the program both writes and reads.
#pragma once

#include <string>

#include "platform/ui.h"
#include "table/table_state.h"

namespace tamsel {

// "現在の表を保存する　(&S)" and "保存した表を読込む(&L)".
void Item_SaveTableClick(TableState& t, Ui& ui);
void Item_LoadTableClick(TableState& t, Ui& ui);

}  // namespace tamsel

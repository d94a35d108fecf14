// The commands on the table as a whole: the recount and the merging of layers.
#pragma once

#include "platform/ui.h"
#include "table/table_state.h"

namespace tamsel {

// "出現頻度を再計算する(&F)".
void Item_FrequencyClick(TableState& t, Ui& ui);

// "層をまとめる…": a dialog asks the way (independent / sum) and the layer.
void Item_MergeLayersClick(TableState& t, Ui& ui);

}  // namespace tamsel

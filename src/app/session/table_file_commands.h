// The table file's commands: the save with and without its dialog, and the load.
#pragma once

#include <string>

#include "platform/ui.h"
#include "table/table_state.h"

namespace tamsel {

// "名前を付けて保存(&W)…" (the save with its dialog) and "保存した表を読込む(&L)".
void Item_SaveTableClick(TableState& t, Ui& ui);
void Item_LoadTableClick(TableState& t, Ui& ui);
// "上書き保存(&S)": saves to the table's file (TableFileName) without a dialog;
// a table without a file is saved as Item_SaveTableClick does.
void Item_SaveClick(TableState& t, Ui& ui);
// Loads the table file at path in place of the table, with the message panel,
// the progress bar, a repaint and the caption (the load command after its dialog).
void openTableFile(TableState& t, Ui& ui, const std::string& path);

}  // namespace tamsel

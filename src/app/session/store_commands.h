// The window's items of the relevé store (ファイル → データベース): make a store,
// import a source into it, and place the relevés meeting the conditions of a form.
#pragma once

#include "app/session/session.h"
#include "platform/ui.h"

namespace tamsel {

// "作成(&N)…": an empty store where the save dialog says.
void Item_StoreCreateClick(Session& s, Ui& ui);
// "取り込み(&I)…": the store, then the data file pair or Turboveg package to
// import, with progress and a cancel on the message panel.
void Item_StoreImportClick(Session& s, Ui& ui);
// "条件で選んで表に加える(&S)…": the store, then the conditions' form.
void Item_AddFromStoreClick(Session& s, Ui& ui);

}  // namespace tamsel

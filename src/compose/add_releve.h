// Choosing relevés from a data file pair: the menu command and the add-relevé
// panel's buttons. A refusal (empty cover box, bad range, a pair that cannot be
// opened) throws Error. Records of the file that cannot be read are skipped, and
// when the command ends one message tells how many and why, naming the first few.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "compose/add_releve_form.h"
#include "compose/replace_name.h"
#include "datafile/cover_codes.h"
#include "platform/ui.h"
#include "table/table_state.h"

namespace tamsel {

// "表にデータを加える(&A)": choose the data file, then open the panel.
void Item_AddReleveClick(TableState& t, AddReleveForm& f, Ui& ui);

// The threshold of a minimum-cover box; nothing for an empty box.
std::optional<CoverCode> ParseMinCover(std::string_view text);

// The plant buttons; mode 1 Ａのみ, 2 ＡとＢ, 3 ＡかＢ, 4 Ｂなし.
void AddbyPlant(TableState& t, const ReplaceName& d, AddReleveForm& f, Ui& ui, int mode);
void AddPlantABtnClick(TableState& t, const ReplaceName& d, AddReleveForm& f, Ui& ui);
void AddPlantAandBBtnClick(TableState& t, const ReplaceName& d, AddReleveForm& f, Ui& ui);
void AddPlantAorBBtnClick(TableState& t, const ReplaceName& d, AddReleveForm& f, Ui& ui);
void AddPlantAnotBBtnClick(TableState& t, const ReplaceName& d, AddReleveForm& f, Ui& ui);

// "地理区画のみ指定　" and "レコード番号を指定して表に加える".
void AddbyGridBtnClick(TableState& t, const ReplaceName& d, AddReleveForm& f, Ui& ui);
void AddbyRecordBtnClick(TableState& t, const ReplaceName& d, AddReleveForm& f, Ui& ui);

// The status line's words for an add that placed this many relevés.
std::string placedText(std::int32_t placed);

// "取止め".
void Btn_AddCancelClick(AddReleveForm& f);

}  // namespace tamsel

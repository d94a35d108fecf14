// The commands that build the table from data: the add-relevé panel and its
// buttons, the Turboveg file and the synonym dictionary.
#pragma once

#include "compose/add_releve.h"
#include "compose/add_releve_form.h"
#include "compose/replace_name.h"
#include "platform/ui.h"
#include "table/table_state.h"

namespace tamsel {

// "表にデータを加える(&A)": choose the data file, then open the panel.
void Item_AddReleveClick(TableState& t, AddReleveForm& f, Ui& ui);

// The add by plants with the panel's mode 1..4, asking whether to place again
// the relevés the table holds already (the core's AddbyPlant with that question).
void addByPlantAsking(TableState& t, const ReplaceName& d, AddReleveForm& f, Ui& ui, int mode);
// The question an add asks about relevés the table holds already:
// "n 件の測定は既に表にあります。もう一度加えますか？", answered by the Ui.
AddAgain askToAddAgain(Ui& ui);

// The panel's plant buttons: Ａのみ, ＡとＢ, ＡかＢ, Ｂなし (AddbyPlant's modes 1..4).
void AddPlantABtnClick(TableState& t, const ReplaceName& d, AddReleveForm& f, Ui& ui);
void AddPlantAandBBtnClick(TableState& t, const ReplaceName& d, AddReleveForm& f, Ui& ui);
void AddPlantAorBBtnClick(TableState& t, const ReplaceName& d, AddReleveForm& f, Ui& ui);
void AddPlantAnotBBtnClick(TableState& t, const ReplaceName& d, AddReleveForm& f, Ui& ui);

// "地理区画のみ指定　" and "レコード番号を指定して表に加える".
void AddbyGridBtnClick(TableState& t, const ReplaceName& d, AddReleveForm& f, Ui& ui);
void AddbyRecordBtnClick(TableState& t, const ReplaceName& d, AddReleveForm& f, Ui& ui);

// "取止め".
void Btn_AddCancelClick(AddReleveForm& f);

// "Turboveg XML から加える(&U)…": choose the file, then add its plots.
void Item_AddTurbovegClick(TableState& t, const ReplaceName& d, Ui& ui);

// "異名辞書ファイルの読込み(&D)"; a message tells of names whose control
// characters became blanks.
void Item_CheckNameClick(TableState& t, ReplaceName& d, Ui& ui);

}  // namespace tamsel

// The commands of the analyses and sorts: each asks what it needs, runs the
// analysis the core offers and reports; the window and the command line share them.
#pragma once

#include <optional>
#include <string>

#include "analysis/recip.h"
#include "analysis/twinspan_table.h"
#include "datafile/cover_values.h"
#include "platform/ui.h"
#include "table/table_state.h"

namespace tamsel {

// "植物を頻度多順に並び替え(&P)": species rows by their frequency text, highest first.
void Item_SortPlantClick(TableState& t, Ui& ui);
// "測定を種数多順に並び替え(&O)", "測定を種数少順に並び替え（&R）".
void Item_SortReleveClick(TableState& t, Ui& ui);
void Item_SortReverseClick(TableState& t, Ui& ui);

// "反復平均法で行列並び替え(&H)".
RecipResult Item_RecipClick(TableState& t, Ui& ui, const RecipOptions& options = {});

// "TWINSPAN で群に分ける(&W)": the options dialog (opened on last, which keeps the
// texts the user left), the run, the report window, and the save dialog when the
// report is to be saved.
void Item_TwinspanClick(TableState& t, Ui& ui, TwinspanOptionTexts& last);

// "OptimClass で群の数を選ぶ(&K)": the dialog for the maximum number of groups,
// the level and the minimum, the run, the save dialog and the CSV, then the
// curve; the point chosen on it arranges the table into its partition.
void Item_OptimClassClick(TableState& t, Ui& ui, const TwinspanOptions& twinspan);

// "総合常在度表を出力(&Y)": the dialog, a recount, the save dialog, the file;
// IndVal's A merges layers by layers.
void Item_SynopticClick(TableState& t, Ui& ui, LayerMerge layers);
// "識別種順に並び替え(&G)": the dialog, a recount, the sort.
void Item_SortFidelityClick(TableState& t, Ui& ui);

// Beals smoothing: the save dialog, then the file.
void Item_BealsClick(const TableState& t, Ui& ui, bool excludeSelf);

// "Cocktail 法で種群を作る…": the save dialog, the clustering with a progress
// bar that can be cancelled, the CSV.
void Item_CocktailClick(const TableState& t, Ui& ui);

// "定義ファイルを編集…": the file dialog, then the editor, which checks the text
// against the table and saves it as Shift-JIS.
void Item_EditDefinitionsClick(const TableState& t, Ui& ui);
// "定義で群に分ける…": the file dialog, the assignment and its report.
void Item_AssignUnitsClick(TableState& t, Ui& ui);
// The assignment on the file the open dialog gives, its report in the file's
// words; nothing when none was chosen.
std::optional<std::string> assignUnitsChosen(TableState& t, Ui& ui);

}  // namespace tamsel

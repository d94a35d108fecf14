#include "app/session/compose_commands.h"

#include <cstdint>

#include "app/session/open_dialog.h"
#include "compose/add_releve.h"
#include "compose/add_turboveg.h"
#include "compose/dictionary.h"
#include "table/dialog_filters.h"
#include "text/sjis.h"

namespace tamsel {

AddAgain askToAddAgain(Ui& ui) {
    return [&ui](std::int64_t count) {
        return ui.askToAddAgain(msg("%1 件の測定は既に表にあります。もう一度加えますか？", count),
                                count);
    };
}

void Item_AddReleveClick(TableState& t, AddReleveForm& f, Ui& ui) {
    auto chosen = askFileToOpen(t, ui, sj("データファイルの選択"), openDialogFilter(), 1, "*.rli");
    // A person who cancels the choice means to add nothing; prepared answers
    // open the panel all the same, for the file chosen before.
    if (!chosen && ui.interactive()) return;
    if (chosen) useDataFilePair(t, f, *chosen);
    f.visible = true;
    f.labelFileName = fromUtf8(t.files.DataFileName);
    ProgressBar& bar = ui.progressBar1();
    bar.setRange(0, INT32_MAX);
    bar.setPosition(1);
}

void addByPlantAsking(TableState& t, const ReplaceName& d, AddReleveForm& f, Ui& ui, int mode) {
    AddbyPlant(t, d, f, ui, mode, askToAddAgain(ui));
}

void AddPlantABtnClick(TableState& t, const ReplaceName& d, AddReleveForm& f, Ui& ui) {
    addByPlantAsking(t, d, f, ui, 1);
}
void AddPlantAandBBtnClick(TableState& t, const ReplaceName& d, AddReleveForm& f, Ui& ui) {
    addByPlantAsking(t, d, f, ui, 2);
}
void AddPlantAorBBtnClick(TableState& t, const ReplaceName& d, AddReleveForm& f, Ui& ui) {
    addByPlantAsking(t, d, f, ui, 3);
}
void AddPlantAnotBBtnClick(TableState& t, const ReplaceName& d, AddReleveForm& f, Ui& ui) {
    addByPlantAsking(t, d, f, ui, 4);
}

void AddbyGridBtnClick(TableState& t, const ReplaceName& d, AddReleveForm& f, Ui& ui) {
    AddbyGrid(t, d, f, ui, askToAddAgain(ui));
}

void AddbyRecordBtnClick(TableState& t, const ReplaceName& d, AddReleveForm& f, Ui& ui) {
    AddbyRecord(t, d, f, ui, askToAddAgain(ui));
}

void Btn_AddCancelClick(AddReleveForm& f) {
    f.visible = false;
}

void Item_AddTurbovegClick(TableState& t, const ReplaceName& d, Ui& ui) {
    if (auto chosen = askFileToOpen(
            t, ui, sj("Turboveg XML ファイルの選択"),
            sj("Turboveg XML ファイル (*.xml)|*.xml|すべてのファイル (*.*)|*.*"), 1, "*.xml"))
        addTurbovegFile(t, d, ui, *chosen);
}

void Item_CheckNameClick(TableState& t, ReplaceName& d, Ui& ui) {
    auto chosen = askFileToOpen(t, ui, "", openDialogFilter(), 4, "");
    if (!chosen) return;
    const DictionaryBlanks blanks = useDictionaryFile(t, d, *chosen);
    if (blanks.items) ui.message(blanks.message(*chosen));
}

}  // namespace tamsel

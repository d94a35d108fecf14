#include "app/session/table_commands.h"

#include <cstdint>

#include "platform/error.h"
#include "table/frequency.h"
#include "table/layer_merge.h"
#include "text/sjis.h"

namespace tamsel {

void Item_FrequencyClick(TableState& t, Ui& ui) {
    recount(t, ui);
    ui.status(sj("出現頻度を再計算しました"));
}

void Item_MergeLayersClick(TableState& t, Ui& ui) {
    FieldsDialogRequest req;
    req.title = sj("層をまとめる");
    req.fields.push_back({sj("まとめ方（independent / sum）"), "independent"});
    req.fields.push_back({sj("まとめる先の層"), trimControl(t.print.LayerLabels[4])});
    auto answer = ui.fieldsDialog(req);
    if (!answer) return;
    auto merge = layerMergeNamed(trimControl(answer->at(0)));
    if (!merge) throw Error(msg("まとめ方は independent か sum です: %1", answer->at(0)));
    const int into = layerNamed(t, answer->at(1));
    const std::int64_t n = mergeLayers(t, *merge, into);
    ui.status(msg("%1 件の種の層を %2 にまとめました", n, trimControl(t.print.LayerLabels[into])));
}

}  // namespace tamsel

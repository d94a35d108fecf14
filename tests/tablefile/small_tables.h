// Tables built as the table file's tests need them: blank ones of chosen
// capacities, and relevés placed through the slots.
#pragma once

#include <string>
#include <vector>

#include "platform/batch/batch_ui.h"
#include "table/frequency.h"
#include "table/table_state.h"

namespace tamsel::testing {

// A blank table of the given capacities; boxes: -1 the defaults, 0 all item
// boxes off (FreqRow 2), 1 all on (FreqRow 31).
inline TableState makeTable(BatchUi& ui, int releveCap = 23, int plantCap = 127, int boxes = -1) {
    TableState t;
    InitGlobals(t);
    t.print.PrintItemBoxes = defaultPrintItemBoxes();
    if (boxes >= 0)
        for (int n = 2; n <= PrintItemCount; ++n)
            t.print.PrintItemBoxes[n].enabled = t.print.PrintItemBoxes[n].checked = boxes == 1;
    t.model.reset(t.model.title(), plantCap, releveCap);
    layOutGrid(t);
    ClearTable(t, ui);
    return t;
}

struct Entry {
    std::string name;
    LayerCodes codes;
    std::string cell;  // empty: the layer summary
};

// Places a relevé as the next column, through the slots as placing does.
inline void place(TableState& t, const std::string& header, const std::vector<Entry>& entries) {
    t.model.appendReleveColumn();
    int col = t.model.releveCount() + 3;
    int rs = t.model.releveSlotAt(col);
    t.model.setCodes(rs, 0, LayerCodes{5, 2, 0, 0, 0, 0, 0});
    if (t.model.freqRow() > 2) t.model.setCell(col, 2, header);
    for (const Entry& e : entries) {
        int row = 0;
        for (int i = 1; i <= t.model.speciesCount() && !row; ++i)
            if (t.model.cell(2, t.model.freqRow() + i) == e.name) row = t.model.freqRow() + i;
        if (!row) {
            t.model.appendSpeciesRow(e.name);
            row = t.model.freqRow() + t.model.speciesCount();
        }
        t.model.setCodes(rs, t.model.speciesSlotAt(row), e.codes);
        if (!e.cell.empty()) t.model.setCell(col, row, e.cell);  // a text the codes do not show
    }
}

inline const LayerCodes h1s1{0, 0, 20, 0, 7, 0, 0};
inline const LayerCodes t1m{10, 0, 0, 0, 0, 0, 55};

// Two relevés of one species, all item rows off: small enough to write out by hand.
inline TableState smallTable(BatchUi& ui) {
    TableState t = makeTable(ui, 2, 1, 0);
    t.model.setTitle("T, 1 \"q\"");
    place(t, "", {{"Abies firma", h1s1, "x"}});
    place(t, "", {{"Abies firma", t1m, "y"}});
    recount(t, ui);
    return t;
}

}  // namespace tamsel::testing

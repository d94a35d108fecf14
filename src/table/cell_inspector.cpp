#include "table/cell_inspector.h"

#include "platform/error.h"
#include "text/sjis.h"

namespace tamsel {

namespace {

// Padding spaces of labels and code texts are for the fixed-width outputs.
std::string trimmed(const std::string& s) {
    std::size_t b = s.find_first_not_of(' '), e = s.find_last_not_of(' ');
    return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

std::string counts(const TableState& t) {
    return msg("測定数 %1 ｜ 種数 %2", t.model.releveCount(), t.model.speciesCount());
}

}  // namespace

std::string cellInspection(const TableState& t, int col, int row) {
    if (col < 0 || row < 0) return counts(t);
    const TableLayout layout = layoutOf(t);
    using L = TableLayout;
    const bool releveInUse = L::isReleveCol(col) && L::releveAt(col) <= t.model.releveCount();
    const bool speciesInUse =
        layout.isSpeciesRow(row) && layout.speciesAt(row) <= t.model.speciesCount();
    if (releveInUse && speciesInUse) {
        try {
            const LayerCodes& codes = t.model.codesAt(col, row);
            const LayerCodes& head = t.model.codes().get(t.model.releveSlotAt(col), 0);
            const int notation = head[1] != 0 ? head[1] : t.data.CurrentNotation;
            std::string releve;
            for (int item : {2, 3})
                if (int r = layout.itemRow(item); r && !t.model.cell(col, r).empty())
                    releve += (releve.empty() ? "" : " ") + trimmed(t.model.cell(col, r));
            if (releve.empty()) releve = msg("測定 %1", L::releveAt(col));
            std::string text = msg("%1 ｜ %2 ｜ ", t.model.cell(L::NameCol, row), releve);
            for (std::size_t k = 0; k < codes.size(); ++k)
                text += (k ? "  " : "") + trimmed(t.print.LayerLabels[k]) + ": " +
                        trimmed(CoverCodeText(codes[k], notation));
            return text;
        } catch (const Error&) {
            // A slot cell that is no number: the cell's own text still says something.
        }
    }
    const std::string& text = t.model.cell(col, row);
    return text.empty() ? counts(t) : text;
}

}  // namespace tamsel

#include "output/print_panel.h"

#include <algorithm>

#include "datafile/numbers.h"
#include "platform/error.h"
#include "table/frequency.h"
#include "text/sjis.h"

namespace tamsel {

std::int32_t spinValueOnExit(const SpinEdit& e, std::string_view typed) {
    std::int32_t v = parseNumberField(typed).value_or(0);
    return std::clamp(v, e.minValue, std::max(e.minValue, e.maxValue));
}

bool clickPrintItem(TableState& t, int n, bool checked) {
    if (n < 1 || n > PrintItemCount || !t.print.PrintItemBoxes[n].enabled) return false;
    t.print.PrintItemBoxes[n].checked = checked;
    return true;
}

void Get_PrintItems(TableState& t, PrintPanel& p, Progress& progress) {
    p.visible = true;
    p.EditTitle = t.model.title();
    recount(t, progress);
    p.PN1 = {1, 0, t.model.speciesCount()};
    p.PN2 = {t.model.speciesCount(), 0, t.model.speciesCount()};
}

std::uint16_t rangeValue(const SpinEdit& e, const char* fieldName) {
    if (e.value < 0 || e.value > 65535)
        throw Error(msg("%1 の値が範囲外です（0 から 65535）: %2", sj(fieldName), e.value));
    return static_cast<std::uint16_t>(e.value);
}

}  // namespace tamsel

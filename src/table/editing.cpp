#include "table/editing.h"

#include <algorithm>

#include "datafile/numbers.h"
#include "platform/error.h"
#include "table/frequency.h"
#include "text/sjis.h"

namespace tamsel {

namespace {

// Unless lo <= target <= hi, throws Error naming the target and what would be
// allowed. action: "列を挿入", unit: "列", verb: "挿入".
void requireTarget(int target, int lo, int hi, const char* action, const char* unit,
                   const char* verb) {
    if (target >= lo && target <= hi) return;
    const std::string why = target <= 0 ? msg("%1が選ばれていません", sj(unit))
                                        : msg("%1 %2 は対象外です", sj(unit), target);
    const std::string allowed = hi < lo
                                    ? msg("%1できる%2がありません", sj(verb), sj(unit))
                                    : msg("%1できるのは%2 %3～%4 です", sj(verb), sj(unit), lo, hi);
    throw Error(msg("%1できません: %2（%3）", sj(action), why, allowed));
}

using L = TableLayout;

}  // namespace

void insertReleveColumn(TableState& t, int col) {
    requireTarget(col, L::FirstReleveCol, L::releveCol(t.model.releveCount() + 1), "列を挿入", "列",
                  "挿入");
    t.model.insertReleveColumn(col);
}

void deleteReleveColumn(TableState& t, int col) {
    requireTarget(col, L::FirstReleveCol, L::lastReleveCol(t.model.releveCount()), "列を削除", "列",
                  "削除");
    t.model.removeReleveColumn(col);
    t.model.recount();
    // Species left without a presence go too; bottom up, so the positions still
    // to be looked at do not move.
    const TableLayout layout(t.model.freqRow());
    std::vector<int> empty;
    for (std::int32_t i = t.model.speciesCount(); i >= 1; --i)
        if (t.model.freq().at(i) == 0) empty.push_back(layout.speciesRow(i));
    if (empty.empty()) return;
    t.selection.SelectedRow = empty.back();
    t.model.removeSpeciesRows(empty);
}

void insertSpeciesRow(TableState& t, int row) {
    const TableLayout layout(t.model.freqRow());
    requireTarget(row, layout.firstSpeciesRow(), layout.speciesRow(t.model.speciesCount() + 1),
                  "行を挿入", "行", "挿入");
    t.model.insertSpeciesRow(row);
}

void deleteSpeciesRow(TableState& t, int row) {
    const TableLayout layout(t.model.freqRow());
    requireTarget(row, layout.firstSpeciesRow(), layout.lastSpeciesRow(t.model.speciesCount()),
                  "行を削除", "行", "削除");
    t.model.removeSpeciesRow(row);
}

void selectReleveColumn(TableState& t, int col) {
    if (!L::isReleveCol(col))
        throw Error(
            msg("列 %1 は測定の列ではありません（測定の列は %2 から）", col, L::FirstReleveCol));
    t.selection.SelectedColumn = col;
}

void selectSpeciesRow(TableState& t, int row) {
    const TableLayout layout(t.model.freqRow());
    if (!layout.isSpeciesRow(row))
        throw Error(
            msg("行 %1 は種の行ではありません（種の行は %2 から）", row, layout.firstSpeciesRow()));
    t.selection.SelectedRow = row;
}

void requireSpeciesRowInUse(const TableState& t, int row) {
    const TableLayout layout(t.model.freqRow());
    requireTarget(row, layout.firstSpeciesRow(), layout.lastSpeciesRow(t.model.speciesCount()),
                  "コメントを記入", "行", "記入");
}

std::optional<std::string> editTextProblem(const std::string& s) {
    for (std::size_t i = 0; i < s.size(); ++i) {
        auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x20 || c == 0x7F)
            return msg("改行やタブなどの制御文字は使えません（%1 バイト目）",
                       static_cast<int>(i) + 1);
        if (isLeadByte(c)) {
            auto d = i + 1 < s.size() ? static_cast<unsigned char>(s[i + 1]) : 0;
            if (d < 0x40 || d == 0x7F || d > 0xFC)
                return msg("２バイト文字が途中で切れています（%1 バイト目）",
                           static_cast<int>(i) + 1);
            ++i;
        }
    }
    return std::nullopt;
}

void setSpeciesLabel(TableState& t, int row, const std::string& sjisText) {
    if (auto problem = editTextProblem(sjisText))
        throw Error(msg("コメントにできません: %1", *problem));
    // The row may have gone while the edit panel stayed open.
    requireSpeciesRowInUse(t, row);
    t.model.setCell(L::NameCol, row, sjisText);
}

void setTableTitle(TableState& t, const std::string& sjisText) {
    if (auto problem = editTextProblem(sjisText))
        throw Error(msg("標題にできません: %1", *problem));
    t.model.setTitle(sjisText);
}

bool moveRowByDrag(TableState& t, int from, int to) {
    const TableLayout layout(t.model.freqRow());
    int lo = layout.firstSpeciesRow(), hi = layout.lastSpeciesRow(t.model.speciesCount());
    if (from < lo || from > hi || to < lo || to > hi) return false;
    t.model.moveSpeciesRow(from, to);
    return true;
}

bool moveColByDrag(TableState& t, int from, int to) {
    int lo = L::FirstReleveCol, hi = L::lastReleveCol(t.model.releveCount());
    if (from < lo || from > hi || to < lo || to > hi) return false;
    t.model.moveReleveColumn(from, to);
    return true;
}

}  // namespace tamsel

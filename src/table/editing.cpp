#include "table/editing.h"

#include <algorithm>

#include "datafile/numbers.h"
#include "platform/error.h"
#include "table/capacity.h"
#include "table/frequency.h"
#include "text/sjis.h"

namespace tamsel {

namespace {

std::string num(int n) {
    return std::to_string(n);
}

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

void renumberSerials(TableState& t) {
    for (std::int32_t j = 1; j <= t.ReleveCapacity; ++j)
        t.VegTable.setCell(L::releveCol(j), L::SerialRow, IntText4(j));
}

void renumberRunning(TableState& t) {
    const TableLayout layout(t.FreqRow);
    for (std::int32_t i = 1; i <= t.PlantCapacity; ++i)
        t.VegTable.setCell(L::NumberCol, layout.speciesRow(i), IntText4(i));
}

// FreqArray and NumSpArray follow the rows and columns they were counted for.
void moveEntry(std::vector<std::uint16_t>& v, int from, int to) {
    if (from < 0 || to < 0 || from >= static_cast<int>(v.size()) ||
        to >= static_cast<int>(v.size()) || from == to)
        return;
    if (from < to)
        std::rotate(v.begin() + from, v.begin() + from + 1, v.begin() + to + 1);
    else
        std::rotate(v.begin() + to, v.begin() + from, v.begin() + from + 1);
}

}  // namespace

void insertReleveColumn(TableState& t, int col) {
    requireTarget(col, L::FirstReleveCol, L::releveCol(t.ReleveCount + 1), "列を挿入", "列",
                  "挿入");
    if (t.ReleveCount + 1 > t.ReleveCapacity && !AddCol(t, t.ReleveCount + 1))
        throw Error(sj("列を挿入できません（メモリが足りません）"));
    ++t.ReleveCount;
    Grid& g = t.VegTable;
    int freeCol = L::lastReleveCol(t.ReleveCount);  // the first free column before the insertion
    std::int32_t s = releveSlotAt(t, freeCol);
    g.moveCol(freeCol, col);
    moveEntry(t.NumSpArray, L::releveAt(freeCol), L::releveAt(col));
    g.clearCol(col);
    t.TableArray.clearReleve(s);  // entry 0 too: a free slot holds nothing
    setOrigin(t, s, {});
    g.setCell(col, L::SlotRow, num(s));
    t.NumSpArray.at(L::releveAt(col)) = 0;
    renumberSerials(t);
}

namespace {

void deleteRowAt(TableState& t, int row) {
    Grid& g = t.VegTable;
    const TableLayout layout(t.FreqRow);
    int last = layout.lastSpeciesRow(t.SpeciesCount);
    std::int32_t s = speciesSlotAt(t, row);
    g.moveRow(row, last);
    moveEntry(t.FreqArray, layout.speciesAt(row), t.SpeciesCount);
    g.clearRow(last);
    g.setCell(L::SlotCol, last, num(s));
    t.TableArray.clearSpecies(s);
    t.FreqArray.at(t.SpeciesCount) = 0;
    --t.SpeciesCount;
}
}  // namespace

void deleteReleveColumn(TableState& t, int col) {
    requireTarget(col, L::FirstReleveCol, L::lastReleveCol(t.ReleveCount), "列を削除", "列",
                  "削除");
    Grid& g = t.VegTable;
    int last = L::lastReleveCol(t.ReleveCount);
    std::int32_t s = releveSlotAt(t, col);
    g.moveCol(col, last);
    moveEntry(t.NumSpArray, L::releveAt(col), t.ReleveCount);
    g.clearCol(last);
    g.setCell(last, L::SlotRow, num(s));
    t.TableArray.clearReleve(s);  // entry 0 too: a free slot holds nothing
    setOrigin(t, s, {});
    t.NumSpArray.at(t.ReleveCount) = 0;
    --t.ReleveCount;
    renumberSerials(t);
    recount(t);
    // Bottom up, so the positions still to be looked at do not move.
    bool removed = false;
    for (std::int32_t i = t.SpeciesCount; i >= 1; --i) {
        if (t.FreqArray.at(i) != 0) continue;
        t.SelectedRow = TableLayout(t.FreqRow).speciesRow(i);
        deleteRowAt(t, t.SelectedRow);
        removed = true;
    }
    if (removed) renumberRunning(t);
}

void insertSpeciesRow(TableState& t, int row) {
    const TableLayout layout(t.FreqRow);
    requireTarget(row, layout.firstSpeciesRow(), layout.speciesRow(t.SpeciesCount + 1), "行を挿入",
                  "行", "挿入");
    if (t.SpeciesCount + 1 > t.PlantCapacity && !AddRow(t, t.SpeciesCount + 1))
        throw Error(sj("行を挿入できません（メモリが足りません）"));
    ++t.SpeciesCount;
    Grid& g = t.VegTable;
    // the first free row before the insertion
    int freeRow = layout.lastSpeciesRow(t.SpeciesCount);
    std::int32_t s = speciesSlotAt(t, freeRow);
    g.moveRow(freeRow, row);
    moveEntry(t.FreqArray, t.SpeciesCount, layout.speciesAt(row));
    g.clearRow(row);
    t.TableArray.clearSpecies(s);
    g.setCell(L::SlotCol, row, num(s));
    t.FreqArray.at(layout.speciesAt(row)) = 0;
    renumberRunning(t);
}

void deleteSpeciesRow(TableState& t, int row) {
    const TableLayout layout(t.FreqRow);
    requireTarget(row, layout.firstSpeciesRow(), layout.lastSpeciesRow(t.SpeciesCount), "行を削除",
                  "行", "削除");
    deleteRowAt(t, row);
    renumberRunning(t);
}

namespace {

void startCommentEdit(TableState& t, EditingState& e) {
    int row = t.SelectedRow;
    const TableLayout layout(t.FreqRow);
    requireTarget(row, layout.firstSpeciesRow(), layout.lastSpeciesRow(t.SpeciesCount),
                  "コメントを記入", "行", "記入");
    e.outlines.push_back({L::NameCol, row, OutlineColour::Red});
    e.Edit1 = t.VegTable.cell(L::NameCol, row);
    e.Edit1SelectAll = true;
    e.Panel_Edit.visible = true;
    t.EditTarget = 2;
}

}  // namespace

void VegTableMouseDown(TableState& t, EditingState& e, MouseButton button, int col, int row) {
    if (button != MouseButton::Right) return;
    const TableLayout layout(t.FreqRow);
    if (row >= L::FirstItemRow && row <= L::LastShowCellRow && L::isReleveCol(col)) {
        e.Panel_ShowCell = {true, col, row};
        e.ShowCellText = t.VegTable.cell(col, row);
    } else if (col == L::NumberCol && layout.isSpeciesRow(row)) {
        t.SelectedRow = row;
        e.outlines.push_back({col, row, OutlineColour::Red});
        e.Panel_forRow = {true, col, row};
        e.Panel_Edit.col = col;
        e.Panel_Edit.row = row;
    } else if (row == L::SerialRow && L::isReleveCol(col)) {
        t.SelectedColumn = col;
        e.outlines.push_back({col, row, OutlineColour::Red});
        e.Panel_forCol = {true, col, row};
    }
}

void VegTableMouseUp(TableState& t, EditingState& e, MouseButton button, int col, int row) {
    (void)t;
    if (button == MouseButton::Left) return;
    if (col >= 0 && row >= 0) e.outlines.push_back({col, row, OutlineColour::Yellow});
    e.Panel_ShowCell.visible = false;
    e.Panel_forRow.visible = false;
    e.Panel_forCol.visible = false;
}

void Btn_InsColMouseUp(TableState& t, EditingState& e, MouseButton button) {
    e.Panel_forCol.visible = false;
    if (button != MouseButton::Left) {
        insertReleveColumn(t, t.SelectedColumn);
    }
}

void Btn_DelColMouseUp(TableState& t, EditingState& e, MouseButton button) {
    e.Panel_forCol.visible = false;
    if (button != MouseButton::Left) {
        deleteReleveColumn(t, t.SelectedColumn);
    }
}

void Btn_InsRowMouseUp(TableState& t, EditingState& e, MouseButton button) {
    e.Panel_forRow.visible = false;
    if (button != MouseButton::Left) {
        insertSpeciesRow(t, t.SelectedRow);
    }
}

void Btn_DelRowMouseUp(TableState& t, EditingState& e, MouseButton button) {
    e.Panel_forRow.visible = false;
    if (button != MouseButton::Left) {
        deleteSpeciesRow(t, t.SelectedRow);
    }
}

void Btn_RemarkMouseUp(TableState& t, EditingState& e, MouseButton button) {
    e.Panel_forRow.visible = false;
    if (button != MouseButton::Left) startCommentEdit(t, e);
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

void Btn_Edit_OKClick(TableState& t, EditingState& e) {
    // A refused text leaves the panel open, so the user can correct or cancel it.
    if (t.EditTarget == 1 || t.EditTarget == 2) {
        if (auto problem = editTextProblem(e.Edit1))
            throw Error(msg(t.EditTarget == 1 ? "標題にできません: %1" : "コメントにできません: %1",
                            *problem));
    }
    if (t.EditTarget == 2) {
        // The row may have gone while the panel stayed open.
        const TableLayout layout(t.FreqRow);
        requireTarget(t.SelectedRow, layout.firstSpeciesRow(),
                      layout.lastSpeciesRow(t.SpeciesCount), "コメントを記入", "行", "記入");
        t.VegTable.setCell(L::NameCol, t.SelectedRow, e.Edit1);
    } else if (t.EditTarget == 1) {
        t.TableTitle = e.Edit1;
    }
    e.Panel_Edit.visible = false;
}

void Btn_Edit_CancelClick(TableState& t, EditingState& e) {
    (void)t;
    e.Panel_Edit.visible = false;
}

void Item_DelRowClick(TableState& t, EditingState& e) {
    (void)e;
    deleteSpeciesRow(t, t.SelectedRow);
}

void Item_DelColClick(TableState& t, EditingState& e) {
    (void)e;
    deleteReleveColumn(t, t.SelectedColumn);
}

void Item_InsRowClick(TableState& t, EditingState& e) {
    (void)e;
    insertSpeciesRow(t, t.SelectedRow);
}

void Item_CommentClick(TableState& t, EditingState& e) {
    insertSpeciesRow(t, t.SelectedRow);
    startCommentEdit(t, e);
}

void Item_InsColClick(TableState& t, EditingState& e) {
    (void)e;
    insertReleveColumn(t, t.SelectedColumn);
}

void Item_EditTitleClick(TableState& t, EditingState& e) {
    e.Edit1 = t.TableTitle;
    e.Panel_Edit.visible = true;
    e.Edit1SelectAll = true;
    t.EditTarget = 1;
}

void Item_SetFontClick(TableState& t, Ui& ui) {
    if (auto f = ui.fontDialog(t.TableFont)) t.TableFont = *f;
}

bool moveRowByDrag(TableState& t, int from, int to) {
    const TableLayout layout(t.FreqRow);
    int lo = layout.firstSpeciesRow(), hi = layout.lastSpeciesRow(t.SpeciesCount);
    if (from < lo || from > hi || to < lo || to > hi) return false;
    t.VegTable.moveRow(from, to);
    moveEntry(t.FreqArray, layout.speciesAt(from), layout.speciesAt(to));
    return true;
}

bool moveColByDrag(TableState& t, int from, int to) {
    int lo = L::FirstReleveCol, hi = L::lastReleveCol(t.ReleveCount);
    if (from < lo || from > hi || to < lo || to > hi) return false;
    t.VegTable.moveCol(from, to);
    moveEntry(t.NumSpArray, L::releveAt(from), L::releveAt(to));
    return true;
}

}  // namespace tamsel

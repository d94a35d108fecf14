// The print-item panel (PaneltoPrint) as plain state, and its commands. The
// window shows what the record holds and writes the user's input back into it;
// the command line does the same with its arguments. The checked states of the
// thirty items live in TableState::PrintItemBoxes; the rest of the panel here.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/progress.h"
#include "table/table_state.h"

namespace tamsel {

// Which output the panel leads to; set by the menu command that opens it.
enum class OutputTarget { TextFile, Spreadsheet, Printer };

// A spin edit: its value and the limits it is brought back within when it loses
// the focus.
struct SpinEdit {
    std::int32_t value = 0;
    std::int32_t minValue = 0;
    std::int32_t maxValue = 0;
};

struct PrintPanel {
    bool visible = false;   // PaneltoPrint shown
    std::string EditTitle;  // Shift-JIS
    SpinEdit PN1, PN2;      // first and last table row to output
    bool ChkBoxfq = false;  // "出現頻度": the frequency column
    bool ChkBox1t = false;  // "出現１回の種": the list of species that occur once
    // Shown only for the outputs they change, both kept between outputs:
    bool cleanSheet = false;   // workbook: "分析用（空欄・記号のみ）"
    bool repeatNames = false;  // printer: "各ページに種名を付ける"
    OutputTarget target = OutputTarget::TextFile;
};

// Captions of the panel (UTF-8, as the window shows them).
struct PrintPanelText {
    static constexpr const char* Frequency = "出現頻度";
    static constexpr const char* OnceOnly = "出現１回の種";
    static constexpr const char* CleanSheet = "分析用（空欄・記号のみ）";
    static constexpr const char* RepeatNames = "各ページに種名を付ける";
    static constexpr const char* Range = "植物の出力範囲";
    static constexpr const char* RangeDash = "～";
    static constexpr const char* ToPrint = "決定・出力";
    static constexpr const char* CancelPrint = "取止め";
    static constexpr const char* Label4 = "出力する項目を選択してください";
};

// The value a spin edit takes when it loses the focus with text typed in it: a
// text that is not a whole number reads as 0, then the value is brought back
// within the limits.
std::int32_t spinValueOnExit(const SpinEdit& e, std::string_view typed);

// A click on print-item box n (1..30) that leaves it checked or not. A disabled
// box takes no click: false, nothing changes.
bool clickPrintItem(TableState& t, int n, bool checked);

// Opens the panel: EditTitle from TableTitle, the recount, PN1 1 and PN2
// SpeciesCount, both limited to 0..SpeciesCount. The item boxes, ChkBoxfq and
// ChkBox1t keep their states.
void Get_PrintItems(TableState& t, PrintPanel& p, Progress& progress);

// PN1 and PN2 as the outputs read them (unsigned 16-bit); a value outside
// 0..65535 throws Error naming the field.
std::uint16_t rangeValue(const SpinEdit& e, const char* fieldName);

}  // namespace tamsel

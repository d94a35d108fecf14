// Stand-ins for the two outputs that are not built yet, so that the panel can
// dispatch to them. Each is removed when its real definition arrives.
#include "output/printer_output.h"
#include "output/spreadsheet_output.h"
#include "platform/error.h"
#include "text/sjis.h"

namespace tamsel {

void Output_ExcelFile(TableState&, const PrintPanel&, Ui&) {
    throw Error(sj("エクセル形式出力はまだ使えません"));
}

void OutPut_Printer(TableState&, const PrintPanel&, Ui&) {
    throw Error(sj("直接印刷出力はまだ使えません"));
}

}  // namespace tamsel

// A stand-in for the output that is not built yet, so that the panel can
// dispatch to them. It is removed when its real definition arrives.
#include "output/printer_output.h"
#include "platform/error.h"
#include "text/sjis.h"

namespace tamsel {

void OutPut_Printer(TableState&, const PrintPanel&, Ui&) {
    throw Error(sj("直接印刷出力はまだ使えません"));
}

}  // namespace tamsel

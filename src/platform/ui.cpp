#include "platform/ui.h"

#include "platform/error.h"
#include "platform/printer.h"
#include "text/sjis.h"

namespace tamsel {

std::unique_ptr<PrinterSurface> Ui::printDialog() {
    throw Error(sj("このプログラムには印刷の出力先がありません"));
}

Dispatcher& Ui::automation() {
    if (!automation_) throw Error(sj("表計算の出力先がありません"));
    return *automation_;
}

}  // namespace tamsel

// The filter lists of the window's file-open and file-save dialogs. Each command
// picks its entry by number (FileDialogRequest::filterIndex).
#pragma once

#include <string>

#include "text/sjis.h"

namespace tamsel {

inline std::string openDialogFilter() {
    return sj(
        "植生データファイル (*.rli)|*.rli|植生組成表ファイル (*.vtb)|*.VTB|"
        "ＣＳＶデータファイル (*.csv)|*.csv|異名辞書ファイル (*.dic)|*.dic");
}

inline std::string saveDialogFilter() {
    return sj(
        "組成表で保存 (*.VTB)|*.VTB|組成表テキストファイル(*.TXT)|*.txt|"
        "組成のマトリクスデータ(*.CSV)|*.csv|エクセル・ファイル(*.xlsx)|*.xlsx");
}

}  // namespace tamsel

// The filter lists of the window's file-open and file-save dialogs. Each command
// picks its entry by number (FileDialogRequest::filterIndex).
#pragma once

#include <algorithm>
#include <string>
#include <string_view>

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
        "組成のマトリクスデータ(*.CSV)|*.csv|エクセル・ファイル(*.xlsx)|*.xlsx|"
        "Cornell形式(*.CEP)|*.cep");
}

// The proposed name of a save dialog: the table title (Shift-JIS) as a native
// file name with its extension. A "/" in the title would make it a path.
inline std::string proposedFileName(const std::string& title, std::string_view ext) {
    std::string name = toUtf8(title);
    std::replace(name.begin(), name.end(), '/', '_');
    return name.append(ext);
}

}  // namespace tamsel

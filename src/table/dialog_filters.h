// The filter lists of the window's file-open and file-save dialogs. Each command
// picks its entry by number (FileDialogRequest::filterIndex). A kind of file has
// one name in both lists.
#pragma once

#include <algorithm>
#include <filesystem>
#include <string>
#include <string_view>

#include "text/sjis.h"

namespace tamsel {

inline std::string openDialogFilter() {
    return sj(
        "植生データファイル (*.rli)|*.rli|植生組成表ファイル (*.vtb)|*.VTB|"
        "ＣＳＶファイル (*.csv)|*.csv|異名辞書ファイル (*.dic)|*.dic");
}

inline std::string saveDialogFilter() {
    return sj(
        "植生組成表ファイル (*.vtb)|*.VTB|テキストファイル (*.txt)|*.txt|"
        "ＣＳＶファイル (*.csv)|*.csv|エクセル・ファイル (*.xlsx)|*.xlsx|"
        "Cornell形式ファイル (*.cep)|*.cep");
}

// The proposed name of a save dialog: the name of the table's file (native path)
// when it has one, else the table title (Shift-JIS) as a native file name, with
// the output's ending. A "/" in the title would make it a path.
inline std::string proposedFileName(const std::string& title, const std::string& tableFile,
                                    std::string_view ending) {
    std::string name = std::filesystem::path(tableFile).stem().string();
    if (name.empty()) {
        name = toUtf8(title);
        std::replace(name.begin(), name.end(), '/', '_');
    }
    return name.append(ending);
}

}  // namespace tamsel

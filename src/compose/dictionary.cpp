#include "compose/dictionary.h"

#include <algorithm>
#include <filesystem>

#include "io/safe_file.h"
#include "platform/error.h"
#include "text/lines.h"
#include "text/sjis.h"

namespace tamsel {

namespace {

void refreshIndex(const ReplaceName& d) {
    std::size_t n = std::min(d.OldNames.size(), d.NewNames.size());
    if (d.indexedEntries > n) {  // the lists were replaced: index them afresh
        d.foldedIndex.clear();
        d.indexedEntries = 0;
    }
    for (std::size_t k = d.indexedEntries; k < n; ++k)
        d.foldedIndex.try_emplace(foldLetterCase(d.OldNames[k]), k);  // the first entry wins
    d.indexedEntries = n;
}

std::string lineError(const std::string& path, long line, const char* what) {
    return msg("異名辞書ファイル %1 の %2 行目: %3", fromUtf8(path), line, sj(what));
}

}  // namespace

std::string DictionaryBlanks::message(const std::string& fileName) const {
    if (items == 0) return {};
    return msg("異名辞書ファイル %1 の %2 件の項目の制御文字を空白にしました（最初は %3 行目）。",
               fromUtf8(fileName), items, firstLine);
}

DictionaryBlanks parseDictionary(ReplaceName& d, std::string_view bytes,
                                 const std::string& fileName) {
    DictionaryBlanks blanks;
    long lineNo = 0;
    for (std::size_t pos = 0; pos < bytes.size();) {
        std::string_view line = nextLine(bytes, pos).text;
        ++lineNo;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (!toUtf8Strict(line))
            throw Error(
                lineError(fileName, lineNo, "Shift-JIS の文字として読めないバイトがあります"));
        // A comma byte is never part of a double-byte character, so a byte search is safe.
        std::size_t comma = line.find(',');
        if (comma == std::string_view::npos || comma == 0) continue;
        // Nothing is trimmed: blanks around the comma belong to the names.
        for (auto* names : {&d.OldNames, &d.NewNames}) {
            std::string& name = names->emplace_back(names == &d.OldNames ? line.substr(0, comma)
                                                                         : line.substr(comma + 1));
            if (blankControls(name, TextEnds::Kept) && blanks.items++ == 0)
                blanks.firstLine = lineNo;
        }
    }
    return blanks;
}

std::optional<DictionaryBlanks> LoadDictionary(ReplaceName& d, const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) return std::nullopt;
    return parseDictionary(d, readWholeFile(path), path);
}

std::string LookupSynonym(const ReplaceName& d, std::string_view name) {
    if (d.OldNames.empty()) return std::string(name);
    refreshIndex(d);
    auto it = d.foldedIndex.find(foldLetterCase(name));
    if (it == d.foldedIndex.end()) return std::string(name);
    return d.NewNames[it->second];
}

DictionaryBlanks useDictionaryFile(TableState& t, ReplaceName& d, const std::string& path) {
    t.files.DictionaryFileName = path;
    const auto blanks = LoadDictionary(d, path);
    if (!blanks) throw Error(msg("異名辞書ファイルがありません: %1", fromUtf8(path)));
    t.files.DictionaryStatus = msg("辞書＝%1", fromUtf8(path));
    return *blanks;
}

}  // namespace tamsel

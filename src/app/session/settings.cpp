#include "app/session/settings.h"

#include <cctype>
#include <filesystem>
#include <vector>

#include "compose/dictionary.h"
#include "io/safe_file.h"
#include "platform/error.h"
#include "table/dialog_filters.h"
#include "text/sjis.h"

namespace tamsel {

namespace {

std::vector<std::string> splitSettingsLines(std::string_view bytes) {
    std::vector<std::string> lines;
    std::size_t i = 0, start = 0;
    while (i < bytes.size()) {
        char c = bytes[i];
        if (c == '\r' || c == '\n') {
            lines.emplace_back(bytes.substr(start, i - start));
            i += (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ? 2 : 1;
            start = i;
        } else {
            ++i;
        }
    }
    if (start < bytes.size()) lines.emplace_back(bytes.substr(start));
    return lines;
}

// Shift-JIS text is almost never valid UTF-8 once it holds a non-ASCII byte, so a
// line that is valid UTF-8 with such bytes was saved in the wrong encoding.
bool looksLikeUtf8(std::string_view s) {
    bool multi = false;
    for (std::size_t i = 0; i < s.size();) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        std::size_t n = c < 0x80         ? 1
                        : (c >> 5) == 6  ? 2
                        : (c >> 4) == 14 ? 3
                        : (c >> 3) == 30 ? 4
                                         : 0;
        if (n == 0 || i + n > s.size()) return false;
        for (std::size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        if (n > 1) multi = true;
        i += n;
    }
    return multi;
}

// Skips the first n characters (a double-byte character counts as one).
std::string afterChars(const std::string& line, int n) {
    std::size_t cut = 0;
    int seen = 0;
    forEachChar(line, [&](std::size_t pos, std::size_t len) {
        if (seen < n) {
            ++seen;
            cut = pos + len;
        }
    });
    return line.substr(std::min(cut, line.size()));
}

// "\" as "/", stepping over double-byte characters whole: the trail byte of
// many kanji (表, 能, ソ ...) is the byte of "\".
std::string slashPath(const std::string& sjis) {
    std::string out = sjis;
    forEachChar(sjis, [&](std::size_t pos, std::size_t len) {
        if (len == 1 && out[pos] == '\\') out[pos] = '/';
    });
    return toUtf8(out);
}

}  // namespace

std::string settingsFolderPart(const std::string& sjisPath) {
    std::size_t end = 0;
    forEachChar(sjisPath, [&](std::size_t pos, std::size_t len) {
        char c = sjisPath[pos];
        if (len == 1 && (c == '\\' || c == '/' || c == ':')) end = pos + 1;
    });
    return slashPath(sjisPath.substr(0, end));
}

namespace {
Error lineFault(const std::string& fileName, std::size_t lineNo, const std::string& what) {
    return Error(msg("設定ファイル %1 の %2 行目: %3", fileName, lineNo, what));
}
}  // namespace

SettingsFile parseSettingsFile(std::string_view bytes, const std::string& fileName) {
    SettingsFile f;
    f.fileName = fromUtf8(fileName);
    auto fault = [&](std::size_t lineNo, const std::string& what) {
        return lineFault(f.fileName, lineNo, what);
    };
    if (bytes.empty()) throw Error(msg("設定ファイル %1 は空です。", f.fileName));
    const std::vector<std::string> lines = splitSettingsLines(bytes);
    auto checkText = [&](std::size_t k) {
        const std::string& line = lines[k];
        if (looksLikeUtf8(line) || !toUtf8Strict(line))
            throw fault(k + 1, sj("Shift-JIS の文字として読めません（ファイルの文字コードを "
                                  "Shift-JIS にしてください）。"));
    };

    // A control character inside a caption or the title becomes a blank: the
    // table takes none in.
    checkText(0);
    f.title = lines[0];
    blankControls(f.title, TextEnds::Kept);
    if (lines.size() < 2) throw fault(2, sj("行がありません（表の通し番号の見出しが要ります）。"));
    checkText(1);
    f.serialCaption = afterChars(lines[1], 2);
    blankControls(f.serialCaption, TextEnds::Kept);
    for (int n = 2; n <= PrintItemCount; ++n) {
        std::size_t k = static_cast<std::size_t>(n);  // line n + 1
        if (k >= lines.size())
            throw fault(k + 1,
                        sj("行がありません（3〜31 行目の 29 行には印刷項目の設定が要ります）。"));
        if (lines[k].empty())
            throw fault(k + 1,
                        sj("行が空です（3〜31 行目の 29 行には印刷項目の設定が要ります）。"));
        checkText(k);
        PrintItemBox& box = f.items[n];
        box.enabled = lines[k][0] == '1';
        box.checked = box.enabled;
        box.caption = afterChars(lines[k], 2);
        blankControls(box.caption, TextEnds::Kept);
    }
    for (std::size_t k = 31; k < lines.size(); ++k) {
        const std::string& line = lines[k];
        bool folderLine = line.rfind("#D", 0) == 0;
        bool dictLine = line.find(".dic") != std::string::npos;
        if (!folderLine && !dictLine) continue;
        checkText(k);
        SettingsFile::Extra& e = f.extras.emplace_back();
        e.lineNo = k + 1;
        if (folderLine) e.openFolder = settingsFolderPart(afterChars(line, 3));
        if (dictLine) e.dictionary = line;
    }
    return f;
}

SettingsFile readSettingsFile(const std::string& path) {
    SettingsFile f = parseSettingsFile(readWholeFile(path), path);
    f.folder = std::filesystem::path(path).parent_path().string();
    return f;
}

void applySettings(Session& s, Ui& ui, const SettingsFile& f) {
    TableState& t = s.table;
    t.setTitle(f.title);
    t.PrintItemBoxes[1].caption = f.serialCaption;
    for (int n = 2; n <= PrintItemCount; ++n) t.PrintItemBoxes[n] = f.items[n];
    for (const SettingsFile::Extra& e : f.extras) {
        if (e.openFolder) {
            // A relative folder belongs to the settings file, not to
            // the folder the program happens to run in. "C:/..." is a whole path
            // on the system the file was written on.
            const std::string& named = *e.openFolder;
            const bool drive = named.size() >= 2 && named[1] == ':' &&
                               std::isalpha(static_cast<unsigned char>(named[0]));
            std::filesystem::path folder(named);
            if (!drive && folder.is_relative() && !f.folder.empty())
                folder = (std::filesystem::path(f.folder) / folder).lexically_normal();
            t.OpenDialogFolder = folder.string();
        }
        if (!e.dictionary) continue;
        const std::string& line = *e.dictionary;
        t.DictionaryFileName = toUtf8(line);
        std::string open = slashPath(line);
        try {
            auto loaded = LoadDictionary(s.dictionary, open);
            if (!loaded && std::filesystem::path(open).is_relative() && !f.folder.empty())
                loaded =
                    LoadDictionary(s.dictionary, (std::filesystem::path(f.folder) / open).string());
            if (loaded) t.DictionaryStatus = msg("辞書＝%1", line);
            if (loaded && loaded->items) ui.message(loaded->message(toUtf8(line)));
        } catch (const Error& ex) {
            // A dictionary that cannot be read does not stop the settings.
            ui.message(std::string(lineFault(f.fileName, e.lineNo, ex.what()).what()));
        }
    }
}

void ReadSettingsFile(Session& s, Ui& ui, const std::string& path) {
    applySettings(s, ui, readSettingsFile(path));
}

void ItemReadINIClick(Session& s, Ui& ui) {
    if (!s.programPath.empty()) {
        std::error_code ec;
        std::filesystem::current_path(std::filesystem::path(s.programPath).parent_path(), ec);
    }
    FileDialogRequest r;
    r.filter = openDialogFilter();
    r.filterIndex = 5;
    r.fileName = "*.ini";
    r.initialDir = s.table.OpenDialogFolder;
    auto path = ui.openFileDialog(r);
    if (!path) return;
    ReadSettingsFile(s, ui, *path);
    ClearTable(s.table, ui);
}

std::string helpFilePath(const Session& s) {
    if (s.programPath.empty()) return "Tamsel.hlp";
    return std::filesystem::path(s.programPath).replace_extension(".hlp").string();
}

void Item_ManualClick(Session& s, Ui& ui) {
    ui.showHelp(helpFilePath(s));
}

void Item_VersionClick(Ui& ui) {
    ui.showAbout();
}

}  // namespace tamsel

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

namespace {

// The fields of a line after its first two characters, split at blanks.
std::vector<std::string> blankSeparated(std::string_view s) {
    std::vector<std::string> out;
    std::size_t k = 0;
    while (k < s.size()) {
        while (k < s.size() && static_cast<unsigned char>(s[k]) <= 0x20) ++k;
        std::size_t start = k;
        while (k < s.size() && static_cast<unsigned char>(s[k]) > 0x20) ++k;
        if (k > start) out.emplace_back(s.substr(start, k - start));
    }
    return out;
}

template <typename Fault>
void readCoverValueLine(const std::string& line, CoverValues& values, Fault fault) {
    const std::vector<std::string> f = blankSeparated(std::string_view(line).substr(2));
    if (f.size() != 2) throw fault("「#C 被度 ％」の形ではありません。");
    auto cls = coverClassNamed(f[0]);
    if (!cls) throw fault("被度は r、+、1〜5 のどれかです。");
    auto percent = parseCoverPercent(f[1]);
    if (!percent) throw fault("％は 0 から 100 までの数です。");
    values.percent[static_cast<std::size_t>(*cls)] = *percent;
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
        if (line.rfind("#C", 0) == 0) {
            readCoverValueLine(line, f.coverValues,
                               [&](const char* what) { return fault(k + 1, sj(what)); });
            continue;
        }
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
    t.model.setTitle(f.title);
    t.coverValues = f.coverValues;
    t.print.PrintItemBoxes[1].caption = f.serialCaption;
    for (int n = 2; n <= PrintItemCount; ++n) t.print.PrintItemBoxes[n] = f.items[n];
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
            t.files.OpenDialogFolder = folder.string();
        }
        if (!e.dictionary) continue;
        const std::string& line = *e.dictionary;
        t.files.DictionaryFileName = toUtf8(line);
        std::string open = slashPath(line);
        try {
            auto loaded = LoadDictionary(s.dictionary, open);
            if (!loaded && std::filesystem::path(open).is_relative() && !f.folder.empty())
                loaded =
                    LoadDictionary(s.dictionary, (std::filesystem::path(f.folder) / open).string());
            if (loaded) t.files.DictionaryStatus = msg("辞書＝%1", line);
            if (loaded && loaded->items) ui.message(loaded->message(toUtf8(line)));
        } catch (const Error& ex) {
            // A dictionary that cannot be read does not stop the settings.
            ui.message(std::string(lineFault(f.fileName, e.lineNo, ex.what()).what()));
        }
    }
}

void ReadSettingsFile(Session& s, Ui& ui, const std::string& path) {
    applySettings(s, ui, readSettingsFile(path));
    s.settingsPath = path;
}

std::string settingsWithCoverValues(std::string_view bytes, const std::string& fileName,
                                    const TableState& t, const CoverValues& values) {
    std::vector<std::string> lines;
    std::string end = "\r\n";
    if (bytes.empty()) {
        lines.push_back(t.model.title());
        lines.push_back("  " + t.print.PrintItemBoxes[1].caption);
        for (int n = 2; n <= PrintItemCount; ++n) {
            const PrintItemBox& box = t.print.PrintItemBoxes[n];
            lines.push_back(std::string(box.enabled ? "1" : "0") + " " + box.caption);
        }
    } else {
        parseSettingsFile(bytes, fileName);  // only a whole settings file is rewritten
        lines = splitSettingsLines(bytes);
        const std::size_t lf = bytes.find('\n');
        if (lf != std::string_view::npos && (lf == 0 || bytes[lf - 1] != '\r')) end = "\n";
        if (lf == std::string_view::npos && bytes.find('\r') != std::string_view::npos) end = "\r";
        std::size_t kept = 31;
        for (std::size_t k = 31; k < lines.size(); ++k)
            if (lines[k].rfind("#C", 0) != 0) {
                if (kept != k) lines[kept] = std::move(lines[k]);
                ++kept;
            }
        lines.resize(kept);
    }
    for (int cls = 0; cls < CoverClassCount; ++cls)
        lines.push_back(std::string("#C ") + coverClassName(cls) + " " +
                        coverPercentText(values.percent[static_cast<std::size_t>(cls)]));
    std::string out;
    for (const std::string& line : lines) out += line + end;
    return out;
}

void Item_CoverValuesClick(Session& s, Ui& ui) {
    TableState& t = s.table;
    FieldsDialogRequest req;
    req.title = sj("被度の換算");
    for (int cls = 0; cls < CoverClassCount; ++cls)
        req.fields.push_back(
            {msg("被度 %1 の％", coverClassName(cls)),
             coverPercentText(t.coverValues.percent[static_cast<std::size_t>(cls)])});
    req.fields.push_back({sj("層の合わせ方（sum / independent）"),
                          t.layerMerge == LayerMerge::Sum ? "sum" : "independent"});
    auto answer = ui.fieldsDialog(req);
    if (!answer) return;
    CoverValues values;
    for (int cls = 0; cls < CoverClassCount; ++cls) {
        const std::string& text = answer->at(static_cast<std::size_t>(cls));
        auto v = parseCoverPercent(text);
        if (!v)
            throw Error(
                msg("被度 %1 の％は 0 から 100 までの数です: %2", coverClassName(cls), text));
        values.percent[static_cast<std::size_t>(cls)] = *v;
    }
    const std::string& mergeText = answer->at(CoverClassCount);
    auto merge = layerMergeNamed(trimControl(mergeText));
    if (!merge) throw Error(msg("層の合わせ方は sum か independent です: %1", mergeText));
    t.coverValues = values;
    t.layerMerge = *merge;

    FileDialogRequest r;
    r.title = sj("被度の換算を書く設定ファイル");
    r.filter = openDialogFilter();
    r.filterIndex = 5;
    r.defaultExt = ".ini";
    if (s.settingsPath.empty()) {
        r.fileName = "*.ini";
        r.initialDir = t.files.OpenDialogFolder;
    } else {
        const std::filesystem::path p(s.settingsPath);
        r.fileName = p.filename().string();
        r.initialDir = p.parent_path().string();
    }
    auto path = ui.saveFileDialog(r);
    if (!path) {
        ui.status(sj("被度の換算を変えました（設定ファイルには書いていません）"));
        return;
    }
    std::string old;
    if (std::filesystem::exists(*path)) old = readWholeFile(*path);
    writeFileSafely(*path, settingsWithCoverValues(old, *path, t, values));
    ui.status(msg("被度の換算を %1 に書きました", fromUtf8(*path)));
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
    r.initialDir = s.table.files.OpenDialogFolder;
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

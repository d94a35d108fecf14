#include "compose/add_releve.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <vector>

#include "compose/dictionary.h"
#include "compose/put_table.h"
#include "datafile/numbers.h"
#include "platform/error.h"
#include "table/data_files.h"
#include "table/frequency.h"
#include "text/sjis.h"

namespace tamsel {

namespace {

constexpr std::int64_t MaxRecordBound = 65535;

std::string boxValue(const std::string& text) {
    return cutBytes(trimControl(text), SpeciesNameSize);
}

std::string rangeText(const AddReleveForm& f) {
    return std::to_string(f.RtN1) + sj("～") + std::to_string(f.RtN2);
}

// Throws Error saying why the record range cannot be scanned. limited: the grid
// and record ways, which take record numbers 0..65535 only.
void checkRange(const AddReleveForm& f, bool limited) {
    if (f.RtN2 < f.RtN1)
        throw Error(
            sj("最後のレコード番号が最初のレコード番号より小さいので、読み込めません（指定 ") +
            rangeText(f) + sj("）"));
    std::int64_t lo = limited ? 0 : INT32_MIN, hi = limited ? MaxRecordBound : INT32_MAX;
    if (f.RtN1 < lo || f.RtN1 > hi || f.RtN2 < lo || f.RtN2 > hi)
        throw Error(sj("レコード番号は ") + std::to_string(lo) + sj(" から ") + std::to_string(hi) +
                    sj(" の範囲で指定してください（指定 ") + rangeText(f) + sj("）"));
}

bool anyAtLeast(const LayerCodes& codes, CoverCode min) {
    for (CoverCode c : codes)
        if (c >= min) return true;
    return false;
}

// The records a scan could not read, for one report when the command ends.
struct SkippedRecords {
    static constexpr std::size_t Named = 5;
    std::int64_t count = 0;
    std::vector<std::pair<std::int32_t, ReadFailure>> first;   // the first Named
    std::vector<std::pair<ReadFailure, std::int64_t>> others;  // the rest, by reason
    std::optional<std::int32_t> unplaced;  // the record the table could not grow for
    BlankedReport blanked;                 // over the relevés placed
    std::int64_t notAgain = 0;             // in the table already, and not added again

    void add(std::int32_t n, ReadFailure why) {
        ++count;
        if (first.size() < Named) {
            first.emplace_back(n, why);
            return;
        }
        for (auto& [reason, k] : others)
            if (reason == why) {
                ++k;
                return;
            }
        others.emplace_back(why, 1);
    }
};

// Reads record n; a record that exists but cannot be read is noted. Numbers
// outside the header file hold no relevé, so nothing is lost there.
bool readOrSkip(DataFilePair& p, std::int32_t n, SkippedRecords& skipped) {
    const ReleveRead read = ReadReleve(p, n);
    if (read) return true;
    if (read.failure != ReadFailure::HeaderMissing) skipped.add(n, read.failure);
    return false;
}

std::string skippedText(const std::string& source, const SkippedRecords& s);

// Tells the user what the add did: on the status line how many relevés it placed
// and how many records it skipped, and once in a box which records were left out
// and why. countBefore: ReleveCount before the add; source names where the
// relevés came from ("データファイル X"). A relevé the table could not grow for
// ends the add with an Error naming it.
void reportAdd(const TableState& t, Progress& progress, std::int32_t countBefore,
               const SkippedRecords& s, const std::string& source) {
    const std::int32_t placed = t.model.releveCount() - countBefore;
    std::vector<std::string> notes;
    if (s.notAgain > 0 && placed > 0)
        notes.push_back(msg("既に表にある %1 件は加えませんでした", s.notAgain));
    if (s.count > 0)
        notes.push_back(sj("読めないレコード ") + std::to_string(s.count) +
                        sj(" 件を飛ばしました"));
    if (s.blanked.items > 0) notes.push_back(s.blanked.note());
    progress.status(placed == 0 && s.notAgain > 0
                        ? msg("加えませんでした（%1 件の測定は既に表にあります）", s.notAgain)
                        : placedText(placed, notes));
    std::string text;
    if (s.count > 0) text = skippedText(source, s);
    if (s.blanked.items > 0) text += (text.empty() ? "" : "\n") + s.blanked.sentence(source);
    if (!text.empty()) progress.message(text);
    if (s.unplaced)
        throw Error(
            msg("%1 のレコード %2 の測定を表に加えられませんでした。"
                "表がこれ以上大きくなれません（その前の %3 件は加えました）。",
                source, *s.unplaced, placed));
}

std::string pairName(const TableState& t) {
    return sj("データファイル ") + fromUtf8(t.files.DataFileName);
}

std::string skippedText(const std::string& source, const SkippedRecords& s) {
    std::string text = source + sj(" のレコード ") + std::to_string(s.count) +
                       sj(" 件が読めなかったので、飛ばしました（表には加えていません）。");
    for (const auto& [n, why] : s.first)
        text += "\n" + sj("レコード ") + std::to_string(n) + ": " + readFailureText(why);
    if (!s.others.empty()) {
        text += "\n" + sj("ほか ") +
                std::to_string(s.count - static_cast<std::int64_t>(s.first.size())) + sj(" 件（");
        for (std::size_t k = 0; k < s.others.size(); ++k) {
            if (k) text += sj("、");
            text += readFailureText(s.others[k].first) + " " + std::to_string(s.others[k].second) +
                    sj(" 件");
        }
        text += sj("）");
    }
    return text;
}

// The records of the relevés in the table, by the file they were placed from
// (only that file's, when only is given).
std::map<std::string, std::set<std::int32_t>> placedByFile(const CompositionTable& m,
                                                           const std::string* only = nullptr) {
    std::map<std::string, std::set<std::int32_t>> placed;
    for (std::int32_t j = 1; j <= m.releveCount(); ++j) {
        ReleveOrigin o = m.originOf(m.releveSlotAt(TableLayout::releveCol(j)));
        if (!o.dataFile.empty() && (!only || o.dataFile == *only))
            placed[std::move(o.dataFile)].insert(o.record);
    }
    return placed;
}

// The records of RtN1..RtN2 that the table holds already from source and that
// take would take again (only they are read).
template <typename Take>
std::set<std::int32_t> placedAgain(TableState& t, const AddReleveForm& f, const std::string& source,
                                   Take&& take) {
    const auto byFile = placedByFile(t.model, &source);
    const auto from = byFile.find(source);
    if (from == byFile.end()) return {};
    const std::set<std::int32_t>& placed = from->second;
    std::set<std::int32_t> again;
    SkippedRecords ignored;  // told when the scan meets them
    auto read = [&](std::int32_t n) { return readOrSkip(t.data, n, ignored); };
    for (auto it = placed.lower_bound(
             static_cast<std::int32_t>(std::max<std::int64_t>(f.RtN1, INT32_MIN)));
         it != placed.end() && *it <= f.RtN2; ++it)
        if (take(*it, read)) again.insert(*it);
    return again;
}

// Whether the relevés the table holds already (again of them) are added again;
// asked only when there are some. When not, skipped tells how many were left out.
bool askedAgain(const AddAgain& addAgain, std::size_t again, SkippedRecords& skipped) {
    if (again == 0 || addAgain(static_cast<std::int64_t>(again))) return true;
    skipped.notAgain = static_cast<std::int64_t>(again);
    return false;
}

// Places r as the next column, remembering its origin; false, with the relevé
// noted as shown (its number in the add's report), when the table cannot grow.
bool placeFrom(TableState& t, const ReplaceName& d, SpeciesRowIndex& index, const ReleveView& r,
               ReleveOrigin origin, std::int32_t shown, SkippedRecords& skipped) {
    BlankedTexts blanked;
    if (!appendReleve(t, d, index, r, &blanked)) {
        skipped.unplaced = shown;
        return false;
    }
    skipped.blanked.add(blanked.count, blanked.first,
                        [&] { return sj("レコード ") + std::to_string(shown); });
    t.model.setOrigin(t.model.releveSlotAt(TableLayout::releveCol(t.model.releveCount())),
                      std::move(origin));
    return true;
}

// Scans RtN1..RtN2 with the pair open; take(n, read) says whether record n becomes
// the next column, reading it with read(n) when it needs to. Returns the records
// that could not be read.
template <typename Take>
SkippedRecords scanRange(TableState& t, const ReplaceName& d, const AddReleveForm& f,
                         Progress& progress, const AddAgain& addAgain, Take&& take) {
    SkippedRecords skipped;
    auto read = [&](std::int32_t n) { return readOrSkip(t.data, n, skipped); };
    const std::string source = originPath(dataFilePath(t));
    const std::set<std::int32_t> again = placedAgain(t, f, source, take);
    const bool skipAgain = !askedAgain(addAgain, again.size(), skipped);
    BusyScope busy(progress);
    ProgressBar& bar = progress.progressBar1();
    // The large maximum first, so that the new minimum is always accepted.
    bar.setMax(INT32_MAX);
    bar.setMin(static_cast<int>(f.RtN1));
    bar.setMax(static_cast<int>(f.RtN2));
    // At most a column a record: the grid's full rows (the header rows) grow once.
    const std::int64_t records =
        std::min<std::int64_t>(f.RtN2, t.data.LastRecord) - std::max<std::int64_t>(f.RtN1, 0) + 1;
    if (records > 0)
        t.model.reserveCols(TableLayout::gridColCount(static_cast<std::int32_t>(
            std::min<std::int64_t>(t.model.releveCount() + records + 8, INT32_MAX / 2))));
    SpeciesRowIndex index = buildSpeciesRowIndex(t);
    [&] {
        for (std::int64_t n = f.RtN1; n <= f.RtN2; ++n) {
            bar.setPosition(static_cast<int>(n));
            if (skipAgain && again.count(static_cast<std::int32_t>(n))) continue;
            if (!take(static_cast<std::int32_t>(n), read)) continue;
            const auto record = static_cast<std::int32_t>(n);
            if (!placeFrom(t, d, index, lastReleve(t.data), {source, record}, record, skipped))
                break;
        }
    }();
    return skipped;
}

void finish(TableState& t, AddReleveForm& f, Progress& progress) {
    f.visible = false;
    recount(t, progress);
}

// GridCode and the names as the table shows them (blankControls), so that the
// selection compares what the add places.
std::string trimmedGridCode(const DataFilePair& p) {
    std::string code(p.field(hdr::GridCode, 8));
    blankControls(code, TextEnds::Trimmed);
    return code;
}

// The plant and grid ways close the panel and recount also when the pair cannot
// be opened.
void openOrFinish(TableState& t, AddReleveForm& f, Progress& progress) {
    try {
        OpenDataFiles(t);
    } catch (const Error&) {
        finish(t, f, progress);
        throw;
    }
}

}  // namespace

std::string placedText(std::int32_t placed, const std::vector<std::string>& notes) {
    std::string line = placed == 0 ? sj("0 件が条件に合いました")
                                   : std::to_string(placed) + sj(" 件の測定を表に加えました");
    for (std::size_t k = 0; k < notes.size(); ++k)
        line += (k ? sj("、") : sj("（")) + notes[k] + (k + 1 == notes.size() ? sj("）") : "");
    return line;
}

std::string BlankedReport::note() const {
    return msg("%1 件の項目の制御文字を空白にしました", items);
}

std::string BlankedReport::sentence(const std::string& file) const {
    return msg("%1 の %2 件の項目の制御文字を空白にしました（最初は %3 の %4）。", file, items,
               firstReleve, firstField);
}

void useDataFilePair(TableState& t, AddReleveForm& f, const std::string& path) {
    std::filesystem::path file(path);
    t.files.DataFileName = file.filename().string();
    t.files.DataFolder = file.parent_path().string();
    OpenDataFiles(t);
    CloseDataFiles(t.data);
    f.RtN1 = 1;
    f.RtN2 = t.data.LastRecord;
}

std::optional<CoverCode> ParseMinCover(std::string_view text) {
    if (auto n = parseNumberField(text); n && *n >= 0 && *n <= 25)
        return static_cast<CoverCode>(*n * 10);
    if (text.empty()) return std::nullopt;
    switch (text.front()) {
        case '+':
        case 'r':
            return CoverCode{2};
        case '*':
            return CoverCode{1};
        default:
            return CoverCode{0};
    }
}

void AddbyPlant(TableState& t, const ReplaceName& d, AddReleveForm& f, Progress& progress, int mode,
                const AddAgain& addAgain) {
    if (mode < 1 || mode > 4)
        throw Error(sj("選択の方法が正しくありません: ") + std::to_string(mode));
    f.SelectionMode = mode;
    f.PlantNameA = boxValue(f.EditName1);
    f.PlantNameB = boxValue(f.EditName2);
    f.GridFilter = boxValue(f.EditGrid);
    if (f.PlantNameA.empty() && mode == 1) return;
    auto minA = ParseMinCover(f.EditCov1);
    auto minB = ParseMinCover(f.EditCov2);
    if (!minA || !minB)
        throw Error(sj(!minA ? "植物Ａ" : "植物Ｂ") +
                    sj("の最低値が空欄です。+、r、* または 1～5 の数字を入れてください"));
    // Only a code is read as one: "zz" would quietly mean any cover, "+9" none.
    for (const auto& [text, field] : {std::pair{&f.EditCov1, "植物Ａ"}, {&f.EditCov2, "植物Ｂ"}}) {
        const std::string v = trimControl(*text);
        const bool coverClass = v.size() == 1 && v[0] >= '0' && v[0] <= '5';
        if (v != "+" && v != "r" && v != "*" && !coverClass)
            throw Error(
                msg("%1の最低値 \"%2\" は被度の記号ではありません。+、r、* または 1～5 "
                    "の数字を入れてください",
                    sj(field), v));
    }
    f.MinCoverA = *minA;
    f.MinCoverB = *minB;

    openOrFinish(t, f, progress);
    const std::int32_t before = t.model.releveCount();
    SkippedRecords skipped;
    {
        DataFilesScope closer(t.data);
        checkRange(f, false);
        const DataFilePair& p = t.data;
        std::vector<std::string> names;
        skipped = scanRange(t, d, f, progress, addAgain, [&](std::int32_t n, auto& read) {
            if (!read(n)) return false;
            if (!f.GridFilter.empty() && !trimmedGridCode(p).starts_with(f.GridFilter))
                return false;
            names.clear();
            for (std::int32_t k = 1; k <= p.PlantSetCount; ++k) {
                std::string name(p.PlantSet.at(k).nameView());
                blankControls(name, TextEnds::Trimmed);
                names.push_back(LookupSynonym(d, name));
            }
            auto present = [&](const std::string& name, CoverCode min) {
                for (std::size_t k = 0; k < names.size(); ++k)
                    if (names[k] == name && anyAtLeast(p.PlantSet[k + 1].codes, min)) return true;
                return false;
            };
            bool a = present(f.PlantNameA, f.MinCoverA);
            switch (mode) {
                case 1:
                    return a;
                case 2:
                    return a && present(f.PlantNameB, f.MinCoverB);
                case 3:
                    return a || present(f.PlantNameB, f.MinCoverB);
                default: {
                    if (!a) return false;
                    // Only the first entry of plant B decides.
                    for (std::size_t k = 0; k < names.size(); ++k)
                        if (names[k] == f.PlantNameB)
                            return !anyAtLeast(p.PlantSet[k + 1].codes, f.MinCoverB);
                    return true;
                }
            }
        });
    }
    finish(t, f, progress);
    reportAdd(t, progress, before, skipped, pairName(t));
}

void AddbyGrid(TableState& t, const ReplaceName& d, AddReleveForm& f, Progress& progress,
               const AddAgain& addAgain) {
    f.GridFilter = boxValue(f.EditGrid);
    openOrFinish(t, f, progress);
    const std::int32_t before = t.model.releveCount();
    SkippedRecords skipped;
    {
        DataFilesScope closer(t.data);
        checkRange(f, true);
        // An empty filter begins no code: nothing is taken, so nothing need be read.
        skipped = scanRange(t, d, f, progress, addAgain, [&](std::int32_t n, auto& read) {
            return !f.GridFilter.empty() && read(n) &&
                   trimmedGridCode(t.data).starts_with(f.GridFilter);
        });
    }
    finish(t, f, progress);
    reportAdd(t, progress, before, skipped, pairName(t));
}

void AddbyRecord(TableState& t, const ReplaceName& d, AddReleveForm& f, Progress& progress,
                 const AddAgain& addAgain) {
    OpenDataFiles(t);
    const std::int32_t before = t.model.releveCount();
    SkippedRecords skipped;
    {
        DataFilesScope closer(t.data);
        checkRange(f, true);
        skipped = scanRange(t, d, f, progress, addAgain,
                            [&](std::int32_t n, auto& read) { return read(n); });
    }
    progress.alert();
    finish(t, f, progress);
    reportAdd(t, progress, before, skipped, pairName(t));
}

void addFromFeed(TableState& t, const ReplaceName& d, Progress& progress, const AddAgain& addAgain,
                 ReleveFeed& feed) {
    const std::int64_t count = feed.count();
    // The relevés of the table by origin: a feed's relevé is asked about when the
    // table holds it already, from this feed or from its own file.
    const auto placed = placedByFile(t.model);
    std::vector<bool> isAgain;
    std::int64_t again = 0;
    if (!placed.empty()) {
        isAgain.resize(static_cast<std::size_t>(count));
        for (std::int64_t k = 0; k < count; ++k) {
            const ReleveOrigin o = feed.origin(k);
            const auto file = placed.find(o.dataFile);
            if (file != placed.end() && file->second.count(o.record)) {
                isAgain[static_cast<std::size_t>(k)] = true;
                ++again;
            }
        }
    }
    const std::int32_t before = t.model.releveCount();
    SkippedRecords skipped;
    const bool skipAgain = !askedAgain(addAgain, static_cast<std::size_t>(again), skipped);
    {
        BusyScope busy(progress);
        ProgressBar& bar = progress.progressBar1();
        bar.setRange(0, static_cast<int>(std::min<std::int64_t>(count, INT32_MAX)));
        t.model.reserveCols(TableLayout::gridColCount(static_cast<std::int32_t>(
            std::min<std::int64_t>(t.model.releveCount() + count + 8, INT32_MAX / 2))));
        SpeciesRowIndex index = buildSpeciesRowIndex(t);
        for (std::int64_t k = 0; k < count; ++k) {
            bar.setPosition(static_cast<int>(std::min<std::int64_t>(k, INT32_MAX)));
            if (skipAgain && isAgain[static_cast<std::size_t>(k)]) continue;
            const ReleveView r = feed.releve(k);
            if (!placeFrom(t, d, index, r, feed.origin(k), feed.record(k), skipped)) break;
            // As after reading a relevé of a pair: its scale and notation are current.
            t.data.CurrentCoverScale = r.coverScale;
            t.data.CurrentNotation = r.notation;
        }
    }
    recount(t, progress);
    reportAdd(t, progress, before, skipped, feed.name());
}

}  // namespace tamsel

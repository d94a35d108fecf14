#include "analysis/twinspan_table.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "analysis/cover_matrix.h"
#include "analysis/sorting.h"
#include "io/safe_file.h"
#include "platform/error.h"
#include "table/editing.h"
#include "table/frequency.h"
#include "table/table_layout.h"
#include "text/sjis.h"

namespace tamsel {

namespace {

using Texts = TwinspanOptionTexts;
using Names = std::array<std::string, Texts::FieldCount>;

[[noreturn]] void refuse(const std::string& name, const std::string& text, const char* why) {
    throw Error(msg("%1 の値 \"%2\" は使えません（%3）", name, text, sj(why)));
}

std::optional<double> number(std::string_view s) {
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= 0x20) s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= 0x20) s.remove_suffix(1);
    double v = 0;
    auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    if (s.empty() || r.ec != std::errc() || r.ptr != s.data() + s.size() || !std::isfinite(v))
        return std::nullopt;
    return v;
}

int wholeNumber(const Texts& t, const Names& names, Texts::Field f, int lo, int hi,
                const char* range) {
    const std::string& text = t.text[f];
    auto v = number(text);
    if (!v || *v != std::floor(*v)) refuse(names[f], text, "整数で指定してください");
    if (*v < 0) refuse(names[f], text, "負の数は指定できません");
    if (*v < lo || *v > hi) refuse(names[f], text, range);
    return static_cast<int>(*v);
}

std::string fixed(double v, int decimals) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    return buf;
}

std::string shortNumber(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%g", v);
    return buf;
}

std::string trimmedCell(const std::string& s) {
    return trimControl(s);
}

constexpr const char* DialogLabels[Texts::FieldCount] = {
    "カットレベル（％、コンマ区切り）",  "分割の段数",
    "分割する群の最小の大きさ",          "指標種の最大数",
    "群の数（空欄: 通常の TWINSPAN）",   "異質性の尺度（inertia / whittaker / sorensen / jaccard）",
    "層の合わせ方（sum / independent）",
};

}  // namespace

Names twinspanDialogLabels() {
    Names labels;
    for (int f = 0; f < Texts::FieldCount; ++f) labels[f] = sj(DialogLabels[f]);
    return labels;
}

const char* heterogeneityName(Heterogeneity h) {
    switch (h) {
        case Heterogeneity::Whittaker:
            return "whittaker";
        case Heterogeneity::Sorensen:
            return "sorensen";
        case Heterogeneity::Jaccard:
            return "jaccard";
        case Heterogeneity::Inertia:
            break;
    }
    return "inertia";
}

TwinspanOptions parseTwinspanOptions(const Texts& t, const Names& names) {
    TwinspanOptions o;
    o.cuts.clear();
    const std::string& cuts = t.text[Texts::Cuts];
    std::string_view rest = cuts;
    while (true) {
        const auto comma = rest.find(',');
        auto v = number(rest.substr(0, comma));
        if (!v) refuse(names[Texts::Cuts], cuts, "コンマで区切った数で指定してください");
        if (*v < 0) refuse(names[Texts::Cuts], cuts, "負の数は指定できません");
        if (!o.cuts.empty() && !(*v > o.cuts.back()))
            refuse(names[Texts::Cuts], cuts, "小さい順に、同じ値を重ねずに指定してください");
        o.cuts.push_back(*v);
        if (comma == std::string_view::npos) break;
        rest.remove_prefix(comma + 1);
    }
    if (o.cuts.size() > 9) refuse(names[Texts::Cuts], cuts, "9 個までです");
    o.levels = wholeNumber(t, names, Texts::Levels, 1, 15, "1 から 15 までです");
    o.groupMin = wholeNumber(t, names, Texts::GroupMin, 0, 1 << 30, "大きすぎます");
    o.maxIndicators = wholeNumber(t, names, Texts::Indicators, 0, 15, "0 から 15 までです");
    if (!trimControl(t.text[Texts::Clusters]).empty())
        o.clusters = wholeNumber(t, names, Texts::Clusters, 1, 1 << 30, "1 以上で指定してください");
    const std::string measure = trimControl(t.text[Texts::Measure]);
    bool known = false;
    for (Heterogeneity h : {Heterogeneity::Inertia, Heterogeneity::Whittaker,
                            Heterogeneity::Sorensen, Heterogeneity::Jaccard})
        if (measure == heterogeneityName(h)) {
            o.heterogeneity = h;
            known = true;
        }
    if (!known)
        refuse(names[Texts::Measure], t.text[Texts::Measure],
               "inertia、whittaker、sorensen、jaccard のどれかです");
    const auto layers = layerMergeNamed(trimControl(t.text[Texts::Layers]));
    if (!layers) refuse(names[Texts::Layers], t.text[Texts::Layers], "sum か independent です");
    o.layers = *layers;
    checkTwinspanOptions(o);
    return o;
}

std::vector<char> releveColumnsInUse(const TableState& t,
                                     const std::vector<std::int32_t>& withSpecies) {
    using L = TableLayout;
    std::vector<char> inUse(static_cast<std::size_t>(t.model.releveCount()) + 1, 0);
    for (std::int32_t j : withSpecies) inUse[j] = 1;
    for (std::int32_t j = 1; j <= t.model.releveCount(); ++j)
        for (int row = L::FirstItemRow; row < t.model.freqRow() && !inUse[j]; ++row)
            if (!t.model.isEmpty(L::releveCol(j), row)) inUse[j] = 1;
    return inUse;
}

ColumnArrangement arrangeReleveGroups(TableState& t,
                                      const std::vector<std::vector<std::int32_t>>& groups,
                                      const std::vector<std::int32_t>& rest) {
    using L = TableLayout;
    std::vector<char> placed(static_cast<std::size_t>(t.model.releveCount()) + 1, 0);
    for (const auto& g : groups)
        for (std::int32_t j : g) placed[j] = 1;
    for (std::int32_t j : rest) placed[j] = 1;
    std::vector<std::int32_t> empties;
    for (std::int32_t j = 1; j <= t.model.releveCount(); ++j)
        if (!placed[j]) empties.push_back(j);
    std::size_t filled = 0;
    for (const auto& g : groups) filled += g.empty() ? 0 : 1;
    const std::size_t needed = (filled == 0 ? 0 : filled - 1) + (rest.empty() ? 0 : 1);
    while (empties.size() < needed) {
        insertReleveColumn(t, L::releveCol(t.model.releveCount() + 1));
        empties.push_back(t.model.releveCount());
    }
    ColumnArrangement a;
    std::vector<int> order;
    std::size_t nextEmpty = 0;
    auto separate = [&] {
        order.push_back(empties[nextEmpty++] - 1);
        a.separators.push_back(static_cast<std::int32_t>(order.size()));
    };
    bool first = true;
    for (const auto& g : groups) {
        if (g.empty()) continue;
        if (!first) separate();
        first = false;
        for (std::int32_t j : g) order.push_back(j - 1);
    }
    if (!rest.empty()) {
        separate();
        for (std::int32_t j : rest) order.push_back(j - 1);
    }
    while (nextEmpty < empties.size()) order.push_back(empties[nextEmpty++] - 1);
    a.newPos.assign(static_cast<std::size_t>(t.model.releveCount()) + 1, 0);
    for (std::size_t q = 0; q < order.size(); ++q)
        a.newPos[order[q] + 1] = static_cast<std::int32_t>(q + 1);
    reorderReleveColumns(t, order);
    return a;
}

void blankSeparatorCounts(TableState& t, const ColumnArrangement& a) {
    for (std::int32_t at : a.separators)
        t.model.setCell(TableLayout::releveCol(at), t.model.freqRow(), std::string());
}

namespace {

// What the report names: species by their trimmed names (by matrix row),
// relevés by their label, else by their column's place after the reordering.
struct ReportNames {
    const std::vector<std::int32_t>& cols;    // by matrix column, the relevé column
    const std::vector<std::string>& labels;   // by relevé column
    const std::vector<std::int32_t>& newPos;  // by relevé column
    const std::vector<std::string>& species;  // by matrix row

    std::string releve(std::int32_t k) const {
        const std::int32_t j = cols[k];
        return labels[j].empty() ? std::to_string(newPos[j]) : labels[j];
    }
};

// The report, in the words the command line's readers parse (the file) or in
// Japanese (the window), with the same fields in the same order.
std::string reportText(
    bool japanese, const TwinspanResult& r, const TwinspanOptions& o,
    const std::vector<std::pair<std::uint64_t, std::vector<std::int32_t>>>& groups,
    const ReportNames& n) {
    std::string text;
    auto w = [&](const char* en, const char* ja) { return japanese ? sj(ja) : std::string(en); };
    auto line = [&](const std::string& s) { text += s + "\r\n"; };
    const std::vector<std::string>& names = n.species;
    auto releveName = [&](std::int32_t k) { return n.releve(k); };
    line(o.clusters > 0 ? w("modified TWINSPAN", "修正 TWINSPAN") : std::string("TWINSPAN"));
    for (const TwinspanDivision& dv : r.divisions) {
        std::string s = w("division ", "分割 ") + std::to_string(dv.cls) +
                        w(" eigenvalue ", "  固有値 ") + fixed(dv.eigenvalue, 6);
        if (!dv.divided) {
            line(s + sj(" 分割できません"));
            continue;
        }
        s += w(" threshold ", "  閾値 ") + std::to_string(dv.threshold) +
             w(" indicators", "  指標種");
        if (dv.indicators.empty()) s += sj(" （なし）");
        for (const TwinspanIndicator& ind : dv.indicators)
            s += std::string(" ") + (ind.sign > 0 ? "+" : "-") + names[ind.species] +
                 std::to_string(ind.level);
        line(s);
    }
    for (const auto& [cls, members] : groups) {
        std::string s =
            japanese ? msg("群 %1（%2 測定）:", cls, members.size())
                     : "group " + std::to_string(cls) + " " + std::to_string(members.size()) + ":";
        for (std::int32_t k : members) s += " " + releveName(k);
        line(s);
    }
    bool anyMisclassified = false;
    for (const TwinspanDivision& dv : r.divisions) {
        if (dv.misclassified.empty()) continue;
        anyMisclassified = true;
        std::string s = w("misclassified ", "誤分類 ") + std::to_string(dv.cls) + ":";
        for (std::int32_t k : dv.misclassified) s += " " + releveName(k);
        line(s);
    }
    if (!anyMisclassified) line(w("misclassified: none", "誤分類: なし"));
    for (const TwinspanClassMeasure& h : r.heterogeneity) {
        std::string s =
            japanese ? msg("慣性 %1（%2 測定）: ", h.cls, h.size)
                     : "inertia " + std::to_string(h.cls) + " " + std::to_string(h.size) + ": ";
        s += fixed(h.inertia, 6);
        if (o.heterogeneity != Heterogeneity::Inertia)
            s += std::string(" ") + heterogeneityName(o.heterogeneity) + " " +
                 fixed(h.heterogeneity, 6);
        line(s);
    }
    std::string opts = w("options: cuts ", "設定: カットレベル ");
    for (std::size_t k = 0; k < o.cuts.size(); ++k) opts += (k ? "," : "") + shortNumber(o.cuts[k]);
    opts += w(" levels ", "  分割の段数 ") + std::to_string(o.levels) +
            w(" group-min ", "  群の最小の大きさ ") + std::to_string(o.groupMin) +
            w(" indicators ", "  指標種の最大数 ") + std::to_string(o.maxIndicators);
    if (o.layers == LayerMerge::Independent)
        opts += w(" layers independent", "  層のまとめ方 independent");
    if (o.clusters > 0)
        opts += w(" clusters ", "  群の数 ") + std::to_string(o.clusters) +
                w(" heterogeneity ", "  異質性の尺度 ") + heterogeneityName(o.heterogeneity);
    line(opts);
    return text;
}

// The classification behind the message panel, with its progress and cancel;
// nothing when the user cancelled.
std::optional<TwinspanResult> runWithProgress(Progress& progress, const TwinspanMatrix& m,
                                              const TwinspanOptions& o) {
    std::optional<TwinspanResult> result;
    MessagePanelScope panel(progress, sj("TWINSPAN で分類しています"));
    progress.offerCancel();
    ProgressBar& bar = progress.progressBar2();
    bar.setRange(0, 1000);
    try {
        result = twinspan(m, o, [&](double done) {
            bar.setPosition(static_cast<int>(done * 1000));
            return !progress.cancelRequested();
        });
    } catch (const TwinspanCancelled&) {
        return std::nullopt;
    }
    return result;
}

}  // namespace

std::optional<TwinspanTableRun> classifyTable(TableState& t, Progress& progress,
                                              const TwinspanOptions& o) {
    using L = TableLayout;
    checkTwinspanOptions(o);
    const TableLayout layout = layoutOf(t);
    // Counted without writing, so that a refusal or a cancel leaves the table as it was.
    const PresenceCounts counts = countPresences(t.model);

    CoverMatrix matrix = coverMatrix(t, counts, o.layers);
    const std::vector<std::int32_t>& rows = matrix.rows;
    const std::vector<std::int32_t>& cols = matrix.cols;
    const TwinspanMatrix& m = matrix.cover;

    const std::optional<TwinspanResult> result = runWithProgress(progress, m, o);
    if (!result) return std::nullopt;
    const TwinspanResult& r = *result;

    // Relevé columns: the final groups with one empty column between them, then
    // after an empty column the relevés that were not classified.
    const std::vector<char> inUse = releveColumnsInUse(t, cols);
    std::vector<std::int32_t> unclassified;
    std::vector<std::int32_t> classOfCol(static_cast<std::size_t>(t.model.releveCount()) + 1, -1);
    for (std::size_t k = 0; k < cols.size(); ++k)
        classOfCol[cols[k]] = static_cast<std::int32_t>(k);
    for (std::int32_t j = 1; j <= t.model.releveCount(); ++j) {
        const std::int32_t k = classOfCol[j];
        if (k >= 0 && r.releveClass[k] != 0) continue;
        if (inUse[j]) unclassified.push_back(j);
    }
    const auto groups = r.groups();
    // Labels and names are read before anything moves.
    auto labelOf = [&](std::int32_t j) {
        return trimmedCell(t.model.cell(L::releveCol(j), L::FirstItemRow));
    };
    std::vector<std::string> labels(static_cast<std::size_t>(t.model.releveCount()) + 1);
    for (std::int32_t j = 1; j <= t.model.releveCount(); ++j) labels[j] = labelOf(j);
    std::vector<std::string> names;
    for (std::int32_t i : rows)
        names.push_back(trimmedCell(t.model.cell(L::NameCol, layout.speciesRow(i))));

    std::vector<std::vector<std::int32_t>> groupCols;
    for (const auto& g : groups) {
        groupCols.emplace_back();
        for (std::int32_t k : g.second) groupCols.back().push_back(cols[k]);
    }
    const ColumnArrangement arranged = arrangeReleveGroups(t, groupCols, unclassified);
    const std::vector<std::int32_t>& newPos = arranged.newPos;

    // Species rows: the two-way order, then every other row as it stood.
    std::vector<int> speciesOrder;
    std::vector<char> placed(static_cast<std::size_t>(t.model.speciesCount()) + 1, 0);
    for (std::int32_t s : r.speciesOrder) {
        speciesOrder.push_back(rows[s] - 1);
        placed[rows[s]] = 1;
    }
    for (std::int32_t i = 1; i <= t.model.speciesCount(); ++i)
        if (!placed[i]) speciesOrder.push_back(i - 1);
    reorderSpeciesRows(t, speciesOrder);
    recount(t, progress);
    blankSeparatorCounts(t, arranged);

    TwinspanTableRun run{r, {}, {}};
    const ReportNames reportNames{cols, labels, newPos, names};
    run.report = reportText(false, r, o, groups, reportNames);
    run.display = reportText(true, r, o, groups, reportNames);
    return run;
}

void saveTwinspanReport(const std::string& path, const std::string& report) {
    writeFileSafely(path, report);
}

}  // namespace tamsel

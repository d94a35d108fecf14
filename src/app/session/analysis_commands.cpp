#include "app/session/analysis_commands.h"

#include <memory>
#include <tuple>
#include <utility>
#include <vector>

#include "analysis/beals.h"
#include "analysis/cocktail.h"
#include "analysis/definitions.h"
#include "analysis/optimclass.h"
#include "analysis/sorting.h"
#include "analysis/synoptic.h"
#include "app/session/open_dialog.h"
#include "app/session/save_dialog.h"
#include "io/safe_file.h"
#include "platform/error.h"
#include "text/sjis.h"

namespace tamsel {

namespace {

std::optional<std::string> chooseDefinitions(const TableState& t, Ui& ui) {
    return askFileToOpen(t, ui, sj("定義ファイルを開く"),
                         sj("定義ファイル (*.txt)|*.txt|すべてのファイル (*.*)|*.*"), 1, "*.txt");
}

// The dialog for the threshold and the Fisher level, with withIndval the check
// box for IndVal too; nothing when cancelled.
std::optional<SynopticOptions> askSynopticOptions(Ui& ui, bool withIndval = false) {
    FieldsDialogRequest r;
    r.title = sj("識別種の条件");
    r.fields = {{sj("φ×100 の閾値（-100～100）"), "25"},
                {sj("Fisher検定の有意水準（空欄：検定しない）"), ""}};
    if (withIndval) r.fields.push_back({sj("指標値 IndVal（A・B）も出力する"), "", true});
    auto texts = ui.fieldsDialog(r);
    if (!texts || texts->size() < r.fields.size()) return std::nullopt;
    SynopticOptions o = parseSynopticOptions((*texts)[0], (*texts)[1]);
    o.indval = withIndval && !trimControl((*texts)[2]).empty();
    return o;
}

// The recount and the synoptic table, the save dialog, the CSV, the summary.
void saveSynoptic(TableState& t, Ui& ui, const SynopticOptions& options) {
    Synoptic s = synopticOfTable(t, ui, options);
    auto path = askOutputFile(t, ui, CsvFilter, ".csv", "-syn.csv");
    if (!path) return;
    {
        BusyScope busy(ui);
        writeFileSafely(*path, [&](ByteSink& out) { writeSynopticCsv(out, s); });
    }
    ui.message(synopticSummary(s));
}

}  // namespace

void Item_SortPlantClick(TableState& t, Ui& ui) {
    sortSpeciesByFrequency(t, ui);
}

void Item_SortReleveClick(TableState& t, Ui& ui) {
    SortReleve(t, ui, false);
}

void Item_SortReverseClick(TableState& t, Ui& ui) {
    SortReleve(t, ui, true);
}

RecipResult Item_RecipClick(TableState& t, Ui& ui, const RecipOptions& options) {
    return reciprocalAveraging(t, ui, options);
}

void Item_TwinspanClick(TableState& t, Ui& ui, TwinspanOptionTexts& last) {
    FieldsDialogRequest req;
    req.title = sj("TWINSPAN で群に分ける");
    const auto labels = twinspanDialogLabels();
    for (int f = 0; f < TwinspanOptionTexts::FieldCount; ++f)
        req.fields.push_back({labels[f], last.text[f]});
    auto take = [&labels](TwinspanOptionTexts& texts, const std::vector<std::string>& answer) {
        for (int f = 0; f < TwinspanOptionTexts::FieldCount && f < static_cast<int>(answer.size());
             ++f)
            texts.text[f] = answer[f];
        return parseTwinspanOptions(texts, labels);
    };
    // A value that cannot be taken is told while the dialog stays open on it.
    req.check = [&](const std::vector<std::string>& answer) {
        TwinspanOptionTexts texts = last;
        take(texts, answer);
    };
    auto answer = ui.fieldsDialog(req);
    if (!answer) return;
    const TwinspanOptions o = take(last, *answer);
    auto run = classifyTable(t, ui, o);
    if (!run) {
        ui.status(sj("TWINSPAN を取り消しました（表はそのままです）"));
        return;
    }
    ui.status(msg("TWINSPAN: %1 群に分けました", run->result.groups().size()));
    // 保存 writes the file form, the one --report writes, and leaves the report open.
    ui.showReport(sj("TWINSPAN の結果"), run->display, [&] {
        auto path = askOutputFile(t, ui, TextFilter, ".txt", "-twinspan.txt");
        if (!path) return;
        saveTwinspanReport(*path, run->report);
        reportWritten(ui, *path);
    });
}

void Item_OptimClassClick(TableState& t, Ui& ui, const TwinspanOptions& twinspan) {
    FieldsDialogRequest req;
    req.title = sj("OptimClass で群の数を選ぶ");
    req.fields = {{sj("群の数の上限（修正 TWINSPAN）"), "10"},
                  {sj("Fisher検定の有意水準"), "0.001"},
                  {sj("群に数える忠実種の最小数"), "3"}};
    auto texts = ui.fieldsDialog(req);
    if (!texts || texts->size() < 3) return;
    const OptimClassOptions o = parseOptimClassOptions((*texts)[0], (*texts)[1], (*texts)[2]);
    auto run = optimClassOfTable(t, ui, twinspan, o);
    if (!run) {
        ui.status(sj("OptimClass を取り消しました"));
        return;
    }
    const int best = run->best();
    if (best >= 0) {
        const OptimClassPoint& p = run->points[best];
        ui.status(msg("OptimClass: 忠実種が最も多いのは %1 の %2 群（%3 種）",
                      sj(p.classic ? "TWINSPAN" : "修正 TWINSPAN"), p.groups, p.count.faithful));
    }
    if (auto path = askOutputFile(t, ui, CsvFilter, ".csv", "-optimclass.csv"))
        writeFileSafely(*path, [&](ByteSink& out) { writeOptimClassCsv(out, *run); });

    // The curve, one series per method; the chosen point's partition is made.
    CurveChartRequest chart;
    chart.title = sj("OptimClass: 群の数と忠実種の数");
    chart.xLabel = sj("群の数");
    chart.yLabel = msg("忠実種の数（Fisher P ≦ %1）", shortNumber(o.p));
    chart.action = sj("この群分けで表を並べ替える");
    chart.series = {{sj("修正 TWINSPAN"), {}}, {sj("TWINSPAN（段）"), {}}};
    std::vector<std::pair<int, int>> where;  // point index -> (series, index in it)
    for (const OptimClassPoint& p : run->points) {
        auto& points = chart.series[p.classic ? 1 : 0].points;
        where.push_back({p.classic ? 1 : 0, static_cast<int>(points.size())});
        points.push_back({static_cast<double>(p.groups), static_cast<double>(p.count.faithful)});
    }
    if (best >= 0) std::tie(chart.markedSeries, chart.markedPoint) = where[best];
    const auto choice = ui.showCurveChart(chart);
    if (!choice) return;
    for (std::size_t k = 0; k < where.size(); ++k)
        if (where[k] == *choice) {
            if (auto arranged = arrangeByPoint(t, ui, twinspan, run->points[k]))
                ui.status(msg("OptimClass: %1 群に分けました", arranged->result.groups().size()));
            return;
        }
}

void Item_SynopticClick(TableState& t, Ui& ui, LayerMerge layers) {
    requireReleves(t);
    if (auto o = askSynopticOptions(ui, true)) {
        o->layers = layers;
        saveSynoptic(t, ui, *o);
    }
}

void Item_SortFidelityClick(TableState& t, Ui& ui) {
    requireReleves(t);
    if (auto o = askSynopticOptions(ui)) sortByFidelity(t, ui, *o);
}

void Item_BealsClick(const TableState& t, Ui& ui, bool excludeSelf) {
    auto path = askOutputFile(t, ui, CsvFilter, ".csv", "-beals.csv");
    if (!path) return;
    BusyScope busy(ui);
    writeFileSafely(*path, [&](ByteSink& out) { writeBealsCsv(out, t, excludeSelf); });
}

void Item_CocktailClick(const TableState& t, Ui& ui) {
    auto path = askOutputFile(t, ui, CsvFilter, ".csv", "-cocktail.csv");
    if (!path) return;
    const TablePresence tp = tablePresence(t);
    const SpeciesPresence presence(tp.cover);
    std::optional<std::vector<CocktailStep>> steps;
    {
        MessagePanelScope panel(ui, sj("Cocktail 法で種群を作っています"));
        ui.offerCancel();
        ProgressBar& bar = ui.progressBar2();
        bar.setRange(0, 1000);
        steps = cocktail(presence, [&](double done) {
            bar.setPosition(static_cast<int>(done * 1000));
            return !ui.cancelRequested();
        });
    }
    if (!steps) return;
    writeFileSafely(*path, [&](ByteSink& out) { writeCocktailCsv(out, *steps, tp.names); });
    reportWritten(ui, *path);
}

void Item_EditDefinitionsClick(const TableState& t, Ui& ui) {
    auto path = chooseDefinitions(t, ui);
    if (!path) return;
    TextEditRequest r;
    r.title = msg("定義ファイルの編集: %1", fromUtf8(*path));
    r.text = readDefinitions(*path);
    // The table's species and their m are read once, not at every check.
    auto tp = std::make_shared<const TablePresence>(tablePresence(t));
    auto presence = std::make_shared<const SpeciesPresence>(tp->cover);
    r.check = [tp, presence](const std::string& text) -> std::pair<int, std::string> {
        try {
            parseUnitDefinitions(text, tp->names, *presence);
        } catch (const DefinitionsError& e) {
            return {e.line(), e.what()};
        }
        return {0, {}};
    };
    r.save = [p = *path](const std::string& text) { writeFileSafely(p, text); };
    ui.editText(r);
}

void Item_AssignUnitsClick(TableState& t, Ui& ui) {
    auto path = chooseDefinitions(t, ui);
    if (!path) return;
    const UnitsReport run = assignUnitsReported(t, ui, *path);
    ui.showReport(sj("定義で群に分ける"), run.display, [&ui, report = run.report] {
        FileDialogRequest r;
        r.title = sj("報告の保存");
        r.filter = sj("テキストファイル (*.txt)|*.txt|すべてのファイル (*.*)|*.*");
        r.defaultExt = ".txt";
        r.fileName = "units.txt";
        if (auto out = ui.saveFileDialog(r)) writeFileSafely(*out, report);
    });
}

std::optional<std::string> assignUnitsChosen(TableState& t, Ui& ui) {
    auto path = chooseDefinitions(t, ui);
    if (!path) return std::nullopt;
    return assignUnitsReported(t, ui, *path).report;
}

}  // namespace tamsel

#include "compose/add_turboveg.h"

#include <filesystem>
#include <new>
#include <vector>

#include "compose/add_releve.h"
#include "compose/put_table.h"
#include "platform/error.h"
#include "table/frequency.h"
#include "table/history.h"
#include "text/sjis.h"
#include "turboveg/turboveg_reader.h"

namespace tamsel {

void addTurbovegFile(TableState& t, const ReplaceName& d, Progress& progress,
                     const std::string& path) {
    MessagePanelScope panel(progress, sj("Turboveg ファイルを読んでいます"));
    progress.offerCancel();
    ProgressBar& bar = progress.progressBar2();
    struct BarReset {
        ProgressBar& bar;
        ~BarReset() { bar.setPosition(0); }
    } barReset{bar};
    constexpr int Steps = 1000;
    bar.setRange(0, Steps);
    // The reader is left between two pieces of the file; nothing of the table has
    // changed yet.
    struct Cancelled {};
    TurbovegPackage package;
    try {
        package = readTurbovegFile(path, [&](std::uint64_t done, std::uint64_t size) {
            bar.setPosition(size ? static_cast<int>(done * Steps / size) : Steps);
            if (progress.cancelRequested()) throw Cancelled{};
        });
    } catch (const Cancelled&) {
        return;
    }
    // Its own step when no command opened one, so that a failure can be taken back.
    HistoryStep step(t, sj("Turboveg XML から加える"));
    History::Mark before = t.history.mark(t.model);
    const std::int32_t countBefore = t.model.releveCount();
    std::vector<std::string> replaced;  // the plots where a character became "?"
    std::size_t withoutSpecies = 0;
    BlankedReport blanked;
    SpeciesRowIndex index = buildSpeciesRowIndex(t);
    const TableLayout layout = boxLayoutOf(t);  // the boxes the placing follows
    panel.relabel(sj("測定を表に加えています"));
    const std::size_t plots = package.plotCount();
    bar.setRange(0, Steps);
    std::size_t k = 0;
    bool whole = true, cancelled = false;
    try {
        [&] {
            for (; k < plots; ++k) {
                bar.setPosition(static_cast<int>(k * Steps / plots));
                if (progress.cancelRequested()) {
                    cancelled = true;
                    return;
                }
                TurbovegReleve r = package.releve(k);
                BlankedTexts placing;
                if (!appendReleve(t, d, index, r.view, &placing)) {
                    whole = false;
                    return;
                }
                if (r.view.species.empty()) ++withoutSpecies;
                // The reader made the blanks; only the fields the table shows count.
                // A plain pair, not a structured binding: the lambda captures it.
                for (const auto& blank : r.blankedFields)
                    if (layout.itemRow(printItemOfField(blank.first)))
                        placing.add(1, [&] { return std::string(blank.second); });
                placing.add(r.blankedNames, [&] { return r.firstBlankedName; });
                blanked.add(placing.count, placing.first, [&] { return r.name; });
                if (r.replacedCharacters) replaced.push_back(std::move(r.name));
            }
        }();
        if (whole && !cancelled) {
            if (plots > 0) {
                // As after reading a relevé of a data file: its scale and notation are current.
                t.data.CurrentCoverScale = 5;
                t.data.CurrentNotation = 1;
            }
            recount(t, progress);
        }
    } catch (const std::bad_alloc&) {
        whole = false;
    }
    if (cancelled || !whole) {
        // A package is added whole or not at all, as when the reader refuses it.
        t.history.rollBack(t.model, std::move(before));
        if (cancelled) return;
        const std::string file = fromUtf8(std::filesystem::path(path).filename().string());
        if (k < plots)
            throw Error(
                msg("Turboveg ファイル %1 の %2 を表に加えられませんでした。"
                    "表がこれ以上大きくなれません。表は加える前のままです。",
                    file, package.plotName(k)));
        throw Error(
            msg("Turboveg ファイル %1 の Plot を表に加えられませんでした。"
                "メモリが足りません。表は加える前のままです。",
                file));
    }
    // The add is done and undoable; a report that memory cannot hold is left out
    // rather than a finished add reported as failed.
    panel.close();
    try {
        std::vector<std::string> notes;
        if (withoutSpecies > 0)
            notes.push_back(std::to_string(withoutSpecies) + sj(" 件は種がありません"));
        if (!replaced.empty())
            notes.push_back(sj("Shift-JIS にない文字を「?」にした測定 ") +
                            std::to_string(replaced.size()) + sj(" 件"));
        if (blanked.items > 0) notes.push_back(blanked.note());
        progress.status(placedText(t.model.releveCount() - countBefore, notes));
        const std::string file = fromUtf8(std::filesystem::path(path).filename().string());
        std::string text;
        if (!replaced.empty()) {
            text = file + sj(" の測定 ") + std::to_string(replaced.size()) +
                   sj(" 件に Shift-JIS で書けない文字があり、「?」にしました:");
            constexpr std::size_t Named = 5;
            for (std::size_t n = 0; n < replaced.size() && n < Named; ++n)
                text += " " + replaced[n];
            if (replaced.size() > Named) text += sj(" ほか");
        }
        if (blanked.items > 0) text += (text.empty() ? "" : "\n") + blanked.sentence(file);
        if (!text.empty()) progress.message(text);
    } catch (const std::bad_alloc&) {
    }
}

}  // namespace tamsel

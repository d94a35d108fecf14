#include "tablefile/table_file.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "io/safe_file.h"
#include "platform/error.h"
#include "tablefile/comma_list.h"
#include "tablefile/file_slots.h"
#include "tablefile/file_text.h"
#include "text/sjis.h"

namespace tamsel {

using namespace tablefile;

namespace {

void writeCoverBlock(ByteSink& out, const TableState& t, const FileSlots& slots) {
    const std::int32_t NR = t.model.releveCount(), NS = t.model.speciesCount();
    const CoverArray& a = t.model.codes();
    const int releveSlots = a.releveSlots();
    auto fileReleve = [&](int v) { return slots.releve[static_cast<std::size_t>(v)]; };
    auto fileSpecies = [&](std::int32_t s) { return slots.species[static_cast<std::size_t>(s)]; };
    // TableArray is held by relevé; the file wants lines by species slot, so the
    // non-zero entries are sorted by species slot once (a counting sort), copied:
    // read through pointers in species order, each entry was a cache miss.
    std::vector<std::uint32_t> start(static_cast<std::size_t>(NS) + 2, 0);
    for (int v = 0; v < releveSlots; ++v)
        if (fileReleve(v) <= NR)
            for (const auto& en : a.releve(v))
                if (fileSpecies(en.first) <= NS) ++start[fileSpecies(en.first) + 1];
    for (std::size_t s = 1; s < start.size(); ++s) start[s] += start[s - 1];
    struct Entry {
        std::int32_t releve;
        LayerCodes codes;
    };
    std::vector<Entry> bySpecies(start.back());
    std::vector<std::uint32_t> fill(start.begin(), start.end() - 1);
    for (int v = 0; v < releveSlots; ++v)
        if (fileReleve(v) <= NR)
            for (const auto& en : a.releve(v))
                if (fileSpecies(en.first) <= NS)
                    bySpecies[fill[fileSpecies(en.first)]++] = {fileReleve(v), en.second};

    const std::size_t width = 7 * (static_cast<std::size_t>(NR) + 1);
    std::string line(width, '0');
    line += "\r\n";
    for (std::int32_t s = 0; s <= NS; ++s) {
        for (std::uint32_t k = start[s]; k < start[s + 1]; ++k) {
            const auto& [v, codes] = bySpecies[k];
            for (int l = 0; l < LayerCount; ++l) {
                CoverCode c = codes[l];
                // A code above 207 would come back as a byte below "0", which no
                // loader accepts.
                if (c > 255 - 48)
                    throw Error(sj("被度コード ") + num(c) +
                                sj(" は組成表ファイルに保存できません（測定スロット ") + num(v) +
                                sj("、種スロット ") + num(s) + sj("）。"));
                line[7 * static_cast<std::size_t>(v) + l] = static_cast<char>(c + 48);
            }
        }
        out.write(line);
        for (std::uint32_t k = start[s]; k < start[s + 1]; ++k)
            std::memset(&line[7 * static_cast<std::size_t>(bySpecies[k].releve)], '0', 7);
    }
}

// The species cells in use as the table shows them, by species row: the file
// carries each cell's text, the grid only those the codes do not show.
struct ShownSpeciesCells {
    std::vector<std::uint32_t> start;  // by species position, into cells
    std::vector<std::pair<int, const std::string*>> cells;

    explicit ShownSpeciesCells(const CompositionTable& m)
        : start(static_cast<std::size_t>(std::max(m.speciesCount(), 0)) + 2, 0) {
        struct Shown {
            std::int32_t i;
            int col;
            const std::string* text;
        };
        std::vector<Shown> all;
        m.forEachSpeciesCell([&](std::int32_t j, std::int32_t i, const std::string& text) {
            all.push_back(Shown{i, TableLayout::releveCol(j), &text});
            ++start[static_cast<std::size_t>(i) + 1];
        });
        for (std::size_t k = 1; k < start.size(); ++k) start[k] += start[k - 1];
        cells.resize(start.back());
        std::vector<std::uint32_t> fill(start.begin(), start.end() - 1);
        for (const Shown& x : all) cells[fill[static_cast<std::size_t>(x.i)]++] = {x.col, x.text};
    }
};

void writeGridBlock(ByteSink& out, const TableState& t, const FileSlots& slots) {
    const Grid& g = t.model.grid();
    const int cols = g.colCount();
    const TableLayout layout(t.model.freqRow());
    const int lastRow = layout.lastSpeciesRow(t.model.speciesCount());
    const int lastInUse = TableLayout::lastReleveCol(t.model.releveCount());
    const ShownSpeciesCells shown(t.model);
    std::vector<std::pair<int, const std::string*>> cells;
    std::string line;
    for (int r = 0; r <= lastRow; ++r) {
        cells.clear();
        const bool species = layout.isSpeciesRow(r);
        g.forEachInRow(r, [&](int col, const std::string& text) {
            // What a species cell in use shows comes from the model below.
            if (!species || col < TableLayout::FirstReleveCol || col > lastInUse)
                cells.emplace_back(col, &text);
        });
        if (species) {
            const auto i = static_cast<std::size_t>(layout.speciesAt(r));
            cells.insert(cells.end(), shown.cells.begin() + shown.start[i],
                         shown.cells.begin() + shown.start[i + 1]);
        }
        if (r == TableLayout::SlotRow) {
            for (auto& [col, text] : cells)
                if (auto it = slots.releveCells.find(col); it != slots.releveCells.end())
                    text = &it->second;
        } else if (auto it = slots.speciesCells.find(r); it != slots.speciesCells.end()) {
            for (auto& [col, text] : cells)
                if (col == TableLayout::SlotCol) text = &it->second;
        }
        std::sort(cells.begin(), cells.end(),
                  [](const auto& x, const auto& y) { return x.first < y.first; });
        line.clear();
        if (cols == 1 && cells.empty()) {
            line = "\"\"";
        } else {
            int commas = 0;
            for (auto [col, text] : cells) {
                if (hasLineBreak(*text))
                    throw Error(
                        sj("行 ") + num(r) + sj("、列 ") + num(col) +
                        sj(" のセルに改行が含まれているため、組成表ファイルに保存できません。"));
                line.append(static_cast<std::size_t>(col - commas), ',');
                commas = col;
                appendCommaItem(line, *text);
            }
            if (cols > 0) line.append(static_cast<std::size_t>(cols - 1 - commas), ',');
        }
        line += "\r\n";
        out.write(line);
    }
}

}  // namespace

void writeTableFile(ByteSink& out, const TableState& t) {
    if (hasLineBreak(t.model.title()))
        throw Error(sj("表の標題に改行が含まれているため、組成表ファイルに保存できません。"));
    if (t.model.freqRow() < TableLayout::MinFreqRow ||
        TableLayout(t.model.freqRow()).lastSpeciesRow(t.model.speciesCount()) >=
            t.model.grid().rowCount())
        throw Error(sj("表の行の配置が正しくありません。保存できません。"));
    const FileSlots slots = planFileSlots(t);
    std::string head = t.model.title() + "\r\n" + num(t.model.speciesCount()) + " " +
                       num(t.model.releveCount()) + " " + num(t.model.freqRow()) + "\r\n";
    out.write(head);
    writeCoverBlock(out, t, slots);
    writeGridBlock(out, t, slots);
}

void saveTableFile(TableState& t, const std::string& path) {
    writeFileSafely(path, [&](ByteSink& out) { writeTableFile(out, t); });
    t.files.TableFileName = path;
    t.markUnchanged();
}

}  // namespace tamsel

#include "output/csv_exports.h"

#include <algorithm>
#include <charconv>
#include <exception>
#include <set>
#include <unordered_map>

#include "datafile/numbers.h"
#include "io/csv.h"
#include "io/safe_file.h"
#include "output/dom_lines.h"
#include "output/line_text.h"
#include "output/slot_rows.h"
#include "platform/error.h"
#include "table/table_layout.h"
#include "text/sjis.h"

namespace tamsel {

namespace {

// The used table rows and relevé columns, in table order.
struct Used {
    std::vector<std::int32_t> rows, cols;
};

Used usedOf(const TableState& t) {
    if (t.model.numSp().size() <= static_cast<std::size_t>(std::max(t.model.releveCount(), 0)) ||
        t.model.freq().size() <= static_cast<std::size_t>(std::max(t.model.speciesCount(), 0)))
        throw Error(sj("出現頻度の表が組成表より小さくなっています"));
    Used u;
    for (std::int32_t i = 1; i <= t.model.speciesCount(); ++i)
        if (t.model.freq()[i] > 0) u.rows.push_back(i);
    for (std::int32_t j = 1; j <= t.model.releveCount(); ++j)
        if (t.model.numSp()[j] > 0) u.cols.push_back(j);
    return u;
}

// (used row, cover sum) of every used species in relevé column j, by used row.
void hitsOf(const TableState& t, const SlotRows& slots, std::int32_t j,
            std::vector<std::pair<std::int32_t, int>>& hits) {
    hits.clear();
    for (const auto& [slot, codes] : t.model.codes().releve(releveSlotChecked(t, j))) {
        int sum = coverSumValue(1, codes);
        slots.forEach(slot, [&](std::int32_t u) { hits.emplace_back(u, sum); });
    }
    std::sort(hits.begin(), hits.end());
}

// Cover sums of one matrix line: "," and the sum per position 0..count-1,
// positions without a hit 0; runs of zeros are copied whole.
void appendSums(std::string& line, const std::string& zeros, std::int32_t count,
                const std::vector<std::pair<std::int32_t, int>>& hits) {
    std::int32_t pos = 0;
    for (const auto& [at, sum] : hits) {
        line.append(zeros, 0, 2 * static_cast<std::size_t>(at - pos));
        line += ',';
        appendInt(line, sum);
        pos = at + 1;
    }
    line.append(zeros, 0, 2 * static_cast<std::size_t>(count - pos));
}

const std::string& releveLabel(const TableState& t, std::int32_t j) {
    return t.model.cell(TableLayout::releveCol(j), TableLayout::FirstItemRow);
}

const std::string& nameCell(const TableState& t, const TableLayout& layout, std::int32_t i) {
    return t.model.cell(TableLayout::NameCol, layout.speciesRow(i));
}

}  // namespace

std::vector<std::string> ShortNames(const TableState& t) {
    const TableLayout layout = layoutOf(t);
    const std::int32_t ns = std::max(t.model.speciesCount(), 0);
    std::vector<std::string> codes(static_cast<std::size_t>(ns) + 1);
    // Rows by their current code, so each row meets only the later rows that
    // share its code.
    std::unordered_map<std::string, std::set<std::int32_t>> byCode;
    for (std::int32_t i = 1; i <= ns; ++i) {
        codes[i] = cutBytes(nameCell(t, layout, i), 8);
        byCode[codes[i]].insert(i);
    }
    for (std::int32_t i = 1; i <= ns; ++i) {
        std::set<std::int32_t>& same = byCode[codes[i]];
        std::vector<std::int32_t> later(same.upper_bound(i), same.end());
        int counter = 1;
        for (std::int32_t k : later) {
            ++counter;
            std::string code = cutBytes(cutBytes(codes[i], 6) + IntText2(counter), 8);
            if (code == codes[k]) continue;
            same.erase(k);
            byCode[code].insert(k);
            codes[k] = std::move(code);
        }
    }
    return codes;
}

void writePCordMatrix(ByteSink& out, const TableState& t, const std::vector<std::string>& codes) {
    const Used used = usedOf(t);
    const SlotRows slots(t, used.rows);
    const auto r = static_cast<std::int32_t>(used.cols.size());
    const auto s = static_cast<std::int32_t>(used.rows.size());
    const std::string commas(s >= 2 ? static_cast<std::size_t>(s - 1) : 0, ',');
    std::string line = std::to_string(r) + ",Releve" + commas + "\r\n";
    line += std::to_string(s) + ",Species" + commas + "\r\n";
    for (std::int32_t k = 0; k < s; ++k) line += ",Q";
    line += "\r\n";
    for (std::int32_t i : used.rows) {
        line += ',';
        appendCsv(line, codes.at(static_cast<std::size_t>(i)));
    }
    line += "\r\n";
    out.write(line);

    std::string zeros;
    for (std::int32_t k = 0; k < s; ++k) zeros += ",0";
    std::vector<std::pair<std::int32_t, int>> hits;
    for (std::int32_t j : used.cols) {
        hitsOf(t, slots, j, hits);
        line.clear();
        appendCsv(line, releveLabel(t, j));
        appendSums(line, zeros, s, hits);
        line += "\r\n";
        out.write(line);
    }
}

void writeSpeciesList(ByteSink& out, const TableState& t, const std::vector<std::string>& codes) {
    const TableLayout layout = layoutOf(t);
    std::string line;
    for (std::int32_t i = 1; i <= t.model.speciesCount(); ++i) {
        line = codes.at(static_cast<std::size_t>(i));
        line += ' ';
        line += nameCell(t, layout, i);
        line += "\r\n";
        out.write(line);
    }
}

std::string pathBeside(const std::string& path, std::string_view ending) {
    auto slash = path.find_last_of('/');
    auto dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return path + std::string(ending);
    return path.substr(0, dot) + std::string(ending);
}

std::string speciesListPath(const std::string& matrixPath) {
    return pathBeside(matrixPath, ".lst");
}

void savePCord(const TableState& t, const std::string& matrixPath) {
    const std::vector<std::string> codes = ShortNames(t);
    std::exception_ptr matrixFailure;
    {
        SafeFileWriter matrix(matrixPath);
        try {
            writePCordMatrix(matrix, t, codes);
            matrix.commit();
        } catch (const Error&) {
            matrixFailure = std::current_exception();
        }
    }
    try {
        SafeFileWriter list(speciesListPath(matrixPath));
        writeSpeciesList(list, t, codes);
        list.commit();
    } catch (const Error&) {
        if (!matrixFailure) throw;
    }
    if (matrixFailure) std::rethrow_exception(matrixFailure);
}

void writeValueMatrix(ByteSink& out, const TableState& t) {
    const TableLayout layout = layoutOf(t);
    const Used used = usedOf(t);
    const SlotRows slots(t, used.rows);
    const auto r = static_cast<std::int32_t>(used.cols.size());
    std::string line;
    for (std::int32_t j : used.cols) {
        line += ',';
        appendCsv(line, releveLabel(t, j));
    }
    line += "\r\n";
    out.write(line);

    // The matrix by species: each relevé's hits go to their rows, in column order.
    std::vector<std::vector<std::pair<std::int32_t, int>>> byRow(used.rows.size());
    std::vector<std::pair<std::int32_t, int>> hits;
    for (std::int32_t c = 0; c < r; ++c) {
        hitsOf(t, slots, used.cols[c], hits);
        for (const auto& [u, sum] : hits) byRow[u].emplace_back(c, sum);
    }
    std::string zeros;
    for (std::int32_t k = 0; k < r; ++k) zeros += ",0";
    for (std::size_t u = 0; u < used.rows.size(); ++u) {
        StringSink name;
        writeCsvQuoted(name, trimmed(nameCell(t, layout, used.rows[u])));
        line = std::move(name.text);
        appendSums(line, zeros, r, byRow[u]);
        line += "\r\n";
        out.write(line);
        byRow[u] = {};
    }
}

void writePlotData(ByteSink& out, const TableState& t) {
    const TableLayout layout = layoutOf(t);
    const int first = TableLayout::FirstItemRow;
    const int last = std::max(first, layout.lastItemRow());
    auto cell = [&](int col, int row) { return trimmed(t.model.cell(col, row)); };
    // The captions and then the frequency column's cells, with no comma where
    // the two meet: the last caption and the first of those cells are one field.
    std::string line;
    for (int row = first; row < last; ++row) {
        appendCsv(line, cell(TableLayout::NameCol, row));
        line += ',';
    }
    appendCsv(line, std::string(cell(TableLayout::NameCol, last)) +
                        std::string(cell(TableLayout::FreqCol, first)));
    for (int row = first + 1; row <= last; ++row) {
        line += ',';
        appendCsv(line, cell(TableLayout::FreqCol, row));
    }
    line += "\r\n";
    out.write(line);
    // The relevés' cells gathered row by row (one pass over each row's cells),
    // then written column by column.
    const std::int32_t nr = std::max(t.model.releveCount(), 0);
    const int height = last - first + 1;
    std::vector<std::string_view> cells(static_cast<std::size_t>(nr + 1) * height);
    for (int row = first; row <= last; ++row)
        t.model.grid().forEachInRow(row, [&](int col, const std::string& text) {
            std::int32_t j = TableLayout::releveAt(col);
            if (j >= 1 && j <= nr)
                cells[static_cast<std::size_t>(j) * height + (row - first)] = text;
        });
    for (std::int32_t j = 1; j <= nr; ++j) {
        line.clear();
        for (int k = 0; k < height; ++k) {
            if (k > 0) line += ',';
            appendCsv(line, trimmed(cells[static_cast<std::size_t>(j) * height + k]));
        }
        line += "\r\n";
        out.write(line);
    }
}

void saveValueMatrix(const TableState& t, const std::string& path) {
    writeFileSafely(path, [&](ByteSink& out) { writeValueMatrix(out, t); });
}

void savePlotData(const TableState& t, const std::string& path) {
    writeFileSafely(path, [&](ByteSink& out) { writePlotData(out, t); });
}

}  // namespace tamsel

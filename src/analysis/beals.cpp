#include "analysis/beals.h"

#include <algorithm>
#include <charconv>

#include "analysis/cover_matrix.h"
#include "io/csv.h"
#include "io/safe_file.h"
#include "platform/error.h"
#include "table/frequency.h"
#include "table/table_layout.h"
#include "text/sjis.h"

namespace tamsel {

BealsSmoothing::BealsSmoothing(const TwinspanMatrix& presence)
    : m_(presence), species_(presence.species) {
    const auto S = static_cast<std::size_t>(species_);
    joint_.assign(S * S, 0);
    // Counts only: the products with 1 / occurrences are made in double, so the
    // values are as exact as a direct computation.
    for (std::int32_t r = 0; r < m_.releves(); ++r) {
        const std::int64_t b = m_.start[r], e = m_.start[r + 1];
        for (std::int64_t x = b; x < e; ++x) {
            std::int32_t* row = &joint_[static_cast<std::size_t>(m_.index[x]) * S];
            for (std::int64_t y = b; y < e; ++y) ++row[m_.index[y]];
        }
    }
    inverse_.assign(S, 0.0);
    for (std::size_t k = 0; k < S; ++k)
        if (const std::int32_t n = joint_[k * S + k]; n > 0) inverse_[k] = 1.0 / n;
}

void BealsSmoothing::releve(std::int32_t r, bool excludeSelf, std::vector<double>& out) const {
    const auto S = static_cast<std::size_t>(species_);
    out.assign(S, 0.0);
    const std::int64_t b = m_.start[r], e = m_.start[r + 1];
    // The joint occurrences are symmetric: species k's row is its column.
    for (std::int64_t x = b; x < e; ++x) {
        const std::int32_t k = m_.index[x];
        const double w = inverse_[k];
        const std::int32_t* row = &joint_[static_cast<std::size_t>(k) * S];
        for (std::size_t j = 0; j < S; ++j) out[j] += w * row[j];
    }
    const auto held = static_cast<double>(e - b);
    if (held > 0)
        for (double& v : out) v /= held;
    if (!excludeSelf) return;
    // A species the relevé holds drops its own term (its joint occurrences with
    // itself over its occurrences: 1) and itself from the count.
    for (std::int64_t x = b; x < e; ++x) {
        const std::int32_t k = m_.index[x];
        out[k] = held > 1 ? (out[k] * held - 1) / (held - 1) : 0.0;
    }
}

void writeBealsCsv(ByteSink& out, const TableState& t, bool excludeSelf) {
    const TableLayout layout = layoutOf(t);
    const CoverMatrix c = coverMatrix(t, countPresences(t.model));
    StringSink line;
    line.text = sj("測定番号");
    for (std::int32_t i : c.rows) {
        line.text += ',';
        writeCsvField(line, trimControl(t.model.cell(TableLayout::NameCol, layout.speciesRow(i))));
    }
    line.text += "\r\n";
    out.write(line.text);
    const BealsSmoothing beals(c.cover);
    const int numberRow = layout.itemRow(2);
    std::vector<double> values;
    for (std::size_t k = 0; k < c.cols.size(); ++k) {
        line.text.clear();
        if (numberRow)
            writeCsvField(line,
                          trimControl(t.model.cell(TableLayout::releveCol(c.cols[k]), numberRow)));
        beals.releve(static_cast<std::int32_t>(k), excludeSelf, values);
        for (double v : values) {
            char buf[32];
            buf[0] = ',';
            auto r = std::to_chars(buf + 1, buf + sizeof buf, v, std::chars_format::fixed, 6);
            line.text.append(buf, r.ptr);
        }
        line.text += "\r\n";
        out.write(line.text);
    }
}

}  // namespace tamsel

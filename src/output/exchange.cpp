#include "output/exchange.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <utility>

#include "io/safe_file.h"
#include "output/csv_exports.h"
#include "output/dom_lines.h"
#include "output/line_text.h"
#include "output/slot_rows.h"
#include "platform/error.h"
#include "table/table_layout.h"
#include "text/lines.h"
#include "text/sjis.h"

namespace tamsel {

void appendPercent(std::string& s, long long tenths) {
    appendInt(s, tenths / 10);
    s += '.';
    s += static_cast<char>('0' + tenths % 10);
}

int ordinalValue(const LayerCodes& codes) {
    int best = 0;
    for (CoverCode c : codes) {
        int v = 0;
        if (c == 6)
            v = 1;
        else if (c >= 2 && c <= 7)
            v = 2;
        else if (c >= 10 && c <= 55 && c % 10 <= 5)
            v = std::array{3, 5, 7, 8, 9}[c / 10 - 1];
        best = std::max(best, v);
    }
    return best;
}

namespace {

std::vector<std::int32_t> rowsOneTo(std::int32_t n) {
    std::vector<std::int32_t> rows(static_cast<std::size_t>(std::max(n, 0)));
    for (std::size_t k = 0; k < rows.size(); ++k) rows[k] = static_cast<std::int32_t>(k) + 1;
    return rows;
}

}  // namespace

ExchangeTable::ExchangeTable(const TableState& t, LayerMerge merge, Scope scope)
    : t_(t),
      merge_(merge),
      slots_(t, rowsOneTo(t.model.speciesCount())),
      rank_(static_cast<std::size_t>(std::max(t.model.speciesCount(), 0)), -1) {
    // Each code's value looked up once: every cover entry is weighed in each write.
    for (int c = 0; c < 256; ++c) tenths_[c] = t.coverValues.tenthsOf(static_cast<CoverCode>(c));
    cap_ = t.coverValues.tenthsOf(50);
    const TableLayout layout = layoutOf(t);
    const int numberRow = layout.itemRow(2);
    // A relevé takes part when one of its species rows has a percent above zero
    // (an entry of a slot no row shows, such as slot 0, counts for nothing), and
    // a row when it has one in some relevé; in the whole scope every relevé, and
    // every row with a code.
    const bool whole = scope == Scope::Whole;
    for (std::int32_t j = 1; j <= std::max(t.model.releveCount(), 0); ++j) {
        const std::int32_t rs = releveSlotChecked(t, j);
        bool present = false;
        for (const auto& [slot, codes] : t.model.codes().releve(rs))
            if (whole ? !allZero(codes) : tenthsOf(codes) > 0)
                slots_.forEach(slot, [&](std::int32_t u) { rank_[u] = 0, present = true; });
        if (!present && !whole) continue;
        const int col = TableLayout::releveCol(j);
        releves_.push_back(
            {j, std::string(trimmed(t.model.cell(col, TableLayout::SerialRow))),
             numberRow ? std::string(trimmed(t.model.cell(col, numberRow))) : std::string()});
        releveSlots_.push_back(rs);
    }
    for (std::size_t u = 0; u < rank_.size(); ++u)
        if (rank_[u] == 0) {
            rank_[u] = static_cast<std::int32_t>(rows_.size());
            rows_.push_back(static_cast<std::int32_t>(u) + 1);
        }
}

double ExchangeTable::tenthsOf(const LayerCodes& codes) const {
    double layers[LayerCount];
    int n = 0;
    for (CoverCode c : codes)
        if (tenths_[c] > 0) layers[n++] = tenths_[c];
    return mergeTenths(layers, n, cap_, merge_);
}

double ExchangeTable::layerTenths(CoverCode code) const {
    return mergeTenths(&tenths_[code], 1, cap_, LayerMerge::Sum);
}

void ExchangeTable::records(std::size_t r, std::vector<Record>& out, bool ordered) const {
    out.clear();
    for (const auto& [slot, codes] : t_.model.codes().releve(releveSlots_.at(r))) {
        if (allZero(codes)) continue;
        const double tenths = tenthsOf(codes);
        slots_.forEach(slot, [&, &codes = codes](std::int32_t u) {
            if (rank_[u] >= 0) out.push_back({rank_[u], codes, tenths});
        });
    }
    if (ordered)
        std::sort(out.begin(), out.end(),
                  [](const Record& a, const Record& b) { return a.species < b.species; });
}

namespace {

// v right-aligned in a field of width bytes.
void appendRight(std::string& s, long long v, std::size_t width) {
    char buf[24];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    const auto n = static_cast<std::size_t>(r.ptr - buf);
    if (n < width) s.append(width - n, ' ');
    s.append(buf, n);
}

void appendI6(std::string& s, long long v) {
    appendRight(s, v, 6);
}

// Tenths as a percent in F6.1: the whole part in four bytes, a point, a decimal.
void appendF61(std::string& s, long long tenths) {
    appendRight(s, tenths / 10, 4);
    s += '.';
    s += static_cast<char>('0' + tenths % 10);
}

// Names of 8 bytes, ten to a line.
void writeNames(ByteSink& out, const std::vector<std::string>& names) {
    std::string line;
    for (std::size_t k = 0; k < names.size(); ++k) {
        std::string name = cutBytes(names[k], 8);
        name.resize(8, ' ');
        line += name;
        if (k % 10 == 9 || k + 1 == names.size()) {
            line += "\r\n";
            out.write(line);
            line.clear();
        }
    }
}

// A relevé's name: its number, or its serial where the number is empty or
// another relevé has it too, so that every name is one relevé.
std::vector<std::string> releveNames(const ExchangeTable& x) {
    std::unordered_map<std::string, int> uses;
    for (const auto& r : x.releves()) ++uses[r.number];
    std::vector<std::string> names;
    for (const auto& r : x.releves())
        names.push_back(!r.number.empty() && uses[r.number] == 1 ? r.number : r.serial);
    return names;
}

// A value with six decimals; a value that prints as zero is printed without a sign.
void appendFixed6(std::string& s, double v) {
    if (std::abs(v) < 5e-7) v = 0.0;
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 6);
    s.append(buf, r.ptr);
}

void appendIdentity(std::string& line, const ExchangeTable::Releve& r) {
    appendCsv(line, r.serial);
    line += ',';
    appendCsv(line, r.number);
}

void writeHeader(ByteSink& out, const char* utf8) {
    out.write(sj(utf8) + "\r\n");
}

// A species' one line of the long table with its layers merged: the layers and
// their codes joined by "/", then the merged percent.
void appendMergedLine(std::string& line, const std::string& id, const std::string& name,
                      const ExchangeTable::Record& rec, const TableState& t) {
    std::string layers, codes;
    for (int k = 0; k < LayerCount; ++k) {
        if (rec.codes[k] == 0) continue;
        if (!layers.empty()) layers += '/', codes += '/';
        layers += trimmed(t.print.LayerLabels[k]);
        codes += trimmed(CoverCodeText(rec.codes[k], t.data.CurrentNotation));
    }
    line += id;
    line += name;
    appendCsv(line, layers);
    line += ',';
    appendCsv(line, codes);
    line += ',';
    appendPercent(line, std::llround(rec.tenths));
    line += "\r\n";
}

}  // namespace

namespace {

// An ASCII code: the letter and the position, at least four digits.
std::string cornellCode(char letter, std::size_t position) {
    std::string digits = std::to_string(position);
    if (digits.size() < 4) digits.insert(0, 4 - digits.size(), '0');
    return letter + digits;
}

void writeCornell(ByteSink& out, const TableState& t, const ExchangeTable& x, CornellValues values,
                  CornellNames nameKind) {
    if (x.releves().size() > 999999 || x.rows().size() > 999999)
        throw Error(sj("Cornell形式に書ける測定と種は 999999 までです"));
    std::string line = cutBytes(t.model.title(), 80) + "\r\n";
    // F6.0: the point in each value gives its decimals. A reader that scales a
    // field by its d whatever the point (R's read.fortran) reads F6.1 ten times
    // too small.
    std::string format = "(I6,1X,8(I6,F6.0))";
    format.resize(68, ' ');
    line += format + " 8\r\n";
    out.write(line);
    std::vector<ExchangeTable::Record> recs;
    for (std::size_t r = 0; r < x.releves().size(); ++r) {
        x.records(r, recs);
        line.clear();
        int couplets = 0;
        for (const auto& rec : recs) {
            if (rec.tenths <= 0) continue;
            if (couplets == 8) {
                line += "\r\n";
                couplets = 0;
            }
            if (couplets == 0) {
                appendI6(line, static_cast<long long>(r) + 1);
                line += ' ';
            }
            appendI6(line, rec.species + 1);
            appendF61(line, values == CornellValues::Ordinal ? 10 * ordinalValue(rec.codes)
                                                             : std::llround(rec.tenths));
            ++couplets;
        }
        line += "\r\n";
        out.write(line);
    }
    out.write("     0\r\n");
    std::vector<std::string> names;
    if (nameKind == CornellNames::Codes) {
        for (std::size_t k = 1; k <= x.rows().size(); ++k) names.push_back(cornellCode('S', k));
        writeNames(out, names);
        names.clear();
        for (std::size_t k = 1; k <= x.releves().size(); ++k) names.push_back(cornellCode('R', k));
        writeNames(out, names);
        return;
    }
    const std::vector<std::string> codes = ShortNames(t);
    for (std::int32_t i : x.rows()) names.push_back(codes.at(static_cast<std::size_t>(i)));
    writeNames(out, names);
    writeNames(out, releveNames(x));
}

void writeCornellKey(ByteSink& out, const TableState& t, const ExchangeTable& x) {
    const TableLayout layout = layoutOf(t);
    std::string line = "code,name\r\n";
    for (std::size_t k = 0; k < x.rows().size(); ++k) {
        line += cornellCode('S', k + 1);
        line += ',';
        appendCsv(line,
                  trimmed(t.model.cell(TableLayout::NameCol, layout.speciesRow(x.rows()[k]))));
        line += "\r\n";
    }
    const std::vector<std::string> names = releveNames(x);
    for (std::size_t k = 0; k < names.size(); ++k) {
        line += cornellCode('R', k + 1);
        line += ',';
        appendCsv(line, names[k]);
        line += "\r\n";
    }
    out.write(line);
}

}  // namespace

void writeCornell(ByteSink& out, const TableState& t, CornellValues values, CornellNames names,
                  LayerMerge merge) {
    writeCornell(out, t, ExchangeTable(t, merge), values, names);
}

void writeCornellKey(ByteSink& out, const TableState& t) {
    writeCornellKey(out, t, ExchangeTable(t));
}

std::string cornellKeyPath(const std::string& path) {
    return pathBeside(path, "-names.csv");
}

void writeLongTable(ByteSink& out, const TableState& t, LayerMerge merge) {
    const ExchangeTable x(t, merge);
    const TableLayout layout = layoutOf(t);
    writeHeader(out, "通し番号,測定番号,種名,階層,被度,被度%");
    std::vector<std::string> names;
    for (std::int32_t i : x.rows()) {
        names.emplace_back();
        appendCsv(names.back(), trimmed(t.model.cell(TableLayout::NameCol, layout.speciesRow(i))));
        names.back() += ',';
    }
    // The end of a line, from the layer on, for each layer and code, made once.
    std::vector<std::string> tails(static_cast<std::size_t>(LayerCount) * 256);
    for (int k = 0; k < LayerCount; ++k)
        for (int c = 1; c < 256; ++c) {
            std::string& tail = tails[static_cast<std::size_t>(k) * 256 + c];
            appendCsv(tail, trimmed(t.print.LayerLabels[k]));
            tail += ',';
            appendCsv(tail,
                      trimmed(CoverCodeText(static_cast<CoverCode>(c), t.data.CurrentNotation)));
            tail += ',';
            appendPercent(tail, std::llround(x.layerTenths(static_cast<CoverCode>(c))));
            tail += "\r\n";
        }
    std::string id, line;
    std::vector<ExchangeTable::Record> recs;
    for (std::size_t r = 0; r < x.releves().size(); ++r) {
        x.records(r, recs);
        id.clear();
        appendIdentity(id, x.releves()[r]);
        id += ',';
        line.clear();
        for (const auto& rec : recs) {
            if (merge == LayerMerge::Independent) {
                appendMergedLine(line, id, names[rec.species], rec, t);
                continue;
            }
            for (int k = 0; k < LayerCount; ++k) {
                if (rec.codes[k] == 0) continue;
                line += id;
                line += names[rec.species];
                line += tails[static_cast<std::size_t>(k) * 256 + rec.codes[k]];
            }
        }
        out.write(line);
    }
}

void writeReleveStats(ByteSink& out, const TableState& t, LayerMerge merge) {
    const ExchangeTable x(t, merge, ExchangeTable::Scope::Whole);
    writeHeader(out, "通し番号,測定番号,S,被度合計%,H',Simpson,J'");
    std::string line;
    std::vector<ExchangeTable::Record> recs;
    for (std::size_t r = 0; r < x.releves().size(); ++r) {
        x.records(r, recs, false);
        int weighted = 0;
        double total = 0.0;
        for (const auto& rec : recs)
            if (rec.tenths > 0) {
                ++weighted;
                total += rec.tenths;
            }
        double h = 0.0, sumSquares = 0.0;
        for (const auto& rec : recs)
            if (rec.tenths > 0) {
                double p = rec.tenths / total;
                h -= p * std::log(p);
                sumSquares += p * p;
            }
        line.clear();
        appendIdentity(line, x.releves()[r]);
        line += ',';
        appendInt(line, static_cast<long long>(recs.size()));
        line += ',';
        appendPercent(line, std::llround(total));
        line += ',';
        if (total > 0) appendFixed6(line, h);
        line += ',';
        if (total > 0) appendFixed6(line, 1.0 - sumSquares);
        line += ',';
        if (weighted >= 2) appendFixed6(line, h / std::log(static_cast<double>(weighted)));
        line += "\r\n";
        out.write(line);
    }
}

namespace {

// what: the fault, in Shift-JIS.
std::string valuesLineError(const std::string& fileName, long line, const std::string& what) {
    return msg("指標値ファイル %1 の %2 行目: %3", fromUtf8(fileName), line, what);
}

// The name field of a values line, and where its value begins; nothing when the
// line has no such shape. A comma and a double quote are never the trail byte of
// a double-byte character, so byte searches are safe.
std::optional<std::pair<std::string, std::string_view>> splitValuesLine(std::string_view line) {
    line = trimmed(line);
    std::string name;
    if (!line.empty() && line.front() == '"') {
        std::size_t k = 1;
        for (;; ++k) {
            if (k >= line.size()) return std::nullopt;
            if (line[k] != '"') {
                name += line[k];
            } else if (k + 1 < line.size() && line[k + 1] == '"') {
                name += '"';
                ++k;
            } else {
                break;
            }
        }
        std::string_view rest = trimmed(line.substr(k + 1));
        if (rest.empty() || rest.front() != ',') return std::nullopt;
        return std::pair{std::string(trimmed(name)), rest.substr(1)};
    }
    std::size_t comma = line.rfind(',');
    if (comma == std::string_view::npos) return std::nullopt;
    return std::pair{std::string(trimmed(line.substr(0, comma))), line.substr(comma + 1)};
}

}  // namespace

IndicatorValues parseIndicatorValues(std::string_view bytes, const std::string& fileName) {
    std::string converted;
    const bool utf8 = bytes.substr(0, 3) == "\xEF\xBB\xBF";
    if (utf8) bytes.remove_prefix(3);
    IndicatorValues v;
    std::unordered_map<std::string, long> lineOf;
    long lineNo = 0;
    bool atFirstLine = true;
    for (std::size_t pos = 0; pos < bytes.size();) {
        std::string_view line = nextLine(bytes, pos).text;
        ++lineNo;
        if (utf8) {
            auto sjis = fromUtf8Strict(line);
            if (!sjis)
                throw Error(
                    valuesLineError(fileName, lineNo, sj("Shift-JIS で表せない文字があります")));
            converted = std::move(*sjis);
            line = converted;
        } else if (!toUtf8Strict(line)) {
            throw Error(valuesLineError(fileName, lineNo,
                                        sj("Shift-JIS の文字として読めないバイトがあります")));
        }
        if (trimmed(line).empty()) continue;
        auto fields = splitValuesLine(line);
        // Its name meets the table's names, whose control characters are blanks.
        if (fields) blankControls(fields->first, TextEnds::Trimmed);
        double value = 0.0;
        bool ok = fields && !fields->first.empty();
        if (ok) {
            std::string_view text = trimmed(fields->second);
            auto r = std::from_chars(text.data(), text.data() + text.size(), value);
            ok = !text.empty() && r.ec == std::errc() && r.ptr == text.data() + text.size() &&
                 std::isfinite(value);
        }
        // The usual CSV begins with a header ("種名,光"): only the first line may be one.
        const bool first = std::exchange(atFirstLine, false);
        if (!ok && first) continue;
        if (!ok) throw Error(valuesLineError(fileName, lineNo, sj("種名と数値の行ではありません")));
        std::string key = foldLetterCase(fields->first);
        auto [it, fresh] = lineOf.try_emplace(key, lineNo);
        if (!fresh)
            throw Error(valuesLineError(
                fileName, lineNo, msg("%1 は %2 行目にもあります", fields->first, it->second)));
        v.byName.emplace(std::move(key), value);
    }
    return v;
}

IndicatorValues readIndicatorValues(const std::string& path) {
    return parseIndicatorValues(readWholeFile(path), path);
}

void writeIndicatorMeans(ByteSink& out, const TableState& t, const IndicatorValues& values,
                         LayerMerge merge) {
    const ExchangeTable x(t, merge, ExchangeTable::Scope::Whole);
    const TableLayout layout = layoutOf(t);
    std::vector<const double*> valueOf;
    for (std::int32_t i : x.rows()) {
        auto it = values.byName.find(
            foldLetterCase(trimmed(t.model.cell(TableLayout::NameCol, layout.speciesRow(i)))));
        valueOf.push_back(it == values.byName.end() ? nullptr : &it->second);
    }
    writeHeader(out, "通し番号,測定番号,n,平均,加重平均");
    std::string line;
    std::vector<ExchangeTable::Record> recs;
    for (std::size_t r = 0; r < x.releves().size(); ++r) {
        x.records(r, recs, false);
        int n = 0;
        double sum = 0.0, weighted = 0.0, weights = 0.0;
        for (const auto& rec : recs) {
            const double* v = valueOf[rec.species];
            if (rec.tenths <= 0 || !v) continue;
            ++n;
            sum += *v;
            weighted += *v * rec.tenths;
            weights += rec.tenths;
        }
        line.clear();
        appendIdentity(line, x.releves()[r]);
        line += ',';
        appendInt(line, n);
        line += ',';
        if (n > 0) appendFixed6(line, sum / n);
        line += ',';
        if (n > 0) appendFixed6(line, weighted / weights);
        line += "\r\n";
        out.write(line);
    }
}

void saveCornell(const TableState& t, const std::string& path, CornellValues values,
                 CornellNames names, LayerMerge merge) {
    const ExchangeTable x(t, merge);
    // The key first: a Cornell file of codes is never left without it.
    if (names == CornellNames::Codes)
        writeFileSafely(cornellKeyPath(path), [&](ByteSink& out) { writeCornellKey(out, t, x); });
    writeFileSafely(path, [&](ByteSink& out) { writeCornell(out, t, x, values, names); });
}

void saveLongTable(const TableState& t, const std::string& path, LayerMerge merge) {
    writeFileSafely(path, [&](ByteSink& out) { writeLongTable(out, t, merge); });
}

void saveReleveStats(const TableState& t, const std::string& path, LayerMerge merge) {
    writeFileSafely(path, [&](ByteSink& out) { writeReleveStats(out, t, merge); });
}

void saveIndicatorMeans(const TableState& t, const std::string& path, const IndicatorValues& values,
                        LayerMerge merge) {
    writeFileSafely(path, [&](ByteSink& out) { writeIndicatorMeans(out, t, values, merge); });
}

}  // namespace tamsel

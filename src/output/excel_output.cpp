#include "output/excel_output.h"

#include <algorithm>
#include <array>
#include <bit>
#include <exception>
#include <optional>
#include <span>
#include <vector>

#include "datafile/numbers.h"
#include "output/line_text.h"
#include "table/frequency.h"
#include "table/table_layout.h"
#include "text/sjis.h"

namespace tamsel {

namespace {

constexpr std::int16_t XlTop = -4160;
constexpr std::int16_t XlCenter = -4108;

// Sheet columns: A captions and names, B layer labels, then one per relevé.
constexpr int CaptionCol = 1;
// What one worksheet holds.
constexpr std::int64_t SheetMaxColumns = 16384;
constexpr std::int64_t SheetMaxRows = 1048576;
constexpr int LayerCol = 2;
constexpr int sheetColOf(std::int32_t releve) {
    return releve + 2;
}

// The cells of the worksheet, one Cells call per property written.
class SheetCells {
  public:
    SheetCells(Dispatcher& d, AutoObject sheet) : d_(d), sheet_(sheet) {}

    // A text of the table. One that begins with an apostrophe gets another, so
    // the server keeps the table's own apostrophe as part of the value.
    void text(std::int32_t row, std::int32_t col, std::string_view s) {
        if (!s.empty() && s.front() == '\'') {
            marked(row, col, "'" + std::string(s));
            return;
        }
        marked(row, col, s);
    }
    // Text whatever it reads as: an identifier such as "007" stays "007".
    void literal(std::int32_t row, std::int32_t col, std::string_view s) {
        marked(row, col, "'" + std::string(s));
    }
    // A value the caller has already marked as text where needed.
    void marked(std::int32_t row, std::int32_t col, std::string_view s) {
        d_.invoke(cell(row, col), "Value", CallKind::PropertyPut, {AutoArg::textOf(s)});
    }
    void number(std::int32_t row, std::int32_t col, std::int32_t v) {
        d_.invoke(cell(row, col), "Value", CallKind::PropertyPut, {AutoArg::integer(v)});
    }
    void align(std::int32_t row, std::int32_t col, std::string_view member, std::int16_t v) {
        d_.invoke(cell(row, col), member, CallKind::PropertyPut, {AutoArg::smallInt(v)});
    }

  private:
    AutoObject cell(std::int32_t row, std::int32_t col) {
        return d_.object(sheet_, "Cells", CallKind::PropertyGet,
                         {AutoArg::integer(row), AutoArg::integer(col)});
    }
    Dispatcher& d_;
    AutoObject sheet_;
};

// The non-zero codes of the relevé columns 1..NR, grouped by species slot, in
// column order.
class CodesBySpecies {
  public:
    using Entry = std::pair<std::int32_t, const LayerCodes*>;  // relevé column, codes

    // The entries of one species slot; a slot outside TableArray is its range error.
    std::span<const Entry> of(const TableState& t, std::int32_t speciesSlot) const {
        if (speciesSlot < 0 || speciesSlot + 1 >= static_cast<std::int32_t>(start_.size()))
            t.model.codes().get(firstReleveSlot_, speciesSlot);  // throws
        return std::span<const Entry>(entries_).subspan(
            start_[speciesSlot], start_[speciesSlot + 1] - start_[speciesSlot]);
    }

    friend CodesBySpecies codesBySpecies(const TableState& t);

  private:
    std::vector<std::uint32_t> start_;  // by species slot, into entries_; one more at the end
    std::vector<Entry> entries_;
    std::int32_t firstReleveSlot_ = 0;
};

CodesBySpecies codesBySpecies(const TableState& t) {
    const std::int32_t nr = t.model.releveCount();
    std::vector<std::int32_t> slot(static_cast<std::size_t>(nr) + 1, 0);
    for (std::int32_t j = 1; j <= nr; ++j)
        slot[j] = t.model.releveSlotAt(TableLayout::releveCol(j));
    CodesBySpecies out;
    out.firstReleveSlot_ = nr > 0 ? slot[1] : 0;
    out.start_.assign(static_cast<std::size_t>(t.model.codes().speciesSlots()) + 1, 0);
    for (std::int32_t j = 1; j <= nr; ++j)
        for (const auto& e : t.model.codes().releve(slot[j])) ++out.start_[e.first + 1];
    for (std::size_t i = 1; i < out.start_.size(); ++i) out.start_[i] += out.start_[i - 1];
    out.entries_.resize(out.start_.back());
    std::vector<std::uint32_t> next(out.start_.begin(), out.start_.end() - 1);
    for (std::int32_t j = 1; j <= nr; ++j)
        for (const auto& [s, codes] : t.model.codes().releve(slot[j]))
            out.entries_[next[s]++] = {j, &codes};
    return out;
}

// Bit k-1 for layer k where a code is above 1: the layers a row shows.
unsigned layersShown(const LayerCodes& codes) {
    unsigned bits = 0;
    for (int k = 0; k < LayerCount; ++k)
        if (codes[k] > 1) bits |= 1u << k;
    return bits;
}

// The server's objects as far as they came to exist.
struct ExcelObjects {
    AutoObject app, book;
};

void fillWorkbook(TableState& t, Progress& progress, Dispatcher& d, const ExcelOutputOptions& o,
                  ExcelObjects& x) {
    x.app = d.create("Excel.Application");
    AutoObject books = d.object(x.app, "Workbooks", CallKind::Method);
    x.book = d.object(books, "Add", CallKind::Method);
    SheetCells cells(d,
                     d.object(x.book, "WorkSheets", CallKind::PropertyGet, {AutoArg::integer(1)}));

    const Grid& g = t.model.grid();
    const TableLayout layout = layoutOf(t);
    const std::int32_t nr = t.model.releveCount();
    ProgressBar& bar = progress.progressBar2();

    std::int32_t r = 1;
    cells.text(r, CaptionCol, t.model.title());

    if (t.print.PrintItemBoxes[1].checked) {
        ++r;
        cells.text(r, CaptionCol, g.cell(TableLayout::NameCol, TableLayout::SerialRow));
        for (std::int32_t j = 1; j <= nr; ++j) cells.number(r, sheetColOf(j), j);
    }
    bar.setPosition(1);

    for (int k = 2; k <= 29; ++k) {
        int gridRow = layout.itemRow(k);
        if (gridRow == 0 || !t.print.PrintItemBoxes[k].checked) continue;
        ++r;
        cells.text(r, CaptionCol, g.cell(TableLayout::NameCol, gridRow));
        // The eight-byte items (relevé number to grid code) are identifiers;
        // the four-byte ones measures, read as numbers where they are.
        const bool identifier = k <= 7;
        for (std::int32_t j = 1; j <= nr; ++j) {
            const std::string& text = g.cell(TableLayout::releveCol(j), gridRow);
            if (identifier)
                cells.literal(r, sheetColOf(j), text);
            else
                cells.text(r, sheetColOf(j), text);
        }
        bar.setPosition(k);
    }

    ++r;
    cells.text(r, CaptionCol, t.print.PrintItemBoxes[30].caption);
    for (std::int32_t j = 1; j <= nr; ++j)
        cells.text(r, sheetColOf(j), g.cell(TableLayout::releveCol(j), t.model.freqRow()));

    std::array<std::string, 256> codeText;
    for (int c = 0; c < 256; ++c)
        codeText[c] = CoverCodeText(static_cast<CoverCode>(c), t.data.CurrentNotation);
    // Every relevé column's codes by species slot, read once when the first
    // species needs them: DomLine of a row is then its few entries, not a
    // lookup in every relevé.
    std::optional<CodesBySpecies> codes;
    static const LayerCodes absent{};
    std::vector<const LayerCodes*> domLine(static_cast<std::size_t>(nr) + 1, &absent);
    std::string value;

    const std::int32_t from = std::max<std::int32_t>(o.fromPlant, 1);
    const std::int32_t to = std::min(o.toPlant, t.model.speciesCount());
    for (std::int32_t s = from; s <= to; ++s) {
        const int row = layout.speciesRow(s);
        ++r;
        cells.text(r, CaptionCol, g.cell(TableLayout::NameCol, row));
        cells.align(r, CaptionCol, "VerticalAlignment", XlTop);
        auto frequency = [&] {
            if (!o.withFrequency) return;
            cells.marked(r, sheetColOf(nr + 1), percentText(t.model.freq().at(s), nr));
            cells.align(r, sheetColOf(nr + 1), "HorizontalAlignment", XlCenter);
        };

        const std::int32_t speciesSlot = t.model.speciesSlotAt(row);
        if (!codes) codes = codesBySpecies(t);
        std::fill(domLine.begin() + 1, domLine.end(), &absent);
        unsigned inUse = 0;  // bit k-1 for layer k: a code above 1 somewhere
        if (nr > 0) {
            for (const auto& [j, c] : codes->of(t, speciesSlot)) {
                domLine[j] = c;
                inUse |= layersShown(*c);
            }
        }

        if (o.clean) {
            // A row per layer in use, each named; a row without one keeps its name.
            bool first = true;
            for (int k = 0; k < LayerCount; ++k) {
                if (!(inUse & (1u << k))) continue;
                if (!first) {
                    ++r;
                    cells.text(r, CaptionCol, g.cell(TableLayout::NameCol, row));
                    cells.align(r, CaptionCol, "VerticalAlignment", XlTop);
                }
                first = false;
                cells.literal(r, LayerCol, trimmed(t.print.LayerLabels[k]));
                for (std::int32_t j = 1; j <= nr; ++j) {
                    const CoverCode code = (*domLine[j])[k];
                    if (code == 0) continue;
                    cells.literal(r, sheetColOf(j), trimmed(codeText[code]));
                    cells.align(r, sheetColOf(j), "HorizontalAlignment", XlCenter);
                }
                frequency();
            }
            if (first) frequency();
            bar.setPosition(TableLayout(t.model.freqRow()).speciesRow(s));
            continue;
        }

        // One line per layer in use; the apostrophe keeps the server from
        // reading the cell as anything but text.
        auto layered = [&](auto&& part) {
            value.clear();
            for (int k = 0; k < LayerCount; ++k) {
                if (!(inUse & (1u << k))) continue;
                value += value.empty() ? '\'' : '\n';
                value += part(k);
            }
            return std::string_view(value);
        };
        cells.marked(r, LayerCol,
                     layered([&](int k) -> const std::string& { return t.print.LayerLabels[k]; }));
        for (std::int32_t j = 1; j <= nr; ++j) {
            const LayerCodes& codes = *domLine[j];
            cells.marked(r, sheetColOf(j),
                         layered([&](int k) -> const std::string& { return codeText[codes[k]]; }));
            cells.align(r, sheetColOf(j), "HorizontalAlignment", XlCenter);
        }
        frequency();
        bar.setPosition(TableLayout(t.model.freqRow()).speciesRow(s));
    }
}

}  // namespace

std::string percentText(std::int32_t frequency, std::int32_t releveCount) {
    if (releveCount <= 0) return IntText4(0);
    std::int64_t scaled = std::int64_t{frequency} * 100;
    std::int64_t q = scaled / releveCount, rem = scaled % releveCount;
    if (2 * rem > releveCount || (2 * rem == releveCount && q % 2 == 1)) ++q;
    return IntText4(static_cast<std::int32_t>(q));
}

void checkSheetLimits(const TableState& t, const ExcelOutputOptions& o) {
    const std::int64_t columns = sheetColOf(t.model.releveCount()) + (o.withFrequency ? 1 : 0);
    if (columns > SheetMaxColumns)
        throw Error(msg(
            "ワークシートの列数の上限 16,384 列を超えるので書き出せません（測定 %1 件で %2 列）",
            t.model.releveCount(), columns));
    std::int64_t rows = 2 + (t.print.PrintItemBoxes[1].checked ? 1 : 0);
    const TableLayout layout = layoutOf(t);
    for (int k = 2; k <= 29; ++k)
        if (layout.itemRow(k) != 0 && t.print.PrintItemBoxes[k].checked) ++rows;
    const std::int32_t from = std::max<std::int32_t>(o.fromPlant, 1);
    const std::int32_t to = std::min(o.toPlant, t.model.speciesCount());
    if (to >= from) rows += to - from + 1;
    // A clean sheet gives a species a row per layer in use: counted only when
    // seven rows a species might not fit.
    if (o.clean && to >= from && rows + 6 * std::int64_t{to - from + 1} > SheetMaxRows &&
        t.model.releveCount() > 0) {
        const CodesBySpecies codes = codesBySpecies(t);
        for (std::int32_t s = from; s <= to; ++s) {
            unsigned inUse = 0;
            for (const auto& e : codes.of(t, t.model.speciesSlotAt(layout.speciesRow(s))))
                inUse |= layersShown(*e.second);
            if (inUse) rows += std::popcount(inUse) - 1;
        }
    }
    if (rows > SheetMaxRows)
        throw Error(
            msg("ワークシートの行数の上限 1,048,576 行を超えるので書き出せません（%1 行）", rows));
}

void writeExcelFile(TableState& t, Progress& progress, Dispatcher& d, const ExcelOutputOptions& o,
                    const std::string& path) {
    checkSheetLimits(t, o);
    MessagePanelScope panel(progress, sj("エクセル形式データに変換中"));
    progress.progressBar2().setRange(
        0, TableLayout(t.model.freqRow()).lastSpeciesRow(t.model.speciesCount()));
    recount(t, progress);

    ExcelObjects x;
    std::exception_ptr failure;
    try {
        fillWorkbook(t, progress, d, o, x);
    } catch (const AutomationError& e) {
        failure =
            std::make_exception_ptr(Error(msg("MS Excelへ書き込めませんでした: %1", e.what())));
    } catch (...) {
        failure = std::current_exception();
    }

    // Every closing call is made that has an object to go to, whatever failed;
    // a workbook whose filling failed is closed unsaved, so no partial file is
    // left and an older file of the name stays.
    std::optional<std::string> closingFailure;
    auto attempt = [&](AutoObject obj, std::string_view member,
                       std::initializer_list<AutoArg> args) {
        if (!obj) return;
        try {
            d.invoke(obj, member, CallKind::Method, args);
        } catch (const AutomationError& e) {
            if (!closingFailure) closingFailure = e.what();
        }
    };
    if (!failure) attempt(x.book, "SaveAs", {AutoArg::named("Filename", AutoArg::pathOf(path))});
    attempt(x.book, "close", {});
    attempt(x.app, "Quit", {});

    if (failure) std::rethrow_exception(failure);
    if (closingFailure) throw Error(*closingFailure);
}

}  // namespace tamsel

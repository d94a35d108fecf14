#include "output/text_layout.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "datafile/numbers.h"
#include "output/dom_lines.h"
#include "platform/error.h"
#include "table/table_layout.h"
#include "text/sjis.h"

namespace tamsel {

std::string RuleLine(int width) {
    int n = width / 2;
    if (width % 2 != 0 && n % 2 != 0) ++n;
    const std::string rule = sj("─");
    std::string s;
    s.reserve(rule.size() * static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k) s += rule;
    return s;
}

namespace {

constexpr std::size_t CaptionWidth = 32, NameWidth = 28, CellWidth = 5;

// A text in a field of fixed width: cut (never inside a double-byte
// character) and padded with blanks.
std::string fixedField(std::string_view text, std::size_t width) {
    std::string f = cutBytes(text, width);
    f.resize(width, ' ');
    return f;
}

// A header cell: padded to its field when shorter, else whole.
void appendPadded(std::string& line, std::string_view cell, std::size_t width) {
    line += cell;
    if (cell.size() < width) line.append(width - cell.size(), ' ');
}

std::string rightAligned(std::int32_t n, std::size_t width) {
    std::string s = std::to_string(n);
    if (s.size() < width) s.insert(0, width - s.size(), ' ');
    return s;
}

// What one table row in the range gives on every page.
struct RowPlan {
    enum Kind { Text, Species, Nothing } kind = Nothing;
    std::string text;  // Text: the name cell; Species: the 28-byte name field
    std::int32_t slot = 0;
    int freq = 0;
};

class Writer {
  public:
    Writer(const TableState& t, const PrintPanel& p, OutputChannel& out, std::int32_t from,
           std::int32_t to)
        : t_(t), p_(p), out_(out), layout_(layoutOf(t)), dom_(t), nr_(t.model.releveCount()) {
        if (t.model.numSp().size() <= static_cast<std::size_t>(std::max(nr_, 0)) ||
            t.model.freq().size() <= static_cast<std::size_t>(std::max(t.model.speciesCount(), 0)))
            throw Error(sj("出現頻度の表が組成表より小さくなっています"));
        used_.assign(static_cast<std::size_t>(std::max(nr_, 0)) + 1, 0);
        for (std::int32_t j = 1; j <= nr_; ++j) used_[j] = t.model.numSp()[j] > 0;
        for (int c = 0; c < 256; ++c) {
            std::string text =
                "  " + CoverCodeText(static_cast<CoverCode>(c), t.data.CurrentNotation);
            std::memcpy(cells_[c].data(), text.data(), CellWidth);
        }
        for (std::int32_t s = from; s <= to; ++s) rows_.push_back(planRow(s));
    }

    // labelled: the page carries the caption column (the first page, or every
    // page when the names are repeated).
    void page(std::int32_t a, std::int32_t b, std::int32_t to, bool labelled) {
        const bool first = a == 1;
        const std::int32_t columns = std::max(b - a + 1, 0);
        const std::string rule = RuleLine(static_cast<int>(CellWidth) * columns +
                                          (labelled ? static_cast<int>(CaptionWidth) : 0));
        out_.writeLine({});
        out_.writeLine(first ? t_.model.title() : sj("続き"));
        out_.writeLine(rule);
        runningNumbers(a, b, labelled);
        out_.writeLine(rule);
        headerItems(a, b, labelled);
        out_.writeLine(rule);
        // The empty species line of this page: code 0 in used columns, blanks elsewhere.
        blankCells_.clear();
        for (std::int32_t j = a; j <= b; ++j)
            blankCells_.append(used_[j] ? std::string_view(cells_[0].data(), CellWidth) : "     ");
        for (const RowPlan& r : rows_) {
            if (r.kind == RowPlan::Text)
                out_.writeLine(labelled ? std::string_view(r.text) : std::string_view());
            else if (r.kind == RowPlan::Species)
                PrintSpeciesLines(r, a, b, labelled);
        }
        out_.writeLine(rule);
        if (first && p_.ChkBox1t && to == p_.PN2.value) PrintOneTimeSp();
        if (b < nr_) {
            out_.writeChar('\f');
            out_.writeLine({});
        }
    }

  private:
    RowPlan planRow(std::int32_t s) {
        RowPlan r;
        r.freq = t_.model.freq()[s];
        const std::string& name = t_.model.cell(TableLayout::NameCol, layout_.speciesRow(s));
        if (r.freq == 0) {
            r.kind = RowPlan::Text;
            r.text = name;
        } else if (r.freq >= 2) {
            std::int32_t slot = t_.model.speciesSlotAt(layout_.speciesRow(s));
            if (slot <= 0) return r;
            r.slot = speciesSlotChecked(t_, s);
            r.kind = RowPlan::Species;
            r.text = fixedField(name, NameWidth);
        }
        return r;
    }

    void runningNumbers(std::int32_t a, std::int32_t b, bool labelled) {
        line_.clear();
        if (labelled) line_ = fixedField(t_.print.PrintItemBoxes[1].caption, CaptionWidth);
        for (std::int32_t j = a; j <= b; ++j)
            line_ += used_[j] ? rightAligned(++running_, CellWidth) : std::string(CellWidth, ' ');
        out_.writeLine(line_);
    }

    // One header line per checked item 8..30, two per checked item 2..7.
    void headerItems(std::int32_t a, std::int32_t b, bool labelled) {
        for (int n = 2; n <= TableLayout::ItemCount; ++n) {
            const PrintItemBox& box = t_.print.PrintItemBoxes[n];
            if (!box.enabled || !box.checked) continue;
            // Item 30 shows the species numbers of the frequency row.
            int row = n == TableLayout::ItemCount ? layout_.freqRow() : layout_.itemRow(n);
            if (row == 0) continue;  // no row above the frequency row in this table
            const bool split = n <= 7;
            for (int half = 0; half < (split ? 2 : 1); ++half) {
                line_.clear();
                if (labelled)
                    line_ = half == 0 ? fixedField(box.caption, CaptionWidth)
                                      : std::string(CaptionWidth, ' ');
                for (std::int32_t j = a; j <= b; ++j) {
                    const std::string& cell = t_.model.cell(TableLayout::releveCol(j), row);
                    line_ += ' ';
                    if (!split) {
                        appendPadded(line_, cell, 4);
                    } else {
                        std::string_view part = std::string_view(cell).substr(
                            std::min<std::size_t>(cell.size(), 4 * half), 4);
                        appendPadded(line_, part, 4);
                    }
                }
                out_.writeLine(line_);
            }
        }
    }

    void PrintSpeciesLines(const RowPlan& r, std::int32_t a, std::int32_t b, bool labelled) {
        const auto entries = dom_.entries(r.slot, a, b);
        const std::size_t lead = labelled ? NameWidth + 4 : 0;
        bool firstLine = true;
        for (int k = 1; k <= LayerCount; ++k) {
            if (!LayerInUse(dom_, r.slot, k)) continue;
            line_.clear();
            if (labelled) {
                line_ += firstLine ? r.text : std::string(NameWidth, ' ');
                line_ += ' ';
                line_ += t_.print.LayerLabels[k - 1];
                line_ += ':';
                line_.resize(lead, ' ');
            }
            line_ += blankCells_;
            for (const DomLineTable::Entry& e : entries)
                if (used_[e.column])
                    std::memcpy(line_.data() + lead + CellWidth * (e.column - a),
                                cells_[e.codes[k - 1]].data(), CellWidth);
            if (p_.ChkBoxfq && b == nr_ && firstLine) {
                line_ += ' ';
                line_ += IntText4(percentFrequency(r.freq, nr_));
            }
            out_.writeLine(line_);
            firstLine = false;
        }
        if (firstLine) out_.writeLine({});
    }

    // Each relevé holding species of frequency 1 in PN1..PN2 gives one line.
    void PrintOneTimeSp() {
        out_.writeLine(sj("出現回数１回の種"));
        struct Once {
            std::string name;
            std::int32_t slot;
        };
        std::vector<Once> once;
        const std::int32_t slots = t_.model.codes().speciesSlots();
        std::vector<std::int32_t> firstOfSlot(static_cast<std::size_t>(slots), -1), nextOf;
        for (std::int32_t s = std::max(p_.PN1.value, 0); s <= p_.PN2.value; ++s) {
            if (t_.model.freq().at(static_cast<std::size_t>(s)) != 1) continue;
            std::int32_t slot = speciesSlotChecked(t_, s);
            once.push_back(
                {trimControl(t_.model.cell(TableLayout::NameCol, layout_.speciesRow(s))), slot});
            nextOf.push_back(-1);
        }
        // Rows of one slot chained in row order, so the hits of a relevé come
        // out in row order after one sort.
        for (std::int32_t k = static_cast<std::int32_t>(once.size()) - 1; k >= 0; --k) {
            nextOf[k] = firstOfSlot[once[k].slot];
            firstOfSlot[once[k].slot] = k;
        }
        std::vector<std::pair<std::int32_t, const LayerCodes*>> hits;
        std::int32_t n = 0;
        for (std::int32_t j = 1; j <= nr_ && !once.empty(); ++j) {
            if (used_[j]) ++n;
            hits.clear();
            for (const auto& [slot, codes] : t_.model.codes().releve(releveSlotChecked(t_, j)))
                for (std::int32_t k = firstOfSlot[slot]; k >= 0; k = nextOf[k])
                    hits.emplace_back(k, &codes);
            if (hits.empty()) continue;
            std::sort(hits.begin(), hits.end());
            line_ = "No." + std::to_string(n);
            for (const auto& [k, codes] : hits) {
                line_ += ", ";
                line_ += once[k].name;
                for (int l = 0; l < LayerCount; ++l) {
                    if ((*codes)[l] == 0) continue;
                    line_ += ' ';
                    line_ += t_.print.LayerLabels[l];
                    line_ += ':';
                    line_ += trimControl(CoverCodeText((*codes)[l], t_.data.CurrentNotation));
                }
            }
            line_ += '.';
            out_.writeLine(line_);
        }
        out_.writeLine({});
    }

    const TableState& t_;
    const PrintPanel& p_;
    OutputChannel& out_;
    TableLayout layout_;
    DomLineTable dom_;
    std::int32_t nr_;
    std::vector<char> used_;  // NumSpArray[j] > 0
    std::array<std::array<char, CellWidth>, 256> cells_{};
    std::vector<RowPlan> rows_;
    std::string line_, blankCells_;
    std::int32_t running_ = 0;
};

// Calls page(a, b) for each page's first and last relevé column. Later pages
// hold 6 columns more, in the room of the caption column, unless it is repeated.
template <typename F>
void forEachPage(const TableState& t, const PrintPanel& p, std::uint16_t PerPage, bool repeatNames,
                 F&& page) {
    const std::int32_t nr = t.model.releveCount();
    std::int64_t capacity = PerPage;
    std::int32_t done = 0, b = 0;
    do {
        const std::int32_t a = done + 1;
        b = static_cast<std::int32_t>(std::min<std::int64_t>(a + capacity, nr));
        // Room for the frequency column, never at the cost of the page's only relevé.
        if (p.ChkBoxfq && b == nr && capacity - a == b && b > a) --b;
        page(a, b);
        if (a == 1 && !repeatNames) capacity += 6;
        done = b;
    } while (b < nr);
}

}  // namespace

void PrintTable(const TableState& t, const PrintPanel& p, OutputChannel& out, std::uint16_t PerPage,
                std::uint16_t FromPlant, std::uint16_t ToPlant, bool repeatNames) {
    const std::int32_t from = std::max<std::int32_t>(FromPlant, 1);
    const std::int32_t to = std::min<std::int32_t>(ToPlant, t.model.speciesCount());
    Writer w(t, p, out, from, to);
    forEachPage(t, p, PerPage, repeatNames,
                [&](std::int32_t a, std::int32_t b) { w.page(a, b, to, a == 1 || repeatNames); });
}

std::int32_t PageCount(const TableState& t, const PrintPanel& p, std::uint16_t PerPage,
                       bool repeatNames) {
    std::int32_t n = 0;
    forEachPage(t, p, PerPage, repeatNames, [&](std::int32_t, std::int32_t) { ++n; });
    return n;
}

}  // namespace tamsel

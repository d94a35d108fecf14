#include "table/composition_table.h"

#include <algorithm>
#include <new>
#include <utility>
#include <variant>

#include "datafile/numbers.h"
#include "platform/error.h"
#include "platform/progress.h"
#include "table/frequency.h"
#include "text/sjis.h"

namespace tamsel {

namespace {

using L = TableLayout;

std::string num(std::int32_t n) {
    return std::to_string(n);
}

// Entry first+k gets the entry of the item that moved there; order is 0-based.
std::vector<int> inverseOrder(const std::vector<int>& order) {
    std::vector<int> inv(order.size());
    for (std::size_t k = 0; k < order.size(); ++k)
        inv[static_cast<std::size_t>(order[k])] = static_cast<int>(k);
    return inv;
}

}  // namespace

CompositionTable::CompositionTable() {
    reset(std::string());
}

// --- reading -------------------------------------------------------------------

ReleveOrigin CompositionTable::originOf(std::int32_t releveSlot) const {
    if (releveSlot < 0 || static_cast<std::size_t>(releveSlot) >= origins_.size()) return {};
    const OriginRef& o = origins_[static_cast<std::size_t>(releveSlot)];
    return ReleveOrigin{originFiles_[o.file], o.record};
}

namespace {
std::int32_t slotIn(const Grid& g, int col, int row) {
    // A slot the table numbered itself is held as its integer.
    if (auto n = g.plainNumber(col, row)) return *n;
    const std::string& text = g.cell(col, row);
    auto v = parseNumberField(text);
    if (!v) {
        throw Error(
            msg("スロット番号が数値ではありません（列 %1、行 %2）: \"%3\"", col, row, text));
    }
    return *v;
}
}  // namespace

std::int32_t CompositionTable::releveSlotAt(int col) const {
    return slotIn(grid_, col, L::SlotRow);
}

std::int32_t CompositionTable::speciesSlotAt(int row) const {
    return slotIn(grid_, L::SlotCol, row);
}

const LayerCodes& CompositionTable::codesAt(int col, int row) const {
    return codes_.get(releveSlotAt(col), speciesSlotAt(row));
}

// --- the cells as shown --------------------------------------------------------

const std::string& CompositionTable::cell(int col, int row) const {
    const std::string& stored = grid_.cell(col, row);
    if (!isSpeciesCellInUse(col, row)) return stored;
    if (!stored.empty()) {
        static const std::string none;
        return stored == KeptEmpty ? none : stored;
    }
    return shownSummary(codesAt(col, row));
}

std::vector<std::string> CompositionTable::rowTexts(int row) const {
    std::vector<std::string> texts = grid_.rowTexts(row);
    for (int col = L::FirstReleveCol; col < static_cast<int>(texts.size()); ++col)
        if (isSpeciesCellInUse(col, row)) texts[static_cast<std::size_t>(col)] = cell(col, row);
    return texts;
}

std::vector<std::string> CompositionTable::colTexts(int col) const {
    std::vector<std::string> texts = grid_.colTexts(col);
    for (int row = freqRow_ + 1; row < static_cast<int>(texts.size()); ++row)
        if (isSpeciesCellInUse(col, row)) texts[static_cast<std::size_t>(row)] = cell(col, row);
    return texts;
}

std::vector<std::int32_t> CompositionTable::speciesPositions() const {
    std::vector<std::int32_t> pos(static_cast<std::size_t>(std::max(codes_.speciesSlots(), 0)), 0);
    const TableLayout layout(freqRow_);
    for (std::int32_t i = 1; i <= speciesCount_; ++i) {
        const std::int32_t s = speciesSlotAt(layout.speciesRow(i));
        if (s >= 0 && static_cast<std::size_t>(s) < pos.size())
            pos[static_cast<std::size_t>(s)] = i;
    }
    return pos;
}

std::vector<CompositionTable::KeptCell> CompositionTable::keptSpeciesCells() const {
    std::vector<KeptCell> kept;
    const TableLayout layout(freqRow_);
    const int last = L::lastReleveCol(releveCount_);
    for (std::int32_t i = 1; i <= speciesCount_; ++i)
        grid_.forEachInRow(layout.speciesRow(i), [&](int col, const std::string& text) {
            if (col >= L::FirstReleveCol && col <= last)
                kept.push_back(KeptCell{L::releveAt(col), i, &text});
        });
    std::sort(kept.begin(), kept.end(), [](const KeptCell& a, const KeptCell& b) {
        return a.j != b.j ? a.j < b.j : a.i < b.i;
    });
    return kept;
}

std::string CompositionTable::keptText(int col, int row, std::string text) const {
    if (text == shownSummary(codesAt(col, row))) return std::string();
    if (text.empty()) return KeptEmpty;
    return text;
}

TableFields CompositionTable::fields() const {
    return TableFields{title_,   plantCapacity_, releveCapacity_, releveCount_, speciesCount_,
                       freqRow_, freq_,          numSp_,          domLine_};
}

TableScalars CompositionTable::scalars() const {
    return TableScalars{title_,       plantCapacity_, releveCapacity_,
                        releveCount_, speciesCount_,  freqRow_};
}

void CompositionTable::restoreScalars(TableScalars&& s) {
    title_ = std::move(s.title);
    plantCapacity_ = s.plantCapacity;
    releveCapacity_ = s.releveCapacity;
    releveCount_ = s.releveCount;
    speciesCount_ = s.speciesCount;
    freqRow_ = s.freqRow;
}

void CompositionTable::setFields(TableFields&& f) {
    restoreScalars({std::move(f.title), f.plantCapacity, f.releveCapacity, f.releveCount,
                    f.speciesCount, f.freqRow});
    freq_ = std::move(f.freq);
    numSp_ = std::move(f.numSp);
    domLine_ = std::move(f.domLine);
}

// --- cells and codes -----------------------------------------------------------

namespace {
[[noreturn]] void refuseSlotCell(int col, int row) {
    throw Error(
        msg("内部エラー: スロット番号のセルは書き換えられません（列 %1、行 %2）", col, row));
}
}  // namespace

void CompositionTable::refuseControl(int col, int row, const std::string& text) const {
    auto shown = [](std::string s) {
        blankControls(s, TextEnds::Trimmed);
        return s;
    };
    const std::string what = sj("に改行やタブなどの制御文字があるため、表に書き込めません。");
    if (col == L::NameCol)
        throw Error(msg(row > freqRow_ ? "種名「%1」（行 %2）" : "項目名「%1」（行 %2）",
                        shown(text), row) +
                    what);
    if (!L::isReleveCol(col)) throw Error(msg("行 %1、列 %2 のセル", row, col) + what);
    std::string field = row == L::SerialRow ? sj("通し番号")
                        : row == freqRow_   ? sj("種数")
                                            : shown(grid_.cell(L::NameCol, row));
    throw Error(
        msg("測定 %1（列 %2）の「%3」の欄", shown(grid_.cell(col, L::SerialRow)), col, field) +
        what);
}

void CompositionTable::setTitle(std::string title) {
    if (findControl(title) != std::string::npos)
        throw Error(sj("表の標題に改行やタブなどの制御文字があるため、表に書き込めません。"));
    title_ = std::move(title);
}

void CompositionTable::setCell(int col, int row, std::string text) {
    if (col == L::SlotCol || row == L::SlotRow) refuseSlotCell(col, row);
    if (findControl(text) != std::string::npos) refuseControl(col, row, text);
    if (isSpeciesCellInUse(col, row)) text = keptText(col, row, std::move(text));
    grid_.setCell(col, row, std::move(text));
}

void CompositionTable::setCells(const std::vector<CellWrite>& cells) {
    // Every cell is looked at before any is written, so a refusal changes nothing.
    for (const CellWrite& c : cells) {
        if (c.col == L::SlotCol || c.row == L::SlotRow) refuseSlotCell(c.col, c.row);
        if (findControl(c.text) != std::string::npos) refuseControl(c.col, c.row, c.text);
    }
    if (std::any_of(cells.begin(), cells.end(),
                    [&](const CellWrite& c) { return isSpeciesCellInUse(c.col, c.row); })) {
        for (const CellWrite& c : cells) setCell(c.col, c.row, c.text);
        return;
    }
    grid_.setCells(cells);
}

void CompositionTable::clearCol(int col) {
    if (col == L::SlotCol) refuseSlotCell(col, 0);
    std::string slot = grid_.cell(col, L::SlotRow);
    grid_.clearCol(col);
    grid_.setCell(col, L::SlotRow, std::move(slot));
}

void CompositionTable::setOrigin(std::int32_t releveSlot, ReleveOrigin origin) {
    if (releveSlot < 0) return;
    const auto k = static_cast<std::size_t>(releveSlot);
    if (k >= origins_.size()) {
        if (origin.dataFile.empty()) return;
        origins_.resize(k + 1);
    }
    ReleveOrigin old = originOf(releveSlot);
    if (old == origin) return;
    if (link_.log) link_.log->makeRoom();
    origins_[k] = OriginRef{originFile(origin.dataFile), origin.record};
    record(change::Origin{releveSlot, old.record, std::move(old.dataFile)});
}

std::uint32_t CompositionTable::originFile(const std::string& dataFile) {
    for (std::size_t k = originFiles_.size(); k-- > 0;)
        if (originFiles_[k] == dataFile) return static_cast<std::uint32_t>(k);
    originFiles_.push_back(dataFile);
    return static_cast<std::uint32_t>(originFiles_.size() - 1);
}

// --- the arrays, recorded --------------------------------------------------------
// Each change is made with room for its record made first, and recorded after:
// a record that cannot be kept never stands for a change not made.

void CompositionTable::setCount(change::CountLine line, std::int32_t index, std::uint16_t value) {
    std::uint16_t& v = counts(line).at(static_cast<std::size_t>(index));
    if (v == value) return;
    if (link_.log) link_.log->makeRoom();
    record(change::Count{line, index, std::exchange(v, value)});
}

// The entry follows its row or column from one position to another.
void CompositionTable::moveCount(change::CountLine line, int from, int to) {
    std::vector<std::uint16_t>& v = counts(line);
    if (from < 0 || to < 0 || from >= static_cast<int>(v.size()) ||
        to >= static_cast<int>(v.size()) || from == to)
        return;
    if (link_.log) link_.log->makeRoom();
    if (from < to)
        std::rotate(v.begin() + from, v.begin() + from + 1, v.begin() + to + 1);
    else
        std::rotate(v.begin() + to, v.begin() + from, v.begin() + from + 1);
    record(change::CountMove{line, to, from});
}

void CompositionTable::permuteCounts(change::CountLine line, const std::vector<int>& order) {
    std::vector<std::uint16_t>& v = counts(line);
    std::vector<std::uint16_t> old(v.begin() + 1, v.begin() + 1 + static_cast<long>(order.size()));
    std::vector<int> inverse = link_.log ? inverseOrder(order) : std::vector<int>{};
    if (link_.log) link_.log->makeRoom();
    for (std::size_t k = 0; k < order.size(); ++k)
        v[k + 1] = old[static_cast<std::size_t>(order[k])];
    // Equal counts exchanged (relevés of as many species) change nothing to undo.
    if (!std::equal(old.begin(), old.end(), v.begin() + 1))
        record(change::CountOrder{line, std::move(inverse)});
}

void CompositionTable::resizeCounts(change::CountLine line, std::size_t size,
                                    std::vector<std::uint16_t>&& restored) {
    std::vector<std::uint16_t>& v = counts(line);
    const std::size_t old = v.size();
    if (size == old) return;
    std::vector<std::uint16_t> dropped;
    if (size < old && link_.log) dropped.assign(v.begin() + static_cast<long>(size), v.end());
    if (link_.log) link_.log->makeRoom();
    v.resize(size, 0);
    for (std::size_t k = 0; k < restored.size() && old + k < size; ++k) v[old + k] = restored[k];
    record(change::CountSize{line, static_cast<std::int32_t>(old), std::move(dropped)});
}

void CompositionTable::resizeDomLine(std::size_t size, std::vector<LayerCodes>&& restored) {
    const std::size_t old = domLine_.size();
    if (size == old) return;
    std::vector<LayerCodes> dropped;
    if (size < old && link_.log)
        dropped.assign(domLine_.begin() + static_cast<long>(size), domLine_.end());
    if (link_.log) link_.log->makeRoom();
    domLine_.resize(size, LayerCodes{});
    for (std::size_t k = 0; k < restored.size() && old + k < size; ++k)
        domLine_[old + k] = restored[k];
    record(change::DomLineSize{static_cast<std::int32_t>(old), std::move(dropped)});
}

// --- for the history ---------------------------------------------------------------

namespace {
template <class... F>
struct Overloaded : F... {
    using F::operator()...;
};
template <class... F>
Overloaded(F...) -> Overloaded<F...>;
}  // namespace

void CompositionTable::setChangeLog(ChangeLog* log) {
    grid_.setChangeLog(log);
    codes_.setChangeLog(log);
    link_.log = log;
}

void CompositionTable::applyChange(Change& c) {
    Grid& g = grid_;
    CoverArray& a = codes_;
    std::visit(Overloaded{
                   [&](change::Cell& x) { g.setCell(x.col, x.row, std::move(x.text)); },
                   [&](change::Row& x) {
                       std::vector<std::string> texts(static_cast<std::size_t>(g.colCount()));
                       for (auto& [col, text] : x.cells)
                           texts.at(static_cast<std::size_t>(col)) = std::move(text);
                       g.setRowTexts(x.row, texts);
                   },
                   [&](change::RowCount& x) { g.setRowCount(x.count); },
                   [&](change::ColCount& x) { g.setColCount(x.count); },
                   [&](change::RowOrder& x) { g.permuteRows(x.first, x.order); },
                   [&](change::ColOrder& x) { g.permuteCols(x.first, x.order); },
                   [&](change::RowMove& x) { g.moveRow(x.from, x.to); },
                   [&](change::ColMove& x) { g.moveCol(x.from, x.to); },
                   [&](change::Codes& x) { a.set(x.releve, x.species, x.codes); },
                   [&](change::Releve& x) { a.replaceReleve(x.releve, std::move(x.codes)); },
                   [&](change::CoverSize& x) { a.resize(x.releves, x.species); },
                   [&](change::Count& x) { setCount(x.line, x.index, x.value); },
                   [&](change::CountMove& x) { moveCount(x.line, x.from, x.to); },
                   [&](change::CountOrder& x) { permuteCounts(x.line, x.order); },
                   [&](change::CountSize& x) {
                       resizeCounts(x.line, static_cast<std::size_t>(x.size), std::move(x.dropped));
                   },
                   [&](change::DomLineSize& x) {
                       resizeDomLine(static_cast<std::size_t>(x.size), std::move(x.dropped));
                   },
                   [&](change::Origin& x) {
                       setOrigin(x.slot, ReleveOrigin{std::move(x.dataFile), x.record});
                   },
                   [&](change::Region& x) { g.restoreRegion(x); },
               },
               c);
}

// --- size ----------------------------------------------------------------------

bool CompositionTable::growReleves(std::int32_t count) {
    std::int64_t n = releveCapacity_;
    while (n < count) n += 8;
    if (n > 2147483647 - 8) return false;
    const std::int32_t old = releveCapacity_;
    try {
        resizeCounts(change::CountLine::NumSp, static_cast<std::size_t>(n) + 1);
        resizeDomLine(static_cast<std::size_t>(n) + 1);
        codes_.resize(static_cast<int>(n) + 1, plantCapacity_ + 1);
        const int oldCols = grid_.colCount();
        grid_.setColCount(L::gridColCount(static_cast<std::int32_t>(n)));
        for (std::int32_t m = old + 1; m <= n; ++m) {
            setCount(change::CountLine::NumSp, m, 0);
            const int col = L::releveCol(m);
            // Columns the grid has just made are empty; clearing one visits every row.
            if (col < oldCols) grid_.clearCol(col);
            grid_.setCell(col, L::SlotRow, num(m));
            grid_.setCell(col, L::SerialRow, IntText4(m));
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    releveCapacity_ = static_cast<std::int32_t>(n);
    return true;
}

bool CompositionTable::growSpecies(std::int32_t count) {
    std::int64_t n = plantCapacity_;
    while (n < count) n += 16;
    if (n > 2147483647 - 32) return false;
    const std::int32_t old = plantCapacity_;
    try {
        resizeCounts(change::CountLine::Freq, static_cast<std::size_t>(n) + 1);
        codes_.resize(releveCapacity_ + 1, static_cast<int>(n) + 1);
        grid_.setRowCount(L::gridRowCount(static_cast<std::int32_t>(n)));
        const TableLayout layout(freqRow_);
        for (std::int32_t m = old + 1; m <= n; ++m) {
            setCount(change::CountLine::Freq, m, 0);
            const int row = layout.speciesRow(m);
            grid_.clearRow(row);
            grid_.setCell(L::SlotCol, row, num(m));
            grid_.setCell(L::NumberCol, row, IntText4(m));
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    plantCapacity_ = static_cast<std::int32_t>(n);
    return true;
}

void CompositionTable::sizeGrid() {
    grid_.setRowCount(L::gridRowCount(plantCapacity_));
    grid_.setColCount(L::gridColCount(releveCapacity_));
}

void CompositionTable::reset(std::string title, std::int32_t plantCapacity,
                             std::int32_t releveCapacity) {
    title_ = std::move(title);
    plantCapacity_ = plantCapacity;
    releveCapacity_ = releveCapacity;
    freq_.assign(static_cast<std::size_t>(plantCapacity_) + 1, 0);
    numSp_.assign(static_cast<std::size_t>(releveCapacity_) + 1, 0);
    domLine_.assign(static_cast<std::size_t>(releveCapacity_) + 1, LayerCodes{});
    codes_ = CoverArray{};
    codes_.resize(releveCapacity_ + 1, plantCapacity_ + 1);
    speciesCount_ = 0;
    releveCount_ = 0;
}

void CompositionTable::blank(const TableLayout& layout,
                             const std::vector<std::string>& itemCaptions, ProgressBar* bar) {
    speciesCount_ = 0;
    releveCount_ = 0;
    origins_.clear();
    originFiles_.assign(1, std::string());
    if (bar) {
        bar->setRange(0, releveCapacity_ + plantCapacity_ + 1);
        bar->setPosition(0);
    }
    Grid& g = grid_;
    // Every cell of the table is cleared: the fixed columns and every relevé column.
    g.clearAll();
    for (std::int32_t j = 1; j <= releveCapacity_; ++j) {
        setCount(change::CountLine::NumSp, j, 0);
        g.setCell(L::releveCol(j), L::SlotRow, num(j));
        g.setCell(L::releveCol(j), L::SerialRow, IntText4(j));
        if (bar) bar->setPosition(j);
    }
    if (!itemCaptions.empty()) g.setCell(L::NameCol, L::SerialRow, itemCaptions[1]);
    for (int n = 2; n <= L::ItemCount && static_cast<std::size_t>(n) < itemCaptions.size(); ++n)
        if (int row = layout.itemRow(n)) g.setCell(L::NameCol, row, itemCaptions[n]);
    freqRow_ = layout.freqRow();
    static const std::string fn = sj("F＼N");
    g.setCell(L::FreqCol, freqRow_, fn);
    for (std::int32_t i = 1; i <= plantCapacity_; ++i) {
        setCount(change::CountLine::Freq, i, 0);
        g.setCell(L::SlotCol, layout.speciesRow(i), num(i));
        g.setCell(L::NumberCol, layout.speciesRow(i), IntText4(i));
        if (bar) bar->setPosition(releveCapacity_ + i);
    }
    codes_.clearAll();
}

void CompositionTable::replace(TableFields&& f, CoverArray&& codes, Grid&& grid) {
    const auto slots = checkShape(f, codes, grid);
    checkKeptTexts(f, codes, grid, slots.first, slots.second);
    replaceAsIs(std::move(f), std::move(codes), std::move(grid));
}

void CompositionTable::replaceAsIs(TableFields&& f, CoverArray&& codes, Grid&& grid) {
    setFields(std::move(f));
    codes_ = std::move(codes);
    grid_ = std::move(grid);
    origins_.clear();  // a table built aside does not know them
    originFiles_.assign(1, std::string());
}

// --- rows and columns ----------------------------------------------------------

namespace {
// The model's own guard against a target outside the table (the edits' callers
// name a bad target to the user first); moves stay within the capacities.
void requireIn(int v, int lo, int hi, const char* what) {
    if (v < lo || v > hi)
        throw Error(msg("内部エラー: %1 %2 は範囲外です（%3～%4）", sj(what), v, lo, hi));
}
void requirePermutation(const std::vector<int>& order, std::int32_t capacity, const char* what) {
    std::vector<char> seen(order.size());
    bool ok = order.size() <= static_cast<std::size_t>(std::max(capacity, 0));
    for (int k : order)
        ok = ok && k >= 0 && static_cast<std::size_t>(k) < order.size() && !seen[k]++;
    if (!ok) throw Error(msg("内部エラー: %1の並べ替えの順序が正しくありません", sj(what)));
}
}  // namespace

bool CompositionTable::appendReleveColumn() {
    // The free columns hold nothing below their serials: what an add writes there,
    // and in the columns and rows it grows by, is undone as one region.
    grid_.recordFreshRegion(L::releveCol(releveCount_ + 1), L::SerialRow + 1);
    if (releveCount_ + 1 > releveCapacity_ && !growReleves(releveCount_ + 1)) return false;
    ++releveCount_;
    return true;
}

bool CompositionTable::appendSpeciesRow(std::string name) {
    const std::int32_t i = speciesCount_ + 1;
    if (findControl(name) != std::string::npos)
        refuseControl(L::NameCol, TableLayout(freqRow_).speciesRow(i), name);
    if (i > plantCapacity_ && !growSpecies(i)) return false;
    grid_.setCell(L::NameCol, TableLayout(freqRow_).speciesRow(i), std::move(name));
    speciesCount_ = i;
    return true;
}

void CompositionTable::dropSpeciesRowsAfter(std::int32_t count) {
    const TableLayout layout(freqRow_);
    for (std::int32_t i = count + 1; i <= speciesCount_; ++i)
        grid_.setCell(L::NameCol, layout.speciesRow(i), std::string());
    speciesCount_ = count;
}

void CompositionTable::renumberSerials() {
    for (std::int32_t j = 1; j <= releveCapacity_; ++j)
        grid_.setCell(L::releveCol(j), L::SerialRow, IntText4(j));
}

void CompositionTable::renumberRunning() {
    const TableLayout layout(freqRow_);
    for (std::int32_t i = 1; i <= plantCapacity_; ++i)
        grid_.setCell(L::NumberCol, layout.speciesRow(i), IntText4(i));
}

void CompositionTable::insertReleveColumn(int col) {
    requireIn(col, L::FirstReleveCol, L::releveCol(releveCount_ + 1), "列");
    if (releveCount_ + 1 > releveCapacity_ && !growReleves(releveCount_ + 1))
        throw Error(sj("列を挿入できません（メモリが足りません）"));
    ++releveCount_;
    const int freeCol = L::lastReleveCol(releveCount_);  // the first free column before
    const std::int32_t s = releveSlotAt(freeCol);
    grid_.moveCol(freeCol, col);
    moveCount(change::CountLine::NumSp, L::releveAt(freeCol), L::releveAt(col));
    grid_.clearCol(col);
    codes_.clearReleve(s);  // entry 0 too: a free slot holds nothing
    setOrigin(s, {});
    grid_.setCell(col, L::SlotRow, num(s));
    setCount(change::CountLine::NumSp, L::releveAt(col), 0);
    renumberSerials();
}

void CompositionTable::removeReleveColumn(int col) {
    requireIn(col, L::FirstReleveCol, L::lastReleveCol(releveCount_), "列");
    const int last = L::lastReleveCol(releveCount_);
    const std::int32_t s = releveSlotAt(col);
    grid_.moveCol(col, last);
    moveCount(change::CountLine::NumSp, L::releveAt(col), releveCount_);
    grid_.clearCol(last);
    grid_.setCell(last, L::SlotRow, num(s));
    codes_.clearReleve(s);  // entry 0 too: a free slot holds nothing
    setOrigin(s, {});
    setCount(change::CountLine::NumSp, releveCount_, 0);
    --releveCount_;
    renumberSerials();
}

void CompositionTable::insertSpeciesRow(int row) {
    requireIn(row, TableLayout(freqRow_).firstSpeciesRow(),
              TableLayout(freqRow_).speciesRow(speciesCount_ + 1), "行");
    if (speciesCount_ + 1 > plantCapacity_ && !growSpecies(speciesCount_ + 1))
        throw Error(sj("行を挿入できません（メモリが足りません）"));
    ++speciesCount_;
    const TableLayout layout(freqRow_);
    const int freeRow = layout.lastSpeciesRow(speciesCount_);  // the first free row before
    const std::int32_t s = speciesSlotAt(freeRow);
    grid_.moveRow(freeRow, row);
    moveCount(change::CountLine::Freq, speciesCount_, layout.speciesAt(row));
    grid_.clearRow(row);
    codes_.clearSpecies(s);
    grid_.setCell(L::SlotCol, row, num(s));
    setCount(change::CountLine::Freq, layout.speciesAt(row), 0);
    renumberRunning();
}

void CompositionTable::removeSpeciesRows(const std::vector<int>& rows) {
    // Bottom up, each in use: taking one out moves none of those still to go.
    const TableLayout layout(freqRow_);
    for (std::size_t k = 0; k < rows.size(); ++k) {
        requireIn(rows[k], layout.firstSpeciesRow(), layout.lastSpeciesRow(speciesCount_), "行");
        if (k > 0 && rows[k] >= rows[k - 1])
            throw Error(sj("内部エラー: 削除する行は下から順に並べてください"));
    }
    for (int row : rows) takeOutSpeciesRow(row);
    if (!rows.empty()) renumberRunning();
}

void CompositionTable::takeOutSpeciesRow(int row) {
    const TableLayout layout(freqRow_);
    const int last = layout.lastSpeciesRow(speciesCount_);
    const std::int32_t s = speciesSlotAt(row);
    grid_.moveRow(row, last);
    moveCount(change::CountLine::Freq, layout.speciesAt(row), speciesCount_);
    grid_.clearRow(last);
    grid_.setCell(L::SlotCol, last, num(s));
    codes_.clearSpecies(s);
    setCount(change::CountLine::Freq, speciesCount_, 0);
    --speciesCount_;
}

void CompositionTable::moveReleveColumn(int from, int to) {
    requireIn(from, L::FirstReleveCol, L::releveCol(releveCapacity_), "列");
    requireIn(to, L::FirstReleveCol, L::releveCol(releveCapacity_), "列");
    grid_.moveCol(from, to);
    moveCount(change::CountLine::NumSp, L::releveAt(from), L::releveAt(to));
}

void CompositionTable::moveSpeciesRow(int from, int to) {
    const TableLayout rows(freqRow_);
    requireIn(from, rows.firstSpeciesRow(), rows.speciesRow(plantCapacity_), "行");
    requireIn(to, rows.firstSpeciesRow(), rows.speciesRow(plantCapacity_), "行");
    const TableLayout layout(freqRow_);
    grid_.moveRow(from, to);
    moveCount(change::CountLine::Freq, layout.speciesAt(from), layout.speciesAt(to));
}

void CompositionTable::permuteReleveColumns(const std::vector<int>& order) {
    requirePermutation(order, releveCapacity_, "列");
    grid_.permuteCols(L::FirstReleveCol, order);
    permuteCounts(change::CountLine::NumSp, order);
}

void CompositionTable::permuteSpeciesRows(const std::vector<int>& order) {
    requirePermutation(order, plantCapacity_, "行");
    grid_.permuteRows(TableLayout(freqRow_).firstSpeciesRow(), order);
    permuteCounts(change::CountLine::Freq, order);
}

// --- counts --------------------------------------------------------------------

void CompositionTable::recount() {
    const TableLayout layout(freqRow_);
    PresenceCounts c = countPresences(*this);
    for (std::int32_t i = 1; i <= speciesCount_; ++i) {
        const int row = layout.speciesRow(i);
        setCount(change::CountLine::Freq, i, c.freq[i]);
        grid_.setCell(L::NumberCol, row, IntText4(i));
        grid_.setCell(L::FreqCol, row, IntText4(c.freq[i]));
    }
    for (std::int32_t j = 1; j <= releveCount_; ++j) {
        setCount(change::CountLine::NumSp, j, c.numSp[j]);
        grid_.setCell(L::releveCol(j), L::SerialRow, IntText4(j));
    }
    for (std::int32_t j = 1; j <= releveCount_; ++j)
        grid_.setCell(L::releveCol(j), freqRow_, IntText4(numSp_[j]));
}

}  // namespace tamsel

// --- comparing and checking -----------------------------------------------------

namespace tamsel {

namespace {

bool sameCells(const Grid& a, const Grid& b) {
    if (a.rowCount() != b.rowCount() || a.colCount() != b.colCount()) return false;
    std::vector<std::pair<int, std::string>> x, y;
    for (int r = 0; r < a.rowCount(); ++r) {
        x.clear();
        y.clear();
        a.forEachInRow(r, [&](int col, const std::string& text) { x.emplace_back(col, text); });
        b.forEachInRow(r, [&](int col, const std::string& text) { y.emplace_back(col, text); });
        std::sort(x.begin(), x.end());
        std::sort(y.begin(), y.end());
        if (x != y) return false;
    }
    return true;
}

bool sameCodes(const CoverArray& a, const CoverArray& b) {
    if (a.releveSlots() != b.releveSlots() || a.speciesSlots() != b.speciesSlots()) return false;
    for (int r = 0; r < a.releveSlots(); ++r)
        if (a.releve(r) != b.releve(r)) return false;
    return true;
}

}  // namespace

bool CompositionTable::operator==(const CompositionTable& o) const {
    if (!(fields() == o.fields())) return false;
    const std::size_t n = std::max(origins_.size(), o.origins_.size());
    for (std::size_t k = 0; k < n; ++k)
        if (!(originOf(static_cast<std::int32_t>(k)) == o.originOf(static_cast<std::int32_t>(k))))
            return false;
    return sameCodes(codes_, o.codes_) && sameCells(grid_, o.grid_);
}

namespace {

[[noreturn]] void brokenTable(const std::string& what) {
    throw Error(sj("内部エラー: 組成表の整合性が崩れています: ") + what);
}

// The slots of relevé columns 1..capacity (species rows 1..capacity), each of
// 1..capacity once; entry 0 unused.
std::vector<std::int32_t> slotsAlong(const Grid& g, std::int32_t capacity, bool releves,
                                     const TableLayout& layout) {
    std::vector<std::int32_t> slots(static_cast<std::size_t>(capacity) + 1);
    std::vector<char> seen(slots.size());
    for (std::int32_t k = 1; k <= capacity; ++k) {
        const int col = releves ? L::releveCol(k) : L::SlotCol;
        const int row = releves ? L::SlotRow : layout.speciesRow(k);
        const std::int32_t s = slotIn(g, col, row);
        if (s < 1 || s > capacity || seen[static_cast<std::size_t>(s)]++)
            brokenTable(releves ? sj("列 ") + num(col) + sj(" の測定スロット ") + num(s)
                                : sj("行 ") + num(row) + sj(" の種スロット ") + num(s));
        slots[static_cast<std::size_t>(k)] = s;
    }
    return slots;
}

}  // namespace

std::pair<std::vector<std::int32_t>, std::vector<std::int32_t>> CompositionTable::checkShape(
    const TableFields& f, const CoverArray& codes, const Grid& grid) {
    if (f.freqRow < L::MinFreqRow || f.freqRow > L::MaxFreqRow)
        brokenTable(sj("F＼N 行の位置 ") + num(f.freqRow));
    const TableLayout layout(f.freqRow);
    if (f.releveCount < 0 || f.releveCount > f.releveCapacity || f.speciesCount < 0 ||
        f.speciesCount > f.plantCapacity)
        brokenTable(sj("件数 NR=") + num(f.releveCount) + ", NS=" + num(f.speciesCount) +
                    sj(" が容量 ") + num(f.releveCapacity) + ", " + num(f.plantCapacity) +
                    sj(" に収まりません"));
    const auto relSize = static_cast<std::size_t>(f.releveCapacity) + 1;
    const auto spSize = static_cast<std::size_t>(f.plantCapacity) + 1;
    if (f.numSp.size() != relSize || f.domLine.size() != relSize || f.freq.size() != spSize)
        brokenTable(sj("出現種数・DomLine・出現頻度の配列の大きさが容量と合いません"));
    if (codes.releveSlots() != f.releveCapacity + 1 || codes.speciesSlots() != f.plantCapacity + 1)
        brokenTable(sj("被度コードの配列の大きさが容量と合いません"));
    if (L::releveRoom(grid.colCount()) < f.releveCapacity ||
        layout.speciesRoom(grid.rowCount()) < f.plantCapacity)
        brokenTable(sj("表の行数・列数が容量に足りません"));
    return {slotsAlong(grid, f.releveCapacity, true, layout),
            slotsAlong(grid, f.plantCapacity, false, layout)};
}

void CompositionTable::checkKeptTexts(const TableFields& f, const CoverArray& codes,
                                      const Grid& grid, const std::vector<std::int32_t>& relSlot,
                                      const std::vector<std::int32_t>& spSlot) {
    const TableLayout layout(f.freqRow);
    const int last = L::lastReleveCol(f.releveCount);
    for (std::int32_t i = 1; i <= f.speciesCount; ++i) {
        const int row = layout.speciesRow(i);
        const std::int32_t s = spSlot[static_cast<std::size_t>(i)];
        grid.forEachInRow(row, [&](int col, const std::string& text) {
            if (col < L::FirstReleveCol || col > last) return;
            const std::string& shown =
                shownSummary(codes.get(relSlot[static_cast<std::size_t>(L::releveAt(col))], s));
            if (text == KeptEmpty ? shown.empty() : text == shown)
                brokenTable(sj("セル（列 ") + num(col) + sj("、行 ") + num(row) +
                            sj("）が被度コードの示す文字を重ねて持っています"));
        });
    }
}

void CompositionTable::checkInvariants() const {
    auto fault = brokenTable;
    const TableLayout layout(freqRow_);
    const auto slots = checkShape(fields(), codes_, grid_);
    const std::vector<std::int32_t>&relSlot = slots.first, &spSlot = slots.second;
    for (std::int32_t j = releveCount_ + 1; j <= releveCapacity_; ++j) {
        const int col = L::releveCol(j);
        const std::int32_t s = relSlot[static_cast<std::size_t>(j)];
        if (!codes_.releve(s).empty() || !(originOf(s) == ReleveOrigin{}))
            fault(sj("空き列 ") + num(col) + sj(" に被度コードか由来があります"));
        for (int r = L::SerialRow + 1; r < grid_.rowCount(); ++r)
            if (!grid_.isEmpty(col, r))
                fault(sj("空き列 ") + num(col) + sj(" の行 ") + num(r) + sj(" が空ではありません"));
    }
    for (std::int32_t i = speciesCount_ + 1; i <= plantCapacity_; ++i) {
        const int row = layout.speciesRow(i);
        const std::int32_t s = spSlot[static_cast<std::size_t>(i)];
        for (int r = 0; r < codes_.releveSlots(); ++r)
            if (!allZero(codes_.get(r, s)))
                fault(sj("空き行 ") + num(row) + sj(" に被度コードがあります"));
        grid_.forEachInRow(row, [&](int col, const std::string&) {
            if (col > L::NumberCol)
                fault(sj("空き行 ") + num(row) + sj(" の列 ") + num(col) +
                      sj(" が空ではありません"));
        });
    }
    checkKeptTexts(fields(), codes_, grid_, relSlot, spSlot);
}

}  // namespace tamsel

#include "table/composition_table.h"

#include <algorithm>
#include <new>

#include "datafile/numbers.h"
#include "platform/error.h"
#include "platform/ui.h"
#include "table/frequency.h"
#include "text/sjis.h"

namespace tamsel {

namespace {

using L = TableLayout;

std::string num(std::int32_t n) {
    return std::to_string(n);
}

// FreqArray and NumSpArray follow the rows and columns they were counted for.
void moveEntry(std::vector<std::uint16_t>& v, int from, int to) {
    if (from < 0 || to < 0 || from >= static_cast<int>(v.size()) ||
        to >= static_cast<int>(v.size()) || from == to)
        return;
    if (from < to)
        std::rotate(v.begin() + from, v.begin() + from + 1, v.begin() + to + 1);
    else
        std::rotate(v.begin() + to, v.begin() + from, v.begin() + from + 1);
}

// Entry first+k gets the entry of the item that moved there.
void permuteCounts(std::vector<std::uint16_t>& counts, const std::vector<int>& order) {
    std::vector<std::uint16_t> old(counts.begin() + 1, counts.begin() + 1 + order.size());
    for (std::size_t k = 0; k < order.size(); ++k) counts[k + 1] = old[order[k]];
}

}  // namespace

CompositionTable::CompositionTable() {
    reset(std::string());
}

// --- reading -------------------------------------------------------------------

const ReleveOrigin& CompositionTable::originOf(std::int32_t releveSlot) const {
    static const ReleveOrigin none;
    if (releveSlot < 0 || static_cast<std::size_t>(releveSlot) >= origins_.size()) return none;
    return origins_[static_cast<std::size_t>(releveSlot)];
}

namespace {
std::int32_t slotIn(const Grid& g, int col, int row) {
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

TableFields CompositionTable::fields() const {
    return TableFields{title_,   plantCapacity_, releveCapacity_, releveCount_, speciesCount_,
                       freqRow_, freq_,          numSp_,          domLine_};
}

void CompositionTable::setFields(TableFields&& f) {
    title_ = std::move(f.title);
    plantCapacity_ = f.plantCapacity;
    releveCapacity_ = f.releveCapacity;
    releveCount_ = f.releveCount;
    speciesCount_ = f.speciesCount;
    freqRow_ = f.freqRow;
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
    grid_.setCell(col, row, std::move(text));
}

void CompositionTable::setCells(const std::vector<CellWrite>& cells) {
    // Every cell is looked at before any is written, so a refusal changes nothing.
    for (const CellWrite& c : cells) {
        if (c.col == L::SlotCol || c.row == L::SlotRow) refuseSlotCell(c.col, c.row);
        if (findControl(c.text) != std::string::npos) refuseControl(c.col, c.row, c.text);
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
    origins_[k] = std::move(origin);
}

// --- size ----------------------------------------------------------------------

bool CompositionTable::growReleves(std::int32_t count) {
    std::int64_t n = releveCapacity_;
    while (n < count) n += 8;
    if (n > 2147483647 - 8) return false;
    const std::int32_t old = releveCapacity_;
    try {
        numSp_.resize(static_cast<std::size_t>(n) + 1, 0);
        domLine_.resize(static_cast<std::size_t>(n) + 1, LayerCodes{});
        codes_.resize(static_cast<int>(n) + 1, plantCapacity_ + 1);
        const int oldCols = grid_.colCount();
        grid_.setColCount(L::gridColCount(static_cast<std::int32_t>(n)));
        for (std::int32_t m = old + 1; m <= n; ++m) {
            numSp_[m] = 0;
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
        freq_.resize(static_cast<std::size_t>(n) + 1, 0);
        codes_.resize(releveCapacity_ + 1, static_cast<int>(n) + 1);
        grid_.setRowCount(L::gridRowCount(static_cast<std::int32_t>(n)));
        const TableLayout layout(freqRow_);
        for (std::int32_t m = old + 1; m <= n; ++m) {
            freq_[m] = 0;
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
    if (bar) {
        bar->setRange(0, releveCapacity_ + plantCapacity_ + 1);
        bar->setPosition(0);
    }
    Grid& g = grid_;
    // Every cell of the table is cleared: the fixed columns and every relevé column.
    g.clearAll();
    for (std::int32_t j = 1; j <= releveCapacity_; ++j) {
        numSp_.at(j) = 0;
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
        freq_.at(i) = 0;
        g.setCell(L::SlotCol, layout.speciesRow(i), num(i));
        g.setCell(L::NumberCol, layout.speciesRow(i), IntText4(i));
        if (bar) bar->setPosition(releveCapacity_ + i);
    }
    codes_.clearAll();
}

void CompositionTable::replace(TableFields&& f, CoverArray&& codes, Grid&& grid) {
    setFields(std::move(f));
    codes_ = std::move(codes);
    grid_ = std::move(grid);
    origins_.clear();  // a table built aside does not know them
}

// --- rows and columns ----------------------------------------------------------

bool CompositionTable::appendReleveColumn() {
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
    if (releveCount_ + 1 > releveCapacity_ && !growReleves(releveCount_ + 1))
        throw Error(sj("列を挿入できません（メモリが足りません）"));
    ++releveCount_;
    const int freeCol = L::lastReleveCol(releveCount_);  // the first free column before
    const std::int32_t s = releveSlotAt(freeCol);
    grid_.moveCol(freeCol, col);
    moveEntry(numSp_, L::releveAt(freeCol), L::releveAt(col));
    grid_.clearCol(col);
    codes_.clearReleve(s);  // entry 0 too: a free slot holds nothing
    setOrigin(s, {});
    grid_.setCell(col, L::SlotRow, num(s));
    numSp_.at(L::releveAt(col)) = 0;
    renumberSerials();
}

void CompositionTable::removeReleveColumn(int col) {
    const int last = L::lastReleveCol(releveCount_);
    const std::int32_t s = releveSlotAt(col);
    grid_.moveCol(col, last);
    moveEntry(numSp_, L::releveAt(col), releveCount_);
    grid_.clearCol(last);
    grid_.setCell(last, L::SlotRow, num(s));
    codes_.clearReleve(s);  // entry 0 too: a free slot holds nothing
    setOrigin(s, {});
    numSp_.at(releveCount_) = 0;
    --releveCount_;
    renumberSerials();
}

void CompositionTable::insertSpeciesRow(int row) {
    if (speciesCount_ + 1 > plantCapacity_ && !growSpecies(speciesCount_ + 1))
        throw Error(sj("行を挿入できません（メモリが足りません）"));
    ++speciesCount_;
    const TableLayout layout(freqRow_);
    const int freeRow = layout.lastSpeciesRow(speciesCount_);  // the first free row before
    const std::int32_t s = speciesSlotAt(freeRow);
    grid_.moveRow(freeRow, row);
    moveEntry(freq_, speciesCount_, layout.speciesAt(row));
    grid_.clearRow(row);
    codes_.clearSpecies(s);
    grid_.setCell(L::SlotCol, row, num(s));
    freq_.at(layout.speciesAt(row)) = 0;
    renumberRunning();
}

void CompositionTable::removeSpeciesRows(const std::vector<int>& rows) {
    for (int row : rows) takeOutSpeciesRow(row);
    if (!rows.empty()) renumberRunning();
}

void CompositionTable::takeOutSpeciesRow(int row) {
    const TableLayout layout(freqRow_);
    const int last = layout.lastSpeciesRow(speciesCount_);
    const std::int32_t s = speciesSlotAt(row);
    grid_.moveRow(row, last);
    moveEntry(freq_, layout.speciesAt(row), speciesCount_);
    grid_.clearRow(last);
    grid_.setCell(L::SlotCol, last, num(s));
    codes_.clearSpecies(s);
    freq_.at(speciesCount_) = 0;
    --speciesCount_;
}

void CompositionTable::moveReleveColumn(int from, int to) {
    grid_.moveCol(from, to);
    moveEntry(numSp_, L::releveAt(from), L::releveAt(to));
}

void CompositionTable::moveSpeciesRow(int from, int to) {
    const TableLayout layout(freqRow_);
    grid_.moveRow(from, to);
    moveEntry(freq_, layout.speciesAt(from), layout.speciesAt(to));
}

void CompositionTable::permuteReleveColumns(const std::vector<int>& order) {
    // The counts first: a failure leaves the grid as it was.
    std::vector<std::uint16_t> numSp = numSp_;
    permuteCounts(numSp, order);
    grid_.permuteCols(L::FirstReleveCol, order);
    numSp_ = std::move(numSp);
}

void CompositionTable::permuteSpeciesRows(const std::vector<int>& order) {
    std::vector<std::uint16_t> freq = freq_;
    permuteCounts(freq, order);
    grid_.permuteRows(TableLayout(freqRow_).firstSpeciesRow(), order);
    freq_ = std::move(freq);
}

void CompositionTable::exchangeReleveSlots(const std::vector<SlotExchange>& exchanges) {
    for (const SlotExchange& x : exchanges) {
        grid_.setCell(L::releveCol(x.posE), L::SlotRow, num(x.m));
        if (x.posM >= 0) grid_.setCell(L::releveCol(x.posM), L::SlotRow, num(x.e));
        auto codesE = codes_.releve(x.e), codesM = codes_.releve(x.m);
        codes_.clearReleve(x.e);
        codes_.clearReleve(x.m);
        for (const auto& [s, c] : codesM) codes_.set(x.e, s, c);
        for (const auto& [s, c] : codesE) codes_.set(x.m, s, c);
        ReleveOrigin originE = originOf(x.e), originM = originOf(x.m);
        setOrigin(x.e, std::move(originM));
        setOrigin(x.m, std::move(originE));
    }
}

void CompositionTable::exchangeSpeciesSlots(const std::vector<SlotExchange>& exchanges) {
    if (exchanges.empty()) return;
    const TableLayout layout(freqRow_);
    std::vector<std::int32_t> map(static_cast<std::size_t>(codes_.speciesSlots()));
    for (std::size_t s = 0; s < map.size(); ++s) map[s] = static_cast<std::int32_t>(s);
    for (const SlotExchange& x : exchanges) {
        grid_.setCell(L::SlotCol, layout.speciesRow(x.posE), num(x.m));
        if (x.posM >= 0) grid_.setCell(L::SlotCol, layout.speciesRow(x.posM), num(x.e));
        map[x.e] = x.m;
        map[x.m] = x.e;
    }
    for (int r = 0; r < codes_.releveSlots(); ++r) {
        const auto& entries = codes_.releve(r);
        bool touched = std::any_of(entries.begin(), entries.end(),
                                   [&](const auto& en) { return map[en.first] != en.first; });
        if (!touched) continue;
        auto moved = entries;
        for (auto& en : moved) en.first = map[en.first];
        std::sort(moved.begin(), moved.end(),
                  [](const auto& x, const auto& y) { return x.first < y.first; });
        codes_.clearReleve(r);
        for (const auto& [s, c] : moved) codes_.set(r, s, c);
    }
}

// --- counts --------------------------------------------------------------------

void CompositionTable::recount() {
    const TableLayout layout(freqRow_);
    PresenceCounts c = countPresences(grid_, layout, speciesCount_, releveCount_);
    for (std::int32_t i = 1; i <= speciesCount_; ++i) {
        const int row = layout.speciesRow(i);
        freq_.at(i) = c.freq[i];
        grid_.setCell(L::NumberCol, row, IntText4(i));
        grid_.setCell(L::FreqCol, row, IntText4(c.freq[i]));
    }
    for (std::int32_t j = 1; j <= releveCount_; ++j) {
        numSp_.at(j) = c.numSp[j];
        grid_.setCell(L::releveCol(j), L::SerialRow, IntText4(j));
    }
    for (std::int32_t j = 1; j <= releveCount_; ++j)
        grid_.setCell(L::releveCol(j), freqRow_, IntText4(numSp_[j]));
}

}  // namespace tamsel

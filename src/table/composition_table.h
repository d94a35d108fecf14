// The composition table as one object: the grid of texts, the cover codes, the
// counts and capacities, and the arrays that follow its rows and columns
// (frequencies, species numbers, DomLine, relevé origins). Its fields are its
// own: every command changes the table through the operations below, which keep
// them in step. Every change of the grid, the codes, the arrays and the origins
// is recorded for the history at the one place it is made; the few scalars
// (title, counts, capacities, FreqRow) the history compares per step.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

#include "datafile/cover_codes.h"
#include "table/change_log.h"
#include "table/cover_array.h"
#include "table/grid.h"
#include "table/table_layout.h"

namespace tamsel::testing {
struct TableSurgery;
}

namespace tamsel {

class ProgressBar;

// Where a placed relevé came from: the data file (native path) and its record.
struct ReleveOrigin {
    std::string dataFile;
    std::int32_t record = 0;
    bool operator==(const ReleveOrigin&) const = default;
};

// The fields of a table beside its grid and codes, as a history step keeps them.
struct TableFields {
    std::string title;
    std::int32_t plantCapacity = 0, releveCapacity = 0;
    std::int32_t releveCount = 0, speciesCount = 0, freqRow = 0;
    std::vector<std::uint16_t> freq, numSp;
    std::vector<LayerCodes> domLine;
    bool operator==(const TableFields&) const = default;
};

// The table's scalar fields, as a history step compares them.
struct TableScalars {
    std::string title;
    std::int32_t plantCapacity = 0, releveCapacity = 0;
    std::int32_t releveCount = 0, speciesCount = 0, freqRow = 0;
    bool operator==(const TableScalars&) const = default;
};

class CompositionTable {
  public:
    static constexpr std::int32_t StartPlantCapacity = 127;
    static constexpr std::int32_t StartReleveCapacity = 23;

    CompositionTable();

    // --- what it holds -----------------------------------------------------
    const Grid& grid() const { return grid_; }
    const CoverArray& codes() const { return codes_; }  // TableArray, by slots
    const std::string& title() const { return title_; }
    std::int32_t releveCount() const { return releveCount_; }    // NR
    std::int32_t speciesCount() const { return speciesCount_; }  // NS
    std::int32_t plantCapacity() const { return plantCapacity_; }
    std::int32_t releveCapacity() const { return releveCapacity_; }
    std::int32_t freqRow() const { return freqRow_; }
    // FreqArray by species row position, NumSpArray and DomLine by relevé column
    // position; entry 0 unused.
    const std::vector<std::uint16_t>& freq() const { return freq_; }
    const std::vector<std::uint16_t>& numSp() const { return numSp_; }
    const std::vector<LayerCodes>& domLine() const { return domLine_; }
    // The origin kept for a relevé slot (an empty one when none is known).
    ReleveOrigin originOf(std::int32_t releveSlot) const;

    // The slot numbers that row 0 and column 0 carry; a cell that is not a
    // number throws Error naming the cell.
    std::int32_t releveSlotAt(int col) const;
    std::int32_t speciesSlotAt(int row) const;
    // The codes of the cell at grid (col, row), through the slots.
    const LayerCodes& codesAt(int col, int row) const;

    TableFields fields() const;

    // --- the cells as the table shows them ----------------------------------
    // A species cell in use (a species row and a relevé column in use) shows
    // its codes (shownSummary), unless a loaded table file brought another text
    // for it, which the grid keeps ("kept"); every other cell is the grid's
    // text. The grid holds no text a species cell derives.
    const std::string& cell(int col, int row) const;
    bool isEmpty(int col, int row) const { return cell(col, row).empty(); }
    // A whole row or column as cell() shows it.
    std::vector<std::string> rowTexts(int row) const;
    std::vector<std::string> colTexts(int col) const;
    bool isSpeciesCellInUse(int col, int row) const {
        return col >= TableLayout::FirstReleveCol &&
               col <= TableLayout::lastReleveCol(releveCount_) && row > freqRow_ &&
               row <= freqRow_ + speciesCount_;
    }
    // By species slot, the position of the species row in use that shows it
    // (0: none).
    std::vector<std::int32_t> speciesPositions() const;
    // Calls f(j, i, text) for every non-empty species cell in use (relevé
    // column j, species row i, by position), relevé by relevé through the codes,
    // then the kept texts: the work follows the codes, not rows x columns. An f
    // that returns bool stops the walk by returning false; an f of (j, i) alone
    // is told of the cells without their texts.
    template <typename F>
    void forEachSpeciesCell(F&& f) const;

    // Every member the same: texts, codes, counts, capacities, arrays and origins
    // (a slot without an origin and one past the origins alike).
    bool operator==(const CompositionTable& other) const;
    // Throws Error naming the first broken invariant: the sizes of the grid,
    // codes and arrays fit the capacities, the counts fit them, the slots of
    // the columns (rows) are 1..capacity each once, a free column or row holds
    // no text, codes or origin, and a cell in use shows its codes.
    void checkInvariants() const;
    // The part of it a table's parts can be checked for before they become the
    // table (sizes, counts, slots); gives the relevé and species slots by position.
    static std::pair<std::vector<std::int32_t>, std::vector<std::int32_t>> checkShape(
        const TableFields& f, const CoverArray& codes, const Grid& grid);

    // --- operations --------------------------------------------------------
    // The title, cell texts and names below take no control character (0x00-0x1F,
    // 0x7F): the table file cannot carry a line break, and what the readers bring
    // in has them made blanks. One throws Error naming the relevé or species and
    // the field, with nothing changed.
    void setTitle(std::string title);
    // A header, label or species cell (never the slot row or column). A species
    // cell in use keeps a text only where it differs from what its codes show.
    void setCell(int col, int row, std::string text);
    void setCells(const std::vector<CellWrite>& cells);
    // Every cell of the column but its slot.
    void clearCol(int col);
    void reserveCols(int n) { grid_.reserveCols(n); }
    void setCodes(std::int32_t releveSlot, std::int32_t speciesSlot, const LayerCodes& c) {
        codes_.set(releveSlot, speciesSlot, c);
    }
    void clearReleveCodes(std::int32_t releveSlot) { codes_.clearReleve(releveSlot); }
    void reserveReleveCodes(std::int32_t releveSlot, std::size_t n) {
        codes_.reserveReleve(releveSlot, n);
    }
    void setOrigin(std::int32_t releveSlot, ReleveOrigin origin);

    // Room for relevé positions up to at least count (steps of 8), species
    // positions up to at least count (steps of 16); new columns and rows carry
    // their slot and serial or running number. False (nothing changed) when
    // memory runs out.
    bool growReleves(std::int32_t count);
    bool growSpecies(std::int32_t count);
    // The grid sized for the capacities (a table set up anew).
    void sizeGrid();
    // Start values: title, capacities, empty arrays and codes; the grid is left
    // (sizeGrid and blank follow).
    void reset(std::string title, std::int32_t plantCapacity = StartPlantCapacity,
               std::int32_t releveCapacity = StartReleveCapacity);

    // Blanks the table: counts 0, every slot equal to its position, codes 0; the
    // serial row's label and each item row's caption (itemCaptions[n] for the
    // print item n the layout shows), FreqRow from the layout.
    void blank(const TableLayout& layout, const std::vector<std::string>& itemCaptions,
               ProgressBar* bar);
    // The table replaced by one built aside (a loaded file), its grid as the
    // model holds it (kept texts only in the species cells in use); parts
    // checkShape or checkKeptTexts refuse throw Error with the table unchanged.
    void replace(TableFields&& f, CoverArray&& codes, Grid&& grid);
    // FreqRow as the item rows above it now end (relevés placed under new boxes).
    void setFreqRow(std::int32_t freqRow) { freqRow_ = freqRow; }

    // The free relevé column after the last in use taken (releveCount one
    // more), and given back (a placing that failed); the column keeps what it
    // holds. False when no room could be made.
    bool appendReleveColumn();
    void dropLastReleveColumn() { --releveCount_; }
    // The free species row after the last in use taken and named; false when no
    // room could be made.
    bool appendSpeciesRow(std::string name);
    // The species rows after count emptied of their names and given back.
    void dropSpeciesRowsAfter(std::int32_t count);

    // An empty relevé column (species row) at col (row), the columns from there
    // on one further; its slot is a free one, its codes and origin cleared.
    // Throws Error when no room could be made.
    void insertReleveColumn(int col);
    void insertSpeciesRow(int row);
    // The column (row) emptied and moved behind the last in use, its slot free.
    void removeReleveColumn(int col);
    void removeSpeciesRow(int row) { removeSpeciesRows({row}); }
    // Each row in turn, as given (bottom up keeps the others where they are);
    // the running numbers written once.
    void removeSpeciesRows(const std::vector<int>& rows);
    // As a drag: the columns (rows) between shift by one; the counts follow.
    void moveReleveColumn(int from, int to);
    void moveSpeciesRow(int from, int to);
    // Relevé columns (species rows) k = 1..n get the ones that stood at
    // order[k - 1] + 1, with their counts and their serials (running numbers).
    void permuteReleveColumns(const std::vector<int>& order);
    void permuteSpeciesRows(const std::vector<int>& order);
    // Serials 1, 2, 3 ... over every relevé column, running numbers over every
    // species row.
    void renumberSerials();
    void renumberRunning();
    // Frequency of each species row in use (frequency column, FreqArray) and
    // species number of each relevé column in use (row FreqRow, NumSpArray);
    // running numbers and serials renumbered over the rows and columns in use.
    void recount();

    // --- for the history ----------------------------------------------------
    // Every later change records what reverses it there (null: nowhere).
    void setChangeLog(ChangeLog* log);
    // Makes the change c records (reversing the one it was recorded for), and
    // records what reverses that.
    void applyChange(Change& c);
    TableScalars scalars() const;
    void restoreScalars(TableScalars&& s);

    // What the grid holds for a species cell in use shown empty though its
    // codes are not (a loaded file's): a line end, which no cell of a table file
    // and no text a command writes can hold.
    static constexpr const char* KeptEmpty = "\r";

  private:
    struct KeptCell {
        std::int32_t j, i;
        const std::string* text;
    };
    // The kept texts of the species cells in use, by (j, i).
    std::vector<KeptCell> keptSpeciesCells() const;
    // What the grid should hold for text shown at a species cell in use.
    std::string keptText(int col, int row, std::string text) const;
    // The grid keeps no text of a species cell in use that its codes show.
    static void checkKeptTexts(const TableFields& f, const CoverArray& codes, const Grid& grid,
                               const std::vector<std::int32_t>& relSlot,
                               const std::vector<std::int32_t>& spSlot);
    [[noreturn]] void refuseControl(int col, int row, const std::string& text) const;
    // replace without the check: only the tests' surgery builds a broken table.
    void replaceAsIs(TableFields&& f, CoverArray&& codes, Grid&& grid);
    friend struct testing::TableSurgery;
    void takeOutSpeciesRow(int row);
    void setFields(TableFields&& f);
    // The count arrays' and DomLine's changes, each recorded.
    std::vector<std::uint16_t>& counts(change::CountLine line) {
        return line == change::CountLine::Freq ? freq_ : numSp_;
    }
    void setCount(change::CountLine line, std::int32_t index, std::uint16_t value);
    void moveCount(change::CountLine line, int from, int to);
    void permuteCounts(change::CountLine line, const std::vector<int>& order);
    void resizeCounts(change::CountLine line, std::size_t size,
                      std::vector<std::uint16_t>&& restored = {});
    void resizeDomLine(std::size_t size, std::vector<LayerCodes>&& restored = {});
    void record(Change c) {
        if (link_.log) link_.log->add(std::move(c));
    }

    Grid grid_;
    CoverArray codes_;
    std::string title_;
    std::int32_t plantCapacity_ = StartPlantCapacity;
    std::int32_t releveCapacity_ = StartReleveCapacity;
    std::int32_t releveCount_ = 0;
    std::int32_t speciesCount_ = 0;
    std::int32_t freqRow_ = 0;
    std::vector<std::uint16_t> freq_;
    std::vector<std::uint16_t> numSp_;
    std::vector<LayerCodes> domLine_;
    // By relevé slot, the origin of the relevé an add placed there; it moves
    // with the slot, as the codes do. The data file is a number in originFiles_
    // (0: none), where each is named once: an add places thousands from one file.
    struct OriginRef {
        std::uint32_t file = 0;
        std::int32_t record = 0;
    };
    std::vector<OriginRef> origins_;
    std::vector<std::string> originFiles_ = std::vector<std::string>(1);  // entry 0 is ""
    std::uint32_t originFile(const std::string& dataFile);
    ChangeLogLink link_;
};

template <typename F>
void CompositionTable::forEachSpeciesCell(F&& f) const {
    // An f of (j, i) alone asks for presences: the codes' texts are not looked up.
    constexpr bool presence = std::is_invocable_v<F&, std::int32_t, std::int32_t>;
    auto call = [&](std::int32_t j, std::int32_t i, const std::string& text) {
        auto once = [&] {
            if constexpr (presence)
                return f(j, i);
            else
                return f(j, i, text);
        };
        if constexpr (std::is_same_v<decltype(once()), bool>)
            return once();
        else {
            once();
            return true;
        }
    };
    const std::vector<std::int32_t> pos = speciesPositions();
    const std::vector<KeptCell> kept = keptSpeciesCells();
    auto isKept = [&](std::int32_t j, std::int32_t i) {
        auto it =
            std::lower_bound(kept.begin(), kept.end(), std::pair{j, i},
                             [](const KeptCell& k, const std::pair<std::int32_t, std::int32_t>& v) {
                                 return k.j != v.first ? k.j < v.first : k.i < v.second;
                             });
        return it != kept.end() && it->j == j && it->i == i;
    };
    for (std::int32_t j = 1; j <= releveCount_; ++j) {
        const std::int32_t v = releveSlotAt(TableLayout::releveCol(j));
        for (const auto& [s, c] : codes_.releve(v)) {
            if (s <= 0 || static_cast<std::size_t>(s) >= pos.size()) continue;
            const std::int32_t i = pos[static_cast<std::size_t>(s)];
            if (i == 0 || (!kept.empty() && isKept(j, i))) continue;
            // Codes held are never all zero, so their cell shows something.
            static const std::string unasked;
            if (!call(j, i, presence ? unasked : shownSummary(c))) return;
        }
    }
    for (const KeptCell& k : kept)
        if (*k.text != KeptEmpty && !call(k.j, k.i, *k.text)) return;
}

}  // namespace tamsel

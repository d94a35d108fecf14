#include "compose/put_table.h"

#include <functional>

#include "compose/dictionary.h"
#include "datafile/numbers.h"
#include "text/sjis.h"

namespace tamsel {

namespace {
std::uint32_t tagOf(std::size_t hash) {
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(hash) >> 32);
}
}  // namespace

std::size_t SpeciesRowIndex::probe(std::string_view name, std::size_t hash) const {
    const std::size_t mask = items_.size() - 1;
    const std::uint32_t tag = tagOf(hash);
    std::size_t k = hash & mask;
    while (items_[k].position != 0 &&
           (items_[k].tag != tag || names_[static_cast<std::size_t>(items_[k].position)] != name))
        k = (k + 1) & mask;
    return k;
}

std::size_t SpeciesRowIndex::hashOf(std::string_view name) {
    return std::hash<std::string_view>{}(name);
}

std::int32_t SpeciesRowIndex::find(std::string_view name) const {
    return find(name, hashOf(name));
}

std::int32_t SpeciesRowIndex::find(std::string_view name, std::size_t hash) const {
    if (items_.empty()) return 0;
    return items_[probe(name, hash)].position;
}

void SpeciesRowIndex::reserve(std::size_t names) {
    std::size_t size = 16;
    while (size < 2 * names) size *= 2;
    if (size <= items_.size()) return;
    std::vector<Item> old = std::move(items_);
    items_ = std::vector<Item>(size);
    for (const Item& it : old) {
        if (it.position == 0) continue;
        const std::string& name = names_[static_cast<std::size_t>(it.position)];
        items_[probe(name, std::hash<std::string_view>{}(name))] = it;
    }
}

void SpeciesRowIndex::add(std::string name, std::int32_t position) {
    reserve(used_ + 1);
    const std::size_t hash = std::hash<std::string_view>{}(name);
    Item& it = items_[probe(name, hash)];
    if (it.position != 0) return;  // the first row with the name keeps it
    it = Item{tagOf(hash), position};
    if (names_.size() <= static_cast<std::size_t>(position))
        names_.resize(static_cast<std::size_t>(position) + 1);
    names_[static_cast<std::size_t>(position)] = std::move(name);
    ++used_;
}

namespace {

SpeciesRowIndex indexUnder(const TableState& t, const TableLayout& layout) {
    SpeciesRowIndex index;
    index.freqRow = layout.freqRow();
    index.reserve(static_cast<std::size_t>(t.model.speciesCount()));
    for (std::int32_t i = 1; i <= t.model.speciesCount(); ++i)
        index.add(t.model.cell(TableLayout::NameCol, layout.speciesRow(i)), i);
    return index;
}

// Offsets of the header fields shown by ChkBox2..ChkBox7 (8 bytes each).
constexpr std::size_t eightByteFields[] = {hdr::ReleveNumber, hdr::SiteName,  hdr::SurveyDate,
                                           hdr::Latitude,     hdr::Longitude, hdr::GridCode};

}  // namespace

int printItemOfField(std::size_t offset) {
    if (offset < hdr::Altitude) return 2 + static_cast<int>((offset - hdr::ReleveNumber) / 8);
    return 8 + static_cast<int>((offset - hdr::Altitude) / 4);
}

namespace {

// Takes back a column that could not be placed whole: its cells, its codes and
// the species rows it appended. The slot and serial cells stay as growth made them.
void unplace(TableState& t, int col, std::int32_t releveSlot, std::int32_t speciesBefore) {
    const std::string serial = t.model.cell(col, TableLayout::SerialRow);
    t.model.clearCol(col);  // the slot stays: clearing never touches it
    t.model.setCell(col, TableLayout::SerialRow, serial);
    t.model.clearReleveCodes(releveSlot);
    t.model.dropSpeciesRowsAfter(speciesBefore);
}

}  // namespace

SpeciesRowIndex buildSpeciesRowIndex(const TableState& t) {
    return indexUnder(t, boxLayoutOf(t));
}

bool PutTable(TableState& t, const ReplaceName& d, SpeciesRowIndex& index, std::int32_t j) {
    return placeReleve(t, d, index, j, lastReleve(t.data));
}

bool appendReleve(TableState& t, const ReplaceName& d, SpeciesRowIndex& index, const ReleveView& r,
                  BlankedTexts* blanked) {
    if (!t.model.appendReleveColumn()) return false;
    if (placeReleve(t, d, index, t.model.releveCount(), r, blanked)) return true;
    // Nothing of it was placed; the relevés before it stay whole.
    t.model.dropLastReleveColumn();
    return false;
}

bool placeReleve(TableState& t, const ReplaceName& d, SpeciesRowIndex& index, std::int32_t j,
                 const ReleveView& p, BlankedTexts* blanked) {
    if (j > t.model.releveCapacity() && !t.model.growReleves(j)) return false;
    const int col = TableLayout::releveCol(j);
    BlankedTexts ignored;
    BlankedTexts& noted = blanked ? *blanked : ignored;

    // The header rows follow the boxes as they are now, and so does FreqRow.
    const TableLayout layout = boxLayoutOf(t);
    for (int k = 2; k <= PrintItemCount; ++k) {
        const int row = layout.itemRow(k);
        if (!row) continue;
        // The eight-byte fields are shown as stored; Altitude (box 8) through
        // SpeciesTotal (box 30) lie 4 bytes apart, trimmed and right-aligned.
        const bool eight = k <= 7;
        std::string text(eight ? p.field(eightByteFields[k - 2], 8)
                               : p.field(hdr::Altitude + 4 * static_cast<std::size_t>(k - 8), 4));
        noted.note(blankControls(text, eight ? TextEnds::Kept : TextEnds::Trimmed),
                   [&] { return trimControl(t.print.PrintItemBoxes[k].caption); });
        t.model.setCell(col, row, eight ? std::move(text) : PadLeft4(text));
    }
    t.model.setFreqRow(layout.freqRow());
    static const std::string rule = sj("──");
    t.model.setCell(col, t.model.freqRow(), rule);
    if (index.freqRow != t.model.freqRow()) index = indexUnder(t, layout);

    // A free column's slot holds no codes; clearing it keeps stale codes from
    // ever showing through this column.
    const std::int32_t releveSlot = t.model.releveSlotAt(col);
    t.model.clearReleveCodes(releveSlot);
    // Its entries are the head and at most one a species: sized once, not doubled.
    t.model.reserveReleveCodes(releveSlot, p.species.size() + 1);
    LayerCodes head{};
    head[0] = static_cast<CoverCode>(p.coverScale);
    head[1] = static_cast<CoverCode>(p.notation);
    t.model.setCodes(releveSlot, 0, head);

    const std::int32_t speciesBefore = t.model.speciesCount();
    // The names first, their index entries fetched ahead (see prefetch).
    std::size_t named = 0;
    for (const PlantSetEntry& e : p.species) {
        if (allZero(e.codes)) continue;
        if (named == index.pending.size()) {
            index.pending.emplace_back();
            index.pendingHashes.emplace_back();
        }
        std::string& stored = index.stored;
        stored.assign(e.nameView());
        noted.note(blankControls(stored, TextEnds::Trimmed),
                   [&] { return msg("種名「%1」", stored); });
        std::string& name = index.pending[named];
        name = cutBytes(LookupSynonym(d, stored), SpeciesNameSize);
        index.pendingHashes[named] = SpeciesRowIndex::hashOf(name);
        index.prefetch(index.pendingHashes[named]);
        ++named;
    }
    named = 0;
    for (const PlantSetEntry& e : p.species) {
        if (allZero(e.codes)) continue;
        std::string& name = index.pending[named];
        const std::size_t hash = index.pendingHashes[named++];
        std::int32_t i = index.find(name, hash);
        if (i == 0) {
            if (!t.model.appendSpeciesRow(name)) {
                unplace(t, col, releveSlot, speciesBefore);
                index.freqRow = -1;  // it holds the rows just taken back
                return false;
            }
            i = t.model.speciesCount();
            index.add(std::move(name), i);
        }
        const int row = layout.speciesRow(i);
        if (index.slotOf.size() <= static_cast<std::size_t>(i))
            index.slotOf.resize(static_cast<std::size_t>(i) + 1, 0);
        std::int32_t& slot = index.slotOf[static_cast<std::size_t>(i)];
        if (slot == 0) slot = t.model.speciesSlotAt(row);
        t.model.setCodes(releveSlot, slot, e.codes);
    }
    return true;
}

}  // namespace tamsel

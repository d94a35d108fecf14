// The exchange exports, for the field's other programs: the Cornell condensed
// file (CANOCO, vegan, JUICE, TWINSPAN), a long table of one line per record,
// each relevé's statistics and its indicator means. Each format has a writer on
// a ByteSink and a file-name wrapper through SafeFileWriter.
//
// All four read the table as it stands (no recount). The Cornell file and the
// long table take the relevé columns in table order that hold a species with a
// percent above zero, and the species rows with a percent above zero in one of
// them; comment rows and empty columns fall away. The statistics and the
// indicator means take every relevé column and every species present, as the
// table counts them.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "datafile/cover_codes.h"
#include "datafile/cover_values.h"
#include "io/byte_sink.h"
#include "output/slot_rows.h"
#include "table/table_state.h"

namespace tamsel {

// The percent of tenths with one decimal ("37.5").
void appendPercent(std::string& s, long long tenths);
// The van der Maarel ordinal value (r 1, + 2, 1 3, 2 5, 3 7, 4 8, 5 9); of
// several layers the highest. 0 where the percent is 0.
int ordinalValue(const LayerCodes& codes);

// The table as the exchange exports read it: which relevé columns and species
// rows take part, found in one pass over the cover entries; the records of one
// relevé are gathered when asked for, so a whole write holds one relevé's.
class ExchangeTable {
  public:
    struct Releve {
        std::int32_t column;  // relevé column j
        std::string serial;   // 通し番号 (row 1), trimmed
        std::string number;   // 測定番号 (item 2), trimmed; empty when the item has no row
    };
    struct Record {
        std::int32_t species;  // index into rows()
        LayerCodes codes;      // not all zero
        double tenths;         // the layers merged, in tenths of a percent; 0 for "*" only
    };

    // Which relevé columns and species rows take part.
    enum class Scope {
        Weighted,  // those with a percent above zero
        Whole,     // every relevé column; every species row with a code
    };

    // Reads every relevé column's slot; a slot outside TableArray throws Error
    // naming the column. The table must outlive this object. A species' percent
    // comes from the table's cover values, its layers merged by merge.
    explicit ExchangeTable(const TableState& t, LayerMerge merge = LayerMerge::Sum,
                           Scope scope = Scope::Weighted);
    // A species' percent in tenths, the layers merged.
    double tenthsOf(const LayerCodes& codes) const;
    // One layer's percent in tenths, as the sum of that layer alone.
    double layerTenths(CoverCode code) const;

    const std::vector<Releve>& releves() const { return releves_; }
    // The table rows i of the species, in row order.
    const std::vector<std::int32_t>& rows() const { return rows_; }
    // The records of relevé r (index into releves()) into out; in row order when
    // ordered, else in the order of the cover entries.
    void records(std::size_t r, std::vector<Record>& out, bool ordered = true) const;

  private:
    const TableState& t_;
    LayerMerge merge_;
    std::array<double, 256> tenths_{};       // by code, from the cover values
    double cap_ = 0.0;                       // the value of class 5
    SlotRows slots_;                         // over the rows 1..NS
    std::vector<std::int32_t> rank_;         // by row position - 1: index into rows_, or -1
    std::vector<std::int32_t> releveSlots_;  // by relevé, as releves_
    std::vector<Releve> releves_;
    std::vector<std::int32_t> rows_;
};

enum class CornellValues { Percent, Ordinal };
// The names at the end of a Cornell file: the table's own (ShortNames, the
// relevés' numbers), or ASCII codes S0001…, R0001… in table order with a key
// file beside it, for readers that take ASCII names only.
enum class CornellNames { Table, Codes };

// The Cornell condensed file: title, format line, the relevés' couplets of
// species number and value (eight to a line, values above zero only, each with
// its decimal point, read by an F6.0 field), the terminator, then the species'
// names and the relevés' names, ten of 8 bytes to a line. A relevé is named by
// its number, or by its serial where the number is empty or another relevé has
// it too.
void writeCornell(ByteSink& out, const TableState& t, CornellValues values,
                  CornellNames names = CornellNames::Table, LayerMerge merge = LayerMerge::Sum);
// The key of the codes: "code,name", then one line per species (its name
// cell, trimmed) and per relevé (its name as above).
void writeCornellKey(ByteSink& out, const TableState& t);
// With codes, the key file too: path's extension replaced by "-names.csv".
void saveCornell(const TableState& t, const std::string& path, CornellValues values,
                 CornellNames names = CornellNames::Table, LayerMerge merge = LayerMerge::Sum);
std::string cornellKeyPath(const std::string& path);

// One CSV line per relevé, species and layer with a code: 通し番号, 測定番号,
// 種名, 階層, 被度 (the code's text in the current notation), 被度%. With the
// layers merged independently, one line per relevé and species: its layers and
// codes joined by "/", and the merged percent.
void writeLongTable(ByteSink& out, const TableState& t, LayerMerge merge = LayerMerge::Sum);
void saveLongTable(const TableState& t, const std::string& path,
                   LayerMerge merge = LayerMerge::Sum);

// One CSV line per relevé column: 通し番号, 測定番号, S, 被度合計%, H' (natural
// logarithm), Simpson (1 - Σp²), J', on the percents. S counts every species
// the table shows in the relevé; one of weight zero adds nothing to the rest.
// The indices are empty when the cover sum is zero, J' also when fewer than two
// species have weight.
void writeReleveStats(ByteSink& out, const TableState& t, LayerMerge merge = LayerMerge::Sum);
void saveReleveStats(const TableState& t, const std::string& path,
                     LayerMerge merge = LayerMerge::Sum);

// Indicator values by species name, the name's letter case folded.
struct IndicatorValues {
    std::unordered_map<std::string, double> byName;
};
// Lines of "species name,value" in Shift-JIS, or in UTF-8 after a byte-order
// mark. The name may be in double quotes; otherwise the last comma ends it.
// Blank lines are skipped; any other line that is not a name and a number, and
// a name given twice, throws Error naming fileName and the line.
IndicatorValues parseIndicatorValues(std::string_view bytes, const std::string& fileName);
IndicatorValues readIndicatorValues(const std::string& path);

// One CSV line per relevé column: 通し番号, 測定番号, n (species with a percent
// above zero and a value), the mean and the mean weighted by percent; both
// empty where n = 0.
void writeIndicatorMeans(ByteSink& out, const TableState& t, const IndicatorValues& values,
                         LayerMerge merge = LayerMerge::Sum);
void saveIndicatorMeans(const TableState& t, const std::string& path, const IndicatorValues& values,
                        LayerMerge merge = LayerMerge::Sum);

}  // namespace tamsel

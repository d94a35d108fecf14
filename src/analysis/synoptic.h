// Relevé groups, the synoptic table (constancy and fidelity per group) and the
// sort of species rows by the group they are diagnostic of.
//
// A group is a run of relevé columns between empty ones (species number 0), so
// a table keeps its groups by keeping its empty columns. Fidelity is the phi
// coefficient with the target group's size equalised to N/K (Tichý & Chytrý
// 2006), so that a small group is not handicapped against a large one.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "io/byte_sink.h"
#include "platform/progress.h"
#include "table/table_state.h"

namespace tamsel {

// Relevé positions first .. last, all with species.
struct ReleveGroup {
    std::int32_t first = 0, last = 0;
    std::uint32_t size() const { return static_cast<std::uint32_t>(last - first + 1); }
};

// The runs of relevé columns 1 .. releveCount whose numSp entry is above 0.
std::vector<ReleveGroup> releveGroups(const std::vector<std::uint16_t>& numSp,
                                      std::int32_t releveCount);

struct SynopticOptions {
    double threshold = 25;                // phi x 100 at least this
    std::optional<double> fisherLevel{};  // and, if given, Fisher's p below it
    bool indval = false;                  // Dufrêne & Legendre's A and B too
    LayerMerge layers = LayerMerge::Sum;  // how A merges a species' layers
};

// The dialog's texts read as options; throws Error for a text that is no number
// or is out of range (threshold -100 .. 100, level 0 .. 1; an empty level: none).
SynopticOptions parseSynopticOptions(const std::string& threshold, const std::string& level);

// 100 n / N rounded to the nearest whole number, a half to the even one; 0 for N 0.
int roundedPercent(std::uint32_t n, std::uint32_t total);
// ".", "I" .. "V" on the exact percentage (I up to 20 %, ... V above 80 %).
const char* constancyClass(std::uint32_t n, std::uint32_t total);
// phi with group g's size equalised to N/K: ng of the groupSize relevés of g hold
// the species, n of all N. 0 where it is undefined (fewer than two groups, g
// holding every relevé, a zero denominator).
double fidelityPhi(std::uint32_t ng, std::uint32_t groupSize, std::uint32_t n, std::uint32_t total,
                   std::uint32_t groups);
// phi x 100 rounded, halves to even.
int phiPercent(double phi);
// One-sided Fisher exact test: the probability that a group of groupSize drawn
// from N relevés, n of which hold the species, holds at least ng of them.
double fisherUpperTail(std::uint32_t ng, std::uint32_t groupSize, std::uint32_t n,
                       std::uint32_t total);

struct SynopticRow {
    std::int32_t row = 0;                // table row position
    std::string name;                    // the name cell, bytes 0x00-0x20 trimmed
    std::uint32_t n = 0;                 // presences in all groups
    std::vector<std::uint32_t> present;  // per group
    std::vector<int> constancy;          // per group, rounded percent
    std::vector<int> phi;                // per group, phi x 100 rounded
    int diagnostic = 0;                  // 1-based group, 0 for none
    // With indval, per group: A, the mean percent cover in the group over the sum
    // of the group means (0 where that sum is 0), and B, present / group size.
    std::vector<double> indvalA, indvalB;
};

struct Synoptic {
    std::vector<ReleveGroup> groups;
    std::uint32_t total = 0;        // relevés in all groups
    std::vector<SynopticRow> rows;  // table rows with a frequency above 0, in order
    bool indval = false;            // the rows hold A and B
    // Diagnostic species per group.
    std::vector<std::uint32_t> diagnosticCounts() const;
};

// From the grid as it stands: a cell holding text is a presence; rows are taken
// by their FreqArray entry, groups by NumSpArray (both as a recount leaves them).
// A's cover comes from the cover codes (coverMatrix).
Synoptic computeSynoptic(const TableState& t, const SynopticOptions& options);

// The species row order of the fidelity sort: order[k] is the 0-based position of
// the row that ends at place k among rows 1 .. SpeciesCount.
std::vector<int> fidelityOrder(const TableState& t, const Synoptic& s);

// The CSV (Shift-JIS, CR LF): header, group sizes, one line per row; with indval
// four more blocks of one column per group, A, B, IndVal = AB and IndVal.g =
// sqrt(AB), each x 100 with one decimal.
void writeSynopticCsv(ByteSink& out, const Synoptic& s);

// "K 群: 識別種 群1 a 種、群2 b 種 …"
std::string synopticSummary(const Synoptic& s);

// Throws Error when the table's relevé columns hold no species, so that a command
// refuses before any dialog asks.
void requireReleves(const TableState& t);

// The recount, then the synoptic table; refuses a table without relevés.
Synoptic synopticOfTable(TableState& t, Progress& progress, const SynopticOptions& options);
// The recount, the sort and the summary in a message.
void sortByFidelity(TableState& t, Progress& progress, const SynopticOptions& options);

}  // namespace tamsel

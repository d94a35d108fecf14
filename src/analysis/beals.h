// Beals smoothing (Beals 1984): for each relevé and species, the mean over the
// species the relevé holds of the probability that the species occurs where that
// one does (their joint occurrences over its occurrences), on presences only.
// Where a species is missing from a relevé whose other species often go with it,
// its value is high: the species the relevé "should" have.
#pragma once

#include <cstdint>
#include <vector>

#include "analysis/twinspan.h"
#include "io/byte_sink.h"
#include "table/table_state.h"

namespace tamsel {

class BealsSmoothing {
  public:
    // Any value above 0 of the matrix is a presence.
    explicit BealsSmoothing(const TwinspanMatrix& presence);

    // The values of relevé r, one per species. excludeSelf leaves each species out
    // of its own mean (its own term and its place in the count of the relevé's
    // species); a mean over no species is 0.
    void releve(std::int32_t r, bool excludeSelf, std::vector<double>& out) const;

  private:
    const TwinspanMatrix& m_;
    std::int32_t species_;
    std::vector<std::int32_t> joint_;  // species x species joint occurrences, row-major (signed:
                                       // converts to double fastest)
    std::vector<double> inverse_;      // 1 / occurrences, 0 for a species that has none
};

// The CSV (Shift-JIS, CR LF): 測定番号 and the species names, then per relevé
// with species its number (trimmed) and the value of every species, six decimals.
void writeBealsCsv(ByteSink& out, const TableState& t, bool excludeSelf);

}  // namespace tamsel

// The composition table as the numeric analyses read it: the relevé columns and
// species rows that hold a presence, and each species' percent cover in each
// relevé, gathered from the cover codes in one pass.
#pragma once

#include <cstdint>
#include <vector>

#include "analysis/twinspan.h"
#include "datafile/cover_codes.h"
#include "datafile/cover_values.h"
#include "table/frequency.h"
#include "table/table_state.h"

namespace tamsel {

struct CoverMatrix {
    std::vector<std::int32_t> rows;  // species row positions i with a presence, in order
    std::vector<std::int32_t> cols;  // relevé column positions j with a presence, in order
    // Relevé k is column cols[k], species u is row rows[u]; values in percent,
    // species whose cover is 0 left out.
    TwinspanMatrix cover;
};

// counts: the presences as a recount or countPresences gives them. A species
// slot may stand in more than one row; each row gets the cover. A species'
// percent comes from the table's cover values, its layers merged by merge.
CoverMatrix coverMatrix(const TableState& t, const PresenceCounts& counts,
                        LayerMerge merge = LayerMerge::Sum);

}  // namespace tamsel

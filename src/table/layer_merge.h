// Merging a species' layers into one layer of the table ("層をまとめる…").
#pragma once

#include <cstdint>
#include <string>

#include "datafile/cover_values.h"
#include "table/table_state.h"

namespace tamsel {

// The layer (0..6) whose label, without the blanks around it, is name (Shift-JIS);
// throws Error naming the labels when none is.
int layerNamed(const TableState& t, const std::string& name);

// The codes of a species with its layers merged into layer into: a species in one
// layer keeps its code there; in several, the Braun-Blanquet class of the merged
// percent ("r" when every code with a class is r), without sociability; codes of
// no class ("*") alone stay a "*".
LayerCodes mergedLayerCodes(const LayerCodes& codes, const CoverValues& values, LayerMerge merge,
                            int into);

// Every species of every relevé column in use merged so, its cells showing the new
// codes; returns how many entries changed.
std::int64_t mergeLayers(TableState& t, LayerMerge merge, int into);

}  // namespace tamsel

// Ordering of species rows and relevé columns by reciprocal averaging
// ("反復平均法で行列並び替え(&H)").
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/progress.h"
#include "table/table_state.h"

namespace tamsel {

enum class RecipEnd {
    Converged,  // two successive passes agreed
    Cycle,      // the scores came back to a state seen before: they never agree
    Limit,      // RecipPassLimit passes without agreement
};

constexpr int RecipPassLimit = 1000;

struct RecipResult {
    RecipEnd end = RecipEnd::Limit;
    int passes = 0;
    double Dsp = 0;  // difference sums of the last pass
    double Drel = 0;
    // The scores of set 0 that ordered the table, by position before the ordering
    // (index 0 unused), and the newest set of the last pass.
    std::vector<std::uint16_t> speciesScores, releveScores;
    std::vector<std::uint16_t> newestSpeciesScores, newestReleveScores;
};

// The newest scores of one pass, by position (0-based).
struct RecipPass {
    int pass;
    const std::vector<std::uint16_t>& species;
    const std::vector<std::uint16_t>& releves;
    double Dsp, Drel;
};

struct RecipOptions {
    int passLimit = RecipPassLimit;
    std::function<void(const RecipPass&)> onPass;  // called after every pass
};

// Reads the cover codes through the slots of the row and column at each position,
// iterates, then orders rows and columns (FreqArray and NumSpArray along with
// them) by the exchange procedure on the scores of set 0. A table that cannot be
// ordered throws Error saying why, before anything has moved.
RecipResult reciprocalAveraging(TableState& t, Progress& progress,
                                const RecipOptions& options = {});

// The starting species scores of n species: 0 .. 100 evenly by position, rounded.
std::vector<std::uint16_t> initialSpeciesScores(int n);

// "converged", "cycle" or "limit".
const char* recipEndName(RecipEnd end);
// How the ordering ended, for the user (Shift-JIS).
std::string recipReport(const RecipResult& r);

// The order the exchange procedure leaves: result[k] is the 0-based index in
// scores of the element that ends at position k. Not stable for equal scores.
std::vector<int> exchangeOrder(std::vector<std::uint16_t> scores);

}  // namespace tamsel

// Sociological species groups (Bruelheide 2000) and the Cocktail clustering of
// species (Kočí et al. 2003): a group of k species is present in a relevé that
// holds at least m of them, m chosen where the relevés observed to hold many of
// the species outnumber those expected if the species occurred independently.
// The clustering merges, step by step, the two species or groups whose presence
// in the relevés goes together most (phi), as the R package cocktailr does, so
// that the same data give the same steps.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "analysis/twinspan.h"
#include "io/byte_sink.h"
#include "table/table_state.h"

namespace tamsel {

// The relevés expected to hold exactly 0 .. k of the species (a Poisson-binomial
// distribution, each species present with the share of relevés it occurs in),
// times the number of relevés. shares: per species; species: the group, in the
// order the species are added (ascending species numbers, as cocktailr does).
std::vector<double> expectedHolders(const std::vector<double>& shares,
                                    std::span<const std::int32_t> species, std::int32_t releves);

// The m of a group from observed[c] and expected[c], the relevés holding exactly
// c of its k species (c = 0 .. k), compared as cumulative counts from the top
// down (relevés holding at least c): m is one above the largest c of 1 .. k-1
// where the expected count exceeds the observed one while some relevé holds at
// least c; without one, k when more relevés than expected hold all k, else 1.
std::int32_t groupThreshold(const std::vector<std::int32_t>& observed,
                            const std::vector<double>& expected);

// Presence of each species in each relevé, as the groups read it.
class SpeciesPresence {
  public:
    // Any value above 0 of the matrix is a presence.
    explicit SpeciesPresence(const TwinspanMatrix& presence);

    std::int32_t releves() const { return releves_; }
    std::int32_t species() const { return static_cast<std::int32_t>(holders_.size()); }
    // The relevés holding species s, ascending.
    const std::vector<std::int32_t>& holders(std::int32_t s) const { return holders_[s]; }
    // Per species the share of relevés holding it.
    const std::vector<double>& shares() const { return shares_; }

  private:
    std::int32_t releves_ = 0;
    std::vector<std::vector<std::int32_t>> holders_;
    std::vector<double> shares_;
};

// A group of species as the relevés hold it.
struct GroupFit {
    std::vector<std::int32_t> observed;  // relevés holding exactly c of the species
    std::vector<double> expected;        // the same expected under independence
    std::int32_t m = 1;
};

// species: distinct, ascending.
GroupFit fitGroup(const SpeciesPresence& p, std::span<const std::int32_t> species);

// One merge. An item is a species (its number, >= 0) or the group formed at an
// earlier step (-step).
struct CocktailStep {
    std::int32_t item1 = 0, item2 = 0;
    double phi = 0;
    std::int32_t k = 0, m = 0, releves = 0;
};

// The merges until one group holds every species that occurs; progress gets the
// share done and returns false to stop, which gives nothing.
std::optional<std::vector<CocktailStep>> cocktail(const SpeciesPresence& p,
                                                  const std::function<bool(double)>& progress = {});

// The CSV (Shift-JIS, CR LF): step,item1,item2,phi,k,m,releves; a species by its
// name, a group by #step; phi with six decimals.
void writeCocktailCsv(ByteSink& out, const std::vector<CocktailStep>& steps,
                      const std::vector<std::string>& speciesNames);

// The table's species rows with a presence, their names, and their presence.
struct TablePresence {
    std::vector<std::int32_t> rows;  // species row positions
    std::vector<std::string> names;  // trimmed, Shift-JIS
    std::vector<std::int32_t> cols;  // relevé column positions with a presence
    TwinspanMatrix cover;            // percent cover, relevé k = cols[k], species u = rows[u]
};
TablePresence tablePresence(const TableState& t);

}  // namespace tamsel

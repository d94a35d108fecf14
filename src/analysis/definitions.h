// Formal definitions of vegetation units: sociological species groups and units
// as logical formulas over them and over species' covers, read from a text file,
// and the relevés of the table assigned to the first unit whose formula they meet.
//
//   # a comment
//   group Fagion: Fagus sylvatica, Galium odoratum, Mercurialis perennis
//   group Acidic (m=2): Luzula luzuloides, Vaccinium myrtillus, Avenella flexuosa
//   unit Beech forest: Fagion and not Acidic and cover("Fagus sylvatica") > 25
//
// A group is present in a relevé that holds at least m of its species (m from
// the table as cocktail.h chooses it, unless given); cover("species") is the
// species' percent cover in the relevé.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "analysis/cocktail.h"
#include "platform/error.h"
#include "platform/progress.h"
#include "table/table_state.h"

namespace tamsel {

// A definitions text that cannot be read; the message names the line and the word.
class DefinitionsError : public Error {
  public:
    DefinitionsError(int line, const std::string& sjisMessage) : Error(sjisMessage), line_(line) {}
    int line() const { return line_; }

  private:
    int line_;
};

struct UnitDefinitions {
    struct Group {
        std::string name;
        int line = 0;
        std::vector<std::int32_t> species;  // the table's species (TablePresence order), ascending
        std::int32_t m = 1;
        bool mGiven = false;
        GroupFit fit;  // the relevés holding 0 .. k of the species, observed and expected
    };
    // A formula in postfix order.
    struct Op {
        enum Kind : std::uint8_t {
            Group,
            CoverAbove,
            CoverAtLeast,
            CoverBelow,
            CoverAtMost,
            Not,
            And,
            Or
        };
        Kind kind;
        std::int32_t index = 0;  // Group: the group; Cover*: the species
        double value = 0;        // Cover*: percent
    };
    struct Unit {
        std::string name;
        int line = 0;
        std::vector<Op> formula;
    };
    std::vector<Group> groups;
    std::vector<Unit> units;
};

// Reads the definitions (Shift-JIS; a file beginning with the UTF-8 byte order
// mark is read as UTF-8) against the table's species, their names as
// TablePresence gives them. A group without its m gets it from presence. A line
// that cannot be read, an unknown species or group, a name given twice, an m
// outside 1 .. k throws Error naming the line and the word.
UnitDefinitions parseUnitDefinitions(const std::string& text,
                                     const std::vector<std::string>& speciesNames,
                                     const SpeciesPresence& presence);

// Evaluates every unit on each relevé of the matrix (percent cover, species as
// the definitions number them).
class UnitEvaluator {
  public:
    UnitEvaluator(const UnitDefinitions& d, std::int32_t species);
    // met: per unit whether relevé r meets it.
    void releve(const TwinspanMatrix& cover, std::int32_t r, std::vector<char>& met);

  private:
    const UnitDefinitions& d_;
    std::vector<std::vector<std::int32_t>> groupsOf_;  // per species
    std::vector<double> cover_;                        // the relevé's, by species
    std::vector<std::int32_t> held_;                   // the relevé's species per group
    std::vector<char> stack_;
};

// What an assignment did.
struct UnitAssignment {
    std::vector<std::int32_t> unitOf;  // per relevé of the matrix, -1 for none
    std::vector<std::int32_t> counts;  // per unit
    // Relevés meeting more than one unit, with the units they meet.
    std::vector<std::pair<std::int32_t, std::vector<std::int32_t>>> several;
};
UnitAssignment assignUnits(const UnitDefinitions& d, const TwinspanMatrix& cover);

// assign-units: reads the file, assigns, arranges the relevé columns into the
// units' groups in file order (one empty column between them, the relevés of no
// unit last after their own empty column) and returns the report (Shift-JIS,
// CR LF): each group's m, each unit's count, the relevés meeting several units.
std::string assignUnitsFromFile(TableState& t, Progress& progress, const std::string& path);

// The same with the report also in the window's words (Japanese).
struct UnitsReport {
    std::string report, display;
};
UnitsReport assignUnitsReported(TableState& t, Progress& progress, const std::string& path);

// A definitions file's text as Shift-JIS (a UTF-8 file after a byte-order mark
// converted); throws Error when it cannot be read or converted.
std::string readDefinitions(const std::string& path);

}  // namespace tamsel

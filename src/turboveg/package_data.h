// The package as the reader leaves it, shared by the reader and the package
// that makes relevés of it: plots, species records and scales as the file gives
// them, the cover texts not yet checked against their scales.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "turboveg/turboveg_reader.h"

namespace tamsel {

namespace turboveg {

constexpr std::int32_t NoScale = -1;
constexpr std::int32_t NoCover = -1;

struct RawSpecies {
    std::int32_t species;  // dense number of the species' nr
    std::int32_t cover;    // cover text id; after the check, the CoverCode
    std::uint32_t line;    // lines after the plot's own line
    std::int8_t layer;     // 0..6, T1..M
};

struct RawPlot {
    std::int64_t line = 0;
    std::array<char, HeaderRecordSize> header;
    std::string releveNr;  // Shift-JIS, for messages
    std::int32_t scale = NoScale;
    std::size_t firstSpecies = 0;
    bool replaced = false;
    // By headerMap entry, the fields whose value, as it stands, had control
    // characters made blanks (a later value of a field replaces an earlier one).
    std::uint32_t blanked = 0;
};

struct ScaleEntry {
    std::string code, percentage;
    std::int64_t line;
};

struct Scale {
    std::string code;
    std::int64_t line;
    std::vector<ScaleEntry> entries;
};

struct SpeciesName {
    std::array<char, SpeciesNameSize> name;
    bool replaced = false;
    bool blanked = false;  // a control character inside became a blank
};

// Plot k as messages name it: its place in the file and its releve_nr.
std::string plotName(const RawPlot& p, std::size_t k);

}  // namespace turboveg

struct TurbovegPackage::Data {
    std::string fileName;  // Shift-JIS
    std::vector<turboveg::RawPlot> plots;
    std::vector<turboveg::RawSpecies> species;
    std::vector<turboveg::SpeciesName> names;  // by dense species number
    std::vector<std::uint32_t> seenIn;
    std::vector<std::int32_t> entryOf;
};

}  // namespace tamsel

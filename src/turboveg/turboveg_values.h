// Turboveg's values made into a data file's: texts to Shift-JIS cut to their
// fields, header fields into the header record, cover values to codes.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "datafile/cover_codes.h"
#include "turboveg/package_data.h"

namespace tamsel::turboveg {

inline std::string_view trimmed(std::string_view s) {
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= 0x20) s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= 0x20) s.remove_suffix(1);
    return s;
}

inline bool sameLetters(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        auto low = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
        return low(x) == low(y);
    });
}

struct FieldMap {
    std::string_view name;
    std::size_t offset, width;
};

// Turboveg's header fields and where a data file keeps them. Heights and covers
// go to layers T1 (0), S1 (2), H1 (4) and M (6).
inline constexpr FieldMap headerMap[] = {
    {"releve_nr", hdr::ReleveNumber, 8},
    {"locality", hdr::SiteName, 8},
    {"date", hdr::SurveyDate, 8},
    {"latitude", hdr::Latitude, 8},
    {"longitude", hdr::Longitude, 8},
    {"altitude", hdr::Altitude, 4},
    {"exposition", hdr::Altitude + 4, 4},
    {"inclinatio", hdr::Altitude + 8, 4},
    {"surf_area", hdr::Altitude + 28, 4},
    {"tree_high", hdr::LayerHeights + 0 * 4, 4},
    {"shrub_high", hdr::LayerHeights + 2 * 4, 4},
    {"herb_high", hdr::LayerHeights + 4 * 4, 4},
    {"moss_high", hdr::LayerHeights + 6 * 4, 4},
    {"cov_tree", hdr::LayerCovers + 0 * 4, 4},
    {"cov_shrub", hdr::LayerCovers + 2 * 4, 4},
    {"cov_herbs", hdr::LayerCovers + 4 * 4, 4},
    {"cov_mosses", hdr::LayerCovers + 6 * 4, 4},
};

// Turboveg layers 0..9 to T1 T2 S1 S2 H1 H2 M.
inline constexpr std::int8_t layerMap[10] = {4, 0, 1, 1, 2, 3, 4, 5, 5, 6};

// A value as messages quote it: Shift-JIS, its control characters blanks.
std::string messageText(std::string_view utf8);
// utf8 in Shift-JIS, cut to width bytes on a whole character.
std::string fitted(std::string_view utf8, std::size_t width, bool& replaced);
// f: an entry of headerMap.
void writeField(RawPlot& p, const FieldMap& f, std::string_view v);
bool fieldBlank(const std::array<char, HeaderRecordSize>& header, const FieldMap& f);
std::optional<double> numberOf(std::string_view s);
CoverCode codeOfPercentage(double p);
CoverCode codeOfSymbol(std::string_view s);
std::string lineText(std::int64_t line);

}  // namespace tamsel::turboveg

// The percent each cover class stands for, which the user may set, and the two
// ways the layers of a species merge into one cover. Every percent derived from
// a code comes from here; the weighted sums of CoverSum stay as they are.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "datafile/cover_codes.h"

namespace tamsel {

// The cover classes r, +, 1, 2, 3, 4, 5 as indexes 0..6.
constexpr int CoverClassCount = 7;
// "r", "+", "1" .. "5".
const char* coverClassName(int cls);
std::optional<int> coverClassNamed(std::string_view name);
// The class of a code: r, + (also +.2 .. +.5), and 1..5 with or without
// sociability; nothing for an absent code, the mark "*" and codes of no class.
std::optional<int> coverClassOf(CoverCode code);

struct CoverValues {
    // Percent per class; the defaults are the classes' mid-points.
    std::array<double, CoverClassCount> percent{0.1, 0.1, 2.5, 15.0, 37.5, 62.5, 87.5};
    bool operator==(const CoverValues&) const = default;

    // The percent of a code in tenths of a percent (0 for a code of no class).
    // One-decimal percents give whole tenths exactly.
    double tenthsOf(CoverCode code) const;
};

// A percent a cover-value table can hold: 0 to 100.
bool validCoverPercent(double percent);
// The shortest text that reads back as the same percent ("0.1", "17.5", "15").
std::string coverPercentText(double percent);
// A percent typed or read as text; nothing when it is not a number in 0..100.
std::optional<double> parseCoverPercent(std::string_view text);

enum class LayerMerge {
    Sum,          // the layers' values added, capped at the value of class 5
    Independent,  // overlapping independent layers: 100 (1 - prod(1 - c/100))
};
// "sum" / "independent"; nothing for another name.
std::optional<LayerMerge> layerMergeNamed(std::string_view name);

// The merged cover of one species over its layers, in tenths of a percent.
double mergedTenths(const LayerCodes& codes, const CoverValues& values, LayerMerge merge);
// The same merge of layer percents (in tenths) given one by one.
double mergeTenths(const double* tenths, int count, double cap, LayerMerge merge);

// The Braun-Blanquet class code whose range holds a percent given in tenths:
// below 1 % "+" (7), or "r" (6) when allR; 1 to below 5 %: 10; 5 to below 25:
// 20; 25 to below 50: 30; 50 to below 75: 40; 75 and above: 50.
CoverCode braunBlanquetCode(double tenths, bool allR);

}  // namespace tamsel

// Cover-abundance codes: one byte per species and layer, layers T1 T2 S1 S2 H1 H2 M.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tamsel {

using CoverCode = std::uint8_t;
constexpr int LayerCount = 7;
using LayerCodes = std::array<CoverCode, LayerCount>;

constexpr bool allZero(const LayerCodes& c) {
    for (CoverCode v : c)
        if (v != 0) return false;
    return true;
}

// Seven two-character layer texts (14 bytes) to seven codes; nothing when a
// two-character text is not a number in 0..255.
std::optional<LayerCodes> ParseLayerCodes(std::string_view text14);

// The three-character output text of one code. Notation 1 shows the cover class
// alone; every other notation (2, and digits the data may hold beyond 1 and 2)
// shows cover and sociability.
std::string CoverCodeText(CoverCode code, int notation);

// The four-character cell text of a species in a relevé.
std::string LayerSummary(const LayerCodes& codes);
// The text a species cell shows for its codes: LayerSummary, or empty when every
// code is zero. Each distinct text is made once and kept for the program's life,
// so that a table can show millions of cells without holding one text apiece.
const std::string& shownSummary(const LayerCodes& codes);

// Weighted cover sum: kind 1 by class mid-points (capped at 875), kind 2 ordinal.
// Any other kind gives -1 as a number and an empty text.
int coverSumValue(int kind, const LayerCodes& codes);
std::string CoverSum(int kind, const LayerCodes& codes);

}  // namespace tamsel

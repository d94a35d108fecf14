#include "datafile/cover_values.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace tamsel {

const char* coverClassName(int cls) {
    static const char* const names[CoverClassCount] = {"r", "+", "1", "2", "3", "4", "5"};
    return cls >= 0 && cls < CoverClassCount ? names[cls] : "";
}

std::optional<int> coverClassNamed(std::string_view name) {
    for (int cls = 0; cls < CoverClassCount; ++cls)
        if (name == coverClassName(cls)) return cls;
    return std::nullopt;
}

std::optional<int> coverClassOf(CoverCode code) {
    if (code == 6) return 0;
    if ((code >= 2 && code <= 5) || code == 7) return 1;
    if (code >= 10 && code <= 55 && code % 10 <= 5) return code / 10 + 1;
    return std::nullopt;
}

double CoverValues::tenthsOf(CoverCode code) const {
    auto cls = coverClassOf(code);
    if (!cls) return 0.0;
    // 2.3 * 10 is not 23 in binary; a whole number of tenths is meant.
    const double t = percent[static_cast<std::size_t>(*cls)] * 10.0;
    const double whole = std::round(t);
    return std::abs(t - whole) < 1e-9 ? whole : t;
}

bool validCoverPercent(double percent) {
    return std::isfinite(percent) && percent >= 0.0 && percent <= 100.0;
}

std::string coverPercentText(double percent) {
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, percent);
    return std::string(buf, r.ptr);
}

std::optional<double> parseCoverPercent(std::string_view text) {
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= 0x20) text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= 0x20) text.remove_suffix(1);
    double v = 0.0;
    auto r = std::from_chars(text.data(), text.data() + text.size(), v, std::chars_format::fixed);
    if (text.empty() || r.ec != std::errc() || r.ptr != text.data() + text.size() ||
        !validCoverPercent(v))
        return std::nullopt;
    return v;
}

std::optional<LayerMerge> layerMergeNamed(std::string_view name) {
    if (name == "sum") return LayerMerge::Sum;
    if (name == "independent") return LayerMerge::Independent;
    return std::nullopt;
}

double mergeTenths(const double* tenths, int count, double cap, LayerMerge merge) {
    if (merge == LayerMerge::Sum) {
        double sum = 0.0;
        for (int k = 0; k < count; ++k) sum += tenths[k];
        return std::min(sum, cap);
    }
    // What the layers leave uncovered, in tenths: exact for whole tenths of one layer.
    double open = 1000.0;
    for (int k = 0; k < count; ++k) open = open * (1000.0 - tenths[k]) / 1000.0;
    return 1000.0 - open;
}

double mergedTenths(const LayerCodes& codes, const CoverValues& values, LayerMerge merge) {
    double tenths[LayerCount];
    int n = 0;
    for (CoverCode c : codes)
        if (coverClassOf(c)) tenths[n++] = values.tenthsOf(c);
    return mergeTenths(tenths, n, values.tenthsOf(50), merge);
}

CoverCode braunBlanquetCode(double tenths, bool allR) {
    if (tenths < 10.0) return allR ? 6 : 7;
    if (tenths < 50.0) return 10;
    if (tenths < 250.0) return 20;
    if (tenths < 500.0) return 30;
    if (tenths < 750.0) return 40;
    return 50;
}

}  // namespace tamsel

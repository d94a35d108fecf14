// Running tamsel-batch inside a test, and the layer texts of made data files.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "app/session/batch.h"
#include "support/data_file_writer.h"
#include "text/sjis.h"

namespace tamsel::testing {

struct Outcome {
    int status;
    std::string out, err;
    std::vector<std::string> lines() const {
        std::vector<std::string> v;
        std::istringstream in(out);
        for (std::string l; std::getline(in, l);) v.push_back(l);
        return v;
    }
};

inline Outcome runCommands(const std::vector<std::string>& args,
                           PrinterService* printers = nullptr) {
    std::ostringstream out, err;
    int status = runBatch(args, out, err, {}, printers);
    return {status, out.str(), err.str()};
}

// Fourteen bytes of layer texts with text in layer k (0 = T1 ... 6 = M).
inline std::string layerText(int k, const std::string& text) {
    std::string s(14, ' ');
    s.replace(static_cast<std::size_t>(2 * k), text.size(), text);
    return s;
}

// The small pair the command-line tests build from: base.rli and base.rld with
// relevés 101 to 103, four species among them, one under an old name (イタヤ旧).
inline void writeThreeReleves(const std::string& base) {
    auto releve = [](const char* number, const char* grid,
                     std::vector<std::pair<const char*, std::string>> species) {
        ReleveIn r;
        r.releveNumber = number;
        r.gridCode = grid;
        for (auto& [name, codes] : species) r.species.push_back({sj(name), codes});
        return r;
    };
    const int T1 = 0, S1 = 2, H1 = 4;
    writeDataFilePair(
        base,
        {releve("101", "5235", {{"ブナ", layerText(T1, "4")}, {"ササ", layerText(H1, "+")}}),
         releve("102", "5236",
                {{"ササ", layerText(H1, "3")},
                 {"イタヤ旧", layerText(S1, "1")},
                 {"ブナ", layerText(T1, "2")},
                 {"スゲ", layerText(H1, "r")}}),
         releve("103", "4520", {{"スゲ", layerText(H1, "+")}, {"ササ", layerText(H1, "2")}})});
}

}  // namespace tamsel::testing

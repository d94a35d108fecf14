// Running tamsel-batch inside a test, and the layer texts of made data files.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "app/session/batch.h"

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

}  // namespace tamsel::testing

// vegan's dune meadow data for the analyses' tests.
#pragma once

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/twinspan.h"

namespace tamsel {

// vegan's dune meadow data: 20 relevés by 30 species, ordinal values 1-9.
struct Dune {
    TwinspanMatrix m;
    std::vector<std::string> names;
};

inline Dune readDune() {
    std::ifstream in(std::string(TAMSEL_ANALYSIS_DATA) + "/dune.tsv");
    Dune d;
    std::string line, cell;
    std::getline(in, line);
    std::istringstream header(line);
    std::getline(header, cell, '\t');
    while (std::getline(header, cell, '\t')) d.names.push_back(cell);
    d.m.species = static_cast<std::int32_t>(d.names.size());
    while (std::getline(in, line)) {
        std::istringstream row(line);
        std::getline(row, cell, '\t');
        std::vector<std::pair<std::int32_t, double>> entries;
        for (std::int32_t s = 0; std::getline(row, cell, '\t'); ++s)
            entries.push_back({s, std::stod(cell)});
        d.m.addReleve(entries);
    }
    return d;
}

}  // namespace tamsel

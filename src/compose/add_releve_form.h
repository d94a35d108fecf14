// The add-relevé panel's boxes and the values taken from them when a command starts.
#pragma once

#include <cstdint>
#include <string>

#include "datafile/cover_codes.h"

namespace tamsel {

struct AddReleveForm {
    bool visible = false;
    std::string labelFileName;  // Label_fileName: DataFileName as Shift-JIS
    std::string EditName1, EditCov1 = "+", EditName2, EditCov2 = "+", EditGrid;  // Shift-JIS
    std::int64_t RtN1 = 1, RtN2 = 1;

    // Kept between commands.
    std::string PlantNameA, PlantNameB, GridFilter;
    CoverCode MinCoverA = 0, MinCoverB = 0;
    int SelectionMode = 0;
};

}  // namespace tamsel

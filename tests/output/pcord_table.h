// The small table the CSV and exchange exports are tested on, and what the CSV
// exports make of it.
#pragma once

#include <string>

#include "output/small_table.h"
#include "support/data_file_writer.h"

namespace tamsel::testing {

// Relevés 101, 102 (empty) and 103; three species and a comment row; not recounted.
inline SmallTable threeReleves() {
    SmallTable s({2});
    for (const char* name :
         {"Quercus serrata", "-- comment --", "Quercus crispula", "Pinus densiflora"})
        s.comment(name);
    s.add({{2, "101"}},
          {{"Quercus serrata", codes({{5, 23}})}, {"Pinus densiflora", codes({{1, 40}, {5, 7}})}});
    s.add({{2, "102"}}, {});
    s.add({{2, "103"}}, {{"Quercus crispula", codes({{3, 10}, {5, 1}})},
                         {"Pinus densiflora", codes({{1, 55}, {2, 55}})},
                         {"Quercus serrata", codes({{7, 1}})}});
    return s;
}

// The same recounted, as the CSV exports see it.
inline SmallTable pcordTable() {
    SmallTable s = threeReleves();
    s.recount();
    return s;
}

inline const std::string PCordExpected =
    lines({"2,Releve,,", "3,Species,,", ",Q,Q,Q", ",Quercus ,Quercu 2,Pinus de", "101,150,0,626",
           "103,0,25,875"});
inline const std::string ValueMatrixExpected =
    lines({",101,103", "\"Quercus serrata\",150,0", "\"Quercus crispula\",0,25",
           "\"Pinus densiflora\",626,875"});

}  // namespace tamsel::testing

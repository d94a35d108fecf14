// Tables made from patterns of presences, for the tests of the analyses and
// their commands.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/batch/batch_ui.h"
#include "support/table_fields.h"
#include "table/frequency.h"
#include "table/table_layout.h"

namespace tamsel::testing {

// A table from one pattern per row: a name and one character per relevé column,
// '.' absent, '|' nothing (an empty column when the whole column is '|'), any
// other present. The recount has been made.
struct PatternTable {
    TableState t{};
    BatchUi ui;
    explicit PatternTable(const std::vector<std::pair<std::string, std::string>>& rows) {
        startBlankTable(t, ui);
        const auto nr = static_cast<std::int32_t>(rows.at(0).second.size());
        const auto ns = static_cast<std::int32_t>(rows.size());
        t.model.growReleves(nr);
        t.model.growSpecies(ns);
        testing::editFields(t.model, [&](TableFields& f) {
            f.releveCount = nr;
            f.speciesCount = ns;
        });
        const TableLayout layout = layoutOf(t);
        for (std::int32_t i = 1; i <= ns; ++i) {
            const auto& [name, pattern] = rows[i - 1];
            t.model.setCell(TableLayout::NameCol, layout.speciesRow(i), name);
            for (std::int32_t j = 1; j <= nr; ++j)
                if (pattern.at(j - 1) != '.' && pattern[j - 1] != '|')
                    t.model.setCell(TableLayout::releveCol(j), layout.speciesRow(i), "+");
        }
        recount(t, ui);
    }
    std::vector<std::string> names() const {
        std::vector<std::string> v;
        for (std::int32_t i = 1; i <= t.model.speciesCount(); ++i)
            v.push_back(t.model.cell(TableLayout::NameCol, layoutOf(t).speciesRow(i)));
        return v;
    }
};

}  // namespace tamsel::testing

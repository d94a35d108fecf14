// Small tables made by the output tests: chosen print items, relevés placed
// through the slots as placing does, comment rows, and the recount.
#pragma once

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "output/output_channel.h"
#include "output/print_panel.h"
#include "output/text_layout.h"
#include "platform/batch/batch_ui.h"
#include "table/frequency.h"
#include "table/table_layout.h"
#include "text/sjis.h"

namespace tamsel::testing {

// Codes of one species in one relevé: layer k (1..7) -> code.
inline LayerCodes codes(std::initializer_list<std::pair<int, int>> layers) {
    LayerCodes c{};
    for (auto [k, v] : layers) c[k - 1] = static_cast<CoverCode>(v);
    return c;
}

struct SmallTable {
    TableState t;
    std::unique_ptr<BatchUi> uiHolder = std::make_unique<BatchUi>();  // keeps the table movable
    PrintPanel p;

    BatchUi& ui() { return *uiHolder; }

    // Only the items given (2..30) enabled and checked.
    explicit SmallTable(std::vector<int> items) {
        startBlankTable(t, ui());
        for (int n = 2; n <= PrintItemCount; ++n) {
            bool on = std::find(items.begin(), items.end(), n) != items.end();
            t.print.PrintItemBoxes[n].enabled = t.print.PrintItemBoxes[n].checked = on;
        }
        ClearTable(t, ui());
    }

    TableLayout layout() const { return layoutOf(t); }

    int rowOf(const std::string& name) {
        for (int i = 1; i <= t.model.speciesCount(); ++i)
            if (t.model.cell(TableLayout::NameCol, layout().speciesRow(i)) == name)
                return layout().speciesRow(i);
        t.model.appendSpeciesRow(name);
        return layout().speciesRow(t.model.speciesCount());
    }

    // The next relevé column: header cells by item number, species by name (UTF-8).
    void add(const std::map<int, std::string>& header,
             const std::vector<std::pair<std::string, LayerCodes>>& species) {
        t.model.appendReleveColumn();
        int col = TableLayout::releveCol(t.model.releveCount());
        for (const auto& [item, text] : header)
            t.model.setCell(col, layout().itemRow(item), sj(text));
        int rs = t.model.releveSlotAt(col);
        for (const auto& [name, c] : species) {
            int row = rowOf(sj(name));
            t.model.setCodes(rs, t.model.speciesSlotAt(row), c);
        }
    }

    void comment(const std::string& text) { rowOf(sj(text)); }

    void recount() { tamsel::recount(t, ui()); }

    // The text layout of rows from..to.
    std::string text(std::uint16_t perPage, std::uint16_t from, std::uint16_t to) {
        StringSink sink;
        SinkChannel channel(sink);
        PrintTable(t, p, channel, perPage, from, to);
        return sink.text;
    }
};

// The print-item panel's table: two species in two relevés and one in one;
// counts left stale on purpose.
inline SmallTable panelTable() {
    SmallTable s({2});
    s.add({{2, "1"}}, {{"A", codes({{5, 10}})}, {"B", codes({{5, 20}})}});
    s.add({{2, "2"}}, {{"A", codes({{5, 10}})}, {"C", codes({{5, 20}})}});
    return s;
}

// Lines joined, each ended by CR LF.
inline std::string lines(const std::vector<std::string>& v) {
    std::string s;
    for (const auto& l : v) s += l + "\r\n";
    return s;
}

// Text (UTF-8) as Shift-JIS, padded with blanks to width bytes.
inline std::string padded(const std::string& utf8, std::size_t width) {
    std::string s = sj(utf8);
    s.resize(std::max(width, s.size()), ' ');
    return s;
}

inline std::string rule(int n) {
    std::string s;
    for (int k = 0; k < n; ++k) s += sj("─");
    return s;
}

}  // namespace tamsel::testing

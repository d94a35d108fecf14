#include "output/text_file.h"

#include "io/safe_file.h"
#include "output/text_layout.h"
#include "table/frequency.h"
#include "table/save_dialog.h"

namespace tamsel {

void writeTextFile(const TableState& t, const PrintPanel& p, const std::string& path,
                   std::uint16_t fromPlant, std::uint16_t toPlant) {
    SafeFileWriter file(path);
    SinkChannel channel(file);
    PrintTable(t, p, channel, TextFilePerPage, fromPlant, toPlant);
    file.commit();
}

void Output_TextFile(TableState& t, const PrintPanel& p, Ui& ui) {
    const std::uint16_t from = rangeValue(p.PN1, "植物の出力範囲（始め）");
    const std::uint16_t to = rangeValue(p.PN2, "植物の出力範囲（終り）");
    recount(t, ui);
    exportToFile(t, ui, TextFilter, ".txt", ".txt",
                 [&](const std::string& path) { writeTextFile(t, p, path, from, to); });
}

}  // namespace tamsel

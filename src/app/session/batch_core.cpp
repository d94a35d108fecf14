// Commands of the table itself and of the data file reader.
#include <ostream>

#include "app/session/batch.h"
#include "datafile/data_file_pair.h"
#include "platform/error.h"
#include "text/sjis.h"

namespace tamsel {

namespace {

void printGrid(CommandCall& c) {
    const TableState& t = c.session.table;
    int lastRow = TableLayout(t.model.freqRow()).lastSpeciesRow(t.model.speciesCount());
    int lastCol = TableLayout::lastReleveCol(t.model.releveCount());
    for (int r = 0; r <= lastRow; ++r) {
        std::string line;
        for (int k = 0; k <= lastCol; ++k) {
            if (k) line += '\t';
            line += t.model.cell(k, r);
        }
        c.out << toUtf8(line) << "\n";
    }
}

void readRecord(CommandCall& c) {
    const std::string& path = c.args.text("FILE.rli");
    std::int32_t n = c.args.number("N");
    DataFilePair& p = c.session.table.data;
    DataFilesScope closer(p);
    openDataFilesAt(p, path);
    if (!ReadReleve(p, n)) throw Error(msg("レコード %1 を読めません: %2", n, fromUtf8(path)));
    c.out << "record\t" << n << "\tlast\t" << p.LastRecord << "\n";
    c.out << "scale\t" << p.CurrentCoverScale << "\tnotation\t" << p.CurrentNotation
          << "\tspecies\t" << p.PlantSetCount << "\n";
    for (const HeaderField& f : headerFields())
        c.out << "field\t" << f.name << "\t" << toUtf8(trimControl(p.field(f.offset, f.width)))
              << "\n";
    for (std::int32_t k = 1; k <= p.PlantSetCount; ++k) {
        const PlantSetEntry& e = p.PlantSet.at(static_cast<std::size_t>(k));
        c.out << "species\t" << k << "\t" << toUtf8(trimControl(e.nameView())) << "\t";
        for (int l = 0; l < LayerCount; ++l) c.out << (l ? " " : "") << int(e.codes[l]);
        c.out << "\n";
    }
}

}  // namespace

void registerCoreCommands(std::vector<Command>& reg) {
    reg.push_back(
        {.name = "caption", .help = "print the window caption", .handler = [](CommandCall& c) {
             c.out << toUtf8(captionOf(c.session.table)) << "\n";
         }});
    reg.push_back({.name = "grid",
                   .help = "print the grid rows in use, cells joined by TAB",
                   .handler = printGrid});
    reg.push_back({.name = "read",
                   .args = {{"FILE.rli", Arg::Kind::Path}, {"N", Arg::Kind::Number}},
                   .help = "read record N of a data file pair and print it",
                   .handler = readRecord});
    reg.push_back({.name = "clear",
                   .help = "組成表を初期化する: blank the table",
                   .item = "Item_NewTable",
                   .caption = "組成表を初期化する(&N)",
                   .place = {"Menu_File", 10},
                   .handler = [](CommandCall& c) { ClearTable(c.session.table, c.ui); },
                   .replacesTable = true});
}

}  // namespace tamsel

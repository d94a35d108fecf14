// The CSV exports: the PCord matrix ("-pcm.csv") with its species list (".lst"),
// the value matrix ("-vm.csv") and the plot data ("-plot.csv"). Each format has
// a writer on a ByteSink and a file-name wrapper through SafeFileWriter.
//
// A table row is used when its FreqArray entry is above 0, a relevé column when
// its NumSpArray entry is; both are read as they stand (no recount), by
// position. Fields holding a comma, a double quote, a CR or an LF are quoted
// (io/csv.h); the value matrix's names are always quoted.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "io/byte_sink.h"
#include "table/table_state.h"

namespace tamsel {

// One code of at most 8 bytes per table row 1..NS (entry 0 unused): the name's
// first 8 bytes, made unique in row order by the row's first 6 bytes and a
// two-character counter. Cuts never split a double-byte character.
std::vector<std::string> ShortNames(const TableState& t);

// The matrix: relevés as rows, used species as columns, cover sums (kind 1).
void writePCordMatrix(ByteSink& out, const TableState& t, const std::vector<std::string>& codes);
// Every table row: its code, a blank and its name cell. Not CSV.
void writeSpeciesList(ByteSink& out, const TableState& t, const std::vector<std::string>& codes);
// path with its extension (from the last full stop of the file name on)
// replaced by ending, for a file written beside another.
std::string pathBeside(const std::string& path, std::string_view ending);
// The matrix's name with its extension replaced by ".lst".
std::string speciesListPath(const std::string& matrixPath);
// Both files. The species list is written also when the matrix fails; the
// matrix's error is thrown afterwards.
void savePCord(const TableState& t, const std::string& matrixPath);

// Species as rows (quoted, trimmed names), used relevés as columns.
void writeValueMatrix(ByteSink& out, const TableState& t);
void saveValueMatrix(const TableState& t, const std::string& path);

// The header rows 2 .. FreqRow-1 (row 2 always), trimmed: a line of captions
// followed directly by the frequency column's cells, then one line per relevé
// column 1..NR.
void writePlotData(ByteSink& out, const TableState& t);
void savePlotData(const TableState& t, const std::string& path);

}  // namespace tamsel

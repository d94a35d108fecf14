// Hand edits of the composition table: inserting and deleting relevé columns and
// species rows, moving them, and the texts a label or the title may take. Each
// checks its own target and throws Error naming it, changing nothing.
#pragma once

#include <optional>
#include <string>

#include "table/table_state.h"

namespace tamsel {

// An empty relevé column at grid column col (first .. one past the last in use).
void insertReleveColumn(TableState& t, int col);
// Relevé column col, then the species rows it leaves empty.
void deleteReleveColumn(TableState& t, int col);
// An empty species row at grid row row (first .. one past the last in use).
void insertSpeciesRow(TableState& t, int row);
void deleteSpeciesRow(TableState& t, int row);
// The relevé column (species row) the row and column commands act on; a grid
// column (row) that is no relevé column (species row) throws Error naming it.
void selectReleveColumn(TableState& t, int col);
void selectSpeciesRow(TableState& t, int row);
// Throws Error unless row is a species row in use (action: "コメントを記入").
void requireSpeciesRowInUse(const TableState& t, int row);

// The label of species row row (a comment row's text), and the table's title;
// a text editTextProblem refuses throws Error, changing nothing.
void setSpeciesLabel(TableState& t, int row, const std::string& sjisText);
void setTableTitle(TableState& t, const std::string& sjisText);

// A drag of a whole row or column from one grid position to another. Only species
// rows and relevé columns in use move; anything else is refused (false, nothing
// changes).
bool moveRowByDrag(TableState& t, int from, int to);
bool moveColByDrag(TableState& t, int from, int to);

// Why a text cannot become a label or the title (it would not survive the table
// file): control bytes or a broken double-byte character. Nothing when it can.
std::optional<std::string> editTextProblem(const std::string& sjisText);

}  // namespace tamsel

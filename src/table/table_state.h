// The state the main window owns: the composition table itself (its model, with
// its history), and around it the folders and file names, the data file reader,
// the layer labels, the print-item boxes, the table font and the selection.
// Every command acts on one such object.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "datafile/cover_codes.h"
#include "datafile/cover_values.h"
#include "datafile/data_file_pair.h"
#include "platform/font_spec.h"
#include "platform/progress.h"
#include "table/composition_table.h"
#include "table/history.h"
#include "table/table_layout.h"

namespace tamsel {

struct PrintItemBox {
    std::string caption;  // Shift-JIS
    bool enabled = true;
    bool checked = true;
};

constexpr int PrintItemCount = TableLayout::ItemCount;
// The window's fixed rows and columns, as the layout has them.
constexpr int FixedCols = TableLayout::FixedCols;
constexpr int FixedRows = TableLayout::FixedRows;
constexpr int DefaultColWidth = 28;
constexpr int DefaultRowHeight = 15;

// The files the window works with: the data file pair chosen last, the
// dictionary, the table file, and where the open dialog starts.
struct TableFiles {
    std::string DataFileName;        // name without folder (native encoding)
    std::string DataFolder;          // folder of the data file chosen last
    std::string DictionaryFileName;  // path (native encoding)
    std::string DictionaryStatus;    // the caption's word on the dictionary
    std::string OpenDialogFolder;    // start folder of the open dialog
    std::string TableFileName;       // the .vtb last saved or loaded (native path); empty: none
};

// How the table is printed and shown: the layer labels, the thirty print-item
// boxes and the table font.
struct PrintSettings {
    std::array<std::string, 7> LayerLabels;
    // PrintItemBoxes[n] is ChkBox<n>, n = 1..30; entry 0 is unused.
    std::array<PrintItemBox, PrintItemCount + 1> PrintItemBoxes;
    FontSpec TableFont;
};

// The cell hand editing acts on.
struct Selection {
    std::int32_t SelectedColumn = 0;
    std::int32_t SelectedRow = 0;
    std::uint8_t EditTarget = 0;
};

// The main window's state: the table model, its history, and around them the
// files, the data file reader, the print settings and the selection. The model
// is a member, not a base: a command reads the table as t.model and the rest of
// the window's state by its group.
struct TableState {
    CompositionTable model;
    // Every command that changes the model is a step here.
    History history;

    TableFiles files;
    DataFilePair data;  // LastRecord, CurrentCoverScale, CurrentNotation, PlantSet...
    PrintSettings print;
    Selection selection;

    // The percent of each cover class, as the settings file set it.
    CoverValues coverValues;
    // How the window's derived values merge a species' layers.
    LayerMerge layerMerge = LayerMerge::Sum;

    // Whether the table differs from what was last saved, loaded or blanked:
    // every command runs as a step of the history, whose saved point tells.
    bool changed() const { return !history.atSaved(); }
    // The table as it stands is the one saved.
    void markUnchanged() { history.markSaved(); }
};

// A command run as one step of the table's history.
class HistoryStep {
  public:
    HistoryStep(TableState& t, const std::string& name);
    ~HistoryStep();
    HistoryStep(const HistoryStep&) = delete;
    HistoryStep& operator=(const HistoryStep&) = delete;

  private:
    TableState& t_;
};

// The window's default print-item boxes (captions, enabled and checked states).
std::array<PrintItemBox, PrintItemCount + 1> defaultPrintItemBoxes();

// Module-level start values; the boxes and the grid are left alone.
void InitGlobals(TableState& t);

// The grid's font at start.
FontSpec defaultGridFont();

// Start-up steps after the settings file: the layer-label adjustment, the table
// font and the grid layout.
void adjustLayerLabels(TableState& t);
void layOutGrid(TableState& t);

// The window's state without a settings file: start values and default boxes.
void resetToDefaults(TableState& t);
// The start-up steps after the settings file, and a blank table.
void finishStartUp(TableState& t, Progress& progress);
// A blank table with the window's defaults, as the program starts without a
// settings file.
void startBlankTable(TableState& t, Progress& progress);

// Blanks the table: counts 0, every slot equal to its position, codes 0.
void ClearTable(TableState& t, Progress& progress);

// showChanged: a "＊" after the title while the table is changed (the window's
// caption; the command line prints the caption without it).
std::string captionOf(const TableState& t, bool showChanged = false);

// 2 + the number of enabled boxes among ChkBox2..ChkBox30.
std::int32_t freqRowFromBoxes(const TableState& t);

}  // namespace tamsel

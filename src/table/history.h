// The undo history of a table. A command runs as one step: while it is open, the
// grid and the cover array record what reverses each of their operations, and
// the table's own fields (title, counts, capacities, the frequency arrays) are
// compared with what they were when it opened. Undoing a step applies its
// changes in reverse through the same operations, which record what redoes it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "table/change_log.h"
#include "table/composition_table.h"

namespace tamsel {

struct TableState;

class History {
  public:
    static constexpr std::size_t DefaultMaxSteps = 1000;
    static constexpr std::size_t DefaultMaxBytes = std::size_t{1} << 30;

    // Opens a step named for the command (Shift-JIS); steps opened inside an open
    // one belong to it.
    void begin(TableState& t, const std::string& name);
    // Closes the outermost step; kept when the table changed.
    void commit(TableState& t);

    bool canUndo() const { return index_ > 0; }
    bool canRedo() const { return index_ < steps_.size(); }
    // The name of the step undo (redo) would take back (do again).
    const std::string& undoName() const;
    const std::string& redoName() const;
    // Throws Error when there is nothing to undo (redo).
    void undo(TableState& t);
    void redo(TableState& t);
    // Undoes the last step and forgets it: what a command did only to prepare
    // something the user then cancelled.
    void takeBack(TableState& t);

    // A point of the open step that a command failing half-way takes the table
    // back to (rollBack), so that it fails whole. Only with a step open.
    struct Mark {
        std::size_t changes = 0;
        TableFields fields;
    };
    Mark mark(const TableState& t) const;
    // Reverses the open step's changes since m and drops them from the step. When
    // the table cannot be put back whole, the history starts again and the
    // failure goes on.
    void rollBack(TableState& t, Mark&& m);

    // A new history (a loaded, blank or newly set-up table), which is the saved point.
    void restart(TableState& t);
    // The open step's changes so far (the save's renumbering of slots, no command
    // of its own) are taken back before the step before is undone and before the
    // step after, recorded on the old numbers, is redone.
    void foldIntoPrevious();
    // The table as it stands is the one saved.
    void markSaved() { saved_ = static_cast<std::ptrdiff_t>(index_); }
    bool atSaved() const { return saved_ == static_cast<std::ptrdiff_t>(index_); }

    // Counts the steps kept, undone and redone and the new histories: a command
    // that leaves it as it was changed nothing.
    std::uint64_t moves() const { return moves_; }

    std::size_t stepCount() const { return steps_.size(); }
    std::size_t bytes() const { return bytes_; }
    void setLimits(std::size_t maxSteps, std::size_t maxBytes);

  private:
    struct Step {
        std::string name;
        ChangeLog log;
        std::optional<TableFields> fields;
        std::size_t bytes() const;
    };
    static void applyChange(CompositionTable& t, Change& c);
    void link(TableState& t, ChangeLog* log);
    void apply(TableState& t, Step& step);  // reverses it, and makes it what reverses that
    void dropRedo();
    void trim();

    std::deque<Step> steps_;
    std::size_t index_ = 0;     // steps applied
    std::ptrdiff_t saved_ = 0;  // -1: the saved table is no longer reachable
    std::size_t bytes_ = 0;
    std::size_t maxSteps_ = DefaultMaxSteps, maxBytes_ = DefaultMaxBytes;

    std::uint64_t moves_ = 0;
    int depth_ = 0;
    bool open_ = false;
    Step current_;
    TableFields before_;
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

}  // namespace tamsel

// The undo history of a table. A command runs as one step: while it is open, the
// table records what reverses each of its operations (cells, codes, the count
// arrays, DomLine, origins), and its scalars (title, counts, capacities,
// FreqRow) are compared with what they were when it opened. Undoing a step
// applies its changes in reverse through the same operations, which record what
// redoes it. The table as saved is one point of the history; nothing else tells
// whether the table changed.
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

class History {
  public:
    static constexpr std::size_t DefaultMaxSteps = 1000;
    static constexpr std::size_t DefaultMaxBytes = std::size_t{1} << 30;

    // Opens a step named for the command (Shift-JIS); steps opened inside an open
    // one belong to it.
    void begin(CompositionTable& t, const std::string& name);
    // Closes the outermost step; kept when the table changed.
    void commit(CompositionTable& t);

    bool canUndo() const { return index_ > 0; }
    bool canRedo() const { return index_ < steps_.size(); }
    // The name of the step undo (redo) would take back (do again).
    const std::string& undoName() const;
    const std::string& redoName() const;
    // Throws Error when there is nothing to undo (redo).
    void undo(CompositionTable& t);
    void redo(CompositionTable& t);
    // Undoes the last step and forgets it: what a command did only to prepare
    // something the user then cancelled.
    void takeBack(CompositionTable& t);

    // A point of the open step that a command failing half-way takes the table
    // back to (rollBack), so that it fails whole. Only with a step open.
    struct Mark {
        std::size_t changes = 0;
        TableScalars scalars;
    };
    Mark mark(const CompositionTable& t) const;
    // Reverses the open step's changes since m and drops them from the step. When
    // the table cannot be put back whole, the history starts again and the
    // failure goes on.
    void rollBack(CompositionTable& t, Mark&& m);

    // A new history: nothing before can be undone. The table as it stands is not
    // the saved one until markSaved (a loaded or blanked table is).
    void restart(CompositionTable& t);
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
        std::optional<TableScalars> scalars;
        std::size_t bytes() const;
    };
    void apply(CompositionTable& t, Step& step);  // reverses it, and makes it what reverses that
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
    TableScalars before_;
};

}  // namespace tamsel

#include "tablefile/table_file.h"

#include <filesystem>
#include <new>
#include <vector>

#include "io/safe_file.h"
#include "platform/error.h"
#include "table/frequency.h"
#include "text/sjis.h"

namespace tamsel {

void installLoadedTable(TableState& t, LoadedTable&& lt, const std::string& path) {
    // The file's cells as it shows them (a non-empty cell is a presence).
    PresenceCounts counts =
        narrowCounts(lt.presencePerRow, lt.presencePerColumn, TableLayout(lt.freqRow));
    std::filesystem::path p(path);
    std::string name = p.filename().string(), folder = p.parent_path().string();
    std::vector<LayerCodes> domLine = t.model.domLine();
    domLine.resize(static_cast<std::size_t>(lt.releveCount) + 1, LayerCodes{});
    // The file does not keep the relevés' origins.
    TableFields fields{.title = std::move(lt.title),
                       .plantCapacity = lt.speciesCount,
                       .releveCapacity = lt.releveCount,
                       .releveCount = lt.releveCount,
                       .speciesCount = lt.speciesCount,
                       .freqRow = lt.freqRow,
                       .freq = std::move(counts.freq),
                       .numSp = std::move(counts.numSp),
                       .domLine = std::move(domLine)};
    // Checked before the history goes: nothing below can fail, and the table
    // changes all at once.
    CompositionTable::checkShape(fields, lt.codes, lt.grid);
    t.history.restart(t.model);
    t.model.replace(std::move(fields), std::move(lt.codes), std::move(lt.grid));
    t.data.CurrentNotation = 2;
    t.files.DataFileName = std::move(name);
    t.files.DataFolder = std::move(folder);
    t.files.TableFileName = path;
    t.markUnchanged();
}

void loadTableFile(TableState& t, const std::string& path, ProgressBar* bar,
                   std::size_t bufferSize) {
    struct BarReset {
        ProgressBar* bar;
        ~BarReset() {
            if (bar) bar->setPosition(0);
        }
    } reset{bar};
    try {
        TableFileReader reader(path, bar);
        readFileInPieces(path, bufferSize, [&](std::string_view piece) { reader.feed(piece); });
        installLoadedTable(t, reader.finish(), path);
    } catch (const std::bad_alloc&) {
        // A table too large for this machine: the user's words, the table as it was.
        throw Error(sj("メモリーが足りないため組成表ファイル ") + fromUtf8(path) +
                    sj(" を読み込めません"));
    }
}

}  // namespace tamsel

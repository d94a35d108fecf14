// Choosing relevés from a data file pair: the menu command and the add-relevé
// panel's buttons. A refusal (empty cover box, bad range, a pair that cannot be
// opened) throws Error. Records of the file that cannot be read are skipped, and
// when the command ends one message tells how many and why, naming the first few.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "compose/add_releve_form.h"
#include "compose/replace_name.h"
#include "datafile/cover_codes.h"
#include "datafile/data_file_pair.h"
#include "platform/progress.h"
#include "table/table_state.h"

namespace tamsel {

// The data file pair at path becomes the one chosen (DataFileName, DataFolder);
// the pair is opened to check it and read its record count, which becomes the
// range RtN1 .. RtN2, then closed.
void useDataFilePair(TableState& t, AddReleveForm& f, const std::string& path);

// The threshold of a minimum-cover box; nothing for an empty box.
std::optional<CoverCode> ParseMinCover(std::string_view text);

// Whether to place again the count relevés of the range that the table holds
// already from the same data file; the caller decides (the window asks), and is
// not called when there are none.
using AddAgain = std::function<bool(std::int64_t count)>;

// The plant buttons; mode 1 Ａのみ, 2 ＡとＢ, 3 ＡかＢ, 4 Ｂなし.
void AddbyPlant(TableState& t, const ReplaceName& d, AddReleveForm& f, Progress& progress, int mode,
                const AddAgain& addAgain);

// The grid way (records whose grid code begins with the box's text) and the
// record way (every record of the range).
void AddbyGrid(TableState& t, const ReplaceName& d, AddReleveForm& f, Progress& progress,
               const AddAgain& addAgain);
void AddbyRecord(TableState& t, const ReplaceName& d, AddReleveForm& f, Progress& progress,
                 const AddAgain& addAgain);

// Relevés to place that a source other than the open data file pair gives one by
// one, in order (a relevé store's selection).
class ReleveFeed {
  public:
    virtual ~ReleveFeed() = default;
    virtual std::int64_t count() const = 0;
    // Relevé k (0-based); valid until the next call.
    virtual ReleveView releve(std::int64_t k) = 0;
    // Where relevé k was first read (its data file, as originPath gives it, and its
    // record there), kept as its column's origin: adding the same relevé again,
    // from the feed or from that file, is asked about.
    virtual ReleveOrigin origin(std::int64_t k) = 0;
    // Relevé k's number as reports name it after name().
    virtual std::int32_t record(std::int64_t k) const = 0;
    // The source as reports name it (Shift-JIS), e.g. "データベース x.tsdb".
    virtual std::string name() const = 0;
};

// Places every relevé of feed, in order, as the record way places those of a
// pair: the dictionary, growth, the question about relevés in the table already,
// one recount and the same report.
void addFromFeed(TableState& t, const ReplaceName& d, Progress& progress, const AddAgain& addAgain,
                 ReleveFeed& feed);

// The status line's words for an add that placed this many relevés, and what
// else it did in one parenthesis after them: "… 加えました（a、b）".
std::string placedText(std::int32_t placed, const std::vector<std::string>& notes = {});

// The texts an add took in with control characters made blanks, over its relevés.
struct BlankedReport {
    std::int64_t items = 0;
    std::string firstReleve, firstField;  // Shift-JIS

    // The texts of a relevé placed whole; releve() names it, asked for only once.
    template <typename Name>
    void add(std::int32_t count, const std::string& firstOfReleve, Name&& releve) {
        if (count == 0) return;
        if (items == 0) {
            firstReleve = releve();
            firstField = firstOfReleve;
        }
        items += count;
    }
    // The status line's note: "n 件の項目の制御文字を空白にしました".
    std::string note() const;
    // The message's sentence: the note, naming the first relevé and field, in file.
    std::string sentence(const std::string& file) const;
};

}  // namespace tamsel

// The table file reader: any bytes load or are refused with a message; the same
// bytes fed in pieces give the same table or the same message; a table that loads
// saves again, and the saved file loads to the same table.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_common.h"
#include "io/byte_sink.h"
#include "platform/batch/batch_ui.h"
#include "table/table_state.h"
#include "tablefile/table_file.h"

using namespace tamsel;

namespace {

std::string saved(TableState& t) {
    StringSink out;
    writeTableFile(out, t);
    return out.text;
}

// The saved bytes of what the reader gives, or its message.
template <typename Read>
std::string outcome(BatchUi& ui, Read&& read) {
    try {
        TableState t;
        startBlankTable(t, ui);
        installLoadedTable(t, read(), "fuzz.vtb");
        return "loaded: " + saved(t);
    } catch (const Error& e) {
        return std::string("refused: ") + e.what();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    BatchUi ui;
    TableState t;
    startBlankTable(t, ui);
    bool loaded = fuzz::runGuarded([&] {
        LoadedTable lt = readTableFile(bytes, "fuzz.vtb");
        installLoadedTable(t, std::move(lt), "fuzz.vtb");
    });
    // Pieces of a size the input chooses: cuts fall inside lines, characters and
    // quoted items, and between CR and LF.
    const std::size_t piece = 1 + size % 61;
    std::string whole = outcome(ui, [&] { return readTableFile(bytes, "fuzz.vtb"); });
    std::string cut = outcome(ui, [&] {
        TableFileReader reader("fuzz.vtb");
        for (std::size_t at = 0; at < bytes.size(); at += piece)
            reader.feed(bytes.substr(at, piece));
        return reader.finish();
    });
    if (cut != whole) fuzz::finding("pieces", "a read in pieces differs from the whole read");
    if (!loaded) return 0;
    std::string first;
    // What the reader accepts, the writer can write.
    if (!fuzz::runGuarded([&] { first = saved(t); }))
        fuzz::finding("round trip", "a loaded table cannot be saved");
    TableState again;
    startBlankTable(again, ui);
    if (!fuzz::runGuarded(
            [&] { installLoadedTable(again, readTableFile(first, "again.vtb"), "again.vtb"); }))
        fuzz::finding("round trip", "a saved table does not load");
    if (saved(again) != first) fuzz::finding("round trip", "the reloaded table differs");
    return 0;
}

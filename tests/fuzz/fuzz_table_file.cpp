// The table file reader: any bytes load or are refused with a message; a table
// that loads saves again, and the saved file loads to the same table.
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

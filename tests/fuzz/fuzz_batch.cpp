// The whole road of a user: a data file pair made of the input is added,
// recounted, sorted, saved, loaded, ordered, saved and loaded again.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_common.h"

using namespace tamsel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view rli, rld;
    if (!fuzz::writePairOf(data, size, "f", rli, rld)) return 0;
    const std::string dir = fuzz::workDir();
    fuzz::runCommandLine({"add", dir + "/f.rli", "recount", "sort-species", "sort-releves", "save",
                          dir + "/x.vtb", "load", dir + "/x.vtb", "recip", "save", dir + "/y.vtb",
                          "load", dir + "/y.vtb"});
    return 0;
}

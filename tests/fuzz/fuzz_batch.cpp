// The whole road of a user: a data file pair made of the input is added,
// recounted, sorted, saved, loaded, ordered, saved and loaded again.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_common.h"

using namespace tamsel;

// The first two bytes give the length of the .rli part; the rest is the .rld.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    std::size_t rliSize = (std::size_t{data[0]} << 8 | data[1]) % (size - 1);
    std::string_view rest(reinterpret_cast<const char*>(data) + 2, size - 2);
    const std::string dir = fuzz::workDir();
    fuzz::writeFile(dir + "/f.rli", rest.substr(0, rliSize));
    fuzz::writeFile(dir + "/f.rld", rest.substr(rliSize));
    fuzz::runCommandLine({"add", dir + "/f.rli", "recount", "sort-species", "sort-releves", "save",
                          dir + "/x.vtb", "load", dir + "/x.vtb", "recip", "save", dir + "/y.vtb",
                          "load", dir + "/y.vtb"});
    return 0;
}

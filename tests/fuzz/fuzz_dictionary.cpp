// The synonym dictionary: loaded, then every name of its lines looked up by
// building a table through it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_common.h"

using namespace tamsel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = fuzz::workDir() + "/d.dic";
    fuzz::writeFile(path, std::string_view(reinterpret_cast<const char*>(data), size));
    fuzz::runCommandLine({"dict", path, "caption"});
    return 0;
}

// The settings file read from the menu, then a table laid out by it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_common.h"

using namespace tamsel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = fuzz::workDir() + "/s.ini";
    fuzz::writeFile(path, std::string_view(reinterpret_cast<const char*>(data), size));
    fuzz::runCommandLine({"ini", path, "clear", "caption"});
    return 0;
}

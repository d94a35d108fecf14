// The data file pair: every record read forwards and then backwards, from the
// bytes in memory and from files read through blocks of a few records. Both
// ways must agree on every read, so the block buffer can never hand back the
// wrong record whichever way a chain runs.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "datafile/data_file_pair.h"
#include "fuzz/fuzz_common.h"
#include "text/error.h"

using namespace tamsel;

namespace {

void compare(DataFilePair& a, DataFilePair& b, std::int32_t n) {
    const ReleveRead ra = ReadReleve(a, n), rb = ReadReleve(b, n);
    if (ra.failure != rb.failure)
        fuzz::finding("files and bytes disagree", "record " + std::to_string(n));
    if (!ra) return;
    if (a.HeaderRecord != b.HeaderRecord || a.PlantSetCount != b.PlantSetCount ||
        a.PlantSet.size() != b.PlantSet.size())
        fuzz::finding("files and bytes disagree", "header of record " + std::to_string(n));
    for (std::size_t k = 0; k < a.PlantSet.size(); ++k)
        if (a.PlantSet[k].name != b.PlantSet[k].name || a.PlantSet[k].codes != b.PlantSet[k].codes)
            fuzz::finding("files and bytes disagree", "species of record " + std::to_string(n));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view rli, rld;
    if (!fuzz::writePairOf(data, size, "d", rli, rld)) return 0;
    const std::string dir = fuzz::workDir();
    DataFilePair fromBytes, fromFiles;
    openDataFileBytes(fromBytes, std::string(rli), std::string(rld));
    try {
        openDataFilesAt(fromFiles, dir + "/d.rli", 2 * SpeciesRecordSize);
    } catch (const Error&) {
        fuzz::finding("pair does not open", dir);
    }
    if (fromBytes.LastRecord != fromFiles.LastRecord) fuzz::finding("LastRecord", "differs");
    for (std::int32_t n = -1; n <= fromBytes.LastRecord + 1; ++n) compare(fromBytes, fromFiles, n);
    for (std::int32_t n = fromBytes.LastRecord + 1; n >= -1; --n) compare(fromBytes, fromFiles, n);
    return 0;
}

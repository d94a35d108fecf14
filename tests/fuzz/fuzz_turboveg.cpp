// The Turboveg reader: any bytes give a package or an Error; the same bytes fed
// in pieces of any size give the same relevés or the same message, so neither the
// "&" filter nor the parser may depend on where a read of the file ends.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "fuzz/fuzz_common.h"
#include "turboveg/turboveg_reader.h"

using namespace tamsel;

namespace {

// Every relevé of the package as bytes, or the message.
template <typename Read>
std::string outcome(Read&& read) {
    std::string out;
    try {
        TurbovegPackage p = read();
        out = "read " + std::to_string(p.plotCount()) + "\n";
        for (std::size_t k = 0; k < p.plotCount(); ++k) {
            TurbovegReleve r = p.releve(k);
            out.append(r.view.header->data(), r.view.header->size());
            out += r.name + (r.replacedCharacters ? " ?\n" : "\n");
            for (const PlantSetEntry& e : r.view.species) {
                out.append(e.nameView());
                out.append(reinterpret_cast<const char*>(e.codes.data()), sizeof(e.codes));
            }
        }
    } catch (const Error& e) {
        if (fuzz::isInternalMessage(e.what())) fuzz::finding("internal message", e.what());
        // The parser's own reason for junk after the root element depends on
        // where a piece ends; the file and the line must not.
        std::string said = e.what();
        if (std::size_t reason = said.rfind("\x81\x69"); reason != std::string::npos)
            said.resize(reason);
        out = "refused: " + said;
    } catch (const std::exception& e) {
        fuzz::finding("foreign exception", e.what());
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::size_t piece = data[0] % 61 + 1;
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::string whole = outcome([&] { return readTurbovegBytes(bytes, "fuzz.xml"); });
    const std::string pieces = outcome([&] {
        TurbovegReader r("fuzz.xml");
        for (std::size_t at = 0; at < bytes.size(); at += piece) r.feed(bytes.substr(at, piece));
        return r.finish();
    });
    if (whole != pieces)
        fuzz::finding("whole and pieces disagree", "piece " + std::to_string(piece) + "\n" +
                                                       whole.substr(0, 300) + "\n---\n" +
                                                       pieces.substr(0, 300));
    return 0;
}

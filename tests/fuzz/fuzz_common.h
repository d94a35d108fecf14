// What every fuzz target counts as a finding besides a crash or a sanitizer
// report: an exception that is not the program's own Error, or an Error whose
// message a Japanese user could not read (plain ASCII is an internal message).
#pragma once

#include <unistd.h>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "app/session/batch.h"

#include "platform/error.h"

namespace tamsel::fuzz {

inline bool isInternalMessage(const std::string& m) {
    for (unsigned char c : m)
        if (c >= 0x80) return false;
    return true;
}

[[noreturn]] inline void finding(const char* what, const std::string& detail) {
    std::fprintf(stderr, "FINDING: %s: %s\n", what, detail.c_str());
    std::abort();
}

// Runs f; a foreign exception or an internal message aborts with a finding.
template <typename F>
bool runGuarded(F&& f) {
    try {
        f();
        return true;
    } catch (const Error& e) {
        if (isInternalMessage(e.what())) finding("internal message", e.what());
        return false;
    } catch (const std::exception& e) {
        finding("foreign exception", e.what());
    }
}

// A folder of this process for the files a target writes.
inline const std::string& workDir() {
    static const std::string dir = [] {
        char pattern[] = "/tmp/tamsel-fuzz-XXXXXX";
        const char* d = mkdtemp(pattern);
        if (!d) std::abort();
        return std::string(d);
    }();
    return dir;
}

inline void writeFile(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// A data file pair made of one input: the first two bytes give the length of the
// .rli part, the rest is the .rld. Writes both into the work folder as name.rli
// and name.rld and returns the two parts; false when the input is too short.
inline bool writePairOf(const std::uint8_t* data, std::size_t size, const std::string& name,
                        std::string_view& rli, std::string_view& rld) {
    if (size < 2) return false;
    std::size_t rliSize = (std::size_t{data[0]} << 8 | data[1]) % (size - 1);
    std::string_view rest(reinterpret_cast<const char*>(data) + 2, size - 2);
    rli = rest.substr(0, rliSize);
    rld = rest.substr(rliSize);
    writeFile(workDir() + "/" + name + ".rli", rli);
    writeFile(workDir() + "/" + name + ".rld", rld);
    return true;
}

// Runs a command line as tamsel-batch does; an internal message is a finding.
inline void runCommandLine(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    runGuarded([&] { (void)runBatch(args, out, err); });
    std::string e = err.str();
    for (std::size_t at = e.find("error: "); at != std::string::npos;
         at = e.find("error: ", at + 1)) {
        std::size_t end = e.find('\n', at);
        std::string line = e.substr(at + 7, end == std::string::npos ? end : end - at - 7);
        if (isInternalMessage(line)) finding("internal message", line);
    }
}

}  // namespace tamsel::fuzz

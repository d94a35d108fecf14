// Adding the plots of one Turboveg XML plot package of 100,000 plots with about 40
// species each to a blank table, against the bare XML parser reading the same file
// (no handler but a count of the elements) in the same run. Usage:
// bench_turboveg_bench [PLOTS]
#include <expat.h>
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "compose/add_turboveg.h"
#include "compose/replace_name.h"
#include "platform/batch/batch_ui.h"
#include "support/temp_dir.h"
#include "table/table_state.h"
#include "turboveg/turboveg_reader.h"

namespace {

double processorSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    auto s = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return s(u.ru_utime) + s(u.ru_stime);
}

long peakMiB() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss / 1024;
}

// The package as Turboveg writes one: lookup tables, then the plots, one element
// per line; 3,000 species, covers of the new Braun-Blanquet scale.
std::size_t writePackage(const std::string& path, int plots) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 0;
    static const char* const covers[] = {"r", "+", "1", "2m", "2a", "2b", "3", "4", "5"};
    static const char* const layers[] = {"1", "4", "6", "6", "6", "7", "9", "0"};
    std::uint32_t seed = 12345;
    auto next = [&] { return (seed = seed * 1103515245u + 12345u) >> 16; };
    std::fputs(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Plot_package>\n"
        " <Lookup_tables>\n  <Coverscale_list>\n   <coverscale_record code=\"02\" "
        "description=\"Braun/Blanquet (new)\">\n",
        f);
    for (const char* c : covers)
        std::fprintf(f, "    <data_record code=\"%s\" percentage=\"1\"/>\n", c);
    std::fputs("   </coverscale_record>\n  </Coverscale_list>\n  <Species_list>\n", f);
    for (int s = 1; s <= 3000; ++s)
        std::fprintf(f, "   <species_record nr=\"%d\" name=\"Species %d sp.\"/>\n", s, s);
    std::fputs("  </Species_list>\n </Lookup_tables>\n <Plots>\n", f);
    for (int k = 1; k <= plots; ++k) {
        std::fprintf(f,
                     "  <Plot>\n   <header_data>\n    <standard_record releve_nr=\"%d\" "
                     "coverscale=\"02\" date=\"20050612\" locality=\"Site %u &amp; co\" "
                     "altitude=\"%u.00\" exposition=\"NE\" inclinatio=\"15\" "
                     "surf_area=\"100\" cov_herbs=\"80\"/>\n"
                     "    <udf_record name=\"latitude\" type=\"N\" value=\"36.%u\"/>\n"
                     "   </header_data>\n   <species_data>\n",
                     k, next() % 97, 200 + next() % 1500, next() % 1000);
        const unsigned species = 35 + next() % 11;  // 35..45
        for (unsigned s = 0; s < species; ++s)
            std::fprintf(f,
                         "    <species>\n     <standard_record nr=\"%u\" cover=\"%s\" "
                         "layer=\"%s\"/>\n    </species>\n",
                         1 + next() % 3000, covers[next() % 9], layers[next() % 8]);
        std::fputs("   </species_data>\n  </Plot>\n", f);
    }
    std::fputs(" </Plots>\n</Plot_package>\n", f);
    const long size = std::ftell(f);
    std::fclose(f);
    return static_cast<std::size_t>(size);
}

void XMLCALL countElement(void* n, const XML_Char*, const XML_Char**) {
    ++*static_cast<long*>(n);
}

// The bare parser over the file in 1 MiB pieces; the number of elements.
long bareParse(const std::string& path) {
    XML_Parser p = XML_ParserCreate(nullptr);
    long elements = 0;
    XML_SetUserData(p, &elements);
    XML_SetStartElementHandler(p, countElement);
    std::FILE* f = std::fopen(path.c_str(), "rb");
    std::vector<char> buf(1 << 20);
    bool ok = f != nullptr;
    while (ok) {
        const std::size_t n = std::fread(buf.data(), 1, buf.size(), f);
        ok = XML_Parse(p, buf.data(), static_cast<int>(n), n == 0) == XML_STATUS_OK;
        if (n == 0) break;
    }
    if (f) std::fclose(f);
    XML_ParserFree(p);
    return ok ? elements : -1;
}

}  // namespace

int main(int argc, char** argv) {
    const int plots = argc > 1 ? std::atoi(argv[1]) : 100000;
    tamsel::testing::TempDir dir;
    const std::string path = dir.file("plots.xml");
    const std::size_t bytes = writePackage(path, plots);
    if (bytes == 0) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return 1;
    }
    std::printf("package: %d plots, %.0f MB\n", plots, bytes / 1e6);

    double t = processorSeconds();
    const long elements = bareParse(path);
    const double bare = processorSeconds() - t;
    if (elements < 0) {
        std::fprintf(stderr, "the bare parser refused the file\n");
        return 1;
    }

    t = processorSeconds();
    const std::size_t read = tamsel::readTurbovegFile(path).plotCount();
    const double reader = processorSeconds() - t;

    tamsel::TableState table;
    tamsel::BatchUi ui;
    tamsel::ReplaceName d;
    tamsel::startBlankTable(table, ui);
    t = processorSeconds();
    tamsel::addTurbovegFile(table, d, ui, path);
    const double add = processorSeconds() - t;
    if (read != static_cast<std::size_t>(plots) || table.model.releveCount() != plots) {
        std::fprintf(stderr, "read %zu plots, placed %d\n", read, table.model.releveCount());
        return 1;
    }
    std::printf("bare parser (%ld elements): %.2f s\n", elements, bare);
    std::printf("read and check the package: %.2f s (%.1f x the bare parser)\n", reader,
                reader / bare);
    std::printf(
        "add-turboveg (read, place, recount): %.2f s (%.1f x the bare parser), "
        "%d species rows\n",
        add, add / bare, table.model.speciesCount());
    std::printf("peak memory: %ld MiB\n", peakMiB());
    return 0;
}

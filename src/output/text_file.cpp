#include "output/text_file.h"

#include "io/safe_file.h"
#include "output/text_layout.h"

namespace tamsel {

void writeTextFile(const TableState& t, const PrintPanel& p, const std::string& path,
                   std::uint16_t fromPlant, std::uint16_t toPlant) {
    SafeFileWriter file(path);
    SinkChannel channel(file);
    PrintTable(t, p, channel, TextFilePerPage, fromPlant, toPlant);
    file.commit();
}

}  // namespace tamsel

#include "support/data_file_writer.h"

#include <cstring>
#include <fstream>
#include <stdexcept>

namespace tamsel::testing {

namespace {
void put(std::string& rec, std::size_t offset, std::size_t width, const std::string& text,
         bool rightAlign) {
    std::string t = text.substr(0, width);
    std::size_t pad = width - t.size();
    std::memcpy(rec.data() + offset + (rightAlign ? pad : 0), t.data(), t.size());
}
std::string num(std::int64_t v, std::size_t width) {
    std::string s = std::to_string(v);
    return std::string(width > s.size() ? width - s.size() : 0, ' ') + s;
}
}  // namespace

std::string headerRecord(const ReleveIn& r, std::int32_t firstSpecies) {
    std::string rec(256, ' ');
    put(rec, 16, 8, r.releveNumber, false);
    put(rec, 24, 8, r.siteName, false);
    put(rec, 32, 8, r.surveyDate, false);
    put(rec, 40, 8, r.latitude, false);
    put(rec, 48, 8, r.longitude, false);
    put(rec, 56, 8, r.gridCode, false);
    for (int k = 0; k < 8; ++k) put(rec, 64 + 4 * k, 4, r.fours[k], true);
    for (int k = 0; k < 7; ++k) put(rec, 96 + 4 * k, 4, r.heights[k], true);
    for (int k = 0; k < 7; ++k) put(rec, 124 + 4 * k, 4, r.covers[k], true);
    put(rec, 152, 4,
        r.speciesTotal.empty() ? num(static_cast<std::int64_t>(r.species.size()), 4)
                               : r.speciesTotal,
        false);
    put(rec, 156, 1, r.coverScale, false);
    put(rec, 157, 1, r.coverNotation, false);
    put(rec, 248, 6, r.firstSpeciesRecord.empty() ? num(firstSpecies, 6) : r.firstSpeciesRecord,
        false);
    return rec;
}

std::string speciesRecord(const std::vector<SpeciesIn>& twelve, std::int32_t next) {
    std::string rec(512, ' ');
    for (std::size_t k = 0; k < twelve.size() && k < 12; ++k) {
        put(rec, k * 42, 28, twelve[k].name, false);
        put(rec, k * 42 + 28, 14, twelve[k].layerText, false);
    }
    put(rec, 504, 6, num(next, 6), false);
    return rec;
}

void writeDataFilePair(const std::string& basePath, const std::vector<ReleveIn>& releves) {
    std::ofstream rli(basePath + ".rli", std::ios::binary | std::ios::trunc);
    std::ofstream rld(basePath + ".rld", std::ios::binary | std::ios::trunc);
    if (!rli || !rld) throw std::runtime_error("cannot write " + basePath);
    rli << std::string(256, ' ');
    rld << std::string(512, ' ');
    std::int32_t nextFree = 1;
    for (const ReleveIn& r : releves) {
        std::int32_t records = static_cast<std::int32_t>((r.species.size() + 11) / 12);
        std::int32_t first = records ? nextFree : 0;
        rli << headerRecord(r, first);
        for (std::int32_t k = 0; k < records; ++k) {
            std::vector<SpeciesIn> part(
                r.species.begin() + 12 * k,
                r.species.begin() + std::min<std::size_t>(r.species.size(), 12 * (k + 1)));
            rld << speciesRecord(part, k + 1 < records ? nextFree + k + 1 : 0);
        }
        nextFree += records;
    }
}

void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    if (!f || !f.write(bytes.data(), static_cast<std::streamsize>(bytes.size())))
        throw std::runtime_error("cannot write " + path);
}

void writeRecords(const std::string& basePath, const std::vector<std::string>& headerRecords,
                  const std::vector<std::string>& speciesRecords) {
    std::string rli, rld;
    for (const std::string& r : headerRecords) rli += r;
    for (const std::string& r : speciesRecords) rld += r;
    writeBytes(basePath + ".rli", rli);
    writeBytes(basePath + ".rld", rld);
}

}  // namespace tamsel::testing

// Writes data file pairs (.rli/.rld) record by record, so a test can make exactly
// the records a case needs.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tamsel::testing {

struct SpeciesIn {
    std::string name;       // Shift-JIS, padded to 28 bytes with blanks
    std::string layerText;  // 14 bytes of layer codes, padded with blanks
};

struct ReleveIn {
    // Header fields by offset; unset fields are blanks.
    std::string releveNumber, siteName, surveyDate, latitude, longitude, gridCode;
    std::array<std::string, 8> fours;  // Altitude .. PlotArea
    std::array<std::string, 7> heights, covers;
    std::string speciesTotal;      // empty: the number of species, right-aligned
    std::string coverScale = "5";  // one byte
    std::string coverNotation = "2";
    std::string firstSpeciesRecord;  // empty: the record the writer chooses
    std::vector<SpeciesIn> species;
};

// The 256 bytes of a header record and 512 bytes of a species record.
std::string headerRecord(const ReleveIn& r, std::int32_t firstSpecies);
std::string speciesRecord(const std::vector<SpeciesIn>& twelve, std::int32_t next);

// Writes base.rli and base.rld: record 0 of both is filler; relevé k is header
// record k, its species chain consecutive records of the .rld file.
void writeDataFilePair(const std::string& basePath, const std::vector<ReleveIn>& releves);

// Writes base.rli and base.rld from whole records exactly as given (record 0 first),
// for files that a case needs to be wrong in a particular way.
void writeRecords(const std::string& basePath, const std::vector<std::string>& headerRecords,
                  const std::vector<std::string>& speciesRecords);

// Writes bytes to a file, replacing it.
void writeBytes(const std::string& path, const std::string& bytes);

}  // namespace tamsel::testing

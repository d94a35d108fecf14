// The relevé data file pair: header records (.rli, 256 bytes each) and species
// chains (.rld, 512 bytes each). Read only.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "datafile/cover_codes.h"

namespace tamsel {

constexpr std::size_t HeaderRecordSize = 256;
constexpr std::size_t SpeciesRecordSize = 512;
constexpr std::size_t SpeciesEntrySize = 42;
constexpr std::size_t SpeciesNameSize = 28;
constexpr int EntriesPerSpeciesRecord = 12;

// A header field: offset and width inside the HeaderRecord.
struct HeaderField {
    const char* name;
    std::size_t offset;
    std::size_t width;
};

// The fields in offset order; LayerHeights and LayerCovers as seven fields each.
const std::array<HeaderField, 32>& headerFields();

// Named offsets used by the reader and the table builder.
namespace hdr {
constexpr std::size_t ReleveNumber = 16, SiteName = 24, SurveyDate = 32, Latitude = 40,
                      Longitude = 48, GridCode = 56, Altitude = 64, LayerHeights = 96,
                      LayerCovers = 124, SpeciesTotal = 152, CoverScale = 156, CoverNotation = 157,
                      FirstSpeciesRecord = 248;
}
constexpr std::size_t NextSpeciesRecordOffset = 504;

struct PlantSetEntry {
    std::array<char, SpeciesNameSize> name;  // as stored, untrimmed
    LayerCodes codes;
    std::string_view nameView() const { return {name.data(), name.size()}; }
};

// One relevé as every source yields it: the header record (its fields at the
// offsets above) and the species entries with their seven codes, in order. A view:
// the bytes belong to the reader that made it.
struct ReleveView {
    const std::array<char, HeaderRecordSize>* header = nullptr;
    std::span<const PlantSetEntry> species;
    std::int32_t coverScale = 5, notation = 2;

    std::string_view field(std::size_t offset, std::size_t width) const {
        return {header->data() + offset, width};
    }
};

// Why ReadReleve could not read a relevé.
enum class ReadFailure {
    None,
    HeaderMissing,  // no header record with that number (outside the .rli file)
    HeaderUnreadable,
    BadCoverScale,  // a number field that is no number
    BadCoverNotation,
    BadSpeciesTotal,
    BadFirstSpeciesRecord,
    BadNextSpeciesRecord,
    NegativeLink,  // a species link to a record number below 0
    LinkPastEnd,   // a species link beyond the end of the .rld file
    SpeciesUnreadable,
    ChainLoops,  // the species chain comes back to a record already read
    BadLayerCode,
};

// What went wrong, in the user's words (Shift-JIS).
std::string readFailureText(ReadFailure why);

constexpr std::size_t DefaultBlockBytes = 64 * 1024;

// Fixed-size records of one file, read through a block buffer so that records
// read in order, forwards or backwards, cost one system read per block; or of
// bytes held in memory, so that tests and fuzzers can feed the reader without files.
class RecordFile {
  public:
    bool open(const std::string& path, std::size_t recordSize,
              std::size_t blockBytes = DefaultBlockBytes);
    void openBytes(std::string bytes, std::size_t recordSize);
    void close();
    bool isOpen() const { return file_ != nullptr || inMemory_; }
    std::int64_t recordCount() const { return records_; }
    // Reads record n whole into out (recordSize bytes); false when n lies outside.
    bool read(std::int64_t n, char* out);

  private:
    struct Closer {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::unique_ptr<std::FILE, Closer> file_;
    std::string memory_;
    bool inMemory_ = false;
    std::size_t recordSize_ = 0;
    std::int64_t records_ = 0;
    std::vector<char> block_;
    std::int64_t blockFirst_ = -1;  // first record in block_
    std::int64_t blockRecords_ = 0;
};

// The reader's state: the open pair, the record buffers and the species of the
// relevé read last.
struct DataFilePair {
    std::array<char, HeaderRecordSize> HeaderRecord;
    std::array<char, SpeciesRecordSize> SpeciesRecord;
    std::vector<PlantSetEntry> PlantSet;
    std::int32_t PlantSetCapacity = 159;
    std::int32_t PlantSetCount = 0;
    std::int32_t LastRecord = 0;
    std::int32_t CurrentCoverScale = 5;
    std::int32_t CurrentNotation = 2;

    RecordFile headerFile, speciesFile;

    DataFilePair();
    // The stored text of a header field.
    std::string_view field(std::size_t offset, std::size_t width) const {
        return {HeaderRecord.data() + offset, width};
    }
};

// The start values: blank buffers, "   0" as SpeciesTotal, 160 blank PlantSet entries.
void resetDataFilePair(DataFilePair& p);

// The .rld file beside a header file: its extension replaced (or appended).
std::string speciesFileName(const std::string& headerPath);

// Opens both files and sets LastRecord. When either fails both are closed and
// an Error says "ファイルが開けません" and names the one that failed (a missing
// .rld by its own name, not by its .rli).
void openDataFilesAt(DataFilePair& p, const std::string& headerPath,
                     std::size_t blockBytes = DefaultBlockBytes);
// The same pair from the bytes of the .rli and .rld files.
void openDataFileBytes(DataFilePair& p, std::string headerBytes, std::string speciesBytes);
void CloseDataFiles(DataFilePair& p);
void ClearPlantSet(DataFilePair& p);
// The relevé the pair read last: the HeaderRecord buffer and PlantSet entries
// 1 .. PlantSetCount (none for a count of 0 or less).
ReleveView lastReleve(const DataFilePair& p);

// What a read gives: the relevé, valid until the pair's next read, or why it
// could not be read.
struct ReleveRead {
    ReadFailure failure = ReadFailure::None;
    ReleveView releve;
    explicit operator bool() const { return failure == ReadFailure::None; }
};

// Reads header record n and its species chain. The walk reads only the records
// SpeciesTotal can fill (at least one) and never follows the chain beyond them,
// so a relevé costs what its species cost.
ReleveRead ReadReleve(DataFilePair& p, std::int32_t n);

// Closes the pair when a scope ends, on every path.
class DataFilesScope {
  public:
    explicit DataFilesScope(DataFilePair& p) : p_(p) {}
    ~DataFilesScope() { CloseDataFiles(p_); }
    DataFilesScope(const DataFilesScope&) = delete;
    DataFilesScope& operator=(const DataFilesScope&) = delete;

  private:
    DataFilePair& p_;
};

}  // namespace tamsel

// Turboveg 2 XML plot packages: every Plot of the file as a relevé, its header
// fields, species and codes mapped to those of a data file pair.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "datafile/data_file_pair.h"

namespace tamsel {

// A relevé made from a plot: valid until the next call of TurbovegPackage::releve.
struct TurbovegReleve {
    ReleveView view;
    bool replacedCharacters = false;  // a character without a Shift-JIS code became "?"
    std::string name;                 // releve_nr, or the plot's place in the file
    // Its header fields whose value had control characters inside (made blanks):
    // the field's offset in the header record and Turboveg's name for it.
    std::vector<std::pair<std::size_t, std::string_view>> blankedFields;
    // Species names of the list so made, each counted at the first plot that has
    // it, and the first of them as a report names it.
    std::int32_t blankedNames = 0;
    std::string firstBlankedName;
};

// A package read whole and checked: every plot can be made into a relevé.
class TurbovegPackage {
  public:
    TurbovegPackage();
    TurbovegPackage(TurbovegPackage&&) noexcept;
    TurbovegPackage& operator=(TurbovegPackage&&) noexcept;
    ~TurbovegPackage();

    std::size_t plotCount() const;
    // Plot k (0-based, in file order).
    TurbovegReleve releve(std::size_t k);
    // Plot k as messages name it: its place in the file and its releve_nr.
    std::string plotName(std::size_t k) const;

    struct Data;

  private:
    std::unique_ptr<Data> d_;
    friend class TurbovegReader;
    std::vector<PlantSetEntry> entries_;  // the species of the relevé made last
    std::array<char, HeaderRecordSize> header_{};
};

// Reads a package piece by piece, as it arrives. fileName names the file in
// messages. A malformed or cut-short file, a cover code its scale does not hold,
// a plot whose scale is not in the file: Error naming the plot and the line.
class TurbovegReader {
  public:
    explicit TurbovegReader(std::string fileName);
    ~TurbovegReader();
    TurbovegReader(const TurbovegReader&) = delete;
    TurbovegReader& operator=(const TurbovegReader&) = delete;

    void feed(std::string_view bytes);
    // The end of the file: the package, checked whole.
    TurbovegPackage finish();

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

TurbovegPackage readTurbovegBytes(std::string_view bytes, const std::string& fileName);
// From a file, read in pieces; fileName as the user chose it (UTF-8 path). progress,
// when given, hears the bytes read so far and the file's size after every piece.
TurbovegPackage readTurbovegFile(
    const std::string& path,
    const std::function<void(std::uint64_t done, std::uint64_t size)>& progress = {});

}  // namespace tamsel

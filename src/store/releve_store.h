// The relevé store: one SQLite file (.tsdb) that keeps every relevé of the data
// file pairs and Turboveg packages imported into it, so that a table can be built
// from a selection of them.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "compose/add_releve.h"
#include "compose/replace_name.h"

struct sqlite3;

namespace tamsel {

constexpr int StoreSchemaVersion = 2;

struct StoreDataset {
    std::int64_t id = 0;
    std::string name;  // the source's file name (UTF-8)
    std::string kind;  // "rli" or "turboveg"
    std::int64_t releves = 0, entries = 0;
};

// One header-field condition: NAME OP VALUE. OP is =, !=, <, <=, >, >= or ^=
// (begins with). Numeric fields compare as numbers, the others as trimmed text.
struct FieldCondition {
    std::string field, op, value;  // field and op ASCII, value Shift-JIS
};

// What a selection asks; every condition given must hold.
struct StoreSelection {
    std::vector<std::string> species;          // Shift-JIS; every one present
    std::optional<std::array<double, 4>> box;  // west, south, east, north (degrees)
    std::optional<std::pair<std::int64_t, std::int64_t>> dates;  // yyyymmdd, both included
    std::vector<FieldCondition> fields;
    std::vector<std::string> datasets;  // UTF-8 names; any of them
};

// What a source is, by its file's ending (.rli, .xml; any letter case).
enum class SourceKind { Pair, Turboveg };
std::optional<SourceKind> sourceKindOf(const std::string& path);

// "FROM-TO" of yyyymmdd, yyyymm or yyyy dates: FROM's first day, TO's last.
std::pair<std::int64_t, std::int64_t> parseDateRange(const std::string& text);
// "W,S,E,N" in degrees.
std::array<double, 4> parseBox(const std::string& text);

class ReleveStore {
  public:
    // Opens the store at path (UTF-8); create: make an empty one when no file is
    // there. A file that is not a store, or of a newer schema: Error naming it.
    static ReleveStore open(const std::string& path, bool create);
    ReleveStore(ReleveStore&&) noexcept;
    ReleveStore& operator=(ReleveStore&&) noexcept;
    ~ReleveStore();

    const std::string& path() const { return path_; }
    std::vector<StoreDataset> datasets() const;

    // Imports a data file pair (.rli with its .rld) or a Turboveg 2 XML package
    // as one dataset, in one transaction: on an Error (an unreadable record, a
    // source whose name or content is in the store already) or when progress
    // returns false (cancel; nothing is imported, the result is nothing) the store
    // stays as it was. progress hears relevés done of a total.
    std::optional<StoreDataset> importSource(
        const std::string& path,
        const std::function<bool(std::int64_t done, std::int64_t total)>& progress = {});

    // The relevés meeting s, in store order. Names match as written or under the
    // dictionary d.
    std::vector<std::int64_t> select(const StoreSelection& s, const ReplaceName& d) const;
    // How many relevés select would give, without listing them.
    std::int64_t count(const StoreSelection& s, const ReplaceName& d) const;
    // Makes a select or count running on another thread end soon with an Error.
    void interrupt() const;

    // The species names as written in the relevés imported, each once, in byte
    // order (Shift-JIS; trailing blanks left out).
    std::vector<std::string> speciesNames() const;

    // The selected relevés as the placing routine takes them.
    std::unique_ptr<ReleveFeed> feed(std::vector<std::int64_t> ids) const;

  private:
    ReleveStore(sqlite3* db, std::string path) : db_(db), path_(std::move(path)) {}
    sqlite3* db_ = nullptr;
    std::string path_;
};

}  // namespace tamsel

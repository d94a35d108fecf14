#include "store/releve_store.h"

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <unordered_map>
#include <utility>

#include "compose/dictionary.h"
#include "datafile/data_file_pair.h"
#include "table/data_files.h"
#include "text/error.h"
#include "text/sjis.h"
#include "turboveg/turboveg_reader.h"

namespace tamsel {

namespace {

// 'TSDB': tells a store from any other SQLite file.
constexpr int ApplicationId = 0x54534442;
// The header bytes placing reads: every field up to CoverNotation.
constexpr std::size_t KeptHeaderBytes = 160;

std::string shown(const std::string& path) {
    return fromUtf8(std::filesystem::path(path).filename().string());
}

class Statement {
  public:
    Statement(sqlite3* db, const std::string& sql) : db_(db) {
        if (sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &s_, nullptr) !=
            SQLITE_OK)
            throw Error(msg("データベースの問い合わせが失敗しました: %1", sqlite3_errmsg(db)));
    }
    ~Statement() { sqlite3_finalize(s_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& bind(int k, std::int64_t v) {
        sqlite3_bind_int64(s_, k, v);
        return *this;
    }
    Statement& bind(int k, double v) {
        sqlite3_bind_double(s_, k, v);
        return *this;
    }
    Statement& bind(int k, std::optional<double> v) {
        if (v) return bind(k, *v);
        sqlite3_bind_null(s_, k);
        return *this;
    }
    Statement& bindText(int k, std::string_view v) {
        sqlite3_bind_text(s_, k, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
        return *this;
    }
    // Shift-JIS texts and raw bytes are kept as blobs: SQLite's text is UTF-8.
    Statement& bindBytes(int k, std::string_view v) {
        sqlite3_bind_blob(s_, k, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
        return *this;
    }
    // True while there is a row.
    bool step() {
        const int rc = sqlite3_step(s_);
        if (rc == SQLITE_ROW) return true;
        if (rc == SQLITE_DONE) return false;
        throw Error(msg("データベースの読み書きが失敗しました: %1", sqlite3_errmsg(db_)));
    }
    void run() {
        step();
        reset();
    }
    void reset() {
        sqlite3_reset(s_);
        sqlite3_clear_bindings(s_);
    }
    std::int64_t integer(int c) const { return sqlite3_column_int64(s_, c); }
    std::string_view bytes(int c) const {
        const void* p = sqlite3_column_blob(s_, c);
        return {static_cast<const char*>(p), static_cast<std::size_t>(sqlite3_column_bytes(s_, c))};
    }
    std::string text(int c) const { return std::string(bytes(c)); }

  private:
    sqlite3* db_;
    sqlite3_stmt* s_ = nullptr;
};

void exec(sqlite3* db, const char* sql) {
    char* error = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        const std::string text = error ? error : sqlite3_errmsg(db);
        sqlite3_free(error);
        throw Error(msg("データベースの読み書きが失敗しました: %1", text));
    }
}

std::int64_t pragmaValue(sqlite3* db, const char* name) {
    Statement s(db, std::string("PRAGMA ") + name);
    return s.step() ? s.integer(0) : 0;
}

// The schema each version adds, from the one before; a store is brought up to
// the newest version when opened.
const char* const Migrations[] = {
    // 0 -> 1
    R"(
CREATE TABLE datasets(
  id INTEGER PRIMARY KEY,
  name TEXT NOT NULL UNIQUE,
  kind TEXT NOT NULL,
  content_hash TEXT NOT NULL UNIQUE,
  imported TEXT NOT NULL DEFAULT (datetime('now')),
  releves INTEGER NOT NULL DEFAULT 0,
  entries INTEGER NOT NULL DEFAULT 0);
CREATE TABLE releves(
  id INTEGER PRIMARY KEY,
  dataset INTEGER NOT NULL REFERENCES datasets(id),
  record INTEGER NOT NULL,
  releve_number BLOB NOT NULL,
  cover_scale INTEGER NOT NULL,
  notation INTEGER NOT NULL,
  survey_date INTEGER,
  latitude REAL, longitude REAL, altitude REAL, aspect REAL, slope REAL, plot_area REAL,
  height1 REAL, height2 REAL, height3 REAL, height4 REAL, height5 REAL, height6 REAL, height7 REAL,
  cover1 REAL, cover2 REAL, cover3 REAL, cover4 REAL, cover5 REAL, cover6 REAL, cover7 REAL,
  header BLOB NOT NULL);
CREATE INDEX releves_by_dataset ON releves(dataset);
CREATE INDEX releves_by_date ON releves(survey_date);
CREATE INDEX releves_by_altitude ON releves(altitude);
CREATE VIRTUAL TABLE releve_places USING rtree(id, west, east, south, north);
CREATE TABLE header_values(
  field TEXT NOT NULL, value BLOB NOT NULL, releve INTEGER NOT NULL,
  PRIMARY KEY(field, value, releve)) WITHOUT ROWID;
CREATE TABLE species_names(id INTEGER PRIMARY KEY, name BLOB NOT NULL UNIQUE);
CREATE TABLE species_entries(
  releve INTEGER NOT NULL, position INTEGER NOT NULL, species INTEGER NOT NULL,
  codes BLOB NOT NULL,
  PRIMARY KEY(releve, position)) WITHOUT ROWID;
CREATE INDEX entries_by_species ON species_entries(species, releve);
)",
    // 1 -> 2: coordinates in degrees, minutes and seconds and dates with a
    // Japanese era, read again from the kept header bytes; and a pair's path, so
    // that a relevé placed from the store and from its pair is one relevé.
    R"(
ALTER TABLE datasets ADD COLUMN path TEXT;
UPDATE releves SET latitude = store_degrees(substr(header, 41, 8), 90),
                   longitude = store_degrees(substr(header, 49, 8), 180),
                   survey_date = store_date(substr(header, 33, 8));
DELETE FROM releve_places;
INSERT INTO releve_places SELECT id, longitude, longitude, latitude, latitude FROM releves
  WHERE latitude IS NOT NULL AND longitude IS NOT NULL;
)",
};
static_assert(std::size(Migrations) == StoreSchemaVersion);

std::optional<double> coordinateIn(std::string_view field, double limit);
std::optional<std::int64_t> dateIn(std::string_view field);

std::string_view bytesOf(sqlite3_value* v) {
    const auto* bytes = static_cast<const char*>(sqlite3_value_blob(v));
    return {bytes ? bytes : "", static_cast<std::size_t>(sqlite3_value_bytes(v))};
}

// store_degrees(text, limit) and store_date(text): the import's readings, for
// the migrations.
void degreesFunction(sqlite3_context* c, int, sqlite3_value** v) {
    if (const auto d = coordinateIn(bytesOf(v[0]), sqlite3_value_double(v[1])))
        sqlite3_result_double(c, *d);
    else
        sqlite3_result_null(c);
}
void dateFunction(sqlite3_context* c, int, sqlite3_value** v) {
    if (const auto d = dateIn(bytesOf(v[0])))
        sqlite3_result_int64(c, *d);
    else
        sqlite3_result_null(c);
}

void migrate(sqlite3* db, std::int64_t from) {
    sqlite3_create_function(db, "store_degrees", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                            degreesFunction, nullptr, nullptr);
    sqlite3_create_function(db, "store_date", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                            dateFunction, nullptr, nullptr);
    exec(db, "BEGIN IMMEDIATE");
    try {
        for (auto v = from; v < StoreSchemaVersion; ++v) exec(db, Migrations[v]);
        exec(db, ("PRAGMA application_id = " + std::to_string(ApplicationId)).c_str());
        exec(db, ("PRAGMA user_version = " + std::to_string(StoreSchemaVersion)).c_str());
        exec(db, "COMMIT");
    } catch (...) {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

// Rolls the transaction back unless it was committed.
class Transaction {
  public:
    explicit Transaction(sqlite3* db) : db_(db) { exec(db, "BEGIN IMMEDIATE"); }
    ~Transaction() {
        if (!done_) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    void commit() {
        exec(db_, "COMMIT");
        done_ = true;
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

  private:
    sqlite3* db_;
    bool done_ = false;
};

// FNV-1a over the bytes of the source's files, with their sizes.
class ContentHash {
  public:
    void addFile(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        if (!in) throw Error(msg("ファイルが開けません: %1", fromUtf8(path)));
        std::array<char, 1 << 16> buffer;
        std::uint64_t size = 0;
        while (in) {
            in.read(buffer.data(), buffer.size());
            const auto n = static_cast<std::size_t>(in.gcount());
            for (std::size_t k = 0; k < n; ++k) {
                h_ ^= static_cast<unsigned char>(buffer[k]);
                h_ *= 0x100000001b3ULL;
            }
            size += n;
        }
        text_ += (text_.empty() ? "" : "+") + std::to_string(size);
    }
    std::string text() const {
        char hex[17];
        std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(h_));
        return std::string(hex) + ":" + text_;
    }

  private:
    std::uint64_t h_ = 0xcbf29ce484222325ULL;
    std::string text_;
};

std::string textIn(std::string_view field) {
    std::string text(field);
    blankControls(text, TextEnds::Trimmed);
    return trimControl(text);
}

std::optional<double> numberIn(std::string_view field) {
    const std::string text = textIn(field);
    const char* b = text.data();
    const char* e = b + text.size();
    if (b < e && *b == '+') ++b;
    double v = 0;
    auto [end, ec] = std::from_chars(b, e, v);
    if (b == e || ec != std::errc() || end != e || !std::isfinite(v)) return std::nullopt;
    return v;
}

// Degrees of a latitude (limit 90) or longitude (limit 180) as sources write
// them: decimal degrees ("35.6812"); degrees, minutes and seconds run together,
// two digits each for minutes and seconds ("351230", "1353030.5", "3512") or
// apart ("35 12 30", "35-12-30", "35°12′30″", "35度12分30秒"); a hemisphere
// letter before or after, S and W counting negative, as does a leading minus.
// A plain number up to the limit is read as degrees, so "35.1230" is decimal.
std::optional<double> coordinateIn(std::string_view field, double limit) {
    const std::string text = textIn(field);
    std::vector<std::string> parts;
    std::string run;
    bool negative = false, bad = false;
    int letters = 0;
    const std::string_view hemispheres = limit <= 90 ? "NnSs" : "EeWw";
    forEachChar(text, [&](std::size_t at, std::size_t len) {
        const char c = text[at];
        if (len == 1 && ((c >= '0' && c <= '9') || c == '.')) {
            run += c;
            return;
        }
        if (!run.empty()) parts.push_back(std::exchange(run, {}));
        if (len == 2) return;  // a degree, minute or second sign
        if (hemispheres.find(c) != std::string_view::npos) {
            ++letters;
            negative = negative || c == hemispheres[2] || c == hemispheres[3];
        } else if ((c == '-' || c == '+') && at == 0) {
            negative = c == '-';
        } else if (std::string_view(" -:'\"/").find(c) == std::string_view::npos) {
            bad = true;
        }
    });
    if (!run.empty()) parts.push_back(run);
    if (bad || letters > 1 || parts.empty() || parts.size() > 3) return std::nullopt;
    std::array<double, 3> v{};
    for (std::size_t k = 0; k < parts.size(); ++k) {
        auto n = numberIn(parts[k]);
        if (!n) return std::nullopt;
        v[k] = *n;
    }
    bool sexagesimal = parts.size() > 1;
    if (parts.size() == 1 && v[0] > limit) {
        sexagesimal = true;
        // Run together: the integer part's last two digit pairs are minutes and seconds
        // (or its last pair the minutes, for three or four digits).
        const std::size_t digits =
            parts[0].find('.') == std::string::npos ? parts[0].size() : parts[0].find('.');
        const double whole = std::floor(v[0]), fraction = v[0] - whole;
        const auto n = static_cast<std::int64_t>(whole);
        if (digits >= 5)
            v = {static_cast<double>(n / 10000), static_cast<double>(n / 100 % 100),
                 static_cast<double>(n % 100) + fraction};
        else if (digits >= 3)
            v = {static_cast<double>(n / 100), static_cast<double>(n % 100) + fraction, 0};
        else
            return std::nullopt;
    }
    if (sexagesimal && (v[1] >= 60 || v[2] >= 60)) return std::nullopt;
    const double degrees = sexagesimal ? v[0] + v[1] / 60 + v[2] / 3600 : v[0];
    if (degrees > limit) return std::nullopt;
    return negative ? -degrees : degrees;
}

bool allDigits(std::string_view s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// yyyymmdd of a date written as 8, 6 or 4 digits (a month or year alone counts
// from its start), or with "/", "-" or "." between year, month and day; the year
// may be a Japanese era's initial and its year (H5.8.12, S63-1, R2): the initial
// tells the century that two digits alone would leave open.
std::optional<std::int64_t> dateIn(std::string_view field) {
    std::string text = textIn(field);
    static constexpr std::pair<char, int> Eras[] = {
        {'M', 1867}, {'T', 1911}, {'S', 1925}, {'H', 1988}, {'R', 2018}};
    int era = 0;
    for (const auto& [initial, yearZero] : Eras)
        if (!text.empty() && (text[0] == initial || text[0] == initial + ('a' - 'A'))) {
            era = yearZero;
            text.erase(0, 1);
            break;
        }
    if (text.empty()) return std::nullopt;
    if (allDigits(text) && !era) {
        const std::int64_t v = std::stoll(text);
        if (text.size() == 8) return v;
        if (text.size() == 6) return v * 100;
        if (text.size() == 4) return v * 10000;
        return std::nullopt;
    }
    std::int64_t parts[3] = {0, 0, 0};
    std::size_t n = 0, at = 0;
    while (at <= text.size() && n < 3) {
        std::size_t end = text.find_first_of("/-.", at);
        if (end == std::string::npos) end = text.size();
        const std::string part = text.substr(at, end - at);
        if (part.empty() || part.size() > 4 || !allDigits(part)) return std::nullopt;
        parts[n++] = std::stoll(part);
        at = end + 1;
    }
    if (at <= text.size()) return std::nullopt;
    if (era) {
        if (parts[0] < 1 || parts[0] > 64) return std::nullopt;
        parts[0] += era;
    } else if (parts[0] < 1000) {
        return std::nullopt;
    }
    return parts[0] * 10000 + parts[1] * 100 + parts[2];
}

// The header fields kept typed: their column and where the record holds them.
struct TypedField {
    const char* name;
    const char* column;
    std::size_t offset, width;
    double degreesUpTo = 0;  // a coordinate, kept in degrees; 0: a plain number
};
std::optional<double> typedValue(const TypedField& f, std::string_view text) {
    return f.degreesUpTo > 0 ? coordinateIn(text, f.degreesUpTo) : numberIn(text);
}
constexpr TypedField NumberFields[] = {
    {"Latitude", "latitude", hdr::Latitude, 8, 90},
    {"Longitude", "longitude", hdr::Longitude, 8, 180},
    {"Altitude", "altitude", hdr::Altitude, 4},
    {"Aspect", "aspect", 68, 4},
    {"SlopeAngle", "slope", 72, 4},
    {"PlotArea", "plot_area", 92, 4},
    {"LayerHeights1", "height1", 96, 4},
    {"LayerHeights2", "height2", 100, 4},
    {"LayerHeights3", "height3", 104, 4},
    {"LayerHeights4", "height4", 108, 4},
    {"LayerHeights5", "height5", 112, 4},
    {"LayerHeights6", "height6", 116, 4},
    {"LayerHeights7", "height7", 120, 4},
    {"LayerCovers1", "cover1", 124, 4},
    {"LayerCovers2", "cover2", 128, 4},
    {"LayerCovers3", "cover3", 132, 4},
    {"LayerCovers4", "cover4", 136, 4},
    {"LayerCovers5", "cover5", 140, 4},
    {"LayerCovers6", "cover6", 144, 4},
    {"LayerCovers7", "cover7", 148, 4},
};
// The other header fields, kept as name and value.
struct TextField {
    const char* name;
    std::size_t offset, width;
};
constexpr TextField TextFields[] = {
    {"SiteName", hdr::SiteName, 8}, {"GridCode", hdr::GridCode, 8}, {"Landform", 76, 4},
    {"MicroLandform", 80, 4},       {"SurfaceGeology", 84, 4},      {"SoilType", 88, 4},
};

bool sameName(std::string_view a, std::string_view b) {
    return foldLetterCase(a) == foldLetterCase(b);
}

std::string insertReleve() {
    std::string columns, marks;
    for (const TypedField& f : NumberFields) {
        columns += std::string(", ") + f.column;
        marks += ",?";
    }
    return "INSERT INTO releves(dataset, record, releve_number, cover_scale, notation, "
           "survey_date, header" +
           columns + ") VALUES(?,?,?,?,?,?,?" + marks + ")";
}

// Writes the relevés of one source into the open transaction.
class Importer {
  public:
    Importer(sqlite3* db, std::int64_t dataset)
        : db_(db),
          dataset_(dataset),
          releve_(db, insertReleve()),
          place_(db, "INSERT INTO releve_places VALUES(?,?,?,?,?)"),
          value_(db, "INSERT OR IGNORE INTO header_values VALUES(?,?,?)"),
          name_(db, "INSERT INTO species_names(name) VALUES(?)"),
          entry_(db, "INSERT INTO species_entries VALUES(?,?,?,?)") {
        Statement names(db, "SELECT id, name FROM species_names");
        while (names.step()) remember(names.bytes(1), names.integer(0));
    }

    void add(std::int64_t record, const ReleveView& r) {
        const std::string_view header(r.header->data(), KeptHeaderBytes);
        releve_.bind(1, dataset_)
            .bind(2, record)
            .bindBytes(3, textIn(r.field(hdr::ReleveNumber, 8)))
            .bind(4, std::int64_t{r.coverScale})
            .bind(5, std::int64_t{r.notation});
        if (auto date = dateIn(r.field(hdr::SurveyDate, 8))) releve_.bind(6, *date);
        releve_.bindBytes(7, header);
        std::array<std::optional<double>, std::size(NumberFields)> typed;
        for (std::size_t k = 0; k < typed.size(); ++k) {
            const TypedField& f = NumberFields[k];
            typed[k] = typedValue(f, r.field(f.offset, f.width));
            releve_.bind(static_cast<int>(8 + k), typed[k]);
        }
        releve_.run();
        const std::int64_t id = sqlite3_last_insert_rowid(db_);
        const auto& lat = typed[0];  // the fields begin with the coordinates
        const auto& lon = typed[1];
        if (lat && lon)
            place_.bind(1, id).bind(2, *lon).bind(3, *lon).bind(4, *lat).bind(5, *lat).run();
        for (const TextField& f : TextFields) {
            const std::string v = textIn(r.field(f.offset, f.width));
            if (!v.empty()) value_.bindText(1, f.name).bindBytes(2, v).bind(3, id).run();
        }
        ++releves;
        std::int64_t position = 0;
        for (const PlantSetEntry& e : r.species) {
            if (allZero(e.codes)) continue;  // placing passes them by
            auto it = names_.find(e.nameView());
            if (it == names_.end()) {
                name_.bindBytes(1, e.nameView()).run();
                it = remember(e.nameView(), sqlite3_last_insert_rowid(db_));
            }
            entry_.bind(1, id)
                .bind(2, position++)
                .bind(3, it->second)
                .bindBytes(4, {reinterpret_cast<const char*>(e.codes.data()), e.codes.size()})
                .run();
            ++entries;
        }
    }

    std::int64_t releves = 0, entries = 0;

  private:
    sqlite3* db_;
    std::int64_t dataset_;
    Statement releve_, place_, value_, name_, entry_;
    // Looked up by the entry's bytes, without making a string of them each time.
    std::deque<std::string> kept_;
    std::unordered_map<std::string_view, std::int64_t> names_;

    using Names = std::unordered_map<std::string_view, std::int64_t>;
    Names::iterator remember(std::string_view name, std::int64_t id) {
        return names_.emplace(kept_.emplace_back(name), id).first;
    }
};

class StoreFeed : public ReleveFeed {
  public:
    StoreFeed(sqlite3* db, std::string path, std::vector<std::int64_t> ids)
        : path_(std::move(path)),
          ids_(std::move(ids)),
          header_(db, "SELECT cover_scale, notation, header FROM releves WHERE id = ?"),
          entries_(db,
                   "SELECT n.name, e.codes FROM species_entries e JOIN species_names n "
                   "ON n.id = e.species WHERE e.releve = ? ORDER BY e.position"),
          db_(db) {}

    std::int64_t count() const override { return static_cast<std::int64_t>(ids_.size()); }
    // A pair's relevé is its record in the pair; any other the store's. Read for
    // every relevé at the first call: the add asks before placing and again as it
    // places.
    ReleveOrigin origin(std::int64_t k) override {
        if (origins_.empty() && !ids_.empty()) readOrigins();
        const auto [file, record] = origins_[static_cast<std::size_t>(k)];
        return {files_[static_cast<std::size_t>(file)], record};
    }
    std::int32_t record(std::int64_t k) const override {
        return static_cast<std::int32_t>(ids_[static_cast<std::size_t>(k)]);
    }
    std::string name() const override { return sj("データベース ") + shown(path_); }

    ReleveView releve(std::int64_t k) override {
        const std::int64_t id = ids_[static_cast<std::size_t>(k)];
        ReleveView r;
        header_.bind(1, id);
        if (!header_.step()) {
            header_.reset();
            throw Error(msg("データベース %1 に測定 %2 がありません", shown(path_), id));
        }
        r.coverScale = static_cast<std::int32_t>(header_.integer(0));
        r.notation = static_cast<std::int32_t>(header_.integer(1));
        headerBytes_.fill(' ');
        const std::string_view kept = header_.bytes(2);
        std::memcpy(headerBytes_.data(), kept.data(), std::min(kept.size(), headerBytes_.size()));
        header_.reset();
        species_.clear();
        entries_.bind(1, id);
        while (entries_.step()) {
            PlantSetEntry e{};
            e.name.fill(' ');
            const std::string_view name = entries_.bytes(0), codes = entries_.bytes(1);
            std::memcpy(e.name.data(), name.data(), std::min(name.size(), e.name.size()));
            std::memcpy(e.codes.data(), codes.data(), std::min(codes.size(), e.codes.size()));
            species_.push_back(e);
        }
        entries_.reset();
        r.header = &headerBytes_;
        r.species = species_;
        return r;
    }

  private:
    void readOrigins() {
        files_ = {path_};
        std::unordered_map<std::int64_t, std::int32_t> fileOf;  // dataset -> files_ index
        Statement paths(db_, "SELECT id, path FROM datasets WHERE path IS NOT NULL");
        while (paths.step()) {
            fileOf.emplace(paths.integer(0), static_cast<std::int32_t>(files_.size()));
            files_.push_back(paths.text(1));
        }
        Statement row(db_, "SELECT dataset, record FROM releves WHERE id = ?");
        origins_.reserve(ids_.size());
        for (const std::int64_t id : ids_) {
            row.bind(1, id);
            const bool found = row.step();
            const auto file = found ? fileOf.find(row.integer(0)) : fileOf.end();
            origins_.push_back(
                file == fileOf.end()
                    ? std::pair{0, static_cast<std::int32_t>(id)}
                    : std::pair{file->second, static_cast<std::int32_t>(row.integer(1))});
            row.reset();
        }
    }

    std::string path_;
    std::vector<std::int64_t> ids_;
    Statement header_, entries_;
    sqlite3* db_;
    std::vector<std::string> files_;  // the store's path, then the pairs'
    std::vector<std::pair<std::int32_t, std::int32_t>> origins_;  // by relevé: file, record
    std::array<char, HeaderRecordSize> headerBytes_;
    std::vector<PlantSetEntry> species_;
};

bool isDate(std::string_view s) {
    return (s.size() == 4 || s.size() == 6 || s.size() == 8) && allDigits(s);
}

}  // namespace

std::optional<SourceKind> sourceKindOf(const std::string& path) {
    const std::string ext = foldLetterCase(std::filesystem::path(path).extension().string());
    if (ext == ".rli") return SourceKind::Pair;
    if (ext == ".xml") return SourceKind::Turboveg;
    return std::nullopt;
}

std::pair<std::int64_t, std::int64_t> parseDateRange(const std::string& text) {
    const std::size_t dash = text.find('-');
    const std::string from = text.substr(0, dash),
                      to = dash == std::string::npos ? "" : text.substr(dash + 1);
    if (!isDate(from) || !isDate(to))
        throw Error(
            msg("調査年月日の範囲は FROM-TO（yyyymmdd、yyyymm か yyyy）の形で指定してください: %1",
                fromUtf8(text)));
    auto first = [](const std::string& d) {
        return std::stoll(d) * (d.size() == 4 ? 10000 : d.size() == 6 ? 100 : 1);
    };
    auto last = [](const std::string& d) {
        return std::stoll(d) * (d.size() == 4   ? 10000
                                : d.size() == 6 ? 100
                                                : 1) +
               (d.size() == 4   ? 9999
                : d.size() == 6 ? 99
                                : 0);
    };
    return {first(from), last(to)};
}

std::array<double, 4> parseBox(const std::string& text) {
    std::array<double, 4> box{};
    std::size_t at = 0;
    for (std::size_t k = 0; k < 4; ++k) {
        const std::size_t comma = k < 3 ? text.find(',', at) : text.size();
        auto v = comma == std::string::npos
                     ? std::nullopt
                     : numberIn(std::string_view(text).substr(at, comma - at));
        if (!v)
            throw Error(msg("範囲は 西,南,東,北（度）の形で指定してください: %1", fromUtf8(text)));
        box[k] = *v;
        at = comma + 1;
    }
    if (box[0] > box[2] || box[1] > box[3])
        throw Error(
            msg("範囲の西が東より、または南が北より大きくなっています: %1", fromUtf8(text)));
    return box;
}

ReleveStore ReleveStore::open(const std::string& path, bool create) {
    std::error_code ec;
    const bool exists = std::filesystem::exists(path, ec);
    if (!exists && !create) throw Error(msg("データベース %1 がありません", shown(path)));
    if (exists && !std::filesystem::is_regular_file(path, ec))
        throw Error(msg("%1 はデータベース（.tsdb）ではありません", shown(path)));
    sqlite3* db = nullptr;
    const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
    if (sqlite3_open_v2(path.c_str(), &db, flags, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        throw Error(msg("データベース %1 が開けません", shown(path)));
    }
    ReleveStore store(db, path);
    sqlite3_busy_timeout(db, 5000);
    std::int64_t id = 0, version = 0, objects = 0;
    try {
        id = pragmaValue(db, "application_id");
        version = pragmaValue(db, "user_version");
        Statement s(db, "SELECT count(*) FROM sqlite_master");
        objects = s.step() ? s.integer(0) : 0;
    } catch (const Error&) {
        throw Error(msg("%1 はデータベース（.tsdb）ではありません", shown(path)));
    }
    const bool empty = id == 0 && version == 0 && objects == 0;
    if ((!empty && id != ApplicationId) || (empty && !create))
        throw Error(msg("%1 はデータベース（.tsdb）ではありません", shown(path)));
    if (version > StoreSchemaVersion)
        throw Error(
            msg("データベース %1 はこの版より新しい形式（%2）です。新しい版の Tamsel "
                "で開いてください",
                shown(path), version));
    // Larger pages: fewer of them for the species index, the one written all over.
    if (empty) exec(db, "PRAGMA page_size = 8192");
    exec(db, "PRAGMA journal_mode = WAL");
    exec(db, "PRAGMA synchronous = NORMAL");
    exec(db, "PRAGMA cache_size = -131072");
    exec(db, "PRAGMA foreign_keys = ON");
    if (version < StoreSchemaVersion) migrate(db, version);
    return store;
}

ReleveStore::ReleveStore(ReleveStore&& o) noexcept
    : db_(std::exchange(o.db_, nullptr)), path_(std::move(o.path_)) {}

ReleveStore& ReleveStore::operator=(ReleveStore&& o) noexcept {
    if (this != &o) {
        sqlite3_close(db_);
        db_ = std::exchange(o.db_, nullptr);
        path_ = std::move(o.path_);
    }
    return *this;
}

ReleveStore::~ReleveStore() {
    sqlite3_close(db_);
}

std::vector<StoreDataset> ReleveStore::datasets() const {
    Statement s(db_, "SELECT id, name, kind, releves, entries FROM datasets ORDER BY id");
    std::vector<StoreDataset> all;
    while (s.step())
        all.push_back({s.integer(0), s.text(1), s.text(2), s.integer(3), s.integer(4)});
    return all;
}

std::vector<std::string> ReleveStore::speciesNames() const {
    Statement s(db_, "SELECT name FROM species_names");
    std::vector<std::string> names;
    while (s.step()) {
        std::string name = s.text(0);
        while (!name.empty() && name.back() == ' ') name.pop_back();
        if (!name.empty()) names.push_back(std::move(name));
    }
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

std::optional<StoreDataset> ReleveStore::importSource(
    const std::string& path, const std::function<bool(std::int64_t, std::int64_t)>& progress) {
    const std::optional<SourceKind> kind = sourceKindOf(path);
    const bool pair = kind == SourceKind::Pair;
    if (!kind)
        throw Error(
            msg("%1 は取り込めません。データファイル（.rli）か Turboveg XML（.xml）を指定して"
                "ください",
                shown(path)));
    const std::string name = std::filesystem::path(path).filename().string();
    ContentHash hash;
    hash.addFile(path);
    if (pair) hash.addFile(speciesFileName(path));
    {
        Statement same(db_, "SELECT name FROM datasets WHERE name = ? OR content_hash = ?");
        same.bindText(1, name).bindText(2, hash.text());
        if (same.step())
            throw Error(
                same.text(0) == name
                    ? msg("%1 は既にデータベースにあるので、取り込みませんでした", fromUtf8(name))
                    : msg("%1 は既にデータベースにある %2 と同じ内容なので、取り込みません"
                          "でした",
                          fromUtf8(name), fromUtf8(same.text(0))));
    }
    // A source's pages stay in memory until it commits, instead of spilling to the
    // log and being written again.
    exec(db_, "PRAGMA cache_size = -524288");
    struct CacheBack {
        sqlite3* db;
        ~CacheBack() { sqlite3_exec(db, "PRAGMA cache_size = -131072", nullptr, nullptr, nullptr); }
    } cacheBack{db_};
    Transaction transaction(db_);
    Statement dataset(db_, "INSERT INTO datasets(name, kind, content_hash, path) VALUES(?,?,?,?)");
    dataset.bindText(1, name).bindText(2, pair ? "rli" : "turboveg").bindText(3, hash.text());
    // A package's direct add keeps no origin, so only a pair's path is kept.
    if (pair) dataset.bindText(4, originPath(path));
    dataset.run();
    const std::int64_t id = sqlite3_last_insert_rowid(db_);
    Importer importer(db_, id);
    auto goOn = [&](std::int64_t done, std::int64_t total) {
        return !progress || progress(done, total);
    };
    if (pair) {
        DataFilePair p;
        openDataFilesAt(p, path);
        DataFilesScope closer(p);
        const std::int64_t total = p.LastRecord;
        for (std::int32_t n = 1; n <= p.LastRecord; ++n) {
            if ((n - 1) % 256 == 0 && !goOn(n - 1, total)) return std::nullopt;
            const ReleveRead read = ReadReleve(p, n);
            if (!read)
                throw Error(
                    msg("データファイル %1 のレコード %2 が読めません（%3）。データベースは"
                        "取り込む前のままです",
                        fromUtf8(name), n, readFailureText(read.failure)));
            importer.add(n, read.releve);
        }
    } else {
        TurbovegPackage package = readTurbovegFile(path);
        const auto total = static_cast<std::int64_t>(package.plotCount());
        for (std::int64_t k = 0; k < total; ++k) {
            if (k % 256 == 0 && !goOn(k, total)) return std::nullopt;
            importer.add(k + 1, package.releve(static_cast<std::size_t>(k)).view);
        }
    }
    Statement counts(db_, "UPDATE datasets SET releves = ?, entries = ? WHERE id = ?");
    counts.bind(1, importer.releves).bind(2, importer.entries).bind(3, id).run();
    transaction.commit();
    // Fresh statistics, sampled, so that the planner drives a selection from its
    // narrowest condition.
    exec(db_, "PRAGMA analysis_limit = 400; ANALYZE");
    for (const StoreDataset& d : datasets())
        if (d.id == id) return d;
    return std::nullopt;
}

namespace {

// A selection as one query of the relevés' ids, unordered; none when a species
// is in no relevé.
struct SelectionQuery {
    std::string sql;
    std::vector<std::function<void(Statement&, int&)>> binds;
    void bind(Statement& st) const {
        int k = 1;
        for (const auto& b : binds) b(st, k);
    }
};

std::optional<SelectionQuery> selectionQuery(sqlite3* db, const StoreSelection& s,
                                             const ReplaceName& d) {
    // The species' names as written (trimmed), and the names the dictionary gives them.
    std::vector<std::vector<std::int64_t>> ids(s.species.size());
    if (!s.species.empty()) {
        Statement names(db, "SELECT id, name FROM species_names");
        while (names.step()) {
            std::string written(names.bytes(1));
            blankControls(written, TextEnds::Trimmed);
            const std::string under = cutBytes(LookupSynonym(d, written), SpeciesNameSize);
            for (std::size_t k = 0; k < s.species.size(); ++k)
                if (written == s.species[k] || under == s.species[k])
                    ids[k].push_back(names.integer(0));
        }
        for (const auto& list : ids)
            if (list.empty()) return std::nullopt;
    }
    auto holding = [](const std::vector<std::int64_t>& list) {
        std::string sql = "SELECT releve FROM species_entries WHERE species IN (";
        for (std::size_t k = 0; k < list.size(); ++k)
            sql += (k ? "," : "") + std::to_string(list[k]);
        return sql + ")";
    };
    // A species is nearly always the narrowest condition: its relevés drive the
    // query, and the others are tested on them.
    std::string sql = ids.empty() ? "SELECT r.id FROM releves r WHERE 1"
                                  : "SELECT r.id FROM (" + holding(ids[0]) +
                                        " GROUP BY releve) AS s CROSS JOIN releves r ON r.id = "
                                        "s.releve WHERE 1";
    for (std::size_t k = 1; k < ids.size(); ++k) sql += " AND r.id IN (" + holding(ids[k]) + ")";
    std::vector<std::function<void(Statement&, int&)>> binds;
    if (!s.datasets.empty()) {
        sql += " AND r.dataset IN (SELECT id FROM datasets WHERE name IN (";
        for (std::size_t k = 0; k < s.datasets.size(); ++k) {
            sql += k ? ",?" : "?";
            binds.push_back([&, k](Statement& st, int& n) { st.bindText(n++, s.datasets[k]); });
        }
        sql += "))";
    }
    if (s.box) {
        const auto [w, so, e, n] = *s.box;
        // The R*Tree finds a box's relevés when no species drives; it holds 32-bit
        // bounds, so the exact coordinates decide at the edges.
        if (ids.empty()) {
            sql +=
                " AND r.id IN (SELECT id FROM releve_places WHERE west >= ? AND east <= ? AND "
                "south >= ? AND north <= ?)";
            for (double v : {w - 1e-4, e + 1e-4, so - 1e-4, n + 1e-4})
                binds.push_back([v](Statement& st, int& k) { st.bind(k++, v); });
        }
        sql += " AND r.longitude BETWEEN ? AND ? AND r.latitude BETWEEN ? AND ?";
        for (double v : {w, e, so, n})
            binds.push_back([v](Statement& st, int& k) { st.bind(k++, v); });
    }
    if (s.dates) {
        sql += " AND r.survey_date BETWEEN ? AND ?";
        binds.push_back([from = s.dates->first, to = s.dates->second](Statement& st, int& k) {
            st.bind(k++, from);
            st.bind(k++, to);
        });
    }
    for (const FieldCondition& f : s.fields) {
        static const char* const Ops[] = {"=", "!=", "<", "<=", ">", ">=", "^="};
        if (std::find_if(std::begin(Ops), std::end(Ops),
                         [&](const char* o) { return f.op == o; }) == std::end(Ops))
            throw Error(
                msg("項目の条件の比較は =、!=、<、<=、>、>=、^= のどれかです: %1", fromUtf8(f.op)));
        const TypedField* typed = nullptr;
        for (const TypedField& t : NumberFields)
            if (sameName(f.field, t.name)) typed = &t;
        const bool date = sameName(f.field, "SurveyDate");
        const bool number = sameName(f.field, "ReleveNumber");
        const TextField* text = nullptr;
        for (const TextField& t : TextFields)
            if (sameName(f.field, t.name)) text = &t;
        if (typed || date) {
            std::optional<double> v = typed ? typedValue(*typed, f.value) : std::nullopt;
            if (date) {
                const auto d = dateIn(f.value);
                v = d ? std::optional<double>(static_cast<double>(*d)) : std::nullopt;
            }
            if (!v || f.op == "^=")
                throw Error(
                    msg("項目 %1 は数値なので、数値と =、!=、<、<=、>、>= で比べてください: %2 %3",
                        fromUtf8(f.field), fromUtf8(f.op), f.value));
            sql += std::string(" AND r.") + (date ? "survey_date" : typed->column) + " " +
                   (f.op == "=" ? "==" : f.op) + " ?";
            binds.push_back([x = *v](Statement& st, int& k) { st.bind(k++, x); });
            continue;
        }
        if (!text && !number) {
            // The layers' seven fields each said once, as "LayerHeights1-7".
            std::string known = "ReleveNumber SurveyDate";
            for (const TypedField& t : NumberFields) {
                const std::string name = t.name;
                if (name.back() == '1') known += " " + name + "-7";
                if (name.back() < '0' || name.back() > '9') known += " " + name;
            }
            for (const TextField& t : TextFields) known += std::string(" ") + t.name;
            throw Error(
                msg("条件に使えない項目です: %1（使える項目: %2）", fromUtf8(f.field), known));
        }
        const std::string column = number ? "r.releve_number" : "h.value";
        std::string test =
            f.op == "^=" ? column + " >= ? AND " + column + " < ?" : column + " " + f.op + " ?";
        if (number)
            sql += " AND " + test;
        else
            sql += std::string(
                       " AND r.id IN (SELECT h.releve FROM header_values h WHERE "
                       "h.field = '") +
                   text->name + "' AND " + test + ")";
        binds.push_back([&f](Statement& st, int& k) {
            st.bindBytes(k++, f.value);
            // Every value beginning so sorts below it followed by the largest bytes.
            if (f.op == "^=") st.bindBytes(k++, f.value + std::string(9, '\xff'));
        });
    }
    return SelectionQuery{std::move(sql), std::move(binds)};
}

}  // namespace

std::vector<std::int64_t> ReleveStore::select(const StoreSelection& s, const ReplaceName& d) const {
    const std::optional<SelectionQuery> q = selectionQuery(db_, s, d);
    if (!q) return {};
    Statement st(db_, q->sql + " ORDER BY r.id");
    q->bind(st);
    std::vector<std::int64_t> selected;
    while (st.step()) selected.push_back(st.integer(0));
    return selected;
}

std::int64_t ReleveStore::count(const StoreSelection& s, const ReplaceName& d) const {
    // No condition: every relevé, as the datasets count them.
    if (s.species.empty() && !s.box && !s.dates && s.fields.empty() && s.datasets.empty()) {
        Statement all(db_, "SELECT coalesce(sum(releves), 0) FROM datasets");
        return all.step() ? all.integer(0) : 0;
    }
    const std::optional<SelectionQuery> q = selectionQuery(db_, s, d);
    if (!q) return 0;
    Statement st(db_, "SELECT count(*) FROM (" + q->sql + ")");
    q->bind(st);
    return st.step() ? st.integer(0) : 0;
}

void ReleveStore::interrupt() const {
    sqlite3_interrupt(db_);
}

std::unique_ptr<ReleveFeed> ReleveStore::feed(std::vector<std::int64_t> ids) const {
    return std::make_unique<StoreFeed>(db_, originPath(path_), std::move(ids));
}

}  // namespace tamsel

#include "turboveg/turboveg_reader.h"

#include <expat.h>

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <limits>
#include <optional>
#include <unordered_map>

#include "datafile/numbers.h"
#include "platform/error.h"
#include "text/sjis.h"

namespace tamsel {

// ---------------------------------------------------------------------------
// The bare "&" of Turboveg's free text.

namespace {

enum class Ref { Yes, No, NeedMore };

// Whether the "&" at s[pos] begins a character reference or a reference to one
// of the five entities every document has (a package declares no others).
Ref referenceAt(std::string_view s, std::size_t pos, std::size_t& length) {
    std::size_t j = pos + 1;
    if (j == s.size()) return Ref::NeedMore;
    if (s[j] == '#') {
        if (++j == s.size()) return Ref::NeedMore;
        const bool hex = s[j] == 'x';
        if (hex && ++j == s.size()) return Ref::NeedMore;
        const std::size_t digits = j;
        auto isDigit = [hex](char c) {
            return (c >= '0' && c <= '9') ||
                   (hex && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')));
        };
        while (j < s.size() && isDigit(s[j])) ++j;
        if (j == s.size()) return Ref::NeedMore;
        if (j == digits || s[j] != ';') return Ref::No;
        length = j + 1 - pos;
        return Ref::Yes;
    }
    const std::string_view rest = s.substr(j);
    bool mayFollow = false;
    for (std::string_view name : {"amp;", "lt;", "gt;", "quot;", "apos;"}) {
        if (rest.starts_with(name)) {
            length = 1 + name.size();
            return Ref::Yes;
        }
        if (name.starts_with(rest)) mayFollow = true;
    }
    return mayFollow ? Ref::NeedMore : Ref::No;
}

}  // namespace

void AmpersandFilter::feed(std::string_view bytes, bool final, std::string& out) {
    std::string joined;
    std::string_view s = bytes;
    if (!pending_.empty()) {
        joined = std::move(pending_);
        joined.append(bytes);
        pending_.clear();
        s = joined;
    }
    auto holdFrom = [&](std::size_t pos) { pending_.assign(s.substr(pos)); };
    std::size_t i = 0;
    const std::size_t n = s.size();
    while (i < n) {
        if (state_ != State::Markup) {
            const std::string_view end = state_ == State::Comment ? "-->"
                                         : state_ == State::CData ? "]]>"
                                                                  : "?>";
            const std::size_t q = s.find(end, i);
            if (q == std::string_view::npos) {
                // The end mark may be cut: keep what could be its beginning.
                const std::size_t keep = final ? 0 : std::min(n - i, end.size() - 1);
                out.append(s.substr(i, n - i - keep));
                holdFrom(n - keep);
                return;
            }
            out.append(s.substr(i, q + end.size() - i));
            i = q + end.size();
            state_ = State::Markup;
            continue;
        }
        std::size_t pos = i;
        while (pos < n && s[pos] != '<' && s[pos] != '&') ++pos;
        out.append(s.substr(i, pos - i));
        if (pos == n) break;
        if (s[pos] == '&') {
            std::size_t length = 0;
            const Ref r = referenceAt(s, pos, length);
            if (r == Ref::NeedMore && !final) return holdFrom(pos);
            if (r == Ref::Yes) {
                out.append(s.substr(pos, length));
                i = pos + length;
            } else {
                out.append("&amp;");
                i = pos + 1;
            }
            continue;
        }
        const std::string_view rest = s.substr(pos);
        struct Opening {
            std::string_view mark;
            State state;
        };
        const Opening openings[] = {
            {"<!--", State::Comment}, {"<![CDATA[", State::CData}, {"<?", State::Instruction}};
        const Opening* found = nullptr;
        bool mayFollow = false;
        for (const Opening& o : openings) {
            if (rest.starts_with(o.mark))
                found = &o;
            else if (o.mark.starts_with(rest))
                mayFollow = true;
        }
        if (!found && mayFollow && !final) return holdFrom(pos);
        if (found) {
            out.append(found->mark);
            i = pos + found->mark.size();
            state_ = found->state;
        } else {
            out.push_back('<');
            i = pos + 1;
        }
    }
}

// ---------------------------------------------------------------------------
// The package.

namespace {

constexpr std::int32_t NoScale = -1;
constexpr std::int32_t NoCover = -1;

struct RawSpecies {
    std::int32_t species;  // dense number of the species' nr
    std::int32_t cover;    // cover text id; after the check, the CoverCode
    std::uint32_t line;    // lines after the plot's own line
    std::int8_t layer;     // 0..6, T1..M
};

struct RawPlot {
    std::int64_t line = 0;
    std::array<char, HeaderRecordSize> header;
    std::string releveNr;  // Shift-JIS, for messages
    std::int32_t scale = NoScale;
    std::size_t firstSpecies = 0;
    bool replaced = false;
    // By headerMap entry, the fields whose value, as it stands, had control
    // characters made blanks (a later value of a field replaces an earlier one).
    std::uint32_t blanked = 0;
};

struct ScaleEntry {
    std::string code, percentage;
    std::int64_t line;
};

struct Scale {
    std::string code;
    std::int64_t line;
    std::vector<ScaleEntry> entries;
};

struct SpeciesName {
    std::array<char, SpeciesNameSize> name;
    bool replaced = false;
    bool blanked = false;  // a control character inside became a blank
};

// A hash of texts that a string_view finds without making a string.
struct TextHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
};
using TextIds = std::unordered_map<std::string, std::int32_t, TextHash, std::equal_to<>>;

std::int32_t internText(TextIds& ids, std::vector<std::string>& texts, std::string_view s) {
    if (auto it = ids.find(s); it != ids.end()) return it->second;
    const auto id = static_cast<std::int32_t>(texts.size());
    texts.emplace_back(s);
    ids.emplace(std::string(s), id);
    return id;
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= 0x20) s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= 0x20) s.remove_suffix(1);
    return s;
}

// A value, or nothing for an absent attribute and for the text "null".
std::optional<std::string_view> valueOf(const XML_Char** attrs, std::string_view name) {
    for (const XML_Char** a = attrs; *a; a += 2) {
        if (name != a[0]) continue;
        std::string_view v = trimmed(a[1]);
        if (v == "null") return std::nullopt;
        return v;
    }
    return std::nullopt;
}

bool sameLetters(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        auto low = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
        return low(x) == low(y);
    });
}

struct FieldMap {
    std::string_view name;
    std::size_t offset, width;
};

// Turboveg's header fields and where a data file keeps them. Heights and covers
// go to layers T1 (0), S1 (2), H1 (4) and M (6).
constexpr FieldMap headerMap[] = {
    {"releve_nr", hdr::ReleveNumber, 8},
    {"locality", hdr::SiteName, 8},
    {"date", hdr::SurveyDate, 8},
    {"latitude", hdr::Latitude, 8},
    {"longitude", hdr::Longitude, 8},
    {"altitude", hdr::Altitude, 4},
    {"exposition", hdr::Altitude + 4, 4},
    {"inclinatio", hdr::Altitude + 8, 4},
    {"surf_area", hdr::Altitude + 28, 4},
    {"tree_high", hdr::LayerHeights + 0 * 4, 4},
    {"shrub_high", hdr::LayerHeights + 2 * 4, 4},
    {"herb_high", hdr::LayerHeights + 4 * 4, 4},
    {"moss_high", hdr::LayerHeights + 6 * 4, 4},
    {"cov_tree", hdr::LayerCovers + 0 * 4, 4},
    {"cov_shrub", hdr::LayerCovers + 2 * 4, 4},
    {"cov_herbs", hdr::LayerCovers + 4 * 4, 4},
    {"cov_mosses", hdr::LayerCovers + 6 * 4, 4},
};

// Turboveg layers 0..9 to T1 T2 S1 S2 H1 H2 M.
constexpr std::int8_t layerMap[10] = {4, 0, 1, 1, 2, 3, 4, 5, 5, 6};

// UTF-8 to Shift-JIS; replaced is set when a character had no code and became "?".
std::string shiftJis(std::string_view utf8, bool& replaced) {
    if (std::all_of(utf8.begin(), utf8.end(), [](char c) { return (c & 0x80) == 0; }))
        return std::string(utf8);
    if (auto s = fromUtf8Strict(utf8)) return *s;
    replaced = true;
    return fromUtf8(utf8);
}

// A value as messages quote it: Shift-JIS, its control characters blanks.
std::string messageText(std::string_view utf8) {
    bool ignored = false;
    std::string text = shiftJis(utf8, ignored);
    blankControls(text, TextEnds::Trimmed);
    return text;
}

// The Shift-JIS text of utf8 cut to width bytes on a whole character. replaced is
// set only when a "?" made for a character without a code is among the bytes
// kept: a long place name cut after eight bytes lost nothing the table shows.
std::string fitted(std::string_view utf8, std::size_t width, bool& replaced) {
    if (std::all_of(utf8.begin(), utf8.end(), [](char c) { return (c & 0x80) == 0; }))
        return std::string(utf8.substr(0, width));
    if (auto whole = fromUtf8Strict(utf8)) return cutBytes(*whole, width);
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const std::size_t n = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        const std::string_view character = utf8.substr(i, n);
        i += n;
        const auto text = fromUtf8Strict(character);
        const std::string piece = text ? *text : std::string("?");
        if (out.size() + piece.size() > width) break;
        out += piece;
        if (!text) replaced = true;
    }
    return out;
}

// "12.00" is written "12"; every other value as given.
std::string_view withoutZeroDecimals(std::string_view v) {
    const std::size_t dot = v.find('.');
    if (dot == std::string_view::npos || dot == 0) return v;
    std::size_t k = (v[0] == '-' || v[0] == '+') ? 1 : 0;
    if (k == dot) return v;
    for (; k < dot; ++k)
        if (v[k] < '0' || v[k] > '9') return v;
    for (k = dot + 1; k < v.size(); ++k)
        if (v[k] != '0') return v;
    return v.substr(0, dot);
}

static_assert(std::size(headerMap) <= 32, "RawPlot::blanked has a bit per field");

// f: an entry of headerMap.
void writeField(RawPlot& p, const FieldMap& f, std::string_view v) {
    std::string text = fitted(withoutZeroDecimals(v), f.width, p.replaced);
    const std::uint32_t bit = 1u << (&f - headerMap);
    p.blanked = blankControls(text, TextEnds::Kept) ? p.blanked | bit : p.blanked & ~bit;
    char* at = p.header.data() + f.offset;
    std::memset(at, ' ', f.width);
    // Eight-byte fields are text, left-aligned; four-byte ones right-aligned.
    std::memcpy(f.width == 8 ? at : at + f.width - text.size(), text.data(), text.size());
}

bool fieldBlank(const std::array<char, HeaderRecordSize>& header, const FieldMap& f) {
    return std::all_of(header.begin() + static_cast<std::ptrdiff_t>(f.offset),
                       header.begin() + static_cast<std::ptrdiff_t>(f.offset + f.width),
                       [](char c) { return c == ' '; });
}

std::optional<double> numberOf(std::string_view s) {
    double v = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size() || !std::isfinite(v)) return std::nullopt;
    return v;
}

CoverCode codeOfPercentage(double p) {
    if (p <= 0.1) return 6;  // r
    if (p < 1) return 7;     // +
    if (p < 5) return 10;
    if (p < 25) return 20;
    if (p < 50) return 30;
    if (p < 75) return 40;
    return 50;
}

// The code of a Braun-Blanquet symbol, or 0 for a symbol outside the scale.
CoverCode codeOfSymbol(std::string_view s) {
    if (s == "r") return 6;
    if (s == "+") return 7;
    if (s == "1") return 10;
    if (s == "2" || s == "2m" || s == "2a" || s == "2b") return 20;
    if (s == "3") return 30;
    if (s == "4") return 40;
    if (s == "5") return 50;
    return 0;
}

std::string lineText(std::int64_t line) {
    return std::to_string(line) + sj(" 行目");
}

}  // namespace

struct TurbovegPackage::Data {
    std::string fileName;  // Shift-JIS
    std::vector<RawPlot> plots;
    std::vector<RawSpecies> species;
    std::vector<SpeciesName> names;  // by dense species number
    std::vector<std::uint32_t> seenIn;
    std::vector<std::int32_t> entryOf;
};

TurbovegPackage::TurbovegPackage() : d_(std::make_unique<Data>()) {}
TurbovegPackage::TurbovegPackage(TurbovegPackage&&) noexcept = default;
TurbovegPackage& TurbovegPackage::operator=(TurbovegPackage&&) noexcept = default;
TurbovegPackage::~TurbovegPackage() = default;

std::size_t TurbovegPackage::plotCount() const {
    return d_->plots.size();
}

namespace {

std::string plotName(const RawPlot& p, std::size_t k) {
    std::string name = std::to_string(k + 1) + sj(" 番目の Plot");
    if (!p.releveNr.empty()) name += sj("、releve_nr ") + p.releveNr;
    return name;
}

}  // namespace

std::string TurbovegPackage::plotName(std::size_t k) const {
    return tamsel::plotName(d_->plots.at(k), k);
}

TurbovegReleve TurbovegPackage::releve(std::size_t k) {
    Data& d = *d_;
    const RawPlot& p = d.plots.at(k);
    const std::size_t end = k + 1 < d.plots.size() ? d.plots[k + 1].firstSpecies : d.species.size();
    TurbovegReleve r;
    r.replacedCharacters = p.replaced;
    r.name = tamsel::plotName(p, k);
    for (std::uint32_t m = p.blanked; m; m &= m - 1) {
        const FieldMap& f = headerMap[std::countr_zero(m)];
        r.blankedFields.emplace_back(f.offset, f.name);
    }
    entries_.clear();
    // A species' records in several layers make one entry, where it first stood.
    const auto stamp = static_cast<std::uint32_t>(k + 1);
    for (std::size_t s = p.firstSpecies; s < end; ++s) {
        const RawSpecies& raw = d.species[s];
        const auto sp = static_cast<std::size_t>(raw.species);
        if (d.seenIn[sp] != stamp) {
            d.seenIn[sp] = stamp;
            d.entryOf[sp] = static_cast<std::int32_t>(entries_.size());
            SpeciesName& name = d.names[sp];
            entries_.push_back(PlantSetEntry{name.name, LayerCodes{}});
            r.replacedCharacters |= name.replaced;
            // One entry of the species list: told once, with the first plot that has it.
            if (name.blanked) {
                name.blanked = false;
                if (r.blankedNames++ == 0)
                    r.firstBlankedName = msg("Species_list の種名「%1」",
                                             trimControl({name.name.data(), name.name.size()}));
            }
        }
        CoverCode& c = entries_[static_cast<std::size_t>(d.entryOf[sp])]
                           .codes[static_cast<std::size_t>(raw.layer)];
        c = std::max(c, static_cast<CoverCode>(raw.cover));
    }
    header_ = p.header;
    const std::string total = IntText4(static_cast<std::int32_t>(entries_.size()));
    std::memcpy(header_.data() + hdr::SpeciesTotal, total.data(), 4);
    header_[hdr::CoverScale] = '5';
    header_[hdr::CoverNotation] = '1';
    r.view.header = &header_;
    r.view.species = entries_;
    r.view.coverScale = 5;
    r.view.notation = 1;
    return r;
}

// ---------------------------------------------------------------------------
// The reader.

struct TurbovegReader::Impl {
    enum class Kind : std::uint8_t {
        Other,
        Package,
        Plots,
        Plot,
        Header,
        HeaderRecord,
        Udf,
        SpeciesData,
        Species,
        SpeciesRecord,
        Lookups,
        ScaleList,
        Scale,
        ScaleEntry,
        ScaleCode,
        SpeciesList,
        SpeciesName,
    };

    std::string fileName;  // Shift-JIS
    XML_Parser parser = nullptr;
    AmpersandFilter filter;
    bool filtering = true, started = false;
    std::string filtered;
    std::vector<Kind> open;
    std::exception_ptr failure;
    std::string unknownEncoding;
    std::string scaleCode;  // the text of a scale's code element
    std::string head;       // the first byte, until the second tells its encoding

    TurbovegPackage package;
    TextIds scaleIds, coverIds;
    std::vector<std::string> scaleTexts, coverTexts;
    std::unordered_map<std::int32_t, std::int32_t> denseOfNr;
    std::vector<std::int32_t> nrOfDense;
    std::vector<Scale> scales;
    std::unordered_map<std::int32_t, SpeciesName> speciesNames;

    std::int64_t line() const {
        return static_cast<std::int64_t>(XML_GetCurrentLineNumber(parser));
    }

    std::string where(std::int64_t at) const {
        std::string s = fileName + sj(" の ") + lineText(at);
        if (std::find(open.begin(), open.end(), Kind::Plot) != open.end()) {
            const auto& plots = package.d_->plots;
            s += sj("（") + plotName(plots.back(), plots.size() - 1) + sj("）");
        }
        return s;
    }

    [[noreturn]] void fail(const std::string& what) { throw Error(where(line()) + ": " + what); }

    static void setHeaderField(RawPlot& p, const FieldMap& f, std::string_view v) {
        writeField(p, f, v);
        if (f.offset == hdr::ReleveNumber) p.releveNr = messageText(v);
    }

    // Plots but not one species in the elements read: a package of another
    // shape, which would otherwise be added as empty relevés.
    void checkSpeciesFound() const {
        const auto& d = *package.d_;
        if (!d.plots.empty() && d.species.empty())
            throw Error(fileName +
                        sj(": どの Plot にも種の記録がありません（Plot の species_data の species "
                           "にある standard_record を種として読みます）"));
    }

    std::int32_t speciesNumber(const XML_Char** attrs) {
        auto nr = valueOf(attrs, "nr");
        std::int32_t n = 0;
        if (!nr ||
            std::from_chars(nr->data(), nr->data() + nr->size(), n).ptr != nr->data() + nr->size())
            fail(sj("種の番号 nr が整数ではありません: ") +
                 fromUtf8(nr ? std::string(*nr) : std::string("null")));
        return n;
    }

    Kind kindOf(Kind parent, std::string_view name) const {
        struct Step {
            Kind parent;
            std::string_view name;
            Kind kind;
        };
        static constexpr Step steps[] = {
            {Kind::Package, "Plots", Kind::Plots},
            {Kind::Package, "Lookup_tables", Kind::Lookups},
            {Kind::Plots, "Plot", Kind::Plot},
            {Kind::Plot, "header_data", Kind::Header},
            {Kind::Header, "standard_record", Kind::HeaderRecord},
            {Kind::Header, "udf_record", Kind::Udf},
            {Kind::Plot, "species_data", Kind::SpeciesData},
            {Kind::SpeciesData, "species", Kind::Species},
            {Kind::Species, "standard_record", Kind::SpeciesRecord},
            {Kind::Lookups, "Coverscale_list", Kind::ScaleList},
            {Kind::ScaleList, "coverscale_record", Kind::Scale},
            {Kind::Scale, "data_record", Kind::ScaleEntry},
            {Kind::Scale, "code", Kind::ScaleCode},
            {Kind::Lookups, "Species_list", Kind::SpeciesList},
            {Kind::SpeciesList, "species_record", Kind::SpeciesName},
        };
        for (const Step& s : steps)
            if (s.parent == parent && s.name == name) return s.kind;
        return Kind::Other;
    }

    void start(std::string_view name, const XML_Char** attrs) {
        Kind kind = Kind::Other;
        if (open.empty()) {
            if (name != "Plot_package")
                fail(sj("Turboveg の plot package ではありません（最初の要素が ") + fromUtf8(name) +
                     sj("）"));
            kind = Kind::Package;
        } else {
            kind = kindOf(open.back(), name);
        }
        open.push_back(kind);
        auto& d = *package.d_;
        switch (kind) {
            case Kind::Plot: {
                RawPlot& p = d.plots.emplace_back();
                p.line = line();
                p.header.fill(' ');
                p.firstSpecies = d.species.size();
                // Turboveg's export names the plot here too; the header's own
                // releve_nr, where given, stands.
                if (auto nr = valueOf(attrs, "releve_nr")) {
                    writeField(p, headerMap[0], *nr);
                    p.releveNr = messageText(*nr);
                }
                break;
            }
            case Kind::HeaderRecord: {
                RawPlot& p = d.plots.back();
                for (const XML_Char** a = attrs; *a; a += 2) {
                    const std::string_view key = a[0];
                    const std::string_view v = trimmed(a[1]);
                    if (v == "null") continue;
                    if (sameLetters(key, "coverscale")) {
                        p.scale = internText(scaleIds, scaleTexts, v);
                        continue;
                    }
                    for (const FieldMap& f : headerMap)
                        if (sameLetters(key, f.name)) setHeaderField(p, f, v);
                }
                break;
            }
            case Kind::Udf: {
                RawPlot& p = d.plots.back();
                auto key = valueOf(attrs, "name");
                auto v = valueOf(attrs, "value");
                if (!key || !v) break;
                // Packages keep any header field here too (locality among
                // them); the standard record's value, where it gives one, stands.
                for (const FieldMap& f : headerMap)
                    if (sameLetters(*key, f.name) && fieldBlank(p.header, f))
                        setHeaderField(p, f, *v);
                break;
            }
            case Kind::SpeciesRecord: {
                const std::int32_t nr = speciesNumber(attrs);
                auto [it, added] =
                    denseOfNr.emplace(nr, static_cast<std::int32_t>(nrOfDense.size()));
                if (added) nrOfDense.push_back(nr);
                auto cover = valueOf(attrs, "cover");
                auto layer = valueOf(attrs, "layer");
                std::int8_t l = 4;  // a layer that is not one digit: 0, the herb layer
                if (layer && layer->size() == 1 && (*layer)[0] >= '0' && (*layer)[0] <= '9')
                    l = layerMap[(*layer)[0] - '0'];
                const std::int64_t delta = line() - d.plots.back().line;
                d.species.push_back(RawSpecies{
                    it->second, cover ? internText(coverIds, coverTexts, *cover) : NoCover,
                    static_cast<std::uint32_t>(
                        std::min<std::int64_t>(delta, std::numeric_limits<std::uint32_t>::max())),
                    l});
                break;
            }
            case Kind::Scale: {
                auto code = valueOf(attrs, "code");
                scales.push_back(Scale{std::string(code.value_or("")), line(), {}});
                break;
            }
            case Kind::ScaleCode:
                // Turboveg's export writes a scale's code as an element of its own.
                scaleCode.clear();
                XML_SetCharacterDataHandler(parser, &Impl::onText);
                break;
            case Kind::ScaleEntry: {
                auto code = valueOf(attrs, "code");
                if (!code) break;
                auto pct = valueOf(attrs, "percentage");
                scales.back().entries.push_back(
                    ScaleEntry{std::string(*code), std::string(pct.value_or("")), line()});
                break;
            }
            case Kind::SpeciesName: {
                const std::int32_t nr = speciesNumber(attrs);
                if (speciesNames.count(nr)) break;  // the first record of a number stands
                SpeciesName s;
                std::string text =
                    fitted(valueOf(attrs, "name").value_or(""), SpeciesNameSize, s.replaced);
                s.blanked = blankControls(text, TextEnds::Kept) > 0;
                s.name.fill(' ');
                std::memcpy(s.name.data(), text.data(), text.size());
                speciesNames.emplace(nr, s);
                break;
            }
            default:
                break;
        }
    }

    static void XMLCALL onStart(void* self, const XML_Char* name, const XML_Char** attrs) {
        auto* impl = static_cast<Impl*>(self);
        try {
            impl->start(name, attrs);
        } catch (...) {
            // No exception may cross the parser's C frames.
            impl->failure = std::current_exception();
            XML_StopParser(impl->parser, XML_FALSE);
        }
    }
    static void XMLCALL onEnd(void* self, const XML_Char*) {
        auto* impl = static_cast<Impl*>(self);
        // The parser still ends an empty element whose start failed (and was
        // never pushed): nothing is open for it.
        if (impl->failure) return;
        if (impl->open.back() == Kind::ScaleCode) {
            XML_SetCharacterDataHandler(impl->parser, nullptr);
            Scale& scale = impl->scales.back();
            if (scale.code.empty()) scale.code = trimmed(impl->scaleCode);
        }
        impl->open.pop_back();
    }
    static void XMLCALL onText(void* self, const XML_Char* text, int length) {
        auto* impl = static_cast<Impl*>(self);
        // A code is a few characters; a longer text is no code, and is not kept.
        if (impl->scaleCode.size() < 256)
            impl->scaleCode.append(text, static_cast<std::size_t>(length));
    }
    // Encodings the parser does not know itself: any single-byte one iconv knows,
    // and the Japanese double-byte ones.
    static int XMLCALL onUnknownEncoding(void* self, const XML_Char* name, XML_Encoding* info) {
        auto* impl = static_cast<Impl*>(self);
        info->data = nullptr;
        info->convert = nullptr;
        info->release = nullptr;
        if (auto map = singleByteCharacters(name)) {
            std::copy(map->begin(), map->end(), info->map);
            return XML_STATUS_OK;
        }
        if (auto multi = MultiByteCharacters::forEncoding(name)) {
            std::copy(multi->map().begin(), multi->map().end(), info->map);
            info->data = multi.release();
            info->convert = [](void* data, const char* s) {
                return static_cast<MultiByteCharacters*>(data)->decode(s);
            };
            info->release = [](void* data) { delete static_cast<MultiByteCharacters*>(data); };
            return XML_STATUS_OK;
        }
        impl->unknownEncoding = name;
        return XML_STATUS_ERROR;
    }

    void parse(std::string_view bytes, bool final) {
        std::string joined;
        if (!started) {
            // UTF-16 shows in the first two bytes, which may come in two pieces.
            if (head.size() + bytes.size() < 2 && !final) {
                head.append(bytes);
                return;
            }
            joined = std::move(head);
            joined.append(bytes);
            bytes = joined;
        }
        if (!started && !bytes.empty()) {
            started = true;
            // UTF-16 is read as the parser reads it; the filter knows single bytes only.
            const auto b0 = static_cast<unsigned char>(bytes[0]);
            filtering =
                !(b0 == 0x00 || b0 == 0xFE || b0 == 0xFF || (bytes.size() > 1 && bytes[1] == '\0'));
        }
        std::string_view in = bytes;
        if (filtering) {
            filtered.clear();
            filter.feed(bytes, final, filtered);
            in = filtered;
        }
        if (XML_Parse(parser, in.data(), static_cast<int>(in.size()), final) == XML_STATUS_OK)
            return;
        if (failure) std::rethrow_exception(failure);
        const XML_Error code = XML_GetErrorCode(parser);
        if (code == XML_ERROR_UNKNOWN_ENCODING || code == XML_ERROR_INCORRECT_ENCODING)
            throw Error(fileName + sj(": 宣言された文字コード ") + fromUtf8(unknownEncoding) +
                        sj(" は読めません"));
        throw Error(where(line()) + sj(": XML として読めません（") +
                    fromUtf8(XML_ErrorString(code)) + sj("）"));
    }

    // Every cover code through its plot's scale: the code, or Error naming the plot.
    void checkCovers() {
        auto& d = *package.d_;
        std::unordered_map<std::string, std::int32_t> scaleOfCode;
        for (std::size_t s = 0; s < scales.size(); ++s)
            scaleOfCode.emplace(scales[s].code, static_cast<std::int32_t>(s));
        std::vector<std::int32_t> scaleOfPlotScale(scaleTexts.size(), NoScale);
        for (std::size_t k = 0; k < scaleTexts.size(); ++k)
            if (auto it = scaleOfCode.find(scaleTexts[k]); it != scaleOfCode.end())
                scaleOfPlotScale[k] = it->second;
        std::vector<bool> braunBlanquet(scales.size());
        for (std::size_t s = 0; s < scales.size(); ++s)
            braunBlanquet[s] =
                !scales[s].entries.empty() &&
                std::all_of(scales[s].entries.begin(), scales[s].entries.end(),
                            [](const ScaleEntry& e) { return codeOfSymbol(e.code) != 0; });
        // The first entry of each code, per scale, and the code of each (scale, cover
        // text) pair met: -1 not in the scale. Both grow with what the file holds,
        // never with scales times texts, which a crafted file can make billions.
        std::vector<std::unordered_map<std::string_view, const ScaleEntry*>> entryOf(scales.size());
        for (std::size_t s = 0; s < scales.size(); ++s)
            for (const ScaleEntry& e : scales[s].entries) entryOf[s].emplace(e.code, &e);
        std::unordered_map<std::uint64_t, int> memo;
        auto codeOf = [&](std::size_t s, std::int32_t cover, auto&& at) -> int {
            auto [slot, fresh] =
                memo.emplace(std::uint64_t{s} << 32 | static_cast<std::uint32_t>(cover), 0);
            int& m = slot->second;
            if (!fresh) return m;
            const std::string& text = coverTexts[static_cast<std::size_t>(cover)];
            const Scale& sc = scales[s];
            auto found = entryOf[s].find(text);
            const ScaleEntry* entry = found == entryOf[s].end() ? nullptr : found->second;
            if (braunBlanquet[s]) {
                m = entry ? codeOfSymbol(text) : -1;
            } else if (entry) {
                auto pct = numberOf(entry->percentage);
                if (!pct)
                    throw Error(at() + sj(": 被度階級 ") + fromUtf8(sc.code) + sj(" のコード ") +
                                fromUtf8(text) + sj(" の百分率が数値ではありません（") +
                                lineText(entry->line) + sj("）"));
                m = codeOfPercentage(*pct);
            } else {
                auto pct = numberOf(text);
                m = pct ? codeOfPercentage(*pct) : -1;
            }
            return m;
        };
        for (std::size_t k = 0; k < d.plots.size(); ++k) {
            RawPlot& p = d.plots[k];
            const std::size_t end =
                k + 1 < d.plots.size() ? d.plots[k + 1].firstSpecies : d.species.size();
            for (std::size_t s = p.firstSpecies; s < end; ++s) {
                RawSpecies& raw = d.species[s];
                // Made only for a message: most files have none.
                auto here = [&] {
                    return fileName + sj(" の ") + lineText(p.line + raw.line) + sj("（") +
                           plotName(p, k) + sj("）");
                };
                if (p.scale == NoScale)
                    throw Error(here() + sj(": Plot に被度階級 coverscale がありません"));
                const std::int32_t scale = scaleOfPlotScale[static_cast<std::size_t>(p.scale)];
                if (scale == NoScale)
                    throw Error(here() + sj(": 被度階級 ") +
                                fromUtf8(scaleTexts[static_cast<std::size_t>(p.scale)]) +
                                sj(" がファイルの Coverscale_list にありません"));
                if (raw.cover == NoCover) throw Error(here() + sj(": 種の被度 cover がありません"));
                const int code = codeOf(static_cast<std::size_t>(scale), raw.cover, here);
                if (code < 0)
                    throw Error(here() + sj(": 被度 ") +
                                fromUtf8(coverTexts[static_cast<std::size_t>(raw.cover)]) +
                                sj(" が被度階級 ") +
                                fromUtf8(scales[static_cast<std::size_t>(scale)].code) +
                                sj(" にありません"));
                raw.cover = code;
            }
        }
    }

    void nameSpecies() {
        auto& d = *package.d_;
        d.names.resize(nrOfDense.size());
        for (std::size_t k = 0; k < nrOfDense.size(); ++k) {
            if (auto it = speciesNames.find(nrOfDense[k]); it != speciesNames.end()) {
                d.names[k] = it->second;
                continue;
            }
            const std::string text = "Turboveg nr " + std::to_string(nrOfDense[k]);
            d.names[k].name.fill(' ');
            std::memcpy(d.names[k].name.data(), text.data(),
                        std::min(text.size(), SpeciesNameSize));
        }
        d.seenIn.assign(nrOfDense.size(), 0);
        d.entryOf.assign(nrOfDense.size(), 0);
    }
};

TurbovegReader::TurbovegReader(std::string fileName) : impl_(std::make_unique<Impl>()) {
    impl_->fileName = fromUtf8(fileName);
    impl_->package.d_->fileName = impl_->fileName;
    impl_->parser = XML_ParserCreate(nullptr);
    if (!impl_->parser) throw Error(sj("XML の読み手を用意できません（メモリ不足）"));
    XML_SetUserData(impl_->parser, impl_.get());
    XML_SetElementHandler(impl_->parser, &Impl::onStart, &Impl::onEnd);
    XML_SetUnknownEncodingHandler(impl_->parser, &Impl::onUnknownEncoding, impl_.get());
}

TurbovegReader::~TurbovegReader() {
    XML_ParserFree(impl_->parser);
}

void TurbovegReader::feed(std::string_view bytes) {
    // The parser takes an int length: feed large pieces in parts.
    constexpr std::size_t Part = 1 << 30;
    while (bytes.size() > Part) {
        impl_->parse(bytes.substr(0, Part), false);
        bytes.remove_prefix(Part);
    }
    impl_->parse(bytes, false);
}

TurbovegPackage TurbovegReader::finish() {
    impl_->parse({}, true);
    impl_->checkSpeciesFound();
    impl_->checkCovers();
    impl_->nameSpecies();
    return std::move(impl_->package);
}

TurbovegPackage readTurbovegBytes(std::string_view bytes, const std::string& fileName) {
    TurbovegReader r(fileName);
    r.feed(bytes);
    return r.finish();
}

TurbovegPackage readTurbovegFile(
    const std::string& path,
    const std::function<void(std::uint64_t done, std::uint64_t size)>& progress) {
    struct Closer {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::unique_ptr<std::FILE, Closer> f(std::fopen(path.c_str(), "rb"));
    if (!f) throw Error(sj("ファイルが開けません: ") + fromUtf8(path));
    std::error_code ignored;  // a size unknown shows no progress, and reads as well
    const std::uint64_t size = std::filesystem::file_size(path, ignored);
    TurbovegReader r(path);
    std::vector<char> buf(1 << 20);
    std::uint64_t done = 0;
    while (std::size_t n = std::fread(buf.data(), 1, buf.size(), f.get())) {
        r.feed(std::string_view(buf.data(), n));
        done += n;
        if (progress && size != static_cast<std::uintmax_t>(-1))
            progress(std::min(done, size), size);
    }
    if (std::ferror(f.get())) throw Error(sj("ファイルが読めません: ") + fromUtf8(path));
    return r.finish();
}

}  // namespace tamsel

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
#include "turboveg/ampersand_filter.h"
#include "turboveg/package_data.h"
#include "turboveg/turboveg_values.h"

namespace tamsel {

using namespace turboveg;

namespace {

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

}  // namespace

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

    void startPlot(const XML_Char** attrs) {
        auto& d = *package.d_;
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
    }

    void readHeaderRecord(const XML_Char** attrs) {
        RawPlot& p = package.d_->plots.back();
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
    }

    void readUdf(const XML_Char** attrs) {
        RawPlot& p = package.d_->plots.back();
        auto key = valueOf(attrs, "name");
        auto v = valueOf(attrs, "value");
        if (!key || !v) return;
        // Packages keep any header field here too (locality among
        // them); the standard record's value, where it gives one, stands.
        for (const FieldMap& f : headerMap)
            if (sameLetters(*key, f.name) && fieldBlank(p.header, f)) setHeaderField(p, f, *v);
    }

    void addSpeciesRecord(const XML_Char** attrs) {
        auto& d = *package.d_;
        const std::int32_t nr = speciesNumber(attrs);
        auto [it, added] = denseOfNr.emplace(nr, static_cast<std::int32_t>(nrOfDense.size()));
        if (added) nrOfDense.push_back(nr);
        auto cover = valueOf(attrs, "cover");
        auto layer = valueOf(attrs, "layer");
        std::int8_t l = 4;  // a layer that is not one digit: 0, the herb layer
        if (layer && layer->size() == 1 && (*layer)[0] >= '0' && (*layer)[0] <= '9')
            l = layerMap[(*layer)[0] - '0'];
        const std::int64_t delta = line() - d.plots.back().line;
        d.species.push_back(RawSpecies{it->second,
                                       cover ? internText(coverIds, coverTexts, *cover) : NoCover,
                                       static_cast<std::uint32_t>(std::min<std::int64_t>(
                                           delta, std::numeric_limits<std::uint32_t>::max())),
                                       l});
    }

    void addSpeciesName(const XML_Char** attrs) {
        const std::int32_t nr = speciesNumber(attrs);
        if (speciesNames.count(nr)) return;  // the first record of a number stands
        SpeciesName s;
        std::string text = fitted(valueOf(attrs, "name").value_or(""), SpeciesNameSize, s.replaced);
        s.blanked = blankControls(text, TextEnds::Kept) > 0;
        s.name.fill(' ');
        std::memcpy(s.name.data(), text.data(), text.size());
        speciesNames.emplace(nr, s);
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
        switch (kind) {
            case Kind::Plot:
                startPlot(attrs);
                break;
            case Kind::HeaderRecord:
                readHeaderRecord(attrs);
                break;
            case Kind::Udf:
                readUdf(attrs);
                break;
            case Kind::SpeciesRecord:
                addSpeciesRecord(attrs);
                break;
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
            case Kind::SpeciesName:
                addSpeciesName(attrs);
                break;
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

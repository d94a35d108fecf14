#include "datafile/data_file_pair.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <unordered_set>

#include "datafile/numbers.h"
#include "text/error.h"
#include "text/sjis.h"

namespace tamsel {

const std::array<HeaderField, 32>& headerFields() {
    static const std::array<HeaderField, 32> fields = {{
        {"ReleveNumber", 16, 8},   {"SiteName", 24, 8},
        {"SurveyDate", 32, 8},     {"Latitude", 40, 8},
        {"Longitude", 48, 8},      {"GridCode", 56, 8},
        {"Altitude", 64, 4},       {"Aspect", 68, 4},
        {"SlopeAngle", 72, 4},     {"Landform", 76, 4},
        {"MicroLandform", 80, 4},  {"SurfaceGeology", 84, 4},
        {"SoilType", 88, 4},       {"PlotArea", 92, 4},
        {"LayerHeights", 96, 4},   {"LayerHeights", 100, 4},
        {"LayerHeights", 104, 4},  {"LayerHeights", 108, 4},
        {"LayerHeights", 112, 4},  {"LayerHeights", 116, 4},
        {"LayerHeights", 120, 4},  {"LayerCovers", 124, 4},
        {"LayerCovers", 128, 4},   {"LayerCovers", 132, 4},
        {"LayerCovers", 136, 4},   {"LayerCovers", 140, 4},
        {"LayerCovers", 144, 4},   {"LayerCovers", 148, 4},
        {"SpeciesTotal", 152, 4},  {"CoverScale", 156, 1},
        {"CoverNotation", 157, 1}, {"FirstSpeciesRecord", 248, 6},
    }};
    return fields;
}

// ---- RecordFile

bool RecordFile::open(const std::string& path, std::size_t recordSize, std::size_t blockBytes) {
    close();
    // Only a regular file holds records: a folder opens for reading on some
    // systems and reports a size that is no record count.
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return false;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    file_.reset(f);
    if (std::fseek(f, 0, SEEK_END) != 0) {
        close();
        return false;
    }
    long size = std::ftell(f);
    if (size < 0) {
        close();
        return false;
    }
    recordSize_ = recordSize;
    records_ = size / static_cast<long>(recordSize);
    std::setvbuf(f, nullptr, _IONBF, 0);  // we buffer whole blocks ourselves
    block_.assign(std::max(blockBytes / recordSize, std::size_t{1}) * recordSize, 0);
    blockFirst_ = -1;
    blockRecords_ = 0;
    return true;
}

void RecordFile::openBytes(std::string bytes, std::size_t recordSize) {
    close();
    memory_ = std::move(bytes);
    inMemory_ = true;
    recordSize_ = recordSize;
    records_ = static_cast<std::int64_t>(memory_.size() / recordSize);
}

void RecordFile::close() {
    file_.reset();
    memory_ = std::string();
    inMemory_ = false;
    records_ = 0;
    blockFirst_ = -1;
    blockRecords_ = 0;
}

bool RecordFile::read(std::int64_t n, char* out) {
    if (!isOpen() || n < 0 || n >= records_) return false;
    if (inMemory_) {
        std::memcpy(out, memory_.data() + n * static_cast<std::int64_t>(recordSize_), recordSize_);
        return true;
    }
    if (blockFirst_ < 0 || n < blockFirst_ || n >= blockFirst_ + blockRecords_) {
        std::int64_t perBlock = static_cast<std::int64_t>(block_.size() / recordSize_);
        // A read before the block starts a block that ends at n: a chain that
        // runs backwards then costs one system read per block, as a forward one does.
        std::int64_t first =
            blockFirst_ >= 0 && n < blockFirst_ ? std::max<std::int64_t>(0, n - perBlock + 1) : n;
        std::int64_t count = std::min(perBlock, records_ - first);
        if (std::fseek(file_.get(),
                       static_cast<long>(first * static_cast<std::int64_t>(recordSize_)),
                       SEEK_SET) != 0)
            return false;
        std::size_t want = static_cast<std::size_t>(count) * recordSize_;
        std::size_t got = std::fread(block_.data(), 1, want, file_.get());
        blockFirst_ = first;
        blockRecords_ = static_cast<std::int64_t>(got / recordSize_);
        if (n >= blockFirst_ + blockRecords_) return false;
    }
    std::memcpy(out, block_.data() + (n - blockFirst_) * static_cast<std::int64_t>(recordSize_),
                recordSize_);
    return true;
}

// ---- the pair

DataFilePair::DataFilePair() {
    resetDataFilePair(*this);
}

void resetDataFilePair(DataFilePair& p) {
    CloseDataFiles(p);
    p.HeaderRecord.fill(' ');
    p.SpeciesRecord.fill(' ');
    std::memcpy(p.HeaderRecord.data() + hdr::SpeciesTotal, "   0", 4);
    p.PlantSetCapacity = 159;
    p.PlantSetCount = 0;
    p.LastRecord = 0;
    p.CurrentCoverScale = 5;
    p.CurrentNotation = 2;
    p.PlantSet.assign(static_cast<std::size_t>(p.PlantSetCapacity) + 1, PlantSetEntry{});
    ClearPlantSet(p);
}

std::string speciesFileName(const std::string& headerPath) {
    std::size_t slash = headerPath.find_last_of('/');
    std::size_t dot = headerPath.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return headerPath + ".rld";
    return headerPath.substr(0, dot) + ".rld";
}

namespace {
void takeLastRecord(DataFilePair& p) {
    std::int64_t last = p.headerFile.recordCount() - 1;
    p.LastRecord = static_cast<std::int32_t>(std::min<std::int64_t>(last, 2147483647));
}
}  // namespace

void openDataFilesAt(DataFilePair& p, const std::string& headerPath, std::size_t blockBytes) {
    CloseDataFiles(p);
    const std::string speciesPath = speciesFileName(headerPath);
    const bool header = p.headerFile.open(headerPath, HeaderRecordSize, blockBytes);
    if (!header || !p.speciesFile.open(speciesPath, SpeciesRecordSize, blockBytes)) {
        CloseDataFiles(p);
        throw Error(msg("ファイルが開けません: %1", fromUtf8(header ? speciesPath : headerPath)));
    }
    takeLastRecord(p);
}

void openDataFileBytes(DataFilePair& p, std::string headerBytes, std::string speciesBytes) {
    CloseDataFiles(p);
    p.headerFile.openBytes(std::move(headerBytes), HeaderRecordSize);
    p.speciesFile.openBytes(std::move(speciesBytes), SpeciesRecordSize);
    takeLastRecord(p);
}

void CloseDataFiles(DataFilePair& p) {
    p.headerFile.close();
    p.speciesFile.close();
}

void ClearPlantSet(DataFilePair& p) {
    // One copy of a ready blank entry each: this runs for every relevé read.
    static const PlantSetEntry blank = [] {
        PlantSetEntry e;
        e.name.fill(' ');
        e.codes.fill(0);
        return e;
    }();
    std::fill(p.PlantSet.begin(), p.PlantSet.end(), blank);
}

std::string readFailureText(ReadFailure why) {
    switch (why) {
        case ReadFailure::None:
            return "";
        case ReadFailure::HeaderMissing:
            return sj("ヘッダーファイル（.rli）にこの番号のレコードがありません");
        case ReadFailure::HeaderUnreadable:
            return sj("ヘッダーファイル（.rli）が読めません");
        case ReadFailure::BadCoverScale:
            return sj("被度階級の欄が数値ではありません");
        case ReadFailure::BadCoverNotation:
            return sj("被度表記の欄が数値ではありません");
        case ReadFailure::BadSpeciesTotal:
            return sj("出現種数の欄が数値ではありません");
        case ReadFailure::BadFirstSpeciesRecord:
            return sj("最初の種レコード番号の欄が数値ではありません");
        case ReadFailure::BadNextSpeciesRecord:
            return sj("種レコードの次のレコード番号の欄が数値ではありません");
        case ReadFailure::NegativeLink:
            return sj("種レコードのつながりが負のレコード番号を指しています");
        case ReadFailure::LinkPastEnd:
            return sj("種レコードのつながりが種ファイル（.rld）の終わりを越えています");
        case ReadFailure::SpeciesUnreadable:
            return sj("種ファイル（.rld）が読めません");
        case ReadFailure::ChainLoops:
            return sj("種レコードのつながりが同じレコードに戻っています（循環）");
        case ReadFailure::BadLayerCode:
            return sj("種の被度コードが正しくありません");
    }
    return "";
}

ReleveRead ReadReleve(DataFilePair& p, std::int32_t n) {
    auto fail = [](ReadFailure why) { return ReleveRead{why, {}}; };
    if (!p.headerFile.read(n, p.HeaderRecord.data()))
        return fail(n < 0 || n >= p.headerFile.recordCount() ? ReadFailure::HeaderMissing
                                                             : ReadFailure::HeaderUnreadable);
    auto scale = parseNumberField(p.field(hdr::CoverScale, 1));
    if (!scale) return fail(ReadFailure::BadCoverScale);
    p.CurrentCoverScale = *scale;
    auto notation = parseNumberField(p.field(hdr::CoverNotation, 1));
    if (!notation) return fail(ReadFailure::BadCoverNotation);
    p.CurrentNotation = *notation;
    auto total = parseNumberField(p.field(hdr::SpeciesTotal, 4));
    if (!total) return fail(ReadFailure::BadSpeciesTotal);
    p.PlantSetCount = *total;
    if (p.PlantSetCount > p.PlantSetCapacity) p.PlantSetCapacity = p.PlantSetCount + 4;
    p.PlantSet.resize(static_cast<std::size_t>(p.PlantSetCapacity) + 1);
    auto first = parseNumberField(p.field(hdr::FirstSpeciesRecord, 6));
    if (!first) return fail(ReadFailure::BadFirstSpeciesRecord);
    std::int32_t r = *first;
    if (r == 0) p.PlantSetCount = 0;
    ClearPlantSet(p);

    // A chain never holds a record twice; one that does would never end. Short
    // chains are checked by a scan, long ones through a set. Only the records
    // walked count: a loop among the surplus records is never reached.
    std::array<std::int32_t, 32> seen;
    std::size_t seenCount = 0;
    std::unordered_set<std::int32_t> seenSet;
    std::size_t base = 0;
    const std::size_t lastEntry = p.PlantSet.size() - 1;
    // Entries past SpeciesTotal are never used, so the walk stops after the records
    // SpeciesTotal fills (the first one is read whatever the count says). A chain
    // that runs on is ordinary: deleting species lowers the count, not the chain.
    const std::int64_t neededRecords = std::max<std::int64_t>(
        1, (std::int64_t{p.PlantSetCount} + EntriesPerSpeciesRecord - 1) / EntriesPerSpeciesRecord);
    std::int64_t walked = 0;
    while (r != 0) {
        if (r < 0) return fail(ReadFailure::NegativeLink);  // no record has a negative number
        if (seenCount < seen.size()) {
            if (std::find(seen.begin(), seen.begin() + seenCount, r) != seen.begin() + seenCount)
                return fail(ReadFailure::ChainLoops);
            seen[seenCount++] = r;
            if (seenCount == seen.size()) seenSet.insert(seen.begin(), seen.end());
        } else if (!seenSet.insert(r).second) {
            return fail(ReadFailure::ChainLoops);
        }
        if (!p.speciesFile.read(r, p.SpeciesRecord.data()))
            return fail(r >= p.speciesFile.recordCount() ? ReadFailure::LinkPastEnd
                                                         : ReadFailure::SpeciesUnreadable);
        for (int k = 1; k <= EntriesPerSpeciesRecord; ++k) {
            const char* e = p.SpeciesRecord.data() + (k - 1) * SpeciesEntrySize;
            auto codes = ParseLayerCodes(std::string_view(e + SpeciesNameSize, 14));
            if (!codes) return fail(ReadFailure::BadLayerCode);
            // Entries beyond the list's end are surplus: only SpeciesTotal count.
            std::size_t idx = base + static_cast<std::size_t>(k);
            if (idx <= lastEntry) {
                std::memcpy(p.PlantSet[idx].name.data(), e, SpeciesNameSize);
                p.PlantSet[idx].codes = *codes;
            }
        }
        base += EntriesPerSpeciesRecord;
        // The last needed record's link leads only to surplus records: not even read.
        if (++walked == neededRecords) break;
        auto next =
            parseNumberField(std::string_view(p.SpeciesRecord.data() + NextSpeciesRecordOffset, 6));
        if (!next) return fail(ReadFailure::BadNextSpeciesRecord);
        r = *next;
    }
    return {ReadFailure::None, lastReleve(p)};
}

}  // namespace tamsel

namespace tamsel {

ReleveView lastReleve(const DataFilePair& p) {
    ReleveView r;
    r.header = &p.HeaderRecord;
    const std::size_t count =
        std::min<std::size_t>(static_cast<std::size_t>(std::max<std::int32_t>(p.PlantSetCount, 0)),
                              p.PlantSet.empty() ? 0 : p.PlantSet.size() - 1);
    if (count > 0) r.species = std::span<const PlantSetEntry>(p.PlantSet).subspan(1, count);
    r.coverScale = p.CurrentCoverScale;
    r.notation = p.CurrentNotation;
    return r;
}

}  // namespace tamsel

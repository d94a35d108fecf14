#include "turboveg/turboveg_reader.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "datafile/numbers.h"
#include "platform/error.h"
#include "text/sjis.h"
#include "turboveg/package_data.h"
#include "turboveg/turboveg_values.h"

namespace tamsel {

using namespace turboveg;

TurbovegPackage::TurbovegPackage() : d_(std::make_unique<Data>()) {}
TurbovegPackage::TurbovegPackage(TurbovegPackage&&) noexcept = default;
TurbovegPackage& TurbovegPackage::operator=(TurbovegPackage&&) noexcept = default;
TurbovegPackage::~TurbovegPackage() = default;

std::size_t TurbovegPackage::plotCount() const {
    return d_->plots.size();
}

namespace turboveg {

std::string plotName(const RawPlot& p, std::size_t k) {
    std::string name = std::to_string(k + 1) + sj(" 番目の Plot");
    if (!p.releveNr.empty()) name += sj("、releve_nr ") + p.releveNr;
    return name;
}

}  // namespace turboveg

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

}  // namespace tamsel

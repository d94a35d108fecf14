#include "table/cover_array.h"

#include <algorithm>
#include <string>

#include "platform/error.h"
#include "text/sjis.h"

namespace tamsel {

namespace {
const LayerCodes zeroCodes{};
using Entry = std::pair<std::int32_t, LayerCodes>;
auto findSlot(const std::vector<Entry>& v, std::int32_t s) {
    return std::lower_bound(v.begin(), v.end(), s,
                            [](const Entry& e, std::int32_t k) { return e.first < k; });
}
auto findSlot(std::vector<Entry>& v, std::int32_t s) {
    return std::lower_bound(v.begin(), v.end(), s,
                            [](const Entry& e, std::int32_t k) { return e.first < k; });
}
}  // namespace

void CoverArray::check(int r, int s) const {
    if (r < 0 || r >= releveSlots() || s < 0 || s >= speciesSlots_)
        throw Error(sj("被度の配列の範囲外です（測定スロット ") + std::to_string(r) +
                    sj("、種スロット ") + std::to_string(s) + sj("）"));
}

void CoverArray::resize(int releveSlots, int speciesSlots) {
    if (releveSlots < 0 || speciesSlots < 0)
        throw Error(sj("被度の配列の大きさが正しくありません"));
    whole_.clear();
    if (ChangeLog* log = link_.log) {
        if (releveSlots == this->releveSlots() && speciesSlots == speciesSlots_) return;
        for (int r = releveSlots; r < this->releveSlots(); ++r)
            if (!byReleve_[r].empty()) log->add(change::Releve{r, byReleve_[r]});
        if (speciesSlots < speciesSlots_)
            for (int r = 0; r < std::min(releveSlots, this->releveSlots()); ++r)
                for (auto it = findSlot(byReleve_[r], speciesSlots); it != byReleve_[r].end(); ++it)
                    log->add(change::Codes{r, it->first, it->second});
        log->add(change::CoverSize{this->releveSlots(), speciesSlots_});
    }
    byReleve_.resize(static_cast<std::size_t>(releveSlots));
    if (speciesSlots < speciesSlots_)
        for (auto& v : byReleve_) v.erase(findSlot(v, speciesSlots), v.end());
    speciesSlots_ = speciesSlots;
}

const LayerCodes& CoverArray::get(int r, int s) const {
    check(r, s);
    const auto& v = byReleve_[r];
    auto it = findSlot(v, s);
    return (it != v.end() && it->first == s) ? it->second : zeroCodes;
}

void CoverArray::set(int r, int s, const LayerCodes& codes) {
    check(r, s);
    auto& v = byReleve_[r];
    if (link_.log && !recordedWhole(r)) {
        const LayerCodes& was = get(r, s);
        if (was == codes) return;
        if (v.empty()) {
            link_.log->add(change::Releve{r, {}});
            if (whole_.size() <= static_cast<std::size_t>(r)) whole_.resize(byReleve_.size());
            whole_[r] = true;
        } else {
            link_.log->add(change::Codes{r, s, was});
        }
    }
    // Filling by ascending species slot (a load, an add) appends.
    if (v.empty() || v.back().first < s) {
        if (!allZero(codes)) v.emplace_back(s, codes);
        return;
    }
    auto it = findSlot(v, s);
    bool present = it != v.end() && it->first == s;
    if (allZero(codes)) {
        if (present) v.erase(it);
    } else if (present) {
        it->second = codes;
    } else {
        v.insert(it, Entry{s, codes});
    }
}

void CoverArray::assign(std::span<const CoverEntry> entries) {
    for (const CoverEntry& e : entries) check(e.releve, e.species);
    // A counting sort by relevé slot: every list gets its exact size, and the
    // entries keep their order within a relevé.
    std::vector<std::uint32_t> count(byReleve_.size(), 0);
    for (const CoverEntry& e : entries) ++count[static_cast<std::size_t>(e.releve)];
    std::vector<std::vector<Entry>> lists(byReleve_.size());
    for (std::size_t r = 0; r < lists.size(); ++r) lists[r].reserve(count[r]);
    for (const CoverEntry& e : entries)
        lists[static_cast<std::size_t>(e.releve)].emplace_back(e.species, e.codes);
    auto bySlot = [](const Entry& x, const Entry& y) { return x.first < y.first; };
    for (auto& v : lists) {
        bool plain =
            std::none_of(v.begin(), v.end(), [](const Entry& e) { return allZero(e.second); });
        for (std::size_t k = 1; plain && k < v.size(); ++k) plain = v[k - 1].first < v[k].first;
        if (plain) continue;
        // Out of order, repeated or zero: the last entry for a slot decides.
        std::stable_sort(v.begin(), v.end(), bySlot);
        std::size_t out = 0;
        for (std::size_t k = 0; k < v.size(); ++k) {
            if (k + 1 < v.size() && v[k + 1].first == v[k].first) continue;
            if (!allZero(v[k].second)) v[out++] = v[k];
        }
        v.resize(out);
        v.shrink_to_fit();
    }
    if (link_.log)
        for (std::size_t r = 0; r < lists.size(); ++r)
            if (!lists[r].empty() || !byReleve_[r].empty())
                link_.log->add(change::Releve{static_cast<std::int32_t>(r), byReleve_[r]});
    byReleve_ = std::move(lists);
}

void CoverArray::reserveReleve(int r, std::size_t n) {
    check(r, 0);
    byReleve_[r].reserve(n);
}

void CoverArray::clearReleve(int r) {
    check(r, 0);
    if (link_.log && !byReleve_[r].empty() && !recordedWhole(r))
        link_.log->add(change::Releve{r, byReleve_[r]});
    byReleve_[r].clear();
}

void CoverArray::replaceReleve(int r, std::vector<Entry> codes) {
    check(r, 0);
    for (std::size_t k = 0; k < codes.size(); ++k) {
        check(r, codes[k].first);
        if (allZero(codes[k].second) || (k > 0 && codes[k - 1].first >= codes[k].first))
            throw Error(sj("被度の配列の並びが正しくありません（測定スロット ") +
                        std::to_string(r) + sj("）"));
    }
    if (link_.log && !recordedWhole(r)) {
        link_.log->makeRoom();  // the codes moved into the record must reach the log
        link_.log->add(change::Releve{r, std::move(byReleve_[r])});
    }
    byReleve_[r] = std::move(codes);
}

void CoverArray::clearSpecies(int s) {
    check(0, s);
    for (std::size_t r = 0; r < byReleve_.size(); ++r) {
        auto& v = byReleve_[r];
        auto it = findSlot(v, s);
        if (it == v.end() || it->first != s) continue;
        if (link_.log && !recordedWhole(static_cast<int>(r)))
            link_.log->add(change::Codes{static_cast<std::int32_t>(r), s, it->second});
        v.erase(it);
    }
}

void CoverArray::clearAll() {
    for (std::size_t r = 0; r < byReleve_.size(); ++r) {
        auto& v = byReleve_[r];
        if (link_.log && !v.empty() && !recordedWhole(static_cast<int>(r))) {
            link_.log->makeRoom();
            link_.log->add(change::Releve{static_cast<std::int32_t>(r), std::move(v)});
        }
        v.clear();
    }
}

const std::vector<Entry>& CoverArray::releve(int r) const {
    check(r, 0);
    return byReleve_[r];
}

}  // namespace tamsel

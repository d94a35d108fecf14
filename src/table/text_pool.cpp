#include "table/text_pool.h"

#include <functional>
#include <unordered_map>

#include "platform/error.h"
#include "text/sjis.h"

namespace tamsel {

namespace {
std::uint32_t hashOf(std::string_view text) {
    const std::size_t h = std::hash<std::string_view>{}(text);
    return static_cast<std::uint32_t>(h ^ (static_cast<std::uint64_t>(h) >> 32));
}
}  // namespace

TextPool::TextPool() : texts_(1), holders_(1, 0), hashes_(1, 0), slots_(16, 0) {}

std::size_t TextPool::probe(std::string_view text, std::uint32_t hash) const {
    const std::size_t mask = slots_.size() - 1;
    std::size_t k = hash & mask;
    while (slots_[k] != 0 && (hashes_[slots_[k]] != hash || texts_[slots_[k]] != text))
        k = (k + 1) & mask;
    return k;
}

void TextPool::grow() {
    std::vector<std::uint32_t> old(2 * slots_.size(), 0);
    old.swap(slots_);
    const std::size_t mask = slots_.size() - 1;
    for (std::uint32_t id : old) {
        if (id == 0) continue;
        std::size_t k = hashes_[id] & mask;
        while (slots_[k] != 0) k = (k + 1) & mask;
        slots_[k] = id;
    }
}

std::optional<std::uint32_t> TextPool::numberId(std::string_view text) {
    // At most nine digits (below 2^30), no sign and no leading zero; right-aligned
    // in four exactly when the text is four bytes that begin with a blank.
    std::size_t blanks = 0;
    while (blanks < text.size() && text[blanks] == ' ') ++blanks;
    const std::string_view digits = text.substr(blanks);
    if (digits.empty() || digits.size() > 9 || (digits[0] == '0' && digits.size() > 1))
        return std::nullopt;
    if (blanks > 0 && text.size() != 4) return std::nullopt;
    std::uint32_t value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<std::uint32_t>(c - '0');
    }
    return NumberTag | (blanks > 0 ? PaddedTag : 0) | value;
}

const std::string& TextPool::numberText(std::uint32_t id) {
    // Made once for the program, when first shown, and shared by every grid (and
    // copy): the numbers shown are few beside the cells that hold them. A node
    // map keeps each text where it was made.
    static std::unordered_map<std::uint32_t, std::string> made;
    auto [it, isNew] = made.try_emplace(id);
    if (isNew) {
        it->second = std::to_string(id & ValueMask);
        if ((id & PaddedTag) != 0) it->second.insert(0, 4 - it->second.size(), ' ');
    }
    return it->second;
}

std::uint32_t TextPool::acquire(std::string_view text) {
    if (text.empty()) return 0;
    if (text.size() <= 9 && (text[0] == ' ' || (text[0] >= '0' && text[0] <= '9')))
        if (auto id = numberId(text)) return *id;
    const std::uint32_t hash = hashOf(text);
    std::size_t k = probe(text, hash);
    if (slots_[k] != 0) {
        ++holders_[slots_[k]];
        return slots_[k];
    }
    if (2 * (used_ + 1) > slots_.size()) {
        grow();
        k = probe(text, hash);
    }
    std::uint32_t id;
    if (!free_.empty()) {
        id = free_.back();
        free_.pop_back();
        texts_[id].assign(text);
        holders_[id] = 1;
        hashes_[id] = hash;
    } else {
        if (texts_.size() >= PaddedTag) throw Error(sj("表の文字列が多すぎます"));
        id = static_cast<std::uint32_t>(texts_.size());
        texts_.emplace_back(text);
        holders_.push_back(1);
        hashes_.push_back(hash);
    }
    slots_[k] = id;
    ++used_;
    return id;
}

void TextPool::release(std::uint32_t id) {
    if (id == 0 || (id & NumberTag) != 0 || --holders_[id] > 0) return;
    erase(probe(texts_[id], hashes_[id]));
    std::string().swap(texts_[id]);
    free_.push_back(id);
    --used_;
}

// Removes a slot of the linear probing, moving later entries of the same run
// back so that every entry stays reachable from its home slot.
void TextPool::erase(std::size_t slot) {
    const std::size_t mask = slots_.size() - 1;
    std::size_t hole = slot, k = slot;
    for (;;) {
        k = (k + 1) & mask;
        const std::uint32_t id = slots_[k];
        if (id == 0) break;
        const std::size_t home = hashes_[id] & mask;
        // The entry stays when its home lies cyclically in (hole, k].
        const bool stays = hole <= k ? (hole < home && home <= k) : (hole < home || home <= k);
        if (stays) continue;
        slots_[hole] = id;
        hole = k;
    }
    slots_[hole] = 0;
}

}  // namespace tamsel

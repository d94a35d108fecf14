// The distinct texts of a grid, each held once with the number of cells that
// hold it; a cell holds the number of its text. The texts of a composition table
// repeat (cover summaries, padded header values, rules), so a cell costs four
// bytes where a std::string of its own cost 32. Text 0 is the empty text.
//
// A whole number written as the table writes its numbers (a slot "123"; a serial,
// running number or count right-aligned in four, "  12") is not held as a text:
// its cell's number is the integer itself, tagged. Slots, serials and running
// numbers are one distinct text per row or column, so the pool would hold as many
// texts as the table has relevés; and a slot is read as a number without parsing.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tamsel {

class TextPool {
  public:
    TextPool();
    // The text of a number; it stays where it is until its last holder lets go
    // (a whole number's, as long as the program).
    const std::string& text(std::uint32_t id) const {
        return (id & NumberTag) != 0 ? numberText(id) : texts_[id];
    }
    // Whether number id is that of text (a whole number's text is not made).
    bool holds(std::uint32_t id, std::string_view text) const {
        if ((id & NumberTag) == 0) return texts_[id] == text;
        return numberId(text) == std::optional<std::uint32_t>(id);
    }
    // The number of text, with one more holder (0, and nothing held, for "").
    std::uint32_t acquire(std::string_view text);
    void acquire(std::uint32_t id) {
        if (id != 0 && (id & NumberTag) == 0) ++holders_[id];
    }
    // One holder fewer; a text held by none is forgotten and its number reused.
    void release(std::uint32_t id);
    // The texts held (not counting the empty one and whole numbers).
    std::size_t size() const { return used_; }
    // The value of a cell that holds a whole number written plainly ("123").
    static std::optional<std::int32_t> plainNumber(std::uint32_t id) {
        if ((id & (NumberTag | PaddedTag)) != NumberTag) return std::nullopt;
        return static_cast<std::int32_t>(id & ValueMask);
    }

  private:
    static constexpr std::uint32_t NumberTag = 1u << 31, PaddedTag = 1u << 30;
    static constexpr std::uint32_t ValueMask = PaddedTag - 1;
    // The tagged number of a whole number's text, if text is one as written.
    static std::optional<std::uint32_t> numberId(std::string_view text);
    static const std::string& numberText(std::uint32_t id);

    std::size_t probe(std::string_view text, std::uint32_t hash) const;
    void grow();
    void erase(std::size_t slot);

    std::deque<std::string> texts_;  // a deque: a text never moves while held
    std::vector<std::uint32_t> holders_, hashes_, free_;
    std::vector<std::uint32_t> slots_;  // open addressing by hash: a text number, 0 for none
    std::size_t used_ = 0;
};

}  // namespace tamsel

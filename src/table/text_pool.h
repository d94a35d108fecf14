// The distinct texts of a grid, each held once with the number of cells that
// hold it; a cell holds the number of its text. The texts of a composition table
// repeat (cover summaries, padded header values, rules), so a cell costs four
// bytes where a std::string of its own cost 32. Text 0 is the empty text.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace tamsel {

class TextPool {
  public:
    TextPool();
    // The text of a number; it stays where it is until its last holder lets go.
    const std::string& text(std::uint32_t id) const { return texts_[id]; }
    // The number of text, with one more holder (0, and nothing held, for "").
    std::uint32_t acquire(std::string_view text);
    void acquire(std::uint32_t id) {
        if (id != 0) ++holders_[id];
    }
    // One holder fewer; a text held by none is forgotten and its number reused.
    void release(std::uint32_t id);
    // The texts held (not counting the empty one).
    std::size_t size() const { return used_; }

  private:
    std::size_t probe(std::string_view text, std::uint32_t hash) const;
    void grow();
    void erase(std::size_t slot);

    std::deque<std::string> texts_;  // a deque: a text never moves while held
    std::vector<std::uint32_t> holders_, hashes_, free_;
    std::vector<std::uint32_t> slots_;  // open addressing by hash: a text number, 0 for none
    std::size_t used_ = 0;
};

}  // namespace tamsel

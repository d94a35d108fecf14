// The byte filter in front of the XML parser: Turboveg writes a bare "&" into
// free text, which no XML parser reads.
#pragma once

#include <string>
#include <string_view>

namespace tamsel {

// A "&" that begins no entity or character reference becomes "&amp;", so that the
// bare "&" Turboveg writes into free text reads as itself. Comments, CDATA sections
// and processing instructions pass unchanged. Bytes are held back only while a
// reference may still be cut by the end of a piece.
class AmpersandFilter {
  public:
    // Appends the filtered bytes to out; final: no more bytes follow.
    void feed(std::string_view bytes, bool final, std::string& out);

  private:
    enum class State { Markup, Comment, CData, Instruction };
    State state_ = State::Markup;
    std::string pending_;
};

}  // namespace tamsel

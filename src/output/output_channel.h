// The channel the table's text layout is written to: whole lines and single
// characters. The file channel writes the bytes; the printer channel pages them.
#pragma once

#include <string_view>

#include "io/byte_sink.h"

namespace tamsel {

class OutputChannel {
  public:
    virtual ~OutputChannel() = default;
    // One line of Shift-JIS text without its end; the channel ends it (CR LF).
    virtual void writeLine(std::string_view line) = 0;
    // A single character, such as the form feed between pages.
    virtual void writeChar(char c) = 0;
};

// Lines ended by CR LF on a byte sink: the text file.
class SinkChannel : public OutputChannel {
  public:
    explicit SinkChannel(ByteSink& sink) : sink_(sink) {}
    void writeLine(std::string_view line) override {
        sink_.write(line);
        sink_.write("\r\n");
    }
    void writeChar(char c) override { sink_.put(c); }

  private:
    ByteSink& sink_;
};

}  // namespace tamsel

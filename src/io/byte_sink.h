// Where a writer puts its bytes: a file, a string in tests, the printer channel.
// Every writer of a file format writes to a ByteSink and knows nothing of files.
#pragma once

#include <string>
#include <string_view>

namespace tamsel {

class ByteSink {
  public:
    virtual ~ByteSink() = default;
    // Throws Error when the bytes cannot be taken.
    virtual void write(std::string_view bytes) = 0;
    void put(char c) { write(std::string_view(&c, 1)); }
    ByteSink& operator<<(std::string_view bytes) {
        write(bytes);
        return *this;
    }
};

// Collects everything in memory.
class StringSink : public ByteSink {
  public:
    void write(std::string_view bytes) override { text.append(bytes); }
    std::string text;
};

}  // namespace tamsel

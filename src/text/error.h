// The program's own error: carries a Shift-JIS message that a user understands.
// Errors travel up to the command boundary, where they are shown.
#pragma once

#include <stdexcept>
#include <string>

namespace tamsel {

class Error : public std::runtime_error {
  public:
    explicit Error(const std::string& sjisMessage) : std::runtime_error(sjisMessage) {}
};

}  // namespace tamsel

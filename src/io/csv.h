// The CSV rule of every export: a field holding a comma, a double quote, a CR or
// an LF is enclosed in double quotes with inner quotes doubled (RFC 4180); every
// other field is written as it is. Fields are Shift-JIS: a trail byte of a
// double-byte character is never taken for a comma or a quote.
#pragma once

#include <optional>
#include <string_view>

#include "io/byte_sink.h"

namespace tamsel {

bool csvNeedsQuotes(std::string_view field);
// The field as the rule writes it.
void writeCsvField(ByteSink& out, std::string_view field);
// The field always in double quotes, inner quotes doubled.
void writeCsvQuoted(ByteSink& out, std::string_view field);

// A text read as a spreadsheet reads a typed number: blanks, an optional sign,
// digits with at most one decimal point, blanks; anything else is no number.
std::optional<double> plainNumber(std::string_view s);

}  // namespace tamsel

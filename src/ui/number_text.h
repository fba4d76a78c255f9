// The two ways the program reads a number out of a frequency field's text.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace tonegen {

// What the program makes of typed text when the field is left: leading
// blanks and tabs, one optional sign, then "$" hexadecimal, "%" binary or
// decimal digits up to the first non-digit; no digits give 0. A number
// beyond 64 bits saturates: the largest or, with a minus, the smallest
// 64-bit value, so a huge typed number lands on the top of any range.
std::int64_t text_to_number(std::string_view text);

// What the field itself takes as its value while the user types: an
// optional minus sign and decimal digits, nothing else, no more than 18
// characters, within min..max. Anything else is no value (the field keeps
// its last one).
std::optional<std::int64_t> whole_number_in_range(std::string_view text, std::int64_t min, std::int64_t max);

} // namespace tonegen

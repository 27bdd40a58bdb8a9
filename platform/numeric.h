#pragma once
// The numeric value of a text, as every option field and setting reads it: the decimal
// number the text begins with (optional sign, optional point), 0 when there is none.
#include <cstdint>
#include <optional>

#include "platform/text.h"

namespace pw {

// Leading blanks (space, tab, U+3000) are skipped; reading stops at the first character
// that cannot continue the number. No exponent, no hexadecimal.
double leadingValue(TextView s);

// Rounds to the nearest integer, halves to the even neighbour (2.5 -> 2, 3.5 -> 4).
// Returns nothing when the result does not fit in 32 bits: callers report it rather than wrap.
std::optional<std::int32_t> toLong32(double v);

// leadingValue followed by toLong32.
std::optional<std::int32_t> numericValue32(TextView s);

} // namespace pw

#pragma once
#include <cstdint>

#include "options/working_state.h"

namespace pw {

// The name of output file `index`: index 0 (or below) is the preamble, "(index)";
// otherwise the number index + lngStartNum - 1, zero-padded to lngNumWidth. With
// nameOnly the short name (小说01), otherwise the full path with ".txt", with a separator
// after strOutDir when it lacks one. Changes nothing.
Text MakeOutName(const WorkingState& state, std::int64_t index, bool nameOnly);

} // namespace pw

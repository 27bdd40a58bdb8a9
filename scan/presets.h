#pragma once
// Heading patterns for the common forms, so that nobody has to write a regular expression
// for 第…回 or "Chapter 12". The window offers them by their labels, the command line by id.
#include <span>
#include <string_view>

#include "platform/text.h"

namespace pw {

struct PatternPreset {
    const char* id;          // what --preset takes
    const char16_t* label;   // what the window's menu shows
    const char16_t* pattern; // what goes into the pattern field
};

std::span<const PatternPreset> patternPresets();
// Nullptr when no preset has that id.
const PatternPreset* findPreset(std::string_view id);

} // namespace pw

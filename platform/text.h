#pragma once
// Text helpers shared by every layer. Strings inside the core are UTF-16, like the
// window's own strings, so a text field round-trips without any conversion loss.
#include <cstdint>
#include <string>
#include <string_view>

namespace pw {

using Text = std::u16string;
using TextView = std::u16string_view;

constexpr char16_t kIdeographicSpace = u'\u3000';

// True for the characters that trimming removes: U+0020 and the ideographic space.
constexpr bool isTrimSpace(char16_t c) { return c == u' ' || c == kIdeographicSpace; }

// Removes U+0020 and U+3000 at both ends; tabs and line breaks stay.
Text trimSpaces(TextView s);

// The blanks of a line's UTF-8 text, the one definition the stages share: spaces, tabs and
// ideographic spaces (U+3000, which Chinese text indents with).
std::string_view trimBlanks(std::string_view utf8);
std::string_view trimLeadingBlanks(std::string_view utf8);
// Nothing but blanks (or nothing at all).
inline bool isBlankText(std::string_view utf8) { return trimBlanks(utf8).empty(); }

// Plain decimal without grouping, leading zeros or blanks ("-12", "0", "345").
Text decimal(std::int64_t n);

std::string toUtf8(TextView s);
Text fromUtf8(std::string_view s);
// True when `s` is well-formed UTF-8 throughout (fromUtf8 would replace nothing).
bool isValidUtf8(std::string_view s);

} // namespace pw

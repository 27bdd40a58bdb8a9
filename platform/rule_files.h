#pragma once
// What both kinds of shared rule files (legado's replace rules and its txtTocRule lists) need
// before and after their JSON is parsed: the file read within bounds, its nesting bounded, the
// names it gives made safe to print, and Java's regular-expression dialect made PCRE2's.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/text.h"

namespace pw {

// A rule list is a few hundred kilobytes; anything this long is no list a reader shares.
inline constexpr std::int64_t kRuleFileLimit = std::int64_t{16} << 20;
// Shared lists nest three deep; the bound keeps a parser's recursion far from the stack's end.
inline constexpr int kRuleNestingLimit = 64;

// The file's bytes, or why not, without the path ("不是普通文件", "文件太大（超过 16 MB）").
std::optional<Text> readRuleFile(TextView path, std::string& into);

// Whether JSON arrays and objects nest deeper than `limit` (brackets inside strings not counted).
bool nestedDeeperThan(std::string_view json, int limit);
// A refusal for a list that nests too deep, in the loaders' words.
Text tooDeepText();

// A name as it may be printed: control characters (ESC, line breaks, tabs) written as escapes
// (\n, \x1b), so a name in a file cannot move the cursor or hide text on the terminal.
std::string visibleName(std::string_view utf8);

// Java's syntax where PCRE2 reads it otherwise: \uXXXX as \x{XXXX} (when `unicodeEscapes`; a
// pattern compiled with ALT_BSUX reads \u itself), \p{IsHan} as \p{Han}, and a look-behind
// of one repeated item made fixed-length where that keeps its meaning: (?<=X{0,4}) always
// holds and goes, (?<=X{3,6}) holds exactly when (?<=X{3}) does.
std::string javaPatternToPcre(std::string_view java, bool unicodeEscapes);

} // namespace pw

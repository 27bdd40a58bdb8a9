#pragma once
// Heading patterns for the common forms, so that nobody has to write a regular expression
// for 第…回 or "Chapter 12". The window offers them by their labels, the command line by id.
// Each carries the pattern of its volumes' own lines, for the book's first level.
#include <optional>
#include <span>
#include <string_view>

#include "platform/text.h"

namespace pw {

struct PatternPreset {
    const char* id;                // what --preset takes
    const char16_t* label;         // what the window's menu shows
    const char16_t* pattern;       // what goes into the pattern field
    const char16_t* volumePattern; // the lines of its volumes, for a book
    const char16_t* example = u""; // a line it finds (rules read from a shared list carry one)
    bool automatic = true;         // tried by the automatic choice
    // The units of its chapters' numbers (章, 回…) for a preset of 第N headings; null for others.
    const char16_t* chapterUnits = nullptr;
};

// Built from the heading vocabulary once, then kept for the program's life.
std::span<const PatternPreset> patternPresets();
// Nullptr when no preset has that id.
const PatternPreset* findPreset(std::string_view id);
// The chapter rule that the automatic choice builds on a preset of 第N headings: its chapters
// behind at most two labels (正文, 第一季 第二卷 怒海潜沙 第一章), the unnumbered chapters
// (楔子, 尾声, 完本感言…) and, with `volumes`, the volumes' own lines (第一卷, 第六册), so that a
// volume pattern can tell them apart in the book. The preset's own pattern for other presets.
Text structuredPattern(const PatternPreset& p, bool volumes);
// The same with the volumes' lines of the words `volumeUnits` alone (卷, or 季 and 部…).
Text structuredPattern(const PatternPreset& p, std::u16string_view volumeUnits);
// The lines of the volumes that structuredPattern finds, without the chapters that name a volume:
// of every volume word, or of `units`.
Text structuredVolumePattern();
Text structuredVolumePattern(std::u16string_view units);
// The pattern with the unnumbered chapters (后记, 番外1, 正文 尾声) beside it: how the automatic choice
// widens a preset of other headings.
Text unnumberedBeside(TextView pattern);

// The presets of a bare number's line (1. 疯狂年代, 01, 一 青衫磊落险峰行, 二十、无极之维), and the forms
// such a line takes: the number alone (22), before its title (1. 疯狂年代, 27 伊文斯), or listed
// (1、目前国际研究动向). A novel writes its headings in one form; the items of its lists take another.
bool isBareNumberPreset(const PatternPreset& p);
enum class BareForm { Alone, Titled, Listed };
// The lines of preset `p` (numbered or hanzi) that have the form.
Text bareNumberPattern(const PatternPreset& p, BareForm form);
// The form of a line that a bare-number preset matched; none when it holds no such number.
std::optional<BareForm> bareFormOf(TextView line);

// The id that asks for the automatic choice, and the window's label for it.
inline constexpr std::string_view kAutoPresetId = "auto";
inline constexpr std::u16string_view kAutoPresetLabel = u"自动";

} // namespace pw

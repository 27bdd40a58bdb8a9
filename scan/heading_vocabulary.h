#pragma once
// The words headings are written in, kept in one place: the numerals of every style novels
// number their chapters in, the units after a number, the volume words and the markers of
// extras. The presets build their patterns from it, the analysis its character table, the
// book its default volume pattern, so that what a preset finds the analysis can read.
#include <string_view>

#include "platform/text.h"

namespace pw::vocabulary {

// The digits by value, in every style but Arabic (0-9 and full-width ０-９, which go by
// range): everyday, financial (simplified and traditional) and the variants found in print.
inline constexpr std::u16string_view kDigits[10] = {
    u"零〇○", u"一壹弌", u"二两兩贰貳貮弍", u"三叁參叄弎", u"四肆", u"五伍", u"六陆陸", u"七柒", u"八捌", u"九玖",
};
// The units by power of ten: 十 (1), 百 (2), 千 (3), 万 (4).
inline constexpr std::u16string_view kUnits[4] = {u"十拾", u"百佰", u"千仟", u"万萬"};
// Tens written as one character: 廿 20, 卅 30, 卌 40.
inline constexpr std::u16string_view kTens = u"廿卅卌";

// What may follow a heading's number: 章, 回, 节, 卷…
inline constexpr std::u16string_view kHeadingUnits = u"章回节節卷部集篇幕话話折册冊季";
// The units that hold chapters: a volume's.
inline constexpr std::u16string_view kVolumeUnits = u"卷部集篇册冊季幕";
// The volume words of the book's default volume pattern: the two that are never a chapter's.
inline constexpr std::u16string_view kBookVolumeUnits = u"卷部";
// The units of a chapter's own number, where a volume's are never found.
inline constexpr std::u16string_view kChapterUnits = u"章回节節话話";
// Lines that stand for a chapter without a number, before the story or after it.
inline constexpr std::u16string_view kUnnumbered[] = {u"序章", u"序言", u"楔子", u"引子", u"番外", u"尾声",
                                                      u"尾聲", u"后记", u"後記", u"终章", u"終章", u"完本感言"};
// Markers of extras: the chapters behind one are numbered anew (番外 第一章).
inline constexpr std::u16string_view kExtras[] = {u"番外", u"外传", u"外傳", u"后记", u"後記"};
// Opening brackets a heading may stand in, with their closing partners at the same place.
inline constexpr std::u16string_view kOpenBrackets = u"【〖「『[［";
inline constexpr std::u16string_view kCloseBrackets = u"】〗」』]］";

// A character class for a run of numerals in every style, Arabic and full-width included:
// "[0-9０-９零〇○一…]".
Text numeralClass();
// Blanks at a line's start, then an opening bracket if any: where presets anchor.
Text headingLead();
// The default pattern of a volume's own line: 第N卷, 第N部, 卷N, 部N at the line's start, and
// nothing on the line that names a chapter (第2卷 第4章 标题 is a chapter of volume 2).
Text volumeLinePattern();
// The same for the volume words `units` (of kVolumeUnits), with or without the line's opening
// bracket: 第一季, 第六册, 卷三; 第一部分 stays a part, not a volume, and 第七幕完 ends one.
Text volumeLinePattern(std::u16string_view units);
// A volume's label alone, unanchored: 第N季 (of `units`), 卷N, 部N.
Text volumeLabelPattern(std::u16string_view units);
// The unnumbered chapters of kUnnumbered as an alternation, each alone or before a title, and
// perhaps numbered among themselves (番外1, 番外三): "(序章|…)[numerals]*([ \t　：:·]|$)".
Text unnumberedPattern();

} // namespace pw::vocabulary

#pragma once
// What the heading analysis says to people, in one place: the window's tooltips and the
// command line's report use the same words.
#include <vector>

#include "platform/text.h"
#include "scan/heading_analysis.h"

namespace pw {

// The reasons in words, in bit order, joined by 、: "行太长、像句子".
Text reasonWords(SuspectReasons reasons);

// A chapter number as a heading writes it: "第57章", "第3回", "第2卷"; a bare number for
// "Chapter N" and numbered lines.
Text chapterNumberText(const ChapterNumber& n);

// Chapter numbers with their unit: "第57章", "第57、58章", "第57-60章" (runs of three or more
// as a range).
Text chapterNumbersText(const std::vector<std::int64_t>& numbers, char16_t unit);

// The number a heading carries, with the volume its line names: "第2卷 第14章", "第57章"; "无"
// when it carries none.
Text headingNumberText(const HeadingAnalysis& a, std::size_t i);

// A chapter published in parts, and the entries of its parts: "第60章分 2 部分：[61]、[62]".
Text chapterPartsText(const ChapterParts& p);

// A chapter's size: "12.3 KB，85 行" (bytes under 1 KB as "512 字节").
Text chapterSizeText(std::int64_t bytes, std::int64_t lines);

// One line for each gap and each repeat, in the order of the headings they concern:
// "缺号：[12] 第56章之后缺少第57章", "重号：第12章出现 2 次：[5]、[6]".
std::vector<Text> numberingLines(const HeadingAnalysis& a);

} // namespace pw

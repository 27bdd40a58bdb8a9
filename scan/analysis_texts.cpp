#include "scan/analysis_texts.h"

#include <algorithm>

namespace pw {

namespace {

Text entryRef(std::int64_t k) {
    Text t = u"[";
    t.append(decimal(k)).append(u"]");
    return t;
}

// "57", "57、58", "57-60": runs of three or more as a range.
Text numberList(const std::vector<std::int64_t>& ns) {
    Text t;
    for (std::size_t i = 0; i < ns.size();) {
        std::size_t j = i;
        while (j + 1 < ns.size() && ns[j + 1] == ns[j] + 1)
            ++j;
        if (!t.empty()) t.append(u"、");
        t.append(decimal(ns[i]));
        if (j - i >= 2) {
            t.append(u"-").append(decimal(ns[j]));
        } else if (j == i + 1) {
            t.append(u"、").append(decimal(ns[j]));
        }
        i = j + 1;
    }
    return t;
}

// 第 + numbers + unit for the units a heading writes after 第; the numbers alone otherwise.
Text numbersWithUnit(char16_t unit, const Text& numbers) {
    if (unit == u'#' || unit == u'C') return numbers;
    Text t = u"第";
    t.append(numbers);
    if (unit != u'第') t.push_back(unit);
    return t;
}

} // namespace

Text reasonWords(SuspectReasons reasons) {
    static constexpr std::pair<SuspectReason, const char16_t*> kWords[] = {
        {kSuspectLong, u"行太长"},   {kSuspectNotAtStart, u"不在行首"}, {kSuspectSentence, u"像句子"},
        {kSuspectTiny, u"本章过短"}, {kSuspectContents, u"目录"},       {kSuspectCopy, u"重复的标题"},
    };
    Text t;
    for (const auto& [bit, word] : kWords) {
        if (!(reasons & bit)) continue;
        if (!t.empty()) t.append(u"、");
        t.append(word);
    }
    return t;
}

Text chapterNumberText(const ChapterNumber& n) {
    return numbersWithUnit(n.unit, decimal(n.value));
}

Text chapterNumbersText(const std::vector<std::int64_t>& numbers, char16_t unit) {
    return numbersWithUnit(unit, numberList(numbers));
}

Text chapterSizeText(std::int64_t bytes, std::int64_t lines) {
    Text t;
    if (bytes < 1024) {
        t = decimal(bytes) + u" 字节";
    } else {
        const std::int64_t tenths = (bytes * 10 + 512) / 1024;
        t = decimal(tenths / 10) + u"." + decimal(tenths % 10) + u" KB";
    }
    return t + u"，" + decimal(lines) + u" 行";
}

Text headingNumberText(const HeadingAnalysis& a, std::size_t i) {
    const HeadingFacts& h = a.headings[i];
    if (!h.hasNumber()) return u"无";
    const auto volume = a.volumeOf(i);
    return volume ? chapterNumberText(*volume) + u" " + chapterNumberText(h.number) : chapterNumberText(h.number);
}

Text chapterPartsText(const ChapterParts& p) {
    Text t = numbersWithUnit(p.unit, decimal(p.number)) + u"分 " +
             decimal(static_cast<std::int64_t>(p.headings.size())) + u" 部分：";
    for (std::size_t i = 0; i < p.headings.size(); ++i)
        t.append(i ? u"、" : u"").append(entryRef(p.headings[i]));
    return t;
}

std::vector<Text> numberingLines(const HeadingAnalysis& a) {
    std::vector<std::pair<std::int64_t, Text>> lines;
    // Without a unit of their own, the numbers are those of the heading they name.
    const auto unitOf = [&](char16_t unit, std::int64_t k) {
        return unit ? unit : a.headings[static_cast<std::size_t>(k - 1)].number.unit;
    };
    for (const NumberGap& g : a.gaps) {
        const char16_t unit = unitOf(g.unit, g.after);
        lines.emplace_back(g.after, u"缺号：" + entryRef(g.after) + u" " +
                                        numbersWithUnit(unit, decimal(g.afterNumber)) + u"之后缺少" +
                                        numbersWithUnit(unit, numberList(g.missing)));
    }
    for (const NumberRepeat& r : a.repeats) {
        Text t = u"重号：" + numbersWithUnit(unitOf(r.unit, r.headings.front()), decimal(r.number)) + u"出现 " +
                 decimal(static_cast<std::int64_t>(r.headings.size())) + u" 次：";
        for (std::size_t i = 0; i < r.headings.size(); ++i)
            t.append(i ? u"、" : u"").append(entryRef(r.headings[i]));
        lines.emplace_back(r.headings.front(), std::move(t));
    }
    std::stable_sort(lines.begin(), lines.end(), [](const auto& x, const auto& y) { return x.first < y.first; });
    std::vector<Text> out;
    for (auto& l : lines)
        out.push_back(std::move(l.second));
    return out;
}

} // namespace pw

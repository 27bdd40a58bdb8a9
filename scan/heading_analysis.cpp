#include "scan/heading_analysis.h"

#include <algorithm>
#include <bit>
#include <limits>
#include <unordered_map>

#include "scan/heading_vocabulary.h"

namespace pw {

namespace {

// Every matched line is judged while the scan runs, so each character is classified with one
// look-up rather than a search of several short lists.
enum CharClass : std::uint16_t {
    kDigitBits = 0x000F,   // the digit's value + 1, for every kind of digit; 0 for none
    kUnitBits = 0x0070,    // 1 十, 2 百, 3 千, 4 万; 5 廿, 6 卅, 7 卌 (shifted by 4)
    kArabicDigit = 0x0080, // 0-9 and full-width ０-９
    kBlankChar = 0x0100,
    kHeadingUnit = 0x0200, // what comes after a heading's number
    kSeparator = 0x0400,   // what may stand between a heading's number (or unit) and its title
    kSentenceEnd = 0x0800, // punctuation that ends a sentence
    kClosing = 0x1000,     // what may close a title's last sentence (its own ！ or ？, quotes)
    kComma = 0x2000,
    kLowSurrogate = 0x4000, // the second half of a supplementary character
    kVolumeUnit = 0x8000,   // a heading unit that holds chapters: 卷, 部, 集…
};

struct CharTable {
    std::uint16_t cls[0x10000] = {};

    constexpr void mark(std::u16string_view chars, std::uint16_t bits) {
        for (const char16_t c : chars)
            cls[c] |= bits;
    }
    constexpr CharTable() {
        namespace v = vocabulary;
        for (char16_t d = 0; d < 10; ++d) {
            cls[u'0' + d] |= static_cast<std::uint16_t>(kArabicDigit | (d + 1));
            cls[u'０' + d] |= static_cast<std::uint16_t>(kArabicDigit | (d + 1));
        }
        for (std::uint16_t d = 0; d < 10; ++d)
            mark(v::kDigits[d], static_cast<std::uint16_t>(d + 1));
        for (std::uint16_t u = 0; u < 4; ++u)
            mark(v::kUnits[u], static_cast<std::uint16_t>((u + 1) << 4));
        for (std::uint16_t u = 0; u < v::kTens.size(); ++u)
            mark(v::kTens.substr(u, 1), static_cast<std::uint16_t>((u + 5) << 4));
        mark(u" \t\u3000", kBlankChar);
        mark(v::kHeadingUnits, kHeadingUnit);
        mark(v::kVolumeUnits, kVolumeUnit);
        mark(u" \t\u3000:：、.．,，-—·・_【[（(「『《", kSeparator);
        mark(v::kCloseBrackets, kSeparator);
        // At the very end of a title these may be the title's own ("第十章 这是什么？").
        mark(u"。！？!?；;…", kSentenceEnd);
        mark(u"。！？!?…”’」』）)】》\"'～~", kClosing);
        mark(v::kCloseBrackets, kClosing);
        mark(u"，,", kComma);
        for (char16_t c = 0xDC00; c <= 0xDFFF; ++c)
            cls[c] |= kLowSurrogate;
    }
};

constexpr CharTable kChars;

constexpr std::uint16_t classOf(char16_t c) {
    return kChars.cls[c];
}

bool isBlank(char16_t c) {
    return classOf(c) & kBlankChar;
}

// 0-9 for a digit of any kind (Arabic, full-width, Chinese and its formal forms), else -1.
int digitOf(char16_t c) {
    return static_cast<int>(classOf(c) & kDigitBits) - 1;
}

bool isArabic(char16_t c) {
    return classOf(c) & kArabicDigit;
}

// The multiplier of a Chinese unit numeral, else 0.
std::int64_t unitOf(char16_t c) {
    static constexpr std::int64_t kUnits[] = {0, 10, 100, 1000, 10000, 0, 0, 0};
    return kUnits[(classOf(c) & kUnitBits) >> 4];
}

// The value of 廿, 卅 or 卌 (tens written as one character), else 0.
std::int64_t tensOf(char16_t c) {
    static constexpr std::int64_t kTensValues[] = {0, 0, 0, 0, 0, 20, 30, 40};
    return kTensValues[(classOf(c) & kUnitBits) >> 4];
}

bool isNumeral(char16_t c) {
    return classOf(c) & (kDigitBits | kUnitBits);
}

bool isHeadingUnit(char16_t c) {
    return classOf(c) & kHeadingUnit;
}

bool isVolumeUnit(char16_t c) {
    return classOf(c) & kVolumeUnit;
}

bool isTitleSeparator(char16_t c) {
    return classOf(c) & kSeparator;
}

bool isClosing(char16_t c) {
    return classOf(c) & kClosing;
}

std::size_t skipBlanks(TextView s, std::size_t i) {
    while (i < s.size() && isBlank(s[i]))
        ++i;
    return i;
}

// Characters, not UTF-16 units: a supplementary character counts once.
std::size_t characters(TextView s) {
    std::size_t n = 0;
    for (char16_t c : s)
        n += (classOf(c) & kLowSurrogate) == 0;
    return n;
}

struct Parsed {
    ChapterNumber number;
    std::size_t end = 0;    // after the number, its unit and any blanks before the unit
    bool firstForm = false; // a 第… form
    bool unitFollows = false;
    bool padded = false; // written with leading zeros (第001章): a heading's form, never prose's
};

// The run of numerals from `from` on, read as it is found: where it ends, and its value (see
// numeralValue), or -1 when it has none. One pass over the characters for most numbers, since
// every matched line's number is read while the scan runs.
struct NumeralRun {
    std::size_t end = 0;
    std::int64_t value = -1;
};

constexpr std::int64_t kLargestNumeral = 1'000'000'000'000'000LL;

// The value of a run that holds units (一百零八, 十二, 两千零三, 三万五千), or -1 when it is too large.
std::int64_t unitReading(TextView run) {
    constexpr std::int64_t kMax = kLargestNumeral;
    std::int64_t total = 0, section = 0, digit = 0;
    for (char16_t c : run) {
        if (const std::int64_t tens = tensOf(c)) {
            section += tens;
            digit = 0;
            continue;
        }
        if (const std::int64_t u = unitOf(c)) {
            if (u == 10000) {
                // Checked before it is multiplied: past kMax it would overflow, not just be large.
                if (total + section + digit > kMax / 10000) return -1;
                total = (total + section + digit) * 10000;
                if (total == 0) total = 10000;
                section = 0;
            } else {
                section += (digit ? digit : 1) * u;
            }
            digit = 0;
        } else {
            digit = digitOf(c);
        }
        if (total > kMax) return -1;
    }
    return total + section + digit;
}

[[gnu::always_inline]] inline NumeralRun readNumeralRun(TextView s, std::size_t from) {
    // The classes that any numeral of the run has, and that all of them have: a run that mixes
    // Arabic digits with Chinese numerals (digits or units) has the Arabic class in the one but
    // not in the other.
    std::uint16_t any = 0, all = 0xFFFF;
    bool tooLarge = false;
    // Read digit by digit on the way (123, １２３, 一○○, 一一): most numbers have no unit.
    std::int64_t v = 0;
    std::size_t i = from;
    for (; i < s.size(); ++i) {
        const std::uint16_t k = classOf(s[i]);
        if ((k & (kDigitBits | kUnitBits)) == 0) break;
        any |= k;
        all &= k;
        tooLarge |= v > kLargestNumeral;
        // A unit has no digit of its own; with units this reading is not used.
        const int digit = static_cast<int>(k & kDigitBits) - 1;
        v = !tooLarge && digit >= 0 ? v * 10 + digit : v;
    }
    NumeralRun r;
    r.end = i;
    const bool units = (any & kUnitBits) != 0;
    if (i == from || ((any & kArabicDigit) && !(all & kArabicDigit))) return r;
    if (!units) {
        if (!tooLarge) r.value = v;
        return r;
    }
    r.value = unitReading(s.substr(from, i - from));
    return r;
}

[[gnu::always_inline]] inline std::optional<Parsed> numberAt(TextView s, std::size_t at, char16_t unit) {
    const std::size_t b = skipBlanks(s, at);
    const NumeralRun run = readNumeralRun(s, b);
    if (run.value < 0 || run.value > std::numeric_limits<std::int32_t>::max()) return std::nullopt;
    Parsed p;
    p.number = {static_cast<std::int32_t>(run.value), unit};
    p.end = run.end;
    p.padded = run.end - b >= 2 && (s[b] == u'0' || s[b] == u'０');
    return p;
}

// 第 at `at`, its number, and the unit after it if one follows.
[[gnu::always_inline]] inline std::optional<Parsed> firstFormAt(TextView s, std::size_t at) {
    auto p = numberAt(s, at + 1, u'第');
    if (!p) return std::nullopt;
    p->firstForm = true;
    const std::size_t u = skipBlanks(s, p->end);
    if (u < s.size() && isHeadingUnit(s[u])) {
        p->number.unit = s[u];
        p->unitFollows = true;
        p->end = u + 1;
    }
    return p;
}

std::optional<Parsed> parseAt(TextView s, std::size_t from) {
    const std::size_t start = skipBlanks(s, from);
    const auto numberFrom = [&](std::size_t at, char16_t unit) { return numberAt(s, at, unit); };
    // Forms that open the line: 卷二, 部三, Chapter 12, 001. Most headings open with their 第
    // instead, and skip these.
    if (start < s.size() && s[start] != u'第') {
        if (s[start] == u'卷' || s[start] == u'部') {
            if (auto p = numberFrom(start + 1, s[start])) return p;
        }
        static constexpr char16_t chapter[] = u"chapter";
        if (s.size() - start > 7) {
            bool word = true;
            for (std::size_t i = 0; i < 7 && word; ++i)
                word = (s[start + i] | 0x20) == chapter[i];
            if (word && isBlank(s[start + 7]))
                if (auto p = numberFrom(start + 7, u'C'); p && isArabic(s[skipBlanks(s, start + 7)])) return p;
        }
        // Part N, glued or not (part1, Part 12): read as Chapter N is.
        if (s.size() - start > 4 && (s[start] | 0x20) == u'p' && (s[start + 1] | 0x20) == u'a' &&
            (s[start + 2] | 0x20) == u'r' && (s[start + 3] | 0x20) == u't')
            if (auto p = numberFrom(start + 4, u'C'); p && isArabic(s[skipBlanks(s, start + 4)])) return p;
        if (isArabic(s[start])) return numberFrom(start, u'#');
        // A Chinese number alone or before its title (一 青衫磊落险峰行, 二十、无极之维, 五十八): read
        // as a bare number, so that its copies and its sequence can be told. Not the start of a
        // word (十年后…).
        if (isNumeral(s[start])) {
            const NumeralRun run = readNumeralRun(s, start);
            if (run.end == s.size() || isTitleSeparator(s[run.end]))
                if (auto p = numberFrom(start, u'#')) return p;
        }
    }
    // 第…: the first one with a number after it.
    for (std::size_t at = s.find(u'第', start); at != TextView::npos; at = s.find(u'第', at + 1))
        if (auto p = firstFormAt(s, at)) return p;
    return std::nullopt;
}

// Whether `t` may be the title of a volume named on a chapter's line (第1卷 江湖 第4章): short,
// and no clause or sentence in it.
bool isVolumeTitle(TextView t) {
    constexpr std::size_t kLongVolumeTitle = 16;
    for (char16_t c : t)
        if (classOf(c) & (kSentenceEnd | kComma)) return false;
    return characters(t) <= kLongVolumeTitle;
}

// The chapter of a line that names its volume first (第1卷 江湖 第4章, 卷二 第12回, 第一季 第二卷
// 怒海潜沙 第一章), read after the volume's number: the first 第 with a chapter's unit, behind at
// most a short title and other volumes. The innermost volume named on the way goes to `volume`.
std::optional<Parsed> chapterAfterVolume(TextView s, std::size_t from, ChapterNumber& volume) {
    std::size_t titleFrom = from;
    for (std::size_t at = s.find(u'第', from); at != TextView::npos; at = s.find(u'第', at + 1)) {
        if (!isVolumeTitle(s.substr(titleFrom, at - titleFrom))) return std::nullopt;
        const auto p = firstFormAt(s, at);
        if (p && p->unitFollows && !isVolumeUnit(p->number.unit)) return p;
        if (p && p->unitFollows) {
            volume = p->number;
            titleFrom = p->end;
        }
    }
    return std::nullopt;
}

bool isLabelGap(char16_t c) {
    return isBlank(c) || c == u'：' || c == u':' || c == u'·' || c == u'・' || c == u'-' || c == u'—' || c == u'_';
}

// The labels that download sites and web authors put before a chapter's 第. Compared without
// regard to case (VIP, vip).
bool isLabelWord(TextView w) {
    static constexpr std::u16string_view kLabels[] = {u"正文",    u"正文卷", u"vip",  u"vip卷", u"vip章节",
                                                      u"vip章節", u"番外",   u"外传", u"外傳"};
    if (w.size() > 5) return false;
    char16_t folded[5];
    for (std::size_t i = 0; i < w.size(); ++i)
        folded[i] = w[i] < 0x80 ? static_cast<char16_t>(w[i] | 0x20) : w[i];
    const std::u16string_view f(folded, w.size());
    return std::find(std::begin(kLabels), std::end(kLabels), f) != std::end(kLabels);
}

// Whether what stands before a heading's match is a label (正文, 正文卷, VIP卷, VIP章节, 番外, 卷一,
// 第一卷 and its title) rather than prose: only such words, apart or glued, and short. The
// volume a label names goes to `volume`.
bool isLabelPrefix(TextView prefix, std::optional<ChapterNumber>& volume) {
    constexpr std::size_t kLongLabel = 24;
    if (prefix.size() > 2 * kLongLabel || characters(prefix) > kLongLabel) return false;
    std::optional<ChapterNumber> named;
    bool titleMayFollow = false; // after a volume, one word may be its title
    for (std::size_t i = 0; i < prefix.size();) {
        if (isLabelGap(prefix[i])) {
            ++i;
            continue;
        }
        std::size_t e = i;
        while (e < prefix.size() && !isLabelGap(prefix[e]))
            ++e;
        TextView word = prefix.substr(i, e - i);
        i = e;
        // A label glued to its heading (正文第19章), or the book's title that a download sets
        // before every heading (《血色浪漫》第一章(1)).
        if (isLabelWord(word) || (word.size() > 2 && word.front() == u'《' && word.back() == u'》')) {
            titleMayFollow = false;
            continue;
        }
        std::optional<Parsed> v;
        if (word.front() == u'卷') {
            v = numberAt(word, 1, u'卷');
        } else if (word.front() == u'第') {
            v = firstFormAt(word, 0);
            if (v && !isVolumeUnit(v->number.unit)) v.reset();
        }
        if (v) {
            named = v->number;
            word.remove_prefix(v->end);
            titleMayFollow = word.empty();
            if (word.empty() || isVolumeTitle(word)) continue;
            return false;
        }
        if (!titleMayFollow || !isVolumeTitle(word)) return false;
        titleMayFollow = false;
    }
    if (named) volume = named;
    return true;
}

// The part that the end of a chapter's title marks: （上） 1, （中） 2, （下） 3, (2), （二） and 之二
// 2, and 上 / 中 / 下 standing apart; 0 for none. And how many units the mark takes.
struct PartMark {
    std::uint8_t part = 0;
    std::size_t length = 0;
};

PartMark partMark(TextView rest) {
    constexpr std::int64_t kMostParts = 99;
    const auto upDown = [](TextView w) -> std::uint8_t {
        if (w.size() != 1) return 0;
        return w[0] == u'上' ? 1 : w[0] == u'中' ? 2 : w[0] == u'下' ? 3 : 0;
    };
    const auto numbered = [](TextView w) -> std::uint8_t {
        const auto v = numeralValue(w);
        return v && *v >= 1 && *v <= kMostParts ? static_cast<std::uint8_t>(*v) : 0;
    };
    if (rest.empty()) return {};
    const char16_t last = rest.back();
    if (last == u'）' || last == u')') {
        const std::size_t open = rest.find_last_of(u"（(");
        if (open == TextView::npos) return {};
        const TextView w = rest.substr(open + 1, rest.size() - open - 2);
        return {upDown(w) ? upDown(w) : numbered(w), rest.size() - open};
    }
    if (isNumeral(last)) {
        // 之一 … 之九十九
        const std::size_t zhi = rest.find_last_of(u'之');
        if (zhi == TextView::npos || rest.size() - zhi > 4) return {};
        return {numbered(rest.substr(zhi + 1)), rest.size() - zhi};
    }
    if (rest.size() >= 2 && isTitleSeparator(rest[rest.size() - 2])) return {upDown(rest.substr(rest.size() - 1)), 1};
    return {};
}

// A title after the number reads as prose: sentence punctuation before its end, a clause that
// ends a sentence, a 第 number followed by something that is no unit (第一是…, 第四本书…), or a
// long clause glued to the unit. Couplet titles hold a comma after a separator and stay headings;
// so do short titles set apart from the number (第12章 来吧，决战！) and titles of a few short
// cries (第086章不！可！能！): a sentence that mentions a chapter goes on longer, or follows the
// number with a comma (第七十七回，他已经读过三遍了。). A number read with a decimal point or a
// date's (1989.03.21) is no heading's either.
enum class Prose : std::uint8_t { No, Maybe, Sure };

Prose readsAsSentence(TextView t, const std::optional<Parsed>& p) {
    constexpr std::size_t kShortTitle = 20, kShortCries = 12, kShortCry = 4;
    std::size_t restFrom = 0;
    if (p) {
        if (p->firstForm && !p->unitFollows) {
            const std::size_t next = p->end;
            if (next < t.size() && !isTitleSeparator(t[next])) return Prose::Sure;
        }
        restFrom = p->end;
        if (p->number.unit == u'#' && restFrom + 1 < t.size() && (t[restFrom] == u'.' || t[restFrom] == u'．') &&
            isArabic(t[restFrom + 1]))
            return Prose::Maybe;
    }
    TextView rest = t.substr(std::min(restFrom, t.size()));
    const bool setApart = p && !rest.empty() && isTitleSeparator(rest.front()) && !(classOf(rest.front()) & kComma);
    // Behind any closing quotes and brackets, the line ends a sentence.
    std::size_t end = rest.size();
    while (end > 0 && isClosing(rest[end - 1]) && !(classOf(rest[end - 1]) & kSentenceEnd))
        --end;
    const bool endsSentence = end > 0 && (classOf(rest[end - 1]) & kSentenceEnd);
    while (!rest.empty() && isClosing(rest.back()))
        rest.remove_suffix(1);
    std::uint16_t seen = 0;
    std::size_t restChars = 0;           // as characters() counts them, in the same pass
    std::size_t cry = 0, longestCry = 0; // the runs between commas and marks
    for (char16_t c : rest) {
        const std::uint16_t k = classOf(c);
        seen |= k;
        restChars += (k & kLowSurrogate) == 0;
        cry = (k & (kSentenceEnd | kComma)) ? 0 : cry + ((k & kLowSurrogate) == 0);
        longestCry = std::max(longestCry, cry);
    }
    // 。 or ； inside: one sentence ended and another began. Looked for only when it decides.
    const auto fullStop = [&] { return rest.find_first_of(u"。；;") != TextView::npos; };
    const bool cries = p && p->unitFollows && restChars <= kShortCries && longestCry <= kShortCry &&
                       rest.find_first_of(u"。；;…") == TextView::npos;
    // A number padded with zeros (第099章你赢了，我也没有输？) is a heading's way of writing it: a
    // short title behind one is the title's own question or cry.
    const bool padded = p && p->padded && p->unitFollows && restChars <= kShortTitle;
    const bool shortTitle = cries || padded || (setApart && restChars <= kShortTitle + 1);
    if ((seen & kSentenceEnd) && !(shortTitle && !fullStop())) return Prose::Maybe;
    // Going on after a comma to the end of a sentence: 第七十七回，他已經讀過三遍了。 A couplet
    // title has its comma but no end.
    if ((seen & kComma) && endsSentence && !shortTitle)
        return (classOf(rest.front()) & kComma) ? Prose::Sure : Prose::Maybe;
    const bool glued = !rest.empty() && !isTitleSeparator(rest.front());
    // A clause glued to the number, on past a comma: 第四回中既將薛家母子…，此回則…
    return glued && (seen & kComma) && restChars >= 15 ? Prose::Sure : Prose::No;
}

// The heading without a tag that a site or an uploader set after it, apart and in brackets
// (第十二章　在遇海月 [更多精彩，更多好书，尽在…], 第3章 风起 【求月票】): a long line is prose
// only by its own words, and a tag says nothing of them. Looked for after the number, `from`.
TextView withoutTag(TextView t, std::size_t from) {
    for (std::size_t i = std::max<std::size_t>(from, 1); i < t.size(); ++i) {
        const char16_t c = t[i];
        if ((c == u'[' || c == u'［' || c == u'【' || c == u'〖' || c == u'(' || c == u'（') && isBlank(t[i - 1])) {
            std::size_t end = i;
            while (end > 0 && isBlank(t[end - 1]))
                --end;
            return t.substr(0, end);
        }
    }
    return t;
}

// Whether the line opens extras: 番外, 外传, 后记 at its start.
bool opensExtras(TextView t) {
    if (t.empty() || (t[0] != u'番' && t[0] != u'外' && t[0] != u'后' && t[0] != u'後')) return false;
    for (const std::u16string_view w : vocabulary::kExtras)
        if (t.starts_with(w)) return true;
    return false;
}

// What tells a heading's copy from another heading, besides its number, unit and part: its
// length and first character. Cheap, since every matched line gets one; a table of contents
// writes its headings as the chapters do.
// [b, e) is the line without blanks at either end.
std::uint32_t textKey(TextView line, std::size_t b, std::size_t e) {
    const std::uint32_t length = static_cast<std::uint32_t>(std::min<std::size_t>(e - b, 0xFFFF));
    return length << 16 | (b < e ? line[b] : 0u);
}

} // namespace

std::optional<std::int64_t> numeralValue(TextView run) {
    const NumeralRun r = readNumeralRun(run, 0);
    if (r.end != run.size() || r.value < 0) return std::nullopt;
    return r.value;
}

std::optional<ChapterNumber> parseChapterNumber(TextView line, std::size_t from) {
    if (auto p = parseAt(line, std::min(from, line.size()))) return p->number;
    return std::nullopt;
}

std::vector<const char*> suspectCodes(SuspectReasons reasons) {
    std::vector<const char*> out;
    if (reasons & kSuspectLong) out.push_back("long");
    if (reasons & kSuspectNotAtStart) out.push_back("not_at_start");
    if (reasons & kSuspectSentence) out.push_back("sentence");
    if (reasons & kSuspectTiny) out.push_back("tiny");
    if (reasons & kSuspectContents) out.push_back("contents");
    if (reasons & kSuspectCopy) out.push_back("copy");
    return out;
}

namespace {

// judgeHeadingLine, and the line's key for flagContents (see textKey) from the same trim.
HeadingFacts judgeLine(TextView line, std::size_t matchStart, std::optional<ChapterNumber>* volumeOut,
                       std::uint32_t* key) {
    HeadingFacts f;
    std::size_t b = 0, e = line.size();
    while (b < e && isBlank(line[b]))
        ++b;
    while (e > b && isBlank(line[e - 1]))
        --e;
    if (key) *key = textKey(line, b, e);
    // A heading set in brackets (【第12章 来吧】, 「第三回」): the brackets are no prose around it.
    // The brackets are 【〖「『 (U+300C to U+3016), [ and ［: most lines start with none of them.
    const auto mayOpen = [](char16_t c) { return (c >= u'「' && c <= u'〖') || c == u'[' || c == u'［'; };
    if (const std::size_t kind = b < e && mayOpen(line[b]) ? vocabulary::kOpenBrackets.find(line[b]) : TextView::npos;
        kind != TextView::npos) {
        ++b;
        if (e > b && line[e - 1] == vocabulary::kCloseBrackets[kind]) --e;
        while (b < e && isBlank(line[b]))
            ++b;
        while (e > b && isBlank(line[e - 1]))
            --e;
    }
    const TextView t = line.substr(b, e - b);
    matchStart = std::min(matchStart, line.size());
    // Read the number where the match is, so that 他说第三章… yields 3 rather than nothing.
    const std::size_t at = matchStart > b ? std::min(matchStart - b, t.size()) : 0;
    auto parsed = parseAt(t, at);
    std::optional<ChapterNumber> volume;
    // 第1卷 江湖 第4章 is chapter 4 (of volume 1), wherever the match began.
    if (parsed && isVolumeUnit(parsed->number.unit)) {
        ChapterNumber innermost = parsed->number;
        if (auto chapter = chapterAfterVolume(t, parsed->end, innermost)) {
            volume = innermost;
            parsed = chapter;
        }
    }
    if (parsed) f.number = parsed->number;
    // Every character is one or two units: only lines in between need counting.
    const std::size_t longAt = HeadingAnalyzer::kLongLine;
    if (const TextView own = withoutTag(t, parsed ? parsed->end : 0);
        own.size() >= 2 * longAt || (own.size() >= longAt && characters(own) >= longAt))
        f.suspect |= kSuspectLong;
    // A label before the match makes a heading (正文 第19章, 第1卷 江湖 第4章); prose makes a suspect.
    if (at > 0 && !isLabelPrefix(t.substr(0, at), volume)) f.suspect |= kSuspectNotAtStart;
    // The title is judged without its part mark: 第7章 天亮了。（下） is 天亮了。 in parts.
    TextView judged = t;
    if (parsed && parsed->end <= t.size()) {
        const PartMark mark = partMark(t.substr(parsed->end) /* after the number and unit */);
        f.part = mark.part;
        if (mark.part != 0) {
            judged.remove_suffix(mark.length);
            while (judged.size() > parsed->end && isBlank(judged.back()))
                judged.remove_suffix(1);
        }
    }
    const Prose prose = readsAsSentence(judged, parsed);
    if (prose != Prose::No) f.suspect |= kSuspectSentence;
    // Prose before the match and prose after it, or a long line that reads as a sentence: a
    // paragraph that mentions a chapter or starts with a number (五、六点钟，夏天，雨后的太阳很干净…,
    // 2.〉“重修，只是重修而已，除非特殊情况，……”).
    f.sure = prose == Prose::Sure || (prose == Prose::Maybe && (f.suspect & (kSuspectNotAtStart | kSuspectLong)));
    f.extras = opensExtras(t);
    if (volume) {
        f.withVolume = 1;
        if (volumeOut) *volumeOut = volume;
    }
    return f;
}

} // namespace

HeadingFacts judgeHeadingLine(TextView line, std::size_t matchStart, std::optional<ChapterNumber>* volumeOut) {
    return judgeLine(line, matchStart, volumeOut, nullptr);
}

std::int64_t HeadingAnalysis::chapterBytes(std::size_t i) const {
    return (i + 1 < headings.size() ? headings[i + 1].offset : fileSize) - headings[i].offset;
}

std::int64_t HeadingAnalysis::chapterLines(std::size_t i) const {
    return (i + 1 < headings.size() ? headings[i + 1].line : lines + 1) - headings[i].line;
}

std::optional<ChapterNumber> HeadingAnalysis::volumeOf(std::size_t i) const {
    if (i >= headings.size() || !headings[i].withVolume) return std::nullopt;
    const auto it = std::upper_bound(lineVolumes.begin(), lineVolumes.end(), i,
                                     [](std::size_t x, const auto& v) { return x < v.first; });
    if (it == lineVolumes.begin()) return std::nullopt;
    return std::prev(it)->second;
}

const ChapterParts* HeadingAnalysis::partsOf(std::size_t i) const {
    const auto k = static_cast<std::int64_t>(i) + 1;
    const auto it = std::upper_bound(parts.begin(), parts.end(), k,
                                     [](std::int64_t x, const ChapterParts& p) { return x < p.headings.front(); });
    if (it == parts.begin()) return nullptr;
    const ChapterParts& p = *std::prev(it);
    return std::binary_search(p.headings.begin(), p.headings.end(), k) ? &p : nullptr;
}

std::int64_t HeadingAnalysis::suspectCount() const {
    return std::count_if(headings.begin(), headings.end(), [](const HeadingFacts& h) { return h.suspect != 0; });
}

void HeadingAnalyzer::closeRun(std::size_t last) {
    if (last + 1 - m_runStart >= kShortestContents) m_closeRuns.emplace_back(m_runStart, last);
}

void HeadingAnalyzer::add(TextView line, std::size_t matchStart, std::int64_t lineNumber, std::int64_t offset) {
    // Runs of headings with next to no text between them are found here, while the heading
    // before is at hand, rather than by another walk over all of them when the scan ends.
    const std::optional<std::uint32_t> keyBefore =
        m_textKeys.empty() ? std::nullopt : std::optional<std::uint32_t>(m_textKeys.back());
    if (const std::size_t k = m_result.headings.size(); k > 0) {
        const HeadingFacts& before = m_result.headings.back();
        if (lineNumber - before.line > kCloseLines || offset - before.offset > kCloseBytes) {
            closeRun(k - 1);
            m_runStart = k;
            // Until a run is long enough to be a table of contents, the keys of those before
            // are never looked at: most books have no such run, and keep no keys.
            if (m_closeRuns.empty()) {
                m_textKeys.clear();
                m_keysFrom = k;
            }
        }
    }
    std::optional<ChapterNumber> volume;
    std::uint32_t key = 0;
    HeadingFacts f = judgeLine(line, matchStart, &volume, &key);
    // Kept only where it changes: a web novel may name the volume on every chapter's line.
    auto& volumes = m_result.lineVolumes;
    if (volume && (volumes.empty() || volumes.back().second != *volume))
        volumes.emplace_back(m_result.headings.size(), *volume);
    f.line = lineNumber;
    f.offset = offset;
    // A heading written again a line or two further on (二十 three times, 一、写作之夜 around an
    // advert, part34 around an author's note): the copies after the first are no chapters, and the
    // book leaves them out, as lines of the chapter they repeat the heading of.
    // So is one a run of blank lines further on (第二章, a dozen blank or space-only lines, 第二章
    // again, centred): bytes too few to hold any text between.
    constexpr std::int64_t kCopyLines = 6, kBlankGapBytes = 160;
    if (!m_result.headings.empty()) {
        const HeadingFacts& before = m_result.headings.back();
        const std::int64_t gap = offset - before.offset;
        const bool close = gap <= kCloseBytes && (lineNumber - before.line <= kCopyLines || gap <= kBlankGapBytes);
        const bool same = before.hasNumber() || f.hasNumber()
                              ? before.number == f.number && before.part == f.part && f.hasNumber()
                              : keyBefore == key;
        if (close && same && (before.suspect == 0 || before.suspect == kSuspectCopy) && f.suspect == 0) {
            f.suspect = kSuspectCopy;
            f.sure = 1;
        }
    }
    m_result.headings.push_back(f);
    m_textKeys.push_back(key);
}

namespace {

// A table of contents inside the text: a block of matched lines with next to no text between
// them, listing headings that come again later in the file. Its lines are compared with the
// headings after the block by their text (blanks aside) or, when the block writes them otherwise,
// by their numbers.
// `blocks` are the runs of close headings (HeadingAnalyzer::add finds them).
// `lineKeys` from heading index `keysFrom` on, at least from the first block.
void flagContents(std::deque<HeadingFacts>& hs, const std::vector<std::uint32_t>& lineKeys, std::size_t keysFrom,
                  const std::vector<std::pair<std::size_t, std::size_t>>& blocks) {
    constexpr std::size_t kShortestBlock = HeadingAnalyzer::kShortestContents;
    const std::size_t n = hs.size();
    if (blocks.empty()) return;
    // A heading's text as far as it is told: its line's key with its number, unit and part.
    const auto textOf = [&](std::size_t i) {
        const HeadingFacts& h = hs[i];
        return std::uint64_t(lineKeys[i - keysFrom]) << 32 ^
               std::uint64_t(std::uint32_t(h.number.value)) * 0x9E3779B1u ^ std::uint64_t(h.number.unit) << 8 ^ h.part;
    };
    // The headings that carry each text, in order, and the last that carries each number.
    std::unordered_map<std::uint64_t, std::vector<std::size_t>> textAt;
    std::unordered_map<std::uint64_t, std::size_t> lastNumber;
    const auto numberKey = [&](std::size_t i) {
        return (std::uint64_t(hs[i].number.unit) << 32) | std::uint32_t(hs[i].number.value);
    };
    // Lines the line rules doubt are left out on both sides: prose that a site repeats in every
    // chapter (上一章：第9章 …) comes again too, and is no table of contents for that.
    // Only the blocks' own lines are looked for: a few entries rather than one per heading.
    for (const auto& [first, last] : blocks)
        for (std::size_t i = first; i <= last; ++i) {
            textAt.emplace(textOf(i), std::vector<std::size_t>());
            if (hs[i].hasNumber()) lastNumber.emplace(numberKey(i), 0);
        }
    for (std::size_t i = blocks.front().first; i < n; ++i) {
        if (hs[i].suspect != 0) continue;
        if (const auto t = textAt.find(textOf(i)); t != textAt.end()) t->second.push_back(i);
        if (!hs[i].hasNumber()) continue;
        if (const auto m = lastNumber.find(numberKey(i)); m != lastNumber.end()) m->second = i;
    }
    // A table of contents runs on over the lists that follow it closely, and lists the volumes
    // whatever they are called there: written otherwise than in the text (第三卷 大结局·上 for
    // 第三卷 大结局（上）), a volume in two parts, the second season's volumes a few lines on.
    // Between the first list's first line and the last list's last, a volume's line is the
    // contents' when its number comes again after them, and so is one between two of the
    // contents' lines.
    const auto flagListedThrough = [&](std::size_t from, std::size_t to) {
        std::vector<std::size_t> between;
        for (std::size_t i = from; i <= to; ++i) {
            HeadingFacts& h = hs[i];
            bool listed = (h.suspect & kSuspectContents) != 0;
            if (!listed && (h.suspect != 0 || !isVolumeUnit(h.number.unit))) continue;
            if (!listed)
                if (const auto m = lastNumber.find(numberKey(i)); m != lastNumber.end() && m->second > to)
                    listed = true;
            if (!listed) {
                between.push_back(i);
                continue;
            }
            h.suspect |= kSuspectContents;
            for (const std::size_t j : between)
                hs[j].suspect |= kSuspectContents;
            between.clear();
        }
    };
    // The last line of the lists that follow block b closely: the headings after it, each a few
    // lines after the one before, up to where the text begins (a heading with text under it, or
    // its volume's line right before it).
    const auto listsThrough = [&](std::size_t b) {
        const auto hasText = [&](std::size_t i) {
            return i + 1 >= n || hs[i + 1].offset - hs[i].offset > HeadingAnalyzer::kCloseBytes;
        };
        std::size_t to = blocks[b].second;
        while (to + 1 < n && !hasText(to + 1) && !hasText(to + 2) &&
               hs[to + 1].line - hs[to].line <= 2 * HeadingAnalyzer::kCloseLines &&
               hs[to + 1].offset - hs[to].offset <= 2 * HeadingAnalyzer::kCloseBytes)
            ++to;
        return to;
    };
    for (std::size_t b = 0; b < blocks.size(); ++b) {
        const std::size_t first = blocks[b].first, last = blocks[b].second;
        // `again(i)` is the index of the next heading after the block that heading i comes again as,
        // or 0. Flagged when at least `share` percent come again, in the order the block lists them.
        const auto flagAgain = [&](auto&& again, std::size_t share) {
            std::size_t candidates = 0, count = 0, previous = 0, inOrder = 0;
            for (std::size_t i = first; i <= last; ++i) {
                if (hs[i].suspect != 0) continue;
                ++candidates;
                const std::size_t at = again(i);
                if (at == 0) continue;
                ++count;
                inOrder += at > previous;
                previous = at;
            }
            if (candidates < kShortestBlock || count * 100 < candidates * share || inOrder * 100 < count * share)
                return false;
            // Only the lines that come again: a chapter that follows the block closely stays a chapter.
            // A line listed twice (a chapter the text writes twice) is the contents' too.
            for (std::size_t i = first; i <= last; ++i) {
                if (hs[i].suspect == 0 && again(i) != 0) hs[i].suspect |= kSuspectContents;
                if (hs[i].suspect == kSuspectCopy) {
                    hs[i].suspect = kSuspectContents;
                    hs[i].sure = 0;
                }
            }
            return true;
        };
        // A chapter that follows the block closely may fall inside it: compared with what comes after
        // each line, not after the block. Each line is matched with the next heading of its text
        // after the one the line before it was matched with, since a table of contents lists in
        // the text's order: in a book numbered anew in each volume 第一章 comes again in every
        // volume, and the first chapter, close after the list, finds no heading of its text after
        // the list's last one.
        std::vector<std::size_t> textTargets(last - first + 1, 0);
        for (std::size_t i = first, previous = first; i <= last; ++i) {
            if (hs[i].suspect != 0) continue;
            const std::vector<std::size_t>& at = textAt[textOf(i)];
            const auto next = std::upper_bound(at.begin(), at.end(), std::max(i, previous));
            if (next == at.end()) continue;
            textTargets[i - first] = *next;
            previous = *next;
        }
        const auto textAgain = [&](std::size_t i) { return textTargets[i - first]; };
        if (flagAgain(textAgain, 50)) {
            // Up to the text: the first heading that a line of the list comes again as (the first
            // chapter may follow the list closely), unless it is a line of the lists after this one
            // (a line's copy is told by its length and first character, and 第一卷 七星鲁王 reads as
            // 第一卷 阴山古楼 of the second season's list).
            const std::size_t to = listsThrough(b);
            std::size_t text = n;
            for (std::size_t i = first; i <= last; ++i)
                if (const std::size_t t = textTargets[i - first]; t != 0 && (t <= last || t > to))
                    text = std::min(text, t);
            flagListedThrough(first, std::min(to, text - 1));
            continue;
        }
        // Written otherwise than the chapters (without titles, say): by number, on stronger evidence,
        // since real chapters numbered anew in each volume come again by number too.
        const auto numberAgain = [&](std::size_t i) {
            if (!hs[i].hasNumber()) return std::size_t(0);
            const std::size_t at = lastNumber[numberKey(i)];
            return at > last ? at : 0;
        };
        if (last - first + 1 >= 2 * kShortestBlock) flagAgain(numberAgain, 90);
    }
}

// The k-th smallest of `values` (from 0), as std::nth_element would place it. The values are
// first counted into a few thousand buckets by their high bits, a pass without the partitioning's
// hard-to-predict branches, and only the bucket that holds the k-th is partitioned: a book may
// hand over a few hundred thousand chapter sizes. Reorders `values`.
std::int64_t kthSmallest(std::vector<std::int64_t>& values, std::size_t k) {
    constexpr int kBucketBits = 12;
    // Read as unsigned with the sign bit flipped, which keeps the order of signed values.
    const auto key = [](std::int64_t v) { return static_cast<std::uint64_t>(v) ^ (std::uint64_t(1) << 63); };
    std::uint64_t lo = std::numeric_limits<std::uint64_t>::max(), hi = 0;
    for (const std::int64_t v : values) {
        lo = std::min(lo, key(v));
        hi = std::max(hi, key(v));
    }
    const int shift = std::max(0, static_cast<int>(std::bit_width(hi - lo)) - kBucketBits);
    std::vector<std::uint32_t> count(std::size_t(1) << kBucketBits, 0);
    for (const std::int64_t v : values)
        ++count[(key(v) - lo) >> shift];
    std::size_t bucket = 0, below = 0;
    while (below + count[bucket] <= k)
        below += count[bucket++];
    std::size_t inBucket = 0;
    for (const std::int64_t v : values)
        if (((key(v) - lo) >> shift) == bucket) values[inBucket++] = v;
    const auto nth = values.begin() + static_cast<std::ptrdiff_t>(k - below);
    std::nth_element(values.begin(), nth, values.begin() + static_cast<std::ptrdiff_t>(inBucket));
    return *nth;
}

// A chapter far smaller than the usual one is a table-of-contents line, a quotation or a
// heading repeated by mistake. Sizes are measured to the next heading that the line rules
// keep, so that prose flagged inside a chapter does not make the true heading before it small.
void flagTiny(std::deque<HeadingFacts>& hs, std::int64_t fileSize) {
    constexpr std::size_t kEnoughForAMedian = 8;
    constexpr std::int64_t kTinyShare = 10; // under a tenth of the median
    if (hs.size() < 2) return;
    // Walked backwards twice rather than kept: the scan may hand over a few hundred thousand.
    const auto eachSize = [&](auto&& take) {
        std::int64_t nextKept = fileSize;
        std::size_t i = hs.size();
        for (auto h = hs.rbegin(); h != hs.rend(); ++h) {
            // The last heading's chapter may be cut by the end of a file still being written: not judged.
            if (--i + 1 < hs.size()) take(i, *h, nextKept - h->offset);
            if (h->suspect == 0) nextKept = h->offset;
        }
    };
    std::vector<std::int64_t> kept;
    kept.reserve(hs.size());
    eachSize([&](std::size_t, const HeadingFacts& h, std::int64_t size) {
        if (h.suspect == 0) kept.push_back(size);
    });
    if (kept.size() < kEnoughForAMedian) return;
    const std::int64_t median = kthSmallest(kept, kept.size() / 2);
    kept = {};
    // A short chapter whose number runs on from the one before and into the one after (第一章,
    // 第二章 of a few paragraphs, 第三章) is the author's: only one of next to nothing is doubted.
    constexpr std::int64_t kShortInSequence = 15; // under a fifteenth of the median
    const auto inSequence = [&](std::size_t i) {
        constexpr std::size_t kLookAround = 8;
        const HeadingFacts& h = hs[i];
        if (!h.hasNumber()) return false;
        const auto neighbour = [&](std::ptrdiff_t step) -> const HeadingFacts* {
            for (std::ptrdiff_t j = static_cast<std::ptrdiff_t>(i) + step, n = 0;
                 j >= 0 && j < static_cast<std::ptrdiff_t>(hs.size()) && n < std::ptrdiff_t(kLookAround);
                 j += step, ++n)
                if (hs[static_cast<std::size_t>(j)].suspect == 0) return &hs[static_cast<std::size_t>(j)];
            return nullptr;
        };
        const HeadingFacts *before = neighbour(-1), *after = neighbour(1);
        return before && after && before->number.unit == h.number.unit && after->number.unit == h.number.unit &&
               before->number.value + 1 == h.number.value && h.number.value + 1 == after->number.value;
    };
    std::vector<std::size_t> tiny;
    eachSize([&](std::size_t i, const HeadingFacts& h, std::int64_t size) {
        // A volume's line is short by nature: its first chapter follows right under it.
        // Nor is the afterword's (后记, 番外): it is as long as the author had to say.
        if (size * kTinyShare < median && !(h.suspect & kSuspectContents) && !isVolumeUnit(h.number.unit) &&
            !h.extras && !(size * kShortInSequence >= median && inSequence(i)))
            tiny.push_back(i);
    });
    // Flagged only now: a flag set during the walk would change the sizes of the headings before it.
    for (std::size_t i : tiny)
        hs[i].suspect |= kSuspectTiny;
}

// The next part of a chapter published in parts (第一章(11) after 第一章(10)) may be short, as the
// last part of a chapter often is: the numbering vouches for it, and it is no tiny chapter.
void sparePartsOfAChapter(std::deque<HeadingFacts>& hs) {
    const HeadingFacts* before = nullptr;
    for (HeadingFacts& h : hs) {
        if (h.suspect == kSuspectTiny && h.part >= 2 && before && before->number == h.number &&
            before->part + 1 == h.part)
            h.suspect = 0;
        if (h.suspect == 0) before = &h;
    }
}

// Reads the numbering of the headings that look real, one series per unit (volumes and
// chapters count apart). The numbering starts a new run where it starts again after a volume
// (on its own line or named before the chapter) or after a marker of extras (番外, 外传, 后记),
// and wherever 1 follows a higher number; gaps and repeats are counted within each run. A jump
// so large that it cannot be a few lost chapters is a misread number, not a gap.
void readNumbering(HeadingAnalysis& a) {
    constexpr std::int64_t kLargestGap = 1000;
    struct Series {
        char16_t unit = 0;
        std::int64_t last = 0; // highest number so far in this volume
        std::int64_t lastHeading = 0;
        std::uint32_t boundaries = 0; // the volumes and extras read when this series last read a number
        std::vector<std::pair<std::int64_t, std::int64_t>> seen; // (number, heading), this volume
    };
    std::uint32_t boundaries = 0; // volumes and extras read so far
    bool inExtras = false;
    std::vector<Series> series; // a handful: one per unit
    std::vector<NumberRepeat> repeats;
    const auto closeVolume = [&](Series& s) {
        // Usually in order already: numbers rise through a volume.
        if (!std::is_sorted(s.seen.begin(), s.seen.end())) std::sort(s.seen.begin(), s.seen.end());
        for (std::size_t i = 0; i < s.seen.size();) {
            std::size_t j = i + 1;
            while (j < s.seen.size() && s.seen[j].first == s.seen[i].first)
                ++j;
            if (j - i > 1) {
                NumberRepeat r{s.seen[i].first, {}, s.unit};
                for (std::size_t m = i; m < j; ++m)
                    r.headings.push_back(s.seen[m].second);
                repeats.push_back(std::move(r));
            }
            i = j;
        }
        s.seen.clear();
    };
    std::vector<ChapterParts> parts;
    std::optional<ChapterNumber> lastVolume; // the latest volume read, on its own line or before a chapter
    std::size_t current = 0;
    // Heading index i carries `number`: its own, or the volume its line names. A volume named
    // only on some chapters' lines may skip a number that no chapter is missing for, so those
    // make no gap: a lost volume shows as lost chapters.
    const auto read = [&](std::size_t i, ChapterNumber number, std::uint8_t part, bool gaps)
        __attribute__((always_inline)) {
        const std::int64_t k = static_cast<std::int64_t>(i) + 1, n = number.value;
        if (isVolumeUnit(number.unit)) lastVolume = number;
        if (current >= series.size() || series[current].unit != number.unit) {
            current = 0;
            while (current < series.size() && series[current].unit != number.unit)
                ++current;
            if (current == series.size()) series.push_back({number.unit, 0, 0, boundaries, {}});
        }
        Series& s = series[current];
        const bool afterBoundary = s.boundaries != boundaries;
        s.boundaries = boundaries;
        if (s.lastHeading != 0 && n - s.last - 1 > kLargestGap) return; // a misread number
        // The next part of the chapter just read (第60章（下） after 第60章（上））: no repeat.
        if (part != 0 && s.lastHeading != 0 && n == s.last) {
            const HeadingFacts& before = a.headings[static_cast<std::size_t>(s.lastHeading - 1)];
            if (before.number == number && before.part != 0 && before.part < part) {
                if (!parts.empty() && parts.back().headings.back() == s.lastHeading)
                    parts.back().headings.push_back(k);
                else
                    parts.push_back({n, {s.lastHeading, k}, s.unit});
                s.lastHeading = k;
                return;
            }
        }
        if (s.lastHeading != 0 && ((afterBoundary && n <= s.last) || (n == 1 && s.last >= 2))) {
            closeVolume(s);
            a.restarts.push_back(k);
            s.last = 0;
            s.lastHeading = 0;
        } else if (gaps && s.lastHeading != 0 && n > s.last + 1) {
            // A number carried by a suspect in between is there, only doubted: no gap for it.
            std::vector<bool> there(static_cast<std::size_t>(n - s.last - 1), false);
            for (std::size_t j = static_cast<std::size_t>(s.lastHeading); j < i; ++j) {
                const HeadingFacts& between = a.headings[j];
                const std::int64_t m = between.number.value;
                if (between.number.unit == s.unit && m > s.last && m < n) there[std::size_t(m - s.last - 1)] = true;
            }
            NumberGap g{s.lastHeading, s.last, {}, s.unit};
            for (std::int64_t m = s.last + 1; m < n; ++m)
                if (!there[std::size_t(m - s.last - 1)]) g.missing.push_back(m);
            if (!g.missing.empty()) a.gaps.push_back(std::move(g));
        }
        s.seen.emplace_back(n, k);
        if (n >= s.last || s.lastHeading == 0) {
            s.last = std::max(s.last, n);
            s.lastHeading = k;
        }
        if (isVolumeUnit(number.unit)) {
            ++boundaries;
            inExtras = false;
        }
    };
    std::size_t i = 0;
    for (auto it = a.headings.begin(); it != a.headings.end(); ++it, ++i) {
        const HeadingFacts& h = *it;
        if (h.suspect != 0) continue;
        if (h.extras && !inExtras) {
            ++boundaries;
            inExtras = true;
        }
        if (!h.hasNumber()) continue;
        // A volume named on chapters' lines counts where it changes, as a volume on a line of its own does.
        if (h.withVolume) {
            const std::optional<ChapterNumber> v = a.volumeOf(i);
            if (v && v != lastVolume) read(i, *v, 0, false);
        }
        read(i, h.number, h.part, true);
    }
    for (Series& s : series)
        closeVolume(s);
    std::sort(repeats.begin(), repeats.end(),
              [](const NumberRepeat& x, const NumberRepeat& y) { return x.headings.front() < y.headings.front(); });
    a.repeats = std::move(repeats);
    std::sort(parts.begin(), parts.end(),
              [](const ChapterParts& x, const ChapterParts& y) { return x.headings.front() < y.headings.front(); });
    a.parts = std::move(parts);
}

} // namespace

HeadingAnalysis HeadingAnalyzer::finish(std::int64_t fileSize, std::int64_t linesRead) {
    HeadingAnalysis a = std::move(m_result);
    m_result = {};
    auto& hs = a.headings;
    a.fileSize = fileSize;
    a.lines = linesRead;
    if (!hs.empty()) closeRun(hs.size() - 1);
    flagContents(hs, m_textKeys, m_keysFrom, m_closeRuns);
    m_textKeys = {};
    m_closeRuns = {};
    m_runStart = 0;
    m_keysFrom = 0;
    flagTiny(hs, fileSize);
    sparePartsOfAChapter(hs);
    readNumbering(a);
    return a;
}

std::vector<std::int64_t> suspectRows(const HeadingAnalysis& a) {
    std::vector<std::int64_t> rows;
    for (std::size_t i = 0; i < a.headings.size(); ++i)
        if (a.headings[i].suspect != 0) rows.push_back(static_cast<std::int64_t>(i));
    return rows;
}

std::vector<std::int64_t> rowsLeftOutByDefault(const HeadingAnalysis& a) {
    std::vector<std::int64_t> rows;
    for (std::size_t i = 0; i < a.headings.size(); ++i) {
        const HeadingFacts& h = a.headings[i];
        if ((h.suspect & kSuspectContents) || (h.suspect != 0 && h.sure)) rows.push_back(static_cast<std::int64_t>(i));
    }
    return rows;
}

} // namespace pw

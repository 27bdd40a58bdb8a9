#include "scan/heading_analysis.h"

#include <algorithm>
#include <limits>

namespace pw {

namespace {

// Every matched line is judged while the scan runs, so each character is classified with one
// look-up rather than a search of several short lists.
enum CharClass : std::uint16_t {
    kDigitBits = 0x000F,  // the digit's value + 1, for every kind of digit; 0 for none
    kUnitBits = 0x0070,   // 1 十, 2 百, 3 千, 4 万 (shifted by 4)
    kArabicDigit = 0x0080, // 0-9 and full-width ０-９
    kBlankChar = 0x0100,
    kHeadingUnit = 0x0200,  // what comes after a heading's number
    kSeparator = 0x0400,    // what may stand between a heading's number (or unit) and its title
    kSentenceEnd = 0x0800,  // punctuation that ends a sentence
    kClosing = 0x1000,      // what may close a title's last sentence (its own ！ or ？, quotes)
    kComma = 0x2000,
    kLowSurrogate = 0x4000, // the second half of a supplementary character
};

struct CharTable {
    std::uint16_t cls[0x10000] = {};

    constexpr void mark(const char16_t* chars, std::uint16_t bits) {
        for (; *chars; ++chars)
            cls[*chars] |= bits;
    }
    constexpr CharTable() {
        for (char16_t d = 0; d < 10; ++d) {
            cls[u'0' + d] |= static_cast<std::uint16_t>(kArabicDigit | (d + 1));
            cls[u'０' + d] |= static_cast<std::uint16_t>(kArabicDigit | (d + 1));
        }
        const char16_t* digits[] = {u"零〇○", u"一壹", u"二两贰兩貳", u"三叁參", u"四肆",
                                    u"五伍", u"六陆陸",   u"七柒",       u"八捌",   u"九玖"};
        for (std::uint16_t d = 0; d < 10; ++d)
            mark(digits[d], static_cast<std::uint16_t>(d + 1));
        const char16_t* units[] = {u"十拾", u"百佰", u"千仟", u"万萬"};
        for (std::uint16_t u = 0; u < 4; ++u)
            mark(units[u], static_cast<std::uint16_t>((u + 1) << 4));
        mark(u" \t\u3000", kBlankChar);
        mark(u"章回节節卷部集篇幕话話折册冊季", kHeadingUnit);
        mark(u" \t\u3000:：、.．,，-—·・_【[（(「『《", kSeparator);
        // At the very end of a title these may be the title's own ("第十章 这是什么？").
        mark(u"。！？!?；;…", kSentenceEnd);
        mark(u"。！？!?…”’」』）)】》\"'～~", kClosing);
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

bool isNumeral(char16_t c) {
    return classOf(c) & (kDigitBits | kUnitBits);
}

bool isHeadingUnit(char16_t c) {
    return classOf(c) & kHeadingUnit;
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

std::size_t numeralRunEnd(TextView s, std::size_t i) {
    while (i < s.size() && isNumeral(s[i]))
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
};

std::optional<Parsed> parseAt(TextView s, std::size_t from) {
    const std::size_t start = skipBlanks(s, from);
    const auto numberFrom = [&](std::size_t at, char16_t unit) -> std::optional<Parsed> {
        const std::size_t b = skipBlanks(s, at);
        const std::size_t e = numeralRunEnd(s, b);
        const auto v = numeralValue(s.substr(b, e - b));
        if (!v || *v > std::numeric_limits<std::int32_t>::max()) return std::nullopt;
        Parsed p;
        p.number = {static_cast<std::int32_t>(*v), unit};
        p.end = e;
        return p;
    };
    // Forms that open the line: 卷二, 部三, Chapter 12, 001.
    if (start < s.size() && (s[start] == u'卷' || s[start] == u'部')) {
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
    if (start < s.size() && isArabic(s[start])) return numberFrom(start, u'#');
    // 第…: the first one with a number after it.
    for (std::size_t at = s.find(u'第', start); at != TextView::npos; at = s.find(u'第', at + 1)) {
        auto p = numberFrom(at + 1, u'第');
        if (!p) continue;
        p->firstForm = true;
        const std::size_t u = skipBlanks(s, p->end);
        if (u < s.size() && isHeadingUnit(s[u])) {
            p->number.unit = s[u];
            p->unitFollows = true;
            p->end = u + 1;
        }
        return p;
    }
    return std::nullopt;
}

// A title after the number reads as prose: sentence punctuation before its end, a 第 number
// followed by something that is no unit (第一是…, 第四本书…), or a long clause glued to the
// unit. Couplet titles hold a comma after a separator and stay headings.
bool readsAsSentence(TextView t, const std::optional<Parsed>& p) {
    std::size_t restFrom = 0;
    if (p) {
        if (p->firstForm && !p->unitFollows) {
            const std::size_t next = p->end;
            if (next < t.size() && !isTitleSeparator(t[next])) return true;
        }
        restFrom = p->end;
    }
    TextView rest = t.substr(std::min(restFrom, t.size()));
    while (!rest.empty() && isClosing(rest.back()))
        rest.remove_suffix(1);
    std::uint16_t seen = 0;
    for (char16_t c : rest)
        seen |= classOf(c);
    if (seen & kSentenceEnd) return true;
    const bool glued = !rest.empty() && !isTitleSeparator(rest.front());
    return glued && (seen & kComma) && characters(rest) >= 15;
}

} // namespace

std::optional<std::int64_t> numeralValue(TextView run) {
    if (run.empty()) return std::nullopt;
    constexpr std::int64_t kMax = 1'000'000'000'000'000LL;
    bool arabic = false, chinese = false, units = false;
    for (char16_t c : run) {
        const std::uint16_t k = classOf(c);
        if ((k & (kDigitBits | kUnitBits)) == 0) return std::nullopt;
        arabic |= (k & kArabicDigit) != 0;
        chinese |= (k & kDigitBits) != 0 && (k & kArabicDigit) == 0;
        units |= (k & kUnitBits) != 0;
    }
    if (arabic && (chinese || units)) return std::nullopt;
    if (!units) {
        // Digit by digit: 123, １２３, 一○○, 一一.
        std::int64_t v = 0;
        for (char16_t c : run) {
            if (v > kMax) return std::nullopt;
            v = v * 10 + digitOf(c);
        }
        return v;
    }
    // With units: 一百零八, 十二, 两千零三, 三万五千.
    std::int64_t total = 0, section = 0, digit = 0;
    for (char16_t c : run) {
        if (const std::int64_t u = unitOf(c)) {
            if (u == 10000) {
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
        if (total > kMax) return std::nullopt;
    }
    return total + section + digit;
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
    return out;
}

HeadingFacts judgeHeadingLine(TextView line, std::size_t matchStart) {
    HeadingFacts f;
    std::size_t b = 0, e = line.size();
    while (b < e && isBlank(line[b]))
        ++b;
    while (e > b && isBlank(line[e - 1]))
        --e;
    const TextView t = line.substr(b, e - b);
    matchStart = std::min(matchStart, line.size());
    // Read the number where the match is, so that 他说第三章… yields 3 rather than nothing.
    const auto parsed = parseAt(t, matchStart > b ? std::min(matchStart - b, t.size()) : 0);
    if (parsed) f.number = parsed->number;
    // Every character is one or two units: only lines in between need counting.
    const std::size_t longAt = HeadingAnalyzer::kLongLine;
    if (t.size() >= 2 * longAt || (t.size() >= longAt && characters(t) >= longAt)) f.suspect |= kSuspectLong;
    if (matchStart > b) f.suspect |= kSuspectNotAtStart;
    if (readsAsSentence(t, parsed)) f.suspect |= kSuspectSentence;
    return f;
}

std::int64_t HeadingAnalysis::chapterBytes(std::size_t i) const {
    return (i + 1 < headings.size() ? headings[i + 1].offset : fileSize) - headings[i].offset;
}

std::int64_t HeadingAnalysis::chapterLines(std::size_t i) const {
    return (i + 1 < headings.size() ? headings[i + 1].line : lines + 1) - headings[i].line;
}

std::int64_t HeadingAnalysis::suspectCount() const {
    return std::count_if(headings.begin(), headings.end(), [](const HeadingFacts& h) { return h.suspect != 0; });
}

void HeadingAnalyzer::add(TextView line, std::size_t matchStart, std::int64_t lineNumber, std::int64_t offset) {
    HeadingFacts f = judgeHeadingLine(line, matchStart);
    f.line = lineNumber;
    f.offset = offset;
    m_result.headings.push_back(f);
}

namespace {

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
    std::nth_element(kept.begin(), kept.begin() + static_cast<std::ptrdiff_t>(kept.size() / 2), kept.end());
    const std::int64_t median = kept[kept.size() / 2];
    kept = {};
    std::vector<std::size_t> tiny;
    eachSize([&](std::size_t i, const HeadingFacts&, std::int64_t size) {
        if (size * kTinyShare < median) tiny.push_back(i);
    });
    // Flagged only now: a flag set during the walk would change the sizes of the headings before it.
    for (std::size_t i : tiny)
        hs[i].suspect |= kSuspectTiny;
}

// Reads the numbering of the headings that look real, one series per unit (volumes and
// chapters count apart). 1 after a higher number starts a new volume; a jump so large that it
// cannot be a few lost chapters is a misread number, not a gap.
void readNumbering(HeadingAnalysis& a) {
    constexpr std::int64_t kLargestGap = 1000;
    struct Series {
        char16_t unit = 0;
        std::int64_t last = 0; // highest number so far in this volume
        std::int64_t lastHeading = 0;
        std::vector<std::pair<std::int64_t, std::int64_t>> seen; // (number, heading), this volume
    };
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
                NumberRepeat r{s.seen[i].first, {}};
                for (std::size_t m = i; m < j; ++m)
                    r.headings.push_back(s.seen[m].second);
                repeats.push_back(std::move(r));
            }
            i = j;
        }
        s.seen.clear();
    };
    std::size_t current = 0;
    std::size_t i = 0;
    for (auto it = a.headings.begin(); it != a.headings.end(); ++it, ++i) {
        const HeadingFacts& h = *it;
        if (h.suspect != 0 || !h.hasNumber()) continue;
        const std::int64_t k = static_cast<std::int64_t>(i) + 1, n = h.number.value;
        if (current >= series.size() || series[current].unit != h.number.unit) {
            current = 0;
            while (current < series.size() && series[current].unit != h.number.unit)
                ++current;
            if (current == series.size()) series.push_back({h.number.unit, 0, 0, {}});
        }
        Series& s = series[current];
        if (s.lastHeading != 0 && n - s.last - 1 > kLargestGap) continue; // a misread number
        if (s.lastHeading != 0 && n == 1 && s.last >= 2) {
            closeVolume(s);
            a.restarts.push_back(k);
            s.last = 0;
        } else if (s.lastHeading != 0 && n > s.last + 1) {
            // A number carried by a suspect in between is there, only doubted: no gap for it.
            std::vector<bool> there(static_cast<std::size_t>(n - s.last - 1), false);
            for (std::size_t j = static_cast<std::size_t>(s.lastHeading); j < i; ++j) {
                const HeadingFacts& between = a.headings[j];
                const std::int64_t m = between.number.value;
                if (between.number.unit == s.unit && m > s.last && m < n) there[std::size_t(m - s.last - 1)] = true;
            }
            NumberGap g{s.lastHeading, s.last, {}};
            for (std::int64_t m = s.last + 1; m < n; ++m)
                if (!there[std::size_t(m - s.last - 1)]) g.missing.push_back(m);
            if (!g.missing.empty()) a.gaps.push_back(std::move(g));
        }
        s.seen.emplace_back(n, k);
        if (n >= s.last || s.lastHeading == 0) {
            s.last = std::max(s.last, n);
            s.lastHeading = k;
        }
    }
    for (Series& s : series)
        closeVolume(s);
    std::sort(repeats.begin(), repeats.end(),
              [](const NumberRepeat& x, const NumberRepeat& y) { return x.headings.front() < y.headings.front(); });
    a.repeats = std::move(repeats);
}

} // namespace

HeadingAnalysis HeadingAnalyzer::finish(std::int64_t fileSize, std::int64_t linesRead) {
    HeadingAnalysis a = std::move(m_result);
    m_result = {};
    auto& hs = a.headings;
    a.fileSize = fileSize;
    a.lines = linesRead;
    flagTiny(hs, fileSize);
    readNumbering(a);
    return a;
}

std::vector<std::int64_t> suspectRows(const HeadingAnalysis& a) {
    std::vector<std::int64_t> rows;
    for (std::size_t i = 0; i < a.headings.size(); ++i)
        if (a.headings[i].suspect != 0) rows.push_back(static_cast<std::int64_t>(i));
    return rows;
}

} // namespace pw

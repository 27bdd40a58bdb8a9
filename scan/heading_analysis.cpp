#include "scan/heading_analysis.h"

#include <algorithm>
#include <map>

namespace pw {

namespace {

bool isBlank(char16_t c) {
    return c == u' ' || c == u'\t' || c == kIdeographicSpace;
}

// 0-9 for a digit of any kind (Arabic, full-width, Chinese and its formal forms), else -1.
int digitOf(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'０' && c <= u'９') return c - u'０';
    switch (c) {
    case u'零':
    case u'〇':
    case u'○':
        return 0;
    case u'一':
    case u'壹':
        return 1;
    case u'二':
    case u'两':
    case u'贰':
    case u'兩':
    case u'貳':
        return 2;
    case u'三':
    case u'叁':
    case u'參':
        return 3;
    case u'四':
    case u'肆':
        return 4;
    case u'五':
    case u'伍':
        return 5;
    case u'六':
    case u'陆':
    case u'陸':
        return 6;
    case u'七':
    case u'柒':
        return 7;
    case u'八':
    case u'捌':
        return 8;
    case u'九':
    case u'玖':
        return 9;
    default:
        return -1;
    }
}

bool isArabic(char16_t c) {
    return (c >= u'0' && c <= u'9') || (c >= u'０' && c <= u'９');
}

// The multiplier of a Chinese unit numeral, else 0.
std::int64_t unitOf(char16_t c) {
    switch (c) {
    case u'十':
    case u'拾':
        return 10;
    case u'百':
    case u'佰':
        return 100;
    case u'千':
    case u'仟':
        return 1000;
    case u'万':
    case u'萬':
        return 10000;
    default:
        return 0;
    }
}

bool isNumeral(char16_t c) {
    return digitOf(c) >= 0 || unitOf(c) != 0;
}

// What comes after the number of a heading.
bool isHeadingUnit(char16_t c) {
    static constexpr char16_t units[] = u"章回节節卷部集篇幕话話折册冊季";
    return TextView(units).find(c) != TextView::npos;
}

// What may stand between a heading's number (or unit) and its title.
bool isTitleSeparator(char16_t c) {
    static constexpr char16_t seps[] = u" \t\u3000:：、.．,，-—·・_【[（(「『《";
    return TextView(seps).find(c) != TextView::npos;
}

// Punctuation that ends a sentence; at the very end of a title it may just be a title's own
// (web novels like "第十章 这是什么？").
bool isSentenceEnd(char16_t c) {
    static constexpr char16_t ends[] = u"。！？!?；;…";
    return TextView(ends).find(c) != TextView::npos;
}

bool isClosing(char16_t c) {
    static constexpr char16_t closers[] = u"。！？!?…”’」』）)】》\"'～~";
    return TextView(closers).find(c) != TextView::npos;
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
        if (c < 0xDC00 || c > 0xDFFF) ++n;
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
        if (!v) return std::nullopt;
        Parsed p;
        p.number = {*v, unit};
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
    if (std::any_of(rest.begin(), rest.end(), isSentenceEnd)) return true;
    const bool glued = !rest.empty() && !isTitleSeparator(rest.front());
    return glued && characters(rest) >= 15 && (rest.find(u'，') != TextView::npos || rest.find(u',') != TextView::npos);
}

} // namespace

std::optional<std::int64_t> numeralValue(TextView run) {
    if (run.empty()) return std::nullopt;
    constexpr std::int64_t kMax = 1'000'000'000'000'000LL;
    const bool arabic = std::all_of(run.begin(), run.end(), isArabic);
    if (arabic || std::none_of(run.begin(), run.end(), [](char16_t c) { return unitOf(c) != 0; })) {
        // Digit by digit: 123, １２３, 一○○, 一一.
        if (!arabic && std::any_of(run.begin(), run.end(), isArabic)) return std::nullopt;
        std::int64_t v = 0;
        for (char16_t c : run) {
            const int d = digitOf(c);
            if (d < 0 || v > kMax) return std::nullopt;
            v = v * 10 + d;
        }
        return v;
    }
    if (std::any_of(run.begin(), run.end(), isArabic)) return std::nullopt;
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
    if (characters(t) >= HeadingAnalyzer::kLongLine) f.suspect |= kSuspectLong;
    if (matchStart > b) f.suspect |= kSuspectNotAtStart;
    if (readsAsSentence(t, parsed)) f.suspect |= kSuspectSentence;
    return f;
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
void flagTiny(std::vector<HeadingFacts>& hs, std::int64_t fileSize) {
    constexpr std::size_t kEnoughForAMedian = 8;
    constexpr std::int64_t kTinyShare = 10; // under a tenth of the median
    std::vector<std::int64_t> sizes(hs.size(), 0);
    std::int64_t nextKept = fileSize;
    for (std::size_t i = hs.size(); i-- > 0;) {
        sizes[i] = nextKept - hs[i].offset;
        if (hs[i].suspect == 0) nextKept = hs[i].offset;
    }
    std::vector<std::int64_t> kept;
    // The last heading's chapter may be cut by the end of a file still being written: not counted.
    for (std::size_t i = 0; i + 1 < hs.size(); ++i)
        if (hs[i].suspect == 0) kept.push_back(sizes[i]);
    if (kept.size() < kEnoughForAMedian) return;
    std::nth_element(kept.begin(), kept.begin() + static_cast<std::ptrdiff_t>(kept.size() / 2), kept.end());
    const std::int64_t median = kept[kept.size() / 2];
    for (std::size_t i = 0; i + 1 < hs.size(); ++i)
        if (sizes[i] * kTinyShare < median) hs[i].suspect |= kSuspectTiny;
}

// Reads the numbering of the headings that look real, one series per unit (volumes and
// chapters count apart). 1 after a higher number starts a new volume; a jump so large that it
// cannot be a few lost chapters is a misread number, not a gap.
void readNumbering(HeadingAnalysis& a) {
    constexpr std::int64_t kLargestGap = 1000;
    struct Series {
        std::int64_t last = 0; // highest number so far in this volume
        std::int64_t lastHeading = 0;
        std::map<std::int64_t, std::vector<std::int64_t>> seen; // number -> headings, this volume
    };
    std::map<char16_t, Series> series;
    std::vector<NumberRepeat> repeats;
    const auto closeVolume = [&](Series& s) {
        for (auto& [number, ks] : s.seen)
            if (ks.size() > 1) repeats.push_back({number, std::move(ks)});
        s.seen.clear();
    };
    for (std::size_t i = 0; i < a.headings.size(); ++i) {
        const HeadingFacts& h = a.headings[i];
        if (h.suspect != 0 || !h.number) continue;
        const std::int64_t k = static_cast<std::int64_t>(i) + 1, n = h.number->value;
        Series& s = series[h.number->unit];
        if (s.lastHeading != 0 && n - s.last - 1 > kLargestGap) continue; // a misread number
        if (s.lastHeading != 0 && n == 1 && s.last >= 2) {
            closeVolume(s);
            a.restarts.push_back(k);
            s.last = 0;
        } else if (s.lastHeading != 0 && n > s.last + 1 && n - s.last - 1 <= kLargestGap) {
            NumberGap g{s.lastHeading, s.last, {}};
            for (std::int64_t m = s.last + 1; m < n; ++m)
                g.missing.push_back(m);
            a.gaps.push_back(std::move(g));
        }
        s.seen[n].push_back(k);
        if (n >= s.last || s.lastHeading == 0) {
            s.last = std::max(s.last, n);
            s.lastHeading = k;
        }
    }
    for (auto& [unit, s] : series)
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
    for (std::size_t i = 0; i < hs.size(); ++i) {
        const bool last = i + 1 == hs.size();
        hs[i].chapterBytes = (last ? fileSize : hs[i + 1].offset) - hs[i].offset;
        hs[i].chapterLines = (last ? linesRead + 1 : hs[i + 1].line) - hs[i].line;
    }
    flagTiny(hs, fileSize);
    readNumbering(a);
    return a;
}

} // namespace pw

#include "stages/paragraphs.h"

#include <unicode/uchar.h>

#include <algorithm>
#include <array>
#include <functional>

#include "stages/separators.h"

namespace pw {

namespace {

// The next code point of valid UTF-8 at `at` (which moves past it); U+FFFD for a stray byte.
char32_t nextCodePoint(std::string_view s, std::size_t& at) {
    const auto b = static_cast<unsigned char>(s[at]);
    const int n = b < 0x80 ? 1 : b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
    if (at + n > s.size() || (n == 1 && b >= 0x80)) {
        ++at;
        return 0xFFFD;
    }
    char32_t c = n == 1 ? b : n == 2 ? (b & 0x1F) : n == 3 ? (b & 0x0F) : (b & 0x07);
    for (int i = 1; i < n; ++i)
        c = (c << 6) | (static_cast<unsigned char>(s[at + i]) & 0x3F);
    at += n;
    return c;
}

// The code point that ends `s` (spaces at the end not counted), and where it starts.
char32_t lastCodePoint(std::string_view s, std::size_t& start) {
    std::size_t at = s.size();
    while (at > 0 && (static_cast<unsigned char>(s[at - 1]) & 0xC0) == 0x80)
        --at;
    if (at == 0) {
        start = 0;
        return 0;
    }
    --at;
    start = at;
    std::size_t p = at;
    return nextCodePoint(s, p);
}

bool isSpace(char32_t c) {
    return c == U' ' || c == U'\t' || c == U'\u3000' || c == U'\u00A0';
}

std::string_view withoutIndent(std::string_view s) {
    std::size_t at = 0;
    while (at < s.size()) {
        std::size_t p = at;
        if (!isSpace(nextCodePoint(s, p))) break;
        at = p;
    }
    return s.substr(at);
}

std::string_view withoutTrailingSpaces(std::string_view s) {
    while (!s.empty()) {
        std::size_t start = 0;
        if (!isSpace(lastCodePoint(s, start))) break;
        s = s.substr(0, start);
    }
    return s;
}

bool isWideByIcu(char32_t c) {
    // Chinese text counts East Asian ambiguous characters (“”…—) as wide, as its fonts draw them.
    const auto w = static_cast<UEastAsianWidth>(u_getIntPropertyValue(static_cast<UChar32>(c), UCHAR_EAST_ASIAN_WIDTH));
    return w == U_EA_WIDE || w == U_EA_FULLWIDTH || w == U_EA_AMBIGUOUS;
}

bool isWide(char32_t c) {
    if (c < 0x80) return false;
    // Most of a Chinese text, without asking ICU: the ideographs, CJK punctuation and full-width forms.
    if ((c >= 0x3000 && c <= 0x9FFF) || (c >= 0xFF01 && c <= 0xFF60)) return true;
    return isWideByIcu(c);
}

// The line's measure in columns or in characters, spaces at its end left out. Every line of a
// book passes here: the common characters are counted by their first byte alone.
int measure(std::string_view utf8, bool columns) {
    utf8 = withoutTrailingSpaces(utf8);
    int n = 0;
    for (std::size_t at = 0; at < utf8.size();) {
        const auto b = static_cast<unsigned char>(utf8[at]);
        if (b < 0x80) {
            ++n;
            ++at;
        } else if (b >= 0xE3 && b <= 0xE9 && at + 3 <= utf8.size()) {
            n += columns ? 2 : 1; // U+3000 to U+9FFF: CJK punctuation and the ideographs
            at += 3;
        } else {
            const char32_t c = nextCodePoint(utf8, at);
            n += columns && isWide(c) ? 2 : 1;
        }
    }
    return n;
}

bool isSentenceEnd(char32_t c) {
    switch (c) {
    case U'。':
    case U'！':
    case U'？':
    case U'!':
    case U'?':
    case U'…':
    case U'⋯':
    case U'—':
    case U'．':
    case U'.':
        return true;
    default:
        return false;
    }
}

bool isCloser(char32_t c) {
    switch (c) {
    case U'”':
    case U'’':
    case U'」':
    case U'』':
    case U'）':
    case U')':
    case U'】':
    case U'〉':
    case U'》':
    case U'"':
    case U'\'':
        return true;
    default:
        return false;
    }
}

bool isLatinOrDigit(char32_t c) {
    return (c >= U'0' && c <= U'9') || (c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z');
}

// The tolerance around a wrap width: wrapping tools move a closing mark or a short Latin word
// to the next line, so a line that goes on may stop a little short of the width.
int tolerance(int width, bool columns) {
    return std::max(columns ? 2 : 1, width / 10);
}

struct Measured {
    int width = 0;
    double near = 0;   // share of the lines within the tolerance of the width
    double before = 0; // share of the lines in a band twice as wide just short of that
};

// The width that a wrapped text's lines reach and do not pass, and how many lines reach it. A
// paragraph's first line may hold its indent within the width or before it, so it counts as
// reaching the width either way.
// The line's measure in columns and in characters at once, spaces at its end left out.
std::pair<int, int> measureBoth(std::string_view utf8) {
    utf8 = withoutTrailingSpaces(utf8);
    int cols = 0, chars = 0;
    for (std::size_t at = 0; at < utf8.size(); ++chars) {
        const auto b = static_cast<unsigned char>(utf8[at]);
        if (b < 0x80) {
            ++cols;
            ++at;
        } else if (b >= 0xE3 && b <= 0xE9 && at + 3 <= utf8.size()) {
            cols += 2;
            at += 3;
        } else {
            cols += isWide(nextCodePoint(utf8, at)) ? 2 : 1;
        }
    }
    return {cols, chars};
}

// Each line's measure without its indent and with it, in columns and in characters.
struct LineMeasures {
    std::vector<std::pair<int, int>> columns, chars; // without the indent, with it
};

LineMeasures measureLines(const std::vector<std::string_view>& lines) {
    LineMeasures r;
    r.columns.reserve(lines.size());
    r.chars.reserve(lines.size());
    for (const std::string_view l : lines) {
        const std::string_view rest = withoutIndent(l);
        const auto [cols, chars] = measureBoth(rest);
        int indentCols = 0, indentChars = 0;
        for (std::size_t at = 0; at < l.size() - rest.size(); ++indentChars)
            indentCols += nextCodePoint(l, at) == U'\u3000' ? 2 : 1;
        r.columns.emplace_back(cols, rest.empty() ? 0 : cols + indentCols);
        r.chars.emplace_back(chars, rest.empty() ? 0 : chars + indentChars);
    }
    return r;
}

Measured wrapOf(const std::vector<std::pair<int, int>>& m, bool columns) {
    std::vector<int> widths;
    widths.reserve(m.size());
    for (const auto& [without, with] : m)
        widths.push_back(without);
    std::sort(widths.begin(), widths.end());
    Measured r;
    // Nearly every line stays within it: a title or a note may run over. Lines far past the
    // middle one are paragraphs of a part laid out otherwise (a preface, an afterword on one
    // line a paragraph), whatever their number.
    const int cap = 3 * std::max(1, widths[widths.size() / 2]);
    const auto within = static_cast<std::size_t>(std::upper_bound(widths.begin(), widths.end(), cap) - widths.begin());
    r.width = widths[(within - 1) * 99 / 100];
    const int tol = tolerance(r.width, columns);
    auto reaches = [&](int w) { return w >= r.width - tol && w <= r.width + 1; };
    std::int64_t near = 0, before = 0;
    for (const auto& [without, with] : m) {
        if (reaches(without) || reaches(with))
            ++near;
        else if (with >= r.width - 3 * tol)
            ++before;
    }
    r.near = static_cast<double>(near) / static_cast<double>(m.size());
    r.before = static_cast<double>(before) / static_cast<double>(m.size());
    return r;
}

// How deep the line is indented, in columns: an ideographic space two, a tab four.
int indentColumns(std::string_view s) {
    int n = 0;
    for (std::size_t at = 0; at < s.size();) {
        const char32_t c = nextCodePoint(s, at);
        if (!isSpace(c)) break;
        n += c == U'\u3000' ? 2 : c == U'\t' ? 4 : 1;
    }
    return n;
}

// Marks that never start a paragraph: a line that starts with one goes on from the line before
// (wrapping tools move them to the next line).
bool startsGoingOn(std::string_view s) {
    if (s.empty()) return false;
    std::size_t at = 0;
    switch (nextCodePoint(s, at)) {
    case U'，':
    case U'。':
    case U'、':
    case U'；':
    case U'：':
    case U'？':
    case U'！':
    case U'．':
    case U'”':
    case U'’':
    case U'」':
    case U'』':
    case U'）':
    case U'》':
        return true;
    default:
        return false;
    }
}

} // namespace

std::string_view paragraphModeName(ParagraphMode m) {
    switch (m) {
    case ParagraphMode::Auto:
        return "auto";
    case ParagraphMode::Line:
        return "line";
    case ParagraphMode::Blank:
        return "blank";
    case ParagraphMode::Indent:
        return "indent";
    case ParagraphMode::Unwrap:
        return "unwrap";
    }
    return "line";
}

std::optional<ParagraphMode> paragraphModeNamed(std::string_view name) {
    for (const ParagraphMode m :
         {ParagraphMode::Auto, ParagraphMode::Line, ParagraphMode::Blank, ParagraphMode::Indent, ParagraphMode::Unwrap})
        if (paragraphModeName(m) == name) return m;
    return std::nullopt;
}

Text paragraphModeText(ParagraphMode m) {
    switch (m) {
    case ParagraphMode::Auto:
        return u"自动";
    case ParagraphMode::Line:
        return u"每行一段";
    case ParagraphMode::Blank:
        return u"空行分段";
    case ParagraphMode::Indent:
        return u"缩进分段";
    case ParagraphMode::Unwrap:
        return u"按行宽合并";
    }
    return u"每行一段";
}

Text ParagraphLayout::describe() const {
    Text t = paragraphModeText(mode);
    if (wrapVaries && mode != ParagraphMode::Line)
        t += u"（行宽不一）";
    else if (wrapWidth > 0 && mode != ParagraphMode::Line)
        t += u"（每行 " + fromUtf8(std::to_string(wrapInColumns ? wrapWidth / 2 : wrapWidth)) + u" 字）";
    return t;
}

int displayWidth(std::string_view utf8) {
    return measure(utf8, true);
}

bool isIndented(std::string_view utf8) {
    if (utf8.empty()) return false;
    std::size_t at = 0;
    return isSpace(nextCodePoint(utf8, at));
}

bool endsSentence(std::string_view utf8) {
    std::string_view s = withoutTrailingSpaces(utf8);
    std::size_t start = 0;
    char32_t c = lastCodePoint(s, start);
    if (!isCloser(c)) return isSentenceEnd(c);
    // 他说：“走吧。” ends one; “走”字 does not.
    while (isCloser(c) && start > 0) {
        s = s.substr(0, start);
        c = lastCodePoint(s, start);
    }
    return isSentenceEnd(c);
}

bool isVerseLine(std::string_view utf8) {
    std::string_view s = withoutTrailingSpaces(withoutIndent(utf8));
    // Four clauses of seven and their marks at most; most lines of prose end in a character.
    if (s.size() < 15 || s.size() > 120) return false;
    std::size_t end = 0;
    const char32_t lastMark = lastCodePoint(s, end);
    if (lastMark >= 0x3400 && lastMark <= 0x9FFF) return false;
    std::vector<int> clauses;
    int n = 0;
    std::size_t at = 0;
    // An opening quote may stand before it and a closing one after it.
    if (s.starts_with("“") || s.starts_with("「")) at = 3;
    bool ended = false;
    while (at < s.size()) {
        const char32_t c = nextCodePoint(s, at);
        if (c == U'，' || c == U'、' || c == U'；' || c == U'。' || c == U'！' || c == U'？' || c == U'．' ||
            c == U',') {
            if (n == 0) return false;
            clauses.push_back(n);
            n = 0;
            ended = c != U'、';
        } else if (isCloser(c) && at == s.size()) {
            break;
        } else if (c < 0x3400 || isSpace(c)) {
            return false; // verse is made of ideographs
        } else {
            // Seven characters a clause and four clauses at most: prose stops here.
            if (++n > 7 || clauses.size() >= 4) return false;
            ended = false;
        }
    }
    if (n != 0 || !ended || (clauses.size() != 2 && clauses.size() != 4)) return false;
    const std::size_t half = clauses.size() / 2;
    for (std::size_t i = 0; i < clauses.size(); ++i)
        if (clauses[i] < 4 || clauses[i] > 7 || (i >= half && clauses[i] != clauses[i - half])) return false;
    return true;
}

bool introducesVerse(std::string_view utf8) {
    std::string_view s = withoutTrailingSpaces(utf8);
    if (!s.ends_with("：") && !s.ends_with(":")) return false;
    s = s.substr(0, s.size() - (s.ends_with(":") ? 1 : 3));
    for (const std::string_view word : {"詩曰", "诗曰", "詞曰", "词曰", "贊曰", "赞曰", "歌曰", "偈曰", "為證", "为证",
                                        "正是", "詩云", "诗云", "詞云", "词云", "又詩", "又诗", "有詩", "有诗"})
        if (s.ends_with(word)) return true;
    return false;
}

namespace {
std::vector<ParagraphMode> modesOf(const std::vector<ParagraphTally::Use>& uses) {
    std::vector<ParagraphMode> modes;
    for (const ParagraphTally::Use& u : uses)
        if (std::find(modes.begin(), modes.end(), u.layout.mode) == modes.end()) modes.push_back(u.layout.mode);
    return modes;
}
} // namespace

void ParagraphTally::add(const ParagraphLayout& layout, std::int64_t lines) {
    for (Use& u : uses)
        if (u.layout.mode == layout.mode && u.layout.wrapWidth == layout.wrapWidth &&
            u.layout.wrapVaries == layout.wrapVaries && u.layout.wrapInColumns == layout.wrapInColumns) {
            u.lines += lines;
            return;
        }
    uses.push_back({layout, lines});
}

std::size_t ParagraphTally::layouts() const {
    return modesOf(uses).size();
}

Text ParagraphTally::describe() const {
    if (uses.empty()) return paragraphModeText(ParagraphMode::Line);
    // Each mode once, with its widths: a text wrapped at 35 in one chapter and 37 in the next
    // has one layout.
    const std::vector<ParagraphMode> modes = modesOf(uses);
    Text t;
    for (const ParagraphMode m : modes) {
        std::vector<int> widths;
        bool varies = false;
        for (const Use& u : uses) {
            if (u.layout.mode != m) continue;
            varies |= u.layout.wrapVaries;
            const int w = u.layout.wrapInColumns ? u.layout.wrapWidth / 2 : u.layout.wrapWidth;
            if (w > 0 && std::find(widths.begin(), widths.end(), w) == widths.end()) widths.push_back(w);
        }
        if (!t.empty()) t += u"；";
        t += paragraphModeText(m);
        if (m == ParagraphMode::Line) continue;
        if (varies || widths.size() > 3) {
            t += u"（行宽不一）";
        } else if (!widths.empty()) {
            t += u"（每行 ";
            for (std::size_t i = 0; i < widths.size(); ++i) {
                if (i > 0) t += u"、";
                t += fromUtf8(std::to_string(widths[i]));
            }
            t += u" 字）";
        }
    }
    if (modes.size() > 1) {
        t += u"（";
        t += fromUtf8(std::to_string(modes.size()));
        t += u" 种排版）";
    }
    return t;
}

std::string ParagraphTally::modeNames() const {
    std::string names;
    for (const ParagraphMode m : modesOf(uses)) {
        if (!names.empty()) names += '+';
        names += paragraphModeName(m);
    }
    return names.empty() ? std::string(paragraphModeName(ParagraphMode::Line)) : names;
}

ParagraphLayout paragraphLayout(ParagraphMode mode, const std::vector<Text>& lines) {
    if (mode == ParagraphMode::Auto) return chooseParagraphLayout(lines);
    ParagraphLayout layout = chooseParagraphLayout(lines);
    layout.mode = mode;
    if (mode == ParagraphMode::Line) {
        layout.wrapWidth = 0;
        layout.wrapVaries = false;
    }
    return layout;
}

ParagraphLayout chooseParagraphLayout(const std::vector<Text>& sample) {
    std::vector<std::string> utf8;
    utf8.reserve(sample.size());
    for (const Text& t : sample)
        utf8.push_back(toUtf8(t));
    const std::vector<std::string_view> views(utf8.begin(), utf8.end());
    return judgeParagraphLayout(views).value_or(ParagraphLayout{});
}

std::optional<ParagraphLayout> judgeParagraphLayout(const std::vector<std::string_view>& utf8) {
    auto blank = [](std::string_view l) { return withoutTrailingSpaces(l).empty(); };
    std::vector<std::string_view> text;     // lines that hold text
    std::vector<char> kind(utf8.size(), 0); // of each line: 0 blank, 1 a separator, 2 text
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        if (blank(utf8[i])) continue;
        kind[i] = isSeparatorLine(utf8[i]) ? 1 : 2;
        if (kind[i] == 2) text.push_back(utf8[i]);
    }
    if (text.size() < 20) return std::nullopt;
    ParagraphLayout layout;

    // The indents: how deep the most of them go, and whether they are ideographic spaces.
    std::array<std::int64_t, 17> depths{}; // in columns, 16 and deeper counted as 16
    std::int64_t indented = 0, wide = 0;
    for (const std::string_view l : text) {
        const int d = std::min(16, indentColumns(l));
        ++depths[d];
        if (d > 0) {
            ++indented;
            if (l.starts_with("\u3000")) ++wide;
        }
    }
    layout.wideIndent = wide * 10 >= indented * 8;
    const auto n = static_cast<std::int64_t>(text.size());
    // Every line indented alike: the indent marks nothing, and only a deeper one is a block.
    const bool allIndented = indented * 10 >= n * 9;
    auto commonest = [&](int from) {
        int best = from;
        for (int d = from; d <= 16; ++d)
            if (depths[d] > depths[best]) best = d;
        return best;
    };

    const LineMeasures measures = measureLines(text);
    const Measured columns = wrapOf(measures.columns, true), chars = wrapOf(measures.chars, false);
    const bool inColumns = columns.near >= chars.near;
    const Measured& w = inColumns ? columns : chars;
    // Wrapped text piles its lines up at the width: many reach it, none pass it, and far fewer
    // stop just short of it. Unwrapped text thins out towards its longest lines. Ten
    // characters is less than any wrapping tool uses.
    // A wrap cuts anywhere, so most lines that reach the width end in the middle of a sentence;
    // lines that a site cut at a length of its own, each a paragraph, end their sentences.
    const int tol = tolerance(w.width, inColumns);
    // Each line's measure with its indent, as measured above for the lines of text.
    std::vector<int> widths(utf8.size(), 0);
    for (std::size_t i = 0, k = 0; i < utf8.size(); ++i) {
        if (kind[i] == 1) widths[i] = measure(utf8[i], inColumns);
        if (kind[i] == 2) widths[i] = (inColumns ? measures.columns : measures.chars)[k++].second;
    }
    auto fullAt = [&](std::size_t i) { return widths[i] >= w.width - tol; };
    std::int64_t fullLines = 0, fullOpen = 0;
    for (std::size_t i = 0; i < utf8.size(); ++i)
        if (kind[i] == 2 && fullAt(i)) {
            ++fullLines;
            if (!endsSentence(utf8[i])) ++fullOpen;
        }
    if (w.near < 0.08 || w.near < 2 * w.before || w.width < (inColumns ? 20 : 10) || fullOpen * 10 < fullLines * 6) {
        // Texts put together from several sources change their width from part to part; an
        // indent that starts each paragraph still shows: a minority of the lines carry one, and
        // the lines without one mostly go on from a line that ends no sentence.
        std::int64_t goingOn = 0, goingOnAfterOpenLine = 0;
        for (std::size_t i = 1; i < text.size(); ++i) {
            if (!isIndented(text[i])) {
                ++goingOn;
                if (!endsSentence(text[i - 1])) ++goingOnAfterOpenLine;
            }
        }
        if (indented * 20 >= n && indented * 10 <= n * 7 && goingOnAfterOpenLine * 10 >= goingOn * 8) {
            layout.mode = ParagraphMode::Indent;
            layout.wrapVaries = true;
            layout.indentColumns = commonest(1);
        }
        return layout;
    }
    layout.wrapWidth = w.width;
    layout.wrapInColumns = inColumns;

    // What follows a line that stops short of the width: the end of a paragraph, so what
    // follows marks the start of one.
    // The indent of a paragraph's first line: a line that reaches the width after one that
    // stops short (verse stops short too, and may be indented deeper).
    std::int64_t shortLines = 0, shortThenBlank = 0, shortThenIndent = 0;
    std::array<std::int64_t, 17> starts{};
    // Verse and blocks indented deep stop short by their nature, not where paragraphs end.
    const int deep = commonest(0) + 6;
    for (std::size_t i = 0; i + 1 < utf8.size(); ++i) {
        const std::string_view l = utf8[i];
        if (kind[i] != 2 || isVerseLine(l) || indentColumns(l) >= deep) continue;
        if (!fullAt(i)) {
            ++shortLines;
            if (kind[i + 1] == 0) ++shortThenBlank;
            std::size_t j = i + 1;
            while (j < utf8.size() && kind[j] == 0)
                ++j;
            if (j < utf8.size() && isIndented(utf8[j])) ++shortThenIndent;
            if (j < utf8.size() && fullAt(j)) ++starts[std::min(16, indentColumns(utf8[j]))];
        }
    }
    layout.indentColumns = static_cast<int>(std::max_element(starts.begin(), starts.end()) - starts.begin());
    if (!allIndented && shortLines > 0 && shortThenIndent * 10 >= shortLines * 8)
        layout.mode = ParagraphMode::Indent;
    else if (shortLines > 0 && shortThenBlank * 10 >= shortLines * 8)
        layout.mode = ParagraphMode::Blank;
    else
        layout.mode = ParagraphMode::Unwrap;
    if (layout.mode == ParagraphMode::Indent && layout.indentColumns == 0) layout.indentColumns = commonest(1);
    return layout;
}

ParagraphStage::ParagraphStage(ChapterSink& next, const ParagraphSettings& settings)
    : Stage(next), m_settings(settings), m_layout(settings.start) {}

bool ParagraphStage::wrappedBlock(std::string_view first) const {
    // A block is wrapped narrower than the prose around it; twenty characters or more is no
    // title, no item of a list and no couplet.
    const int width = localWidth();
    return width > 0 && measure(first, true) >= 40 && 5 * measure(first, m_layout.wrapInColumns) >= 3 * width;
}

int ParagraphStage::localWidth() const {
    // The width of the lines around, once there are enough of them: a text put together from
    // several sources is wrapped at another width from part to part.
    int width = m_layout.wrapWidth;
    if ((width > 0 || m_layout.wrapVaries) && m_recentCount >= kRecentMin) {
        // The second widest: one line run over does not set it.
        int first = 0, second = 0;
        for (std::size_t i = 0; i < std::min(m_recentCount, kRecent); ++i) {
            const int w = m_recent[i];
            if (w > first) {
                second = first;
                first = w;
            } else if (w > second) {
                second = w;
            }
        }
        width = second;
    }
    return width;
}

bool ParagraphStage::full(std::string_view utf8) const {
    const int width = localWidth();
    return width > 0 && measure(utf8, m_layout.wrapInColumns) >= width - tolerance(width, m_layout.wrapInColumns);
}

void ParagraphStage::remember(std::string_view utf8) {
    // Every fourth line is enough to know the width of the lines around (the window then
    // spans some 128 lines), and it spares measuring every line of a book.
    if (m_seen++ % 4 != 0) return;
    const int w = measure(withoutIndent(utf8), m_layout.wrapInColumns);
    // A paragraph on one line among wrapped ones says nothing of the width.
    if (m_layout.wrapWidth > 0 && w > 2 * m_layout.wrapWidth) return;
    m_recent[m_recentCount++ % kRecent] = w;
}

bool ParagraphStage::indentedHere(std::string_view utf8) const {
    // Where paragraphs start with ideographic spaces, an ASCII space at a line's start is a slip.
    if (m_layout.wideIndent) return utf8.starts_with("\u3000") || utf8.starts_with("\t");
    return isIndented(utf8);
}

bool ParagraphStage::deeper(std::string_view utf8) const {
    // Two columns past the paragraphs' indent (one ideographic space) is a block of its own.
    // Only a layout judged from the lines knows the indent of its paragraphs.
    return m_layout.mode != ParagraphMode::Line && (m_layout.wrapWidth > 0 || m_layout.wrapVaries) &&
           indentedHere(utf8) && indentColumns(utf8) >= m_layout.indentColumns + 2;
}

bool ParagraphStage::joins(const Line& next, bool verse) const {
    if (next.role() != LineRole::Body) return false;
    const std::string& t = next.text();
    if (withoutTrailingSpaces(t).empty()) return false; // a line of spaces kept as Body
    if (m_layout.mode == ParagraphMode::Auto || m_layout.mode == ParagraphMode::Line) return false;
    const std::string_view prev = last();
    // Verse and blocks indented deeper stay as written; verse after its introduction too.
    const std::string_view body = withoutIndent(t);
    // A block indented deeper stays as written, but for a line of it wrapped at the width.
    if (deeper(t)) return false;
    if (deeper(prev)) return !indentedHere(t) && full(prev) && !endsSentence(prev);
    if (introducesVerse(prev) && !body.starts_with("“") && !body.starts_with("「")) return false;
    if (startsGoingOn(body)) return true;
    // A couplet next to a line that stops short is verse; one that reaches the width may be
    // where a wrap fell.
    if ((m_lastVerse || verse) && !full(prev)) return false;
    switch (m_layout.mode) {
    case ParagraphMode::Auto:
    case ParagraphMode::Line:
        return false;
    case ParagraphMode::Indent:
        if (indentedHere(t)) {
            // A block indented as a whole (a letter, a song) is wrapped at a width of its own,
            // ragged where it was wrapped by hand, and a line's last characters may stand on a
            // line of their own: an indented line goes on while the block has not ended its
            // sentence, when the block's first line was wrapped (a title, an item of a list or
            // a line of verse is short).
            // The paragraph as joined: a closing mark wrapped onto a line of its own ends it too.
            if (endsSentence(m_text) || m_text.ends_with("：") || m_text.ends_with(":")) return false;
            const std::string_view first = m_lastIsFirst ? prev : std::string_view(m_first.text());
            return indentedHere(first) && wrappedBlock(first);
        }
        [[fallthrough]];
    case ParagraphMode::Blank:
        // A line that reaches the wrap width goes on whatever it ends with; one that stops short
        // (a Latin word or a closing mark moved on to the next line) goes on unless it ends a
        // sentence.
        // Most lines of a wrapped text end mid-sentence: measured only when it ends one.
        return !endsSentence(prev) || full(prev);
    case ParagraphMode::Unwrap: {
        // A wrap moves a Latin word or a number on whole, leaving the line before it short.
        std::size_t at = 0;
        // Old texts re-wrapped by hand stop a few characters short of the width, and not
        // always at the same place: three quarters of it is a wrapped line, a title or an item
        // of a list stops far shorter. Short of the width, a line that introduces what follows
        // (道：) ends there.
        if (endsSentence(prev)) return false;
        const int width = localWidth(), m = width > 0 ? measure(prev, m_layout.wrapInColumns) : 0;
        const bool reaches = width > 0 && m >= width - tolerance(width, m_layout.wrapInColumns);
        // Half the width and cut off in the middle of a word (an ideograph last, no mark):
        // a line broken where the scan broke it, whatever the next line starts with.
        std::size_t start = 0;
        const char32_t lastChar = lastCodePoint(withoutTrailingSpaces(prev), start);
        const bool midWord = lastChar >= 0x4E00 && lastChar <= 0x9FFF && 2 * m >= width;
        return reaches || (width > 0 && (4 * m >= 3 * width || midWord) && !prev.ends_with("：")) ||
               (!body.empty() && isLatinOrDigit(nextCodePoint(body, at)));
    }
    }
    return false;
}

void ParagraphStage::hold(const Line& l) {
    m_held = true;
    m_first = l;
    m_bytes.assign(l.bytes());
    m_mark.assign(l.mark());
    m_first.setBytes(m_bytes, m_mark);
    m_text.assign(withoutTrailingSpaces(l.text()));
    m_lastIsFirst = true;
    m_allIndented = indentedHere(l.text());
    m_ended = l.ended();
    m_replaced = l.replaced();
    m_lines = 1;
}

void ParagraphStage::append(const Line& l) {
    const std::string_view more = withoutTrailingSpaces(withoutIndent(l.text()));
    std::size_t at = 0, start = 0;
    // Chinese runs on without a space; two Latin words or numbers keep the one the wrap took.
    if (!more.empty() && isLatinOrDigit(lastCodePoint(m_text, start)) && isLatinOrDigit(nextCodePoint(more, at)))
        m_text += ' ';
    m_text += more;
    m_last.assign(l.text());
    m_lastIsFirst = false;
    m_allIndented = m_allIndented && indentedHere(l.text());
    m_ended = l.ended();
    m_replaced += l.replaced();
    ++m_lines;
}

bool ParagraphStage::flush() {
    if (!m_held) return true;
    m_held = false;
    if (m_lines > 1) {
        m_first.setEnded(m_ended);
        m_first.setText(std::move(m_text), m_replaced);
        m_text.clear();
    }
    return Stage::line(m_first);
}

void ParagraphStage::judge() {
    // The judgement reads some 160 to 320 lines of a long stretch, in runs spread over it: as
    // good a sample of its layout, at a fraction of the cost.
    constexpr std::size_t kJudged = 160, kRun = 32; // runs of lines kept whole: what follows a line counts
    std::vector<std::string_view> lines;
    std::int64_t body = 0, prose = 0;
    // Verse tells nothing of how the prose around it is laid out: couplets, and short lines as
    // long as the line next to them.
    auto verse = [&](std::size_t i) {
        const std::string_view t = m_stretch[i].text();
        if (isVerseLine(t)) return true;
        // Sixteen wide characters at most (32 columns take no more than 64 bytes): longer
        // lines are not measured.
        const std::string_view rest = withoutIndent(t);
        if (rest.size() > 64) return false;
        const int w = measure(rest, true);
        // The next line of text either way, over blank lines.
        auto same = [&](std::size_t j, int step) {
            while (j < m_count && m_stretch[j].role() == LineRole::Blank)
                j += step;
            if (j >= m_count || m_stretch[j].role() != LineRole::Body) return false;
            const std::string_view other = withoutIndent(m_stretch[j].text());
            return other.size() <= 64 && measure(other, true) == w;
        };
        return w > 0 && w <= 32 && (same(i + 1, 1) || same(i - 1, -1));
    };
    const std::size_t stride = std::max<std::size_t>(1, m_count / kJudged);
    for (std::size_t i = 0; i < m_count; ++i) {
        const Line& l = m_stretch[i];
        if (l.role() == LineRole::Body) ++body;
        if ((i / kRun) % stride != 0) continue;
        if (l.role() == LineRole::Blank) {
            lines.push_back(l.text());
        } else if (l.role() == LineRole::Body && !verse(i)) {
            lines.push_back(l.text());
            ++prose;
        }
    }
    // A short stretch tells its layout too faintly: it keeps the layout before it.
    constexpr std::int64_t kJudgeMin = 60;
    std::optional<ParagraphLayout> judged;
    if (prose * static_cast<std::int64_t>(stride) >= kJudgeMin) judged = judgeParagraphLayout(lines);
    if (judged && judged->mode == ParagraphMode::Line && m_layout.wrapWidth > 0) {
        // A short chapter of verse or a list looks unwrapped on its own: while a good share of
        // its lines still reach the width of the text before and end mid-sentence, it is wrapped so.
        const int w = m_layout.wrapWidth, tol = tolerance(w, m_layout.wrapInColumns);
        std::size_t text = 0, wrapped = 0;
        for (const std::string_view l : lines) {
            if (withoutTrailingSpaces(l).empty()) continue;
            ++text;
            const int m = measure(withoutIndent(l), m_layout.wrapInColumns);
            if (m >= w - tol && m <= w + 1 && !endsSentence(l)) ++wrapped;
        }
        if (wrapped * 6 >= text) judged.reset();
    }
    if (judged) {
        if (m_settings.mode != ParagraphMode::Auto) {
            const ParagraphMode named = m_settings.mode;
            judged->mode = named;
            if (named == ParagraphMode::Line) judged->wrapWidth = 0;
        }
        m_layout = *judged;
        // The widths of the lines before belong to another part of the book; the stretch's own
        // first lines tell the width from its first line on.
        m_recentCount = m_seen = 0;
        for (std::size_t i = 0; i < m_count && m_recentCount < kRecent; ++i)
            if (m_stretch[i].role() == LineRole::Body) remember(m_stretch[i].text());
        m_seen = 0;
    }
    if (m_settings.tally && body > 0) m_settings.tally->add(m_layout, body);
}

bool ParagraphStage::take(std::size_t i) {
    const Line& l = m_stretch[i];
    // One line a paragraph joins nothing: neither verse nor the widths around matter there.
    const bool body = l.role() == LineRole::Body && m_layout.mode != ParagraphMode::Line;
    const bool verse = body && isVerseLine(l.text());
    if (body) remember(l.text());
    if (m_held && joins(l, verse)) {
        append(l);
        m_lastVerse = verse;
        return true;
    }
    // A blank line inside a sentence is a page break of the book the text was scanned from: a
    // line that reaches the width and ends no sentence, one blank line, and a line that goes on
    // without an indent.
    // Where an indent starts paragraphs, a line without one after a blank line goes on even
    // when the line before stops short; inside a block indented as a whole, an indented one may.
    if (m_held && l.role() == LineRole::Blank && i + 1 < m_count && m_layout.mode != ParagraphMode::Line &&
        (m_layout.wrapWidth > 0 || m_layout.wrapVaries) && m_stretch[i + 1].role() == LineRole::Body &&
        !endsSentence(last()) && (full(last()) || m_layout.mode == ParagraphMode::Indent || m_allIndented) &&
        (!indentedHere(m_stretch[i + 1].text()) || m_allIndented) &&
        joins(m_stretch[i + 1], isVerseLine(m_stretch[i + 1].text())))
        return true;
    if (!flush()) return false;
    if (l.role() == LineRole::Body && !withoutTrailingSpaces(l.text()).empty()) {
        hold(l);
        m_lastVerse = verse;
        return true;
    }
    if (l.role() == LineRole::Blank && m_settings.dropBlank) return true;
    return Stage::line(l);
}

bool ParagraphStage::release() {
    if (m_count == 0) return true;
    // The arena no longer grows: the lines may point into it now.
    std::size_t at = 0;
    for (std::size_t i = 0; i < m_count; ++i) {
        const std::string_view arena = m_arena;
        m_stretch[i].setBytes(arena.substr(at, m_sizes[2 * i]), arena.substr(at + m_sizes[2 * i], m_sizes[2 * i + 1]));
        at += m_sizes[2 * i] + m_sizes[2 * i + 1];
    }
    judge();
    bool ok = true;
    for (std::size_t i = 0; i < m_count && ok; ++i)
        ok = take(i);
    m_count = 0;
    m_arena.clear();
    m_sizes.clear();
    return ok;
}

bool ParagraphStage::beginChapter(const ChapterStart& c) {
    return release() && flush() && Stage::beginChapter(c);
}

bool ParagraphStage::line(const Line& l) {
    (void)l.text(); // decoded once, and the copy keeps it
    if (m_count == m_stretch.size()) m_stretch.emplace_back();
    m_stretch[m_count++] = l;
    m_arena.append(l.bytes());
    m_arena.append(l.mark());
    m_sizes.push_back(l.bytes().size());
    m_sizes.push_back(l.mark().size());
    if (m_count >= kStretchLines || m_arena.size() >= kStretchBytes) return release();
    return true;
}

bool ParagraphStage::endChapter() {
    return release() && flush() && Stage::endChapter();
}

bool ParagraphStage::close(bool complete) {
    // An unfinished run gets no more of its text.
    const bool ok = !complete || (release() && flush());
    return Stage::close(complete && ok) && ok;
}

StageMaker paragraphStage(const ParagraphSettings& settings) {
    return [settings](ChapterSink& next) { return std::make_unique<ParagraphStage>(next, settings); };
}

} // namespace pw

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

bool isSpace(char32_t c) { return c == U' ' || c == U'\t' || c == U'\u3000' || c == U'\u00A0'; }

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
    case U'。': case U'！': case U'？': case U'!': case U'?': case U'…': case U'⋯': case U'—': case U'．': case U'.':
        return true;
    default:
        return false;
    }
}

bool isCloser(char32_t c) {
    switch (c) {
    case U'”': case U'’': case U'」': case U'』': case U'）': case U')': case U'】': case U'〉': case U'》': case U'"': case U'\'':
        return true;
    default:
        return false;
    }
}

bool isLatinOrDigit(char32_t c) { return (c >= U'0' && c <= U'9') || (c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z'); }

// The tolerance around a wrap width: wrapping tools move a closing mark or a short Latin word
// to the next line, so a line that goes on may stop a little short of the width.
int tolerance(int width, bool columns) { return std::max(columns ? 2 : 1, width / 10); }

struct Measured {
    int width = 0;
    double near = 0;   // share of the lines within the tolerance of the width
    double before = 0; // share of the lines in a band twice as wide just short of that
};

// The width that a wrapped text's lines reach and do not pass, and how many lines reach it. A
// paragraph's first line may hold its indent within the width or before it, so it counts as
// reaching the width either way.
Measured wrapOf(const std::vector<std::string_view>& lines, bool columns) {
    std::vector<std::pair<int, int>> m; // without the indent, with it
    m.reserve(lines.size());
    for (const std::string_view l : lines)
        m.emplace_back(measure(withoutIndent(l), columns), measure(l, columns));
    std::vector<int> widths;
    widths.reserve(m.size());
    for (const auto& [without, with] : m)
        widths.push_back(without);
    std::sort(widths.begin(), widths.end());
    Measured r;
    // Nearly every line stays within it: a title or a note may run over.
    r.width = widths[(widths.size() - 1) * 99 / 100];
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

} // namespace

std::string_view paragraphModeName(ParagraphMode m) {
    switch (m) {
    case ParagraphMode::Auto: return "auto";
    case ParagraphMode::Line: return "line";
    case ParagraphMode::Blank: return "blank";
    case ParagraphMode::Indent: return "indent";
    case ParagraphMode::Unwrap: return "unwrap";
    }
    return "line";
}

std::optional<ParagraphMode> paragraphModeNamed(std::string_view name) {
    for (const ParagraphMode m : {ParagraphMode::Auto, ParagraphMode::Line, ParagraphMode::Blank, ParagraphMode::Indent,
                                  ParagraphMode::Unwrap})
        if (paragraphModeName(m) == name) return m;
    return std::nullopt;
}

Text paragraphModeText(ParagraphMode m) {
    switch (m) {
    case ParagraphMode::Auto: return u"自动";
    case ParagraphMode::Line: return u"每行一段";
    case ParagraphMode::Blank: return u"空行分段";
    case ParagraphMode::Indent: return u"缩进分段";
    case ParagraphMode::Unwrap: return u"按行宽合并";
    }
    return u"每行一段";
}

Text ParagraphLayout::describe() const {
    Text t = paragraphModeText(mode);
    if (wrapVaries && mode != ParagraphMode::Line) t += u"（行宽不一）";
    else if (wrapWidth > 0 && mode != ParagraphMode::Line)
        t += u"（每行 " + fromUtf8(std::to_string(wrapInColumns ? wrapWidth / 2 : wrapWidth)) + u" 字）";
    return t;
}

int displayWidth(std::string_view utf8) { return measure(utf8, true); }

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
    std::vector<std::string_view> text; // lines that hold text
    for (const std::string& l : utf8)
        if (!withoutTrailingSpaces(l).empty() && !isSeparatorLine(l)) text.push_back(l);
    ParagraphLayout layout;
    if (text.size() < 20) return layout;

    const Measured columns = wrapOf(text, true), chars = wrapOf(text, false);
    const bool inColumns = columns.near >= chars.near;
    const Measured& w = inColumns ? columns : chars;
    // Wrapped text piles its lines up at the width: many reach it, none pass it, and far fewer
    // stop just short of it. Unwrapped text thins out towards its longest lines. Ten
    // characters is less than any wrapping tool uses.
    // A wrap cuts anywhere, so most lines that reach the width end in the middle of a sentence;
    // lines that a site cut at a length of its own, each a paragraph, end their sentences.
    const int tol = tolerance(w.width, inColumns);
    auto full = [&](std::string_view l) { return measure(l, inColumns) >= w.width - tol; };
    std::int64_t fullLines = 0, fullOpen = 0;
    for (const std::string_view l : text)
        if (full(l)) {
            ++fullLines;
            if (!endsSentence(l)) ++fullOpen;
        }
    if (w.near < 0.08 || w.near < 2 * w.before || w.width < (inColumns ? 20 : 10) || fullOpen * 10 < fullLines * 6) {
        // Texts put together from several sources change their width from part to part; an
        // indent that starts each paragraph still shows: a minority of the lines carry one, and
        // the lines without one mostly go on from a line that ends no sentence.
        std::int64_t indented = 0, goingOn = 0, goingOnAfterOpenLine = 0;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (isIndented(text[i])) {
                ++indented;
            } else if (i > 0) {
                ++goingOn;
                if (!endsSentence(text[i - 1])) ++goingOnAfterOpenLine;
            }
        }
        const auto n = static_cast<std::int64_t>(text.size());
        if (indented * 20 >= n && indented * 10 <= n * 7 && goingOnAfterOpenLine * 10 >= goingOn * 8) {
            layout.mode = ParagraphMode::Indent;
            layout.wrapVaries = true;
        }
        return layout;
    }
    layout.wrapWidth = w.width;
    layout.wrapInColumns = inColumns;

    // What follows a line that stops short of the width: the end of a paragraph, so what
    // follows marks the start of one.
    auto blank = [](std::string_view l) { return withoutTrailingSpaces(l).empty(); };
    std::int64_t shortLines = 0, shortThenBlank = 0, shortThenIndent = 0;
    for (std::size_t i = 0; i + 1 < utf8.size(); ++i) {
        const std::string_view l = utf8[i];
        if (blank(l) || isSeparatorLine(l)) continue;
        if (!full(l)) {
            ++shortLines;
            if (blank(utf8[i + 1])) ++shortThenBlank;
            std::size_t j = i + 1;
            while (j < utf8.size() && blank(utf8[j]))
                ++j;
            if (j < utf8.size() && isIndented(utf8[j])) ++shortThenIndent;
        }
    }
    if (shortLines > 0 && shortThenIndent * 10 >= shortLines * 8)
        layout.mode = ParagraphMode::Indent;
    else if (shortLines > 0 && shortThenBlank * 10 >= shortLines * 8)
        layout.mode = ParagraphMode::Blank;
    else
        layout.mode = ParagraphMode::Unwrap;
    return layout;
}

ParagraphStage::ParagraphStage(ChapterSink& next, const ParagraphLayout& layout, bool dropBlank)
    : Stage(next), m_layout(layout), m_dropBlank(dropBlank) {}

bool ParagraphStage::full(std::string_view utf8) const {
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
    return width > 0 && measure(utf8, m_layout.wrapInColumns) >= width - tolerance(width, m_layout.wrapInColumns);
}

void ParagraphStage::remember(std::string_view utf8) {
    // Every fourth line is enough to know the width of the lines around (the window then
    // spans some 128 lines), and it spares measuring every line of a book.
    if (m_seen++ % 4 != 0) return;
    m_recent[m_recentCount++ % kRecent] = measure(withoutIndent(utf8), m_layout.wrapInColumns);
}

bool ParagraphStage::joins(const Line& next) const {
    if (next.role() != LineRole::Body) return false;
    const std::string& t = next.text();
    if (withoutTrailingSpaces(t).empty()) return false; // a line of spaces kept as Body
    switch (m_layout.mode) {
    case ParagraphMode::Auto:
    case ParagraphMode::Line:
        return false;
    case ParagraphMode::Indent:
        if (isIndented(t)) return false;
        [[fallthrough]];
    case ParagraphMode::Blank:
        // A line that reaches the wrap width goes on whatever it ends with; one that stops short
        // (a Latin word or a closing mark moved on to the next line) goes on unless it ends a
        // sentence.
        // Most lines of a wrapped text end mid-sentence: measured only when it ends one.
        return !endsSentence(last()) || full(last());
    case ParagraphMode::Unwrap:
        return !endsSentence(last()) && full(last());
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

bool ParagraphStage::beginChapter(const ChapterStart& c) { return flush() && Stage::beginChapter(c); }

bool ParagraphStage::line(const Line& l) {
    if (l.role() == LineRole::Body) remember(l.text());
    if (m_held && joins(l)) {
        append(l);
        return true;
    }
    if (!flush()) return false;
    if (l.role() == LineRole::Body && !withoutTrailingSpaces(l.text()).empty()) {
        hold(l);
        return true;
    }
    if (l.role() == LineRole::Blank && m_dropBlank) return true;
    return Stage::line(l);
}

bool ParagraphStage::endChapter() { return flush() && Stage::endChapter(); }

bool ParagraphStage::close(bool complete) {
    // An unfinished run gets no more of its text.
    const bool ok = !complete || flush();
    return Stage::close(complete && ok) && ok;
}

StageMaker paragraphStage(const ParagraphLayout& layout, bool dropBlank) {
    return [layout, dropBlank](ChapterSink& next) { return std::make_unique<ParagraphStage>(next, layout, dropBlank); };
}

} // namespace pw

#include "support/novel.h"

#include "support/corpus.h"

#include <algorithm>
#include <array>
#include <memory>
#include <random>
#include <stdexcept>
#include <unicode/translit.h>
#include <unicode/ucnv.h>
#include <unicode/unistr.h>
#include <unicode/utf8.h>

namespace pwtest {

namespace {

using Kind = PlantedLine::Kind;
using Level = PlantedLine::Level;

// Prose never holds 第, so the planted lines are the only ones a 第 pattern can find. It does
// hold 章 and 回, and the 1, 曰： and line-final 回 that the scan tests' other patterns look for.
const std::array kPhrases = {
    "天色渐渐暗了下来", "他回到屋里坐下",   "窗外下着细雨",   "众人都笑了起来", "这篇文章写得极好",
    "桌上放着一方印章", "子曰：学而时习之", "她低头不语",     "远处传来钟声",   "说完便转身走了",
    "1987年的冬天",     "河水向东流去",     "老人摇了摇头",   "门外有人敲门",   "两人相视一笑",
    "这一回他没有说话", "山路十分难走",     "灯下读书到深夜", "他去了又回",     "风吹得树叶沙沙作响",
};
// Short titles with a comma that end a sentence: headings all the same.
const std::array kCommaTitles = {"来吧，决战！", "等等，你是谁？", "好，很好。",
                                 "师兄，救我！", "醒来，天亮了。", "不，我不走！"};
// The brackets web novels set a heading in: the heading inside, or its number only.
const std::array<std::array<const char*, 2>, 5> kBrackets = {
    {{"【", "】"}, {"〖", "〗"}, {"「", "」"}, {"『", "』"}, {"[", "]"}}};
const std::array kTitles = {"风起云涌", "夜宿古寺", "故人重逢", "雪夜访友", "江上送别",
                            "初入京城", "月下独酌", "大漠孤烟", "归去来兮", "柳暗花明"};
// Read as GB18030 bytes across their character boundaries they hold 第 (B5 DA) and 章 (D5 C2),
// or 第 and 回 (BB D8), close enough for the default pattern to match bytes that are no heading.
const std::array kTrickyPhrases = {"作业讴歌日落", "价值讵料一丐之言", "日落西山"};
const std::array kFourBytePhrases = {"\U00020000\U00020001之字", "笑道\U0001F600", "\U0002A6A5字难认"};

struct FalseLine {
    const char* text;
    bool longParagraph; // set inside a long paragraph rather than standing alone
};
// Prose with 第 in it: matched by 第(.){1,10}章, by 第(.){1,10}回, or by neither.
const std::array kFalseLines = {
    FalseLine{"第一是这篇文章写得好，第二是写得真。", true},
    FalseLine{"第四本书记载着这一章的来历，无人知晓。", false},
    FalseLine{"　　他翻开书，念到“第三章”那一页，忽然停住了。", false},
    FalseLine{"第二天他回到家中，天已黑了。", false},
    FalseLine{"　　第一次见到这样好看的字和文章，他愣住了。", false},
    FalseLine{"第五个人走进门来。", false},
    FalseLine{"第七十七回，他已经读过三遍了。", false},
};

// The false lines of web novels: prose quoting a chapter, an author's note, a navigation line
// left by the site the file was downloaded from.
const std::array kWebFalseLines = {
    "　　他想起第十章里写过的话，心里一阵发酸。",
    "第十章的时候，他还只是个外门弟子，如今已是一峰之主。",
    "（第10章写完了，感谢大家的支持！）",
    "上一章：第9章 夜雨 目录 下一章",
    "读到第10章，她忍不住笑出了声。",
};
// How a chapter published in parts marks them: part 1, 2, 3 of each style.
const std::array<std::array<const char*, 3>, 4> kPartMarks = {{
    {"（上）", "（中）", "（下）"},
    {"(1)", "(2)", "(3)"},
    {" 上", " 中", " 下"},
    {"之一", "之二", "之三"},
}};

const std::array kBlankLines = {"   ", "\u3000\u3000", "\t", " \t\u3000 "};

std::string utf8Of(char32_t c) {
    std::string s;
    icu::UnicodeString(static_cast<UChar32>(c)).toUTF8String(s);
    return s;
}

std::string fullWidth(int n) {
    std::string s;
    for (const char c : std::to_string(n))
        s += utf8Of(U'０' + static_cast<char32_t>(c - '0'));
    return s;
}

// One line as the generator builds it: its text, and where a bad byte goes (npos: nowhere).
struct RawLine {
    std::string text;
    std::size_t badAt = std::string::npos;
};

bool isBig5(const NovelOptions& o) {
    return o.encoding == NovelEncoding::Big5;
}

// What Big5 cannot write is left out of a Big5 novel.
NovelOptions fitted(NovelOptions o) {
    if (isBig5(o)) o.fourByteChars = false;
    if (o.webNovel) o.chapterWord = U'章';
    return o;
}

class Writer {
public:
    explicit Writer(const NovelOptions& o) : m_o(fitted(o)), m_rng(o.seed) {
        UErrorCode status = U_ZERO_ERROR;
        m_cnv = ucnv_open(pw::traitsOf(coreEncoding(o.encoding)).converter, &status);
        if (U_FAILURE(status)) throw std::runtime_error("ICU converter unavailable");
        ucnv_setFromUCallBack(m_cnv, UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
        if (nameOf(o.encoding).ends_with("bom")) m_novel.bytes = pw::traitsOf(coreEncoding(o.encoding)).bom;
        if (isBig5(o)) {
            m_traditional.reset(icu::Transliterator::createInstance("Hans-Hant", UTRANS_FORWARD, status));
            if (U_FAILURE(status)) throw std::runtime_error("ICU transliterator Hans-Hant unavailable");
        }
        m_novel.options = m_o;
    }
    ~Writer() { ucnv_close(m_cnv); }
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;

    Novel run() {
        if (m_o.preamble) preamble();
        if (m_o.webNovel) {
            plant(below(2) ? "序章　" + pick(kTitles) : "楔子", Kind::True, Level::Chapter, std::nullopt);
            chapterBody(0);
        }
        if (m_o.unnumberedChapters && !m_o.webNovel) {
            plant("楔子　" + pick(kTitles), Kind::True, Level::Chapter, std::nullopt);
            chapterBody(0);
        }
        for (int n = 1; n <= m_o.chapters; ++n) {
            const bool last = n == m_o.chapters;
            if (m_o.volumes && n % 10 == 1 && !(m_o.volumesOnChapterLines && !m_o.webNovel)) {
                const int v = n / 10 + 1;
                plant("第" + number(v) + utf8Of(m_o.volumeWord) + "　" + pick(kTitles), Kind::True, Level::Volume, v);
            }
            const auto listed = [n](const std::vector<int>& l) { return std::find(l.begin(), l.end(), n) != l.end(); };
            if (listed(m_o.skipChapters)) continue;
            const int written = m_o.restartPerVolume && m_o.volumes ? (n - 1) % 10 + 1 : n;
            if (m_o.webNovel) {
                webChapter(n, written, listed(m_o.repeatChapters) ? 2 : 1);
                continue;
            }
            for (int copy = listed(m_o.repeatChapters) ? 2 : 1; copy > 0; --copy) {
                if (m_o.volumes && m_o.volumesOnChapterLines) {
                    const int v = (n - 1) / 10 + 1;
                    plant(volumeChapterHeading(n, v, written), Kind::True, Level::Chapter, written);
                    m_novel.planted.back().volume = v;
                } else {
                    const std::string heading = chapterHeading(written);
                    plant(heading, Kind::True, Level::Chapter, written);
                    if (m_o.headingCopies && n % 4 == 2) {
                        add({below(2) ? "小说天堂 www.xiaoshuotxt.net" : "　　（作者的话：上一章漏掉了一个细节）"});
                        plant(heading, Kind::False, Level::Chapter, written);
                        m_novel.planted.back().copy = true;
                    }
                }
                if (last && m_o.headingOnLastLine) break;
                chapterBody(n);
            }
        }
        if (m_o.webNovel) extras();
        if (m_o.unnumberedChapters && !m_o.webNovel && !m_o.headingOnLastLine)
            for (const char* word : {"尾声", "完本感言"}) {
                plant(word, Kind::True, Level::Chapter, std::nullopt);
                chapterBody(0);
            }
        if (m_o.contentsAtStart) contents();
        finish();
        return std::move(m_novel);
    }

private:
    std::size_t below(std::size_t n) { return static_cast<std::size_t>(m_rng() % n); }
    template <typename A> std::string pick(const A& a) { return a[below(a.size())]; }

    // A chapter's or volume's number in Chinese, in the novel's style.
    std::string number(int n) { return chineseNumber(n, m_o.numerals); }
    std::string title() { return m_o.commaTitles && below(3) == 0 ? pick(kCommaTitles) : pick(kTitles); }
    // Some headings set in brackets: the whole heading, or the part up to the title.
    std::string bracketed(const std::string& head, const std::string& gap, const std::string& title) {
        if (!m_o.bracketHeadings || below(4) != 0) return head + gap + title;
        std::size_t kind = below(kBrackets.size());
        if (isBig5(m_o) && kind == 1) kind = 0; // Big5 has no 〖〗
        const auto& b = kBrackets[kind];
        return below(2) ? b[0] + head + gap + title + b[1] : b[0] + head + b[1] + gap + title;
    }

    void preamble() {
        add({"《" + pick(kTitles) + "》"});
        add({""});
        add({"作者：佚名"});
        add({"内容简介：本书共" + chineseNumber(m_o.chapters) + utf8Of(m_o.chapterWord) + "，讲一个人回到故乡的事。"});
        add({"　　" + prose(2)});
        add({""});
    }

    // Every form real files use, the first chapters taking each in turn so that even a short
    // novel holds all of them.
    std::string chapterHeading(int n) {
        const std::string word = utf8Of(m_o.chapterWord), number = this->number(n), title = this->title();
        const std::size_t form = n <= 6 ? static_cast<std::size_t>(n - 1) : below(6);
        switch (form) {
        case 0:
            return bracketed("第" + number + word, "", "");
        case 1:
            return bracketed("第" + number + word, "　", title);
        case 2:
            return "第" + fullWidth(n) + word;
        case 3:
            return "第 " + std::to_string(n) + " " + word + " " + title;
        case 4:
            return "　　第" + number + word;
        default:
            return "　" +
                   bracketed("第" + number + word, "   ", m_o.fourByteChars && n % 2 ? pick(kFourBytePhrases) : title);
        }
    }

    // A chapter's line that names its volume, every other volume behind its season of three
    // volumes: 第一季 第二卷 怒海潜沙 第一章 蛇眉铜鱼, or glued as 第六册第六十章.
    std::string volumeChapterHeading(int n, int volume, int written) {
        const std::string word = utf8Of(m_o.chapterWord), unit = utf8Of(m_o.volumeWord);
        const std::string chapter = "第" + number(written) + word;
        if (volume % 2 == 0) return "第" + number(volume) + unit + chapter;
        return "第" + number((volume - 1) / 3 + 1) + "季 第" + number(volume) + unit + " " + pick(kTitles) + " " +
               chapter + (n % 3 ? " " + title() : "");
    }

    // A web novel's chapter: one heading form for all its copies and parts. Every ninth chapter
    // (from the fifth) comes in two or three parts, the part marks taking each style in turn.
    void webChapter(int n, int written, int copies) {
        const int volume = (n - 1) / 10 + 1;
        const std::size_t form = n <= 10 ? static_cast<std::size_t>(n - 1) : below(10);
        const std::string title = this->title();
        const int parts = n % 9 == 5 ? 2 + (n / 36) % 2 : 1;
        const std::size_t style = static_cast<std::size_t>(n / 9) % kPartMarks.size();
        const auto& marks = kPartMarks[style];
        for (int copy = copies; copy > 0; --copy) {
            for (int part = 1; part <= parts; ++part) {
                // Two parts are 上 and 下 (but (1) and (2)), three 上, 中 and 下.
                const bool upDown = style == 0 || style == 2;
                const std::size_t mark = static_cast<std::size_t>(upDown && parts == 2 && part == 2 ? 3 : part) - 1;
                const std::string heading = webHeading(form, written, volume, parts > 1 ? title + marks[mark] : title);
                const bool withVolume = form == 6 || form == 7 || form == 8;
                m_novel.planted.push_back(
                    {static_cast<std::int64_t>(m_lines.size() + 1), script(heading), Kind::True, Level::Chapter,
                     written, withVolume ? std::optional<int>(volume) : std::nullopt, parts > 1 ? part : 0});
                add({heading});
                chapterBody(n);
            }
        }
    }

    // The forms download sites and web authors use, the first ten chapters taking each in turn.
    std::string webHeading(std::size_t form, int n, int volume, const std::string& title) {
        const std::string number = std::to_string(n);
        switch (form) {
        case 0:
            return bracketed("第" + number + "章", " ", title);
        case 1: {
            std::string padded = number;
            if (padded.size() < 4) padded.insert(0, 4 - padded.size(), '0');
            return "第" + padded + "章 " + title;
        }
        case 2:
            return "正文 第" + number + "章 " + title;
        case 3:
            return "正文卷 第" + number + "章 " + title;
        case 4:
            return "VIP卷 第" + number + "章 " + title;
        case 5:
            return "VIP章节 第" + number + "章 " + title;
        case 6:
            return "卷" + this->number(volume) + " 第" + number + "章 " + title;
        case 7:
            return "第" + std::to_string(volume) + "卷 " + pick(kTitles) + " 第" + number + "章 " + title;
        case 8:
            return "第" + this->number(volume) + "卷　第" + this->number(n) + "章　" + title;
        default:
            return bracketed("第" + this->number(n) + "章", "：", title);
        }
    }

    // After the last chapter: extra chapters numbered from 1 behind the label 番外, then 尾声 and 后记.
    void extras() {
        for (int n = 1; n <= 2; ++n) {
            plant("番外 第" + std::to_string(n) + "章 " + pick(kTitles), Kind::True, Level::Chapter, n);
            chapterBody(0);
        }
        plant("尾声", Kind::True, Level::Chapter, std::nullopt);
        chapterBody(0);
        plant("后记", Kind::True, Level::Chapter, std::nullopt);
        chapterBody(0);
    }

    // A table of contents after the preamble: 目录, then a copy of every volume's and chapter's
    // heading line, as download sites put one before the text.
    void contents() {
        std::size_t at = 0; // after the preamble
        while (at < m_lines.size() &&
               (m_novel.planted.empty() || static_cast<std::int64_t>(at + 1) < m_novel.planted.front().line))
            ++at;
        std::vector<RawLine> block{{script("目录")}};
        std::vector<PlantedLine> listed;
        for (const PlantedLine& p : m_novel.planted) {
            if (p.kind != Kind::True || p.level == Level::Section) continue;
            if (below(4) == 0) block.push_back({""});
            PlantedLine copy = p;
            copy.kind = Kind::False;
            copy.contents = true;
            copy.line = static_cast<std::int64_t>(at + block.size() + 1);
            listed.push_back(copy);
            block.push_back({m_lines[static_cast<std::size_t>(p.line - 1)].text});
        }
        block.push_back({""});
        for (PlantedLine& p : m_novel.planted)
            p.line += static_cast<std::int64_t>(block.size());
        m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(at), block.begin(), block.end());
        m_novel.planted.insert(m_novel.planted.begin(), listed.begin(), listed.end());
    }

    void chapterBody(int n) {
        const int paragraphs = std::max(1, m_o.paragraphs / 2 + static_cast<int>(below(m_o.paragraphs + 1)));
        const int falseAt = m_o.falseHeadings ? static_cast<int>(below(paragraphs + 1)) : -1;
        int section = 0;
        for (int p = 0; p < paragraphs; ++p) {
            if (m_o.sections && !m_o.webNovel && n % 3 == 2 && p % 3 == 0) {
                ++section;
                plant("第" + chineseNumber(section) + "节", Kind::True, Level::Section, section);
            }
            if (p == falseAt) falseHeading();
            add(paragraph());
            blank();
        }
    }

    void falseHeading() {
        if (m_o.webNovel) {
            plant(kWebFalseLines[m_falseCount++ % kWebFalseLines.size()], Kind::False, Level::None, std::nullopt);
            return;
        }
        const FalseLine& f = kFalseLines[m_falseCount++ % kFalseLines.size()];
        plant(f.longParagraph ? "　　" + prose(12) + "。" + f.text + prose(10) + "。" : f.text, Kind::False,
              Level::None, std::nullopt);
    }

    RawLine paragraph() {
        RawLine l{"　　"};
        const int phrases = std::max(1, m_o.paragraphChars / 8);
        for (int i = 0; i < phrases; ++i) {
            l.text += phrase();
            if (m_o.badBytes && i == 1 && below(40) == 0) l.badAt = l.text.size();
            if (i + 1 < phrases) l.text += below(3) ? "，" : "。";
        }
        const std::size_t end = below(4);
        l.text += end == 0 ? "" : end == 1 ? "！" : "。";
        return l;
    }

    std::string phrase() {
        const std::size_t kind = below(30);
        if (kind == 0 && m_o.trickyBytes) return pick(kTrickyPhrases);
        if (kind == 1 && m_o.fourByteChars) return pick(kFourBytePhrases);
        return pick(kPhrases);
    }
    std::string prose(int phrases) {
        std::string s;
        for (int i = 0; i < phrases; ++i)
            s += (i ? "，" : "") + pick(kPhrases);
        return s;
    }

    void blank() {
        const std::size_t kind = below(6);
        if (kind < 3) add({""});
        if (kind == 3 && m_o.oddBlankLines) add({pick(kBlankLines)});
    }

    void plant(const std::string& text, Kind kind, Level level, std::optional<int> number) {
        m_novel.planted.push_back(
            {static_cast<std::int64_t>(m_lines.size() + 1), script(text), kind, level, number, std::nullopt, 0});
        add({text});
    }
    void add(RawLine l) {
        if (l.badAt != std::string::npos) l.badAt = script(l.text.substr(0, l.badAt)).size();
        l.text = script(l.text);
        m_lines.push_back(std::move(l));
    }
    // The text in the novel's script: traditional characters for Big5.
    std::string script(const std::string& utf8) {
        if (!m_traditional) return utf8;
        icu::UnicodeString u = icu::UnicodeString::fromUTF8(utf8);
        m_traditional->transliterate(u);
        std::string out;
        return u.toUTF8String(out);
    }
    // Bytes that do not decode, at a character boundary: each reads as one U+FFFD.
    std::string badBytes() const {
        switch (m_o.encoding) {
        case NovelEncoding::Utf16Le:
        case NovelEncoding::Utf16LeBom:
            return std::string("\x00\xD8", 2); // a high surrogate with no low one after it
        case NovelEncoding::Utf16Be:
        case NovelEncoding::Utf16BeBom:
            return std::string("\xD8\x00", 2);
        case NovelEncoding::Big5:
            return "\x81\x80"; // a lead byte with a second byte Big5 does not pair with it
        default:
            return "\xFF";
        }
    }

    std::string encode(const std::string& utf8) {
        const icu::UnicodeString u = icu::UnicodeString::fromUTF8(utf8);
        std::string out(static_cast<std::size_t>(u.length()) * 4 + 4, '\0');
        UErrorCode status = U_ZERO_ERROR;
        const int32_t n =
            ucnv_fromUChars(m_cnv, out.data(), static_cast<int32_t>(out.size()), u.getBuffer(), u.length(), &status);
        if (U_FAILURE(status)) throw std::runtime_error("cannot encode " + utf8);
        out.resize(static_cast<std::size_t>(n));
        return out;
    }

    const char* lineEnd(bool lastWasCr, bool empty) {
        static const char* const kEnds[] = {"\r\n", "\n", "\r"};
        switch (m_o.lineEnds) {
        case LineEnds::CrLf:
            return "\r\n";
        case LineEnds::Lf:
            return "\n";
        case LineEnds::Cr:
            return "\r";
        case LineEnds::Mixed:
            break;
        }
        // An empty line after a lone CR must end in CR too: an LF there would join the CR into one end.
        return lastWasCr && empty ? "\r" : kEnds[below(3)];
    }

    void finish() {
        // The last line is never empty, so that leaving out its end leaves it a line.
        while (!m_lines.empty() && m_lines.back().text.empty())
            m_lines.pop_back();
        bool lastWasCr = false;
        for (std::size_t i = 0; i < m_lines.size(); ++i) {
            const RawLine& l = m_lines[i];
            std::string decoded = l.text;
            // In UTF-8 without a byte-order mark a bad byte goes only past the first 64 KiB, which
            // decide the encoding: there it would make the file GB18030.
            const bool bad = l.badAt != std::string::npos &&
                             (m_o.encoding != NovelEncoding::Utf8 || m_novel.bytes.size() > 64 * 1024);
            if (!bad) {
                m_novel.bytes += encode(l.text);
            } else {
                m_novel.bytes += encode(l.text.substr(0, l.badAt)) + badBytes() + encode(l.text.substr(l.badAt));
                decoded.insert(l.badAt, "\uFFFD");
            }
            m_novel.lines.push_back(std::move(decoded));
            if (i + 1 == m_lines.size() && !m_o.finalLineEnd) break;
            const char* end = lineEnd(lastWasCr, l.text.empty());
            m_novel.bytes += encode(end);
            lastWasCr = std::string_view(end) == "\r";
        }
    }

    const NovelOptions m_o;
    std::mt19937 m_rng; // its sequence is fixed by the standard, so a seed gives the same novel everywhere
    UConverter* m_cnv = nullptr;
    std::unique_ptr<icu::Transliterator> m_traditional;
    Novel m_novel;
    std::vector<RawLine> m_lines;
    std::size_t m_falseCount = 0;
};

} // namespace

pw::Encoding coreEncoding(NovelEncoding e) {
    switch (e) {
    case NovelEncoding::Gb18030:
        return pw::Encoding::Gb18030;
    case NovelEncoding::Utf8:
    case NovelEncoding::Utf8Bom:
        return pw::Encoding::Utf8;
    case NovelEncoding::Utf16Le:
    case NovelEncoding::Utf16LeBom:
        return pw::Encoding::Utf16Le;
    case NovelEncoding::Utf16Be:
    case NovelEncoding::Utf16BeBom:
        return pw::Encoding::Utf16Be;
    case NovelEncoding::Big5:
        return pw::Encoding::Big5;
    }
    return pw::Encoding::Gb18030;
}

std::string nameOf(NovelEncoding e) {
    const std::string id = pw::traitsOf(coreEncoding(e)).id;
    const bool bom = e == NovelEncoding::Utf8Bom || e == NovelEncoding::Utf16LeBom || e == NovelEncoding::Utf16BeBom;
    return bom ? id + "-bom" : id;
}

std::string chineseNumber(int n) {
    static const char* const kDigits[] = {"零", "一", "二", "三", "四", "五", "六", "七", "八", "九"};
    static const char* const kUnits[] = {"", "十", "百", "千", "万"};
    if (n <= 0 || n >= 100000) throw std::invalid_argument("chineseNumber: out of range");
    const std::string digits = std::to_string(n);
    std::string s;
    bool zero = false; // a zero waiting to be written before the next nonzero digit
    for (std::size_t i = 0; i < digits.size(); ++i) {
        const int d = digits[i] - '0';
        const std::size_t unit = digits.size() - 1 - i;
        if (d == 0) {
            zero = !s.empty();
            continue;
        }
        if (zero) s += kDigits[0];
        zero = false;
        if (!(d == 1 && unit == 1 && s.empty())) s += kDigits[d]; // 十二, not 一十二; but 一百一十
        s += kUnits[unit];
    }
    return s;
}

std::string chineseNumber(int n, NumeralStyle style) {
    // Plain numerals are all three bytes in UTF-8: replaced character by character.
    const auto mapped = [](const std::string& plain, const char* from, const char* to) {
        const std::string f = from, t = to;
        std::string out;
        for (std::size_t i = 0; i < plain.size(); i += 3) {
            const std::size_t k = f.find(plain.substr(i, 3));
            out += k == std::string::npos ? plain.substr(i, 3) : t.substr(k, 3);
        }
        return out;
    };
    std::string plain = chineseNumber(n);
    switch (style) {
    case NumeralStyle::Plain:
        return plain;
    case NumeralStyle::Liang:
        for (const char* unit : {"百", "千", "万"})
            for (std::size_t at = plain.find(std::string("二") + unit); at != std::string::npos;
                 at = plain.find(std::string("二") + unit))
                plain.replace(at, 3, "两");
        return plain;
    case NumeralStyle::Financial:
        return mapped(plain, "一二三四五六七八九十百千", "壹贰叁肆伍陆柒捌玖拾佰仟");
    case NumeralStyle::FinancialTraditional:
        return mapped(plain, "一二三四五六七八九十百千万", "壹貳參肆伍陸柒捌玖拾佰仟萬");
    case NumeralStyle::Tens:
        if (n < 20 || n >= 40) return plain;
        return std::string(n < 30 ? "廿" : "卅") + (n % 10 ? chineseNumber(n % 10) : "");
    case NumeralStyle::Zeros: {
        if (n < 100) return plain;
        static const char* const kDigits[] = {"〇", "一", "二", "三", "四", "五", "六", "七", "八", "九"};
        std::string s;
        for (const char c : std::to_string(n))
            s += kDigits[c - '0'];
        return s;
    }
    case NumeralStyle::FullWidth:
        return fullWidth(n);
    case NumeralStyle::Arabic:
        return std::to_string(n);
    }
    return plain;
}

bool diPatternMatches(std::string_view utf8, char32_t word) {
    std::u32string cps;
    for (int32_t i = 0; i < static_cast<int32_t>(utf8.size());) {
        UChar32 c;
        U8_NEXT(utf8.data(), i, static_cast<int32_t>(utf8.size()), c);
        cps.push_back(static_cast<char32_t>(c < 0 ? 0xFFFD : c));
    }
    for (std::size_t i = 0; i < cps.size(); ++i) {
        if (cps[i] != U'第') continue;
        for (std::size_t k = i + 2; k <= i + 11 && k < cps.size(); ++k)
            if (cps[k] == word) return true;
    }
    return false;
}

std::vector<PlantedLine> Novel::matching(char32_t word) const {
    std::vector<PlantedLine> found;
    for (const PlantedLine& p : planted)
        if (diPatternMatches(p.text, word)) found.push_back(p);
    return found;
}

std::vector<NovelOptions> everyShapeOfNovel() {
    return {
        {.encoding = NovelEncoding::Gb18030, .lineEnds = LineEnds::CrLf, .seed = 1},
        {.encoding = NovelEncoding::Utf8, .lineEnds = LineEnds::Lf, .seed = 2, .chapters = 120},
        {.encoding = NovelEncoding::Utf8Bom, .lineEnds = LineEnds::Mixed, .seed = 3, .preamble = false},
        {.encoding = NovelEncoding::Gb18030,
         .lineEnds = LineEnds::Cr,
         .seed = 4,
         .chapters = 110,
         .chapterWord = U'回',
         .headingOnLastLine = true,
         .finalLineEnd = false},
        {.encoding = NovelEncoding::Gb18030,
         .lineEnds = LineEnds::Mixed,
         .seed = 5,
         .preamble = false,
         .finalLineEnd = false},
    };
}

std::vector<NovelOptions> everyShapeOfWebNovel() {
    return {
        {.encoding = NovelEncoding::Gb18030, .seed = 41, .chapters = 120, .webNovel = true},
        {.encoding = NovelEncoding::Utf8, .lineEnds = LineEnds::Lf, .seed = 42, .chapters = 300, .webNovel = true},
        {.encoding = NovelEncoding::Utf16Le,
         .lineEnds = LineEnds::Mixed,
         .seed = 43,
         .chapters = 60,
         .preamble = false,
         .restartPerVolume = true,
         .webNovel = true},
        {.encoding = NovelEncoding::Utf8Bom,
         .lineEnds = LineEnds::CrLf,
         .seed = 44,
         .chapters = 250,
         .paragraphs = 20,
         .webNovel = true},
        {.encoding = NovelEncoding::Big5, .seed = 45, .chapters = 80, .webNovel = true},
    };
}

std::vector<NovelOptions> everyShapeOfSecondRound() {
    std::vector<NovelOptions> novels = {
        // A long web novel that opens with its table of contents, every number written twice.
        {.encoding = NovelEncoding::Utf8,
         .lineEnds = LineEnds::Lf,
         .seed = 61,
         .chapters = 1500,
         .paragraphs = 2,
         .paragraphChars = 24,
         .webNovel = true,
         .contentsAtStart = true,
         .bracketHeadings = true,
         .commaTitles = true},
        // Numbered anew in each volume, named on its own line and before the chapter.
        {.encoding = NovelEncoding::Gb18030,
         .seed = 62,
         .chapters = 200,
         .restartPerVolume = true,
         .webNovel = true,
         .contentsAtStart = true,
         .commaTitles = true},
        {.encoding = NovelEncoding::Big5,
         .seed = 63,
         .chapters = 120,
         .restartPerVolume = true,
         .bracketHeadings = true,
         .commaTitles = true,
         .numerals = NumeralStyle::FinancialTraditional},
        // Past 9,999 chapters.
        {.encoding = NovelEncoding::Utf8,
         .seed = 64,
         .chapters = 10200,
         .preamble = false,
         .volumes = false,
         .sections = false,
         .paragraphs = 1,
         .paragraphChars = 16,
         .numerals = NumeralStyle::Liang},
    };
    // Every numeral style in a classical novel of a few thousand chapters.
    std::uint32_t seed = 70;
    for (const NumeralStyle style : kAllNumeralStyles)
        novels.push_back({.seed = ++seed,
                          .chapters = 2100,
                          .chapterWord = seed % 2 ? U'章' : U'回',
                          .paragraphs = 1,
                          .paragraphChars = 24,
                          .bracketHeadings = true,
                          .commaTitles = true,
                          .numerals = style});
    return novels;
}

std::vector<NovelOptions> everyShapeOfThirdRound() {
    return {
        // A 回 novel in 部, with 楔子 and 尾声.
        {.seed = 91, .chapters = 120, .chapterWord = U'回', .volumeWord = U'部', .unnumberedChapters = true},
        // Seasons and volumes named only on the chapters' lines, numbered anew in each volume.
        {.encoding = NovelEncoding::Utf8,
         .lineEnds = LineEnds::Lf,
         .seed = 92,
         .chapters = 150,
         .restartPerVolume = true,
         .volumesOnChapterLines = true},
        {.encoding = NovelEncoding::Utf16Le,
         .seed = 93,
         .chapters = 90,
         .numerals = NumeralStyle::Arabic,
         .volumeWord = U'册',
         .volumesOnChapterLines = true,
         .unnumberedChapters = true},
        {.encoding = NovelEncoding::Big5, .seed = 94, .chapters = 80, .volumeWord = U'季', .unnumberedChapters = true},
    };
}

Novel makeNovel(const NovelOptions& options) {
    return Writer(options).run();
}

Novel writeNovel(const std::filesystem::path& path, const NovelOptions& options) {
    Novel novel = makeNovel(options);
    writeAll(path, novel.bytes);
    return novel;
}

} // namespace pwtest

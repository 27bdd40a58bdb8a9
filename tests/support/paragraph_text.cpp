#include "support/paragraph_text.h"

#include <array>
#include <random>

namespace pwtest {

namespace {

// Pieces of sentences. A few hold a Latin word or a number, which a wrap never cuts.
const std::array kPieces = {
    "天色渐渐暗了下来",   "他回到屋里坐下", "窗外下着细雨",     "众人都笑了起来", "桌上放着一方印章",
    "她低头不语",         "远处传来钟声",   "说完便转身走了",   "河水向东流去",   "老人摇了摇头",
    "门外有人敲门",       "两人相视一笑",   "山路十分难走",     "灯下读书到深夜", "风吹得树叶沙沙作响",
    "他掏出iPhone看了看", "屋里足有30个人", "信上只写着OK两字",
};
const std::array kEnds = {"。", "！", "？", "……", "——"};
const std::array kSpeech = {"“你来了。”", "“走吧！”他说。", "“这是什么？”", "“好，很好。”她笑道。", "“别说了……”"};
// Couplets of seven characters, and a letter's lines.
const std::array kVerse = {"天上一轮才捧出，人间万姓仰头看。", "三阳交泰产群生，仙石胞含日月精。",
                           "芦花深处屯兵士，荷叶阴中治战船。", "断送落花三月雨，摧残杨柳九秋霜。"};
const std::array kIntro = {"诗曰：", "有诗为证：", "正是：", "词曰："};
const std::array kLetter = {"吾兄如晤：别来无恙，", "家中一切安好，勿念。", "此致，", "弟某某顿首"};

bool endsASentence(const std::string& l) {
    for (const char* end : {"。", "！", "？", "…", "—", "”"})
        if (l.ends_with(end)) return true;
    return false;
}

// A mark no paragraph starts with: the line goes on from the one before.
bool goesOn(const std::string& l) {
    for (const char* mark : {"，", "。", "！", "？", "”", "……", "——"})
        if (l.starts_with(mark)) return true;
    return false;
}

struct Writer {
    std::mt19937 rng;
    const ParagraphTextOptions& o;
    ParagraphText t;
    ParagraphLayoutKind layout = o.layout;
    int width = o.width;

    std::size_t below(std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng); }

    void line(const std::string& s) {
        const bool afterCr = t.utf8.ends_with("\r");
        t.utf8 += s;
        if (!o.mixedLineEnds) {
            t.utf8 += "\r\n";
            return;
        }
        // An empty line after a CR must not start with LF: the two would make one CR LF.
        const std::size_t k = below(3);
        t.utf8 += k == 0 || (k == 1 && afterCr && s.empty()) ? "\r\n" : k == 1 ? "\n" : "\r";
    }

    std::string paragraph() {
        // Some paragraphs are a line of dialogue; the others run for a few sentences, a
        // sentence sometimes ending mid-paragraph right where a wrap falls.
        if (below(4) == 0) return kSpeech[below(kSpeech.size())];
        std::string s;
        const std::size_t sentences = 1 + below(4);
        for (std::size_t i = 0; i < sentences; ++i) {
            const std::size_t pieces = 1 + below(3);
            for (std::size_t j = 0; j < pieces; ++j)
                s += (j ? "，" : "") + std::string(kPieces[below(kPieces.size())]);
            s += below(5) == 0 ? kSpeech[below(kSpeech.size())] : kEnds[below(2) == 0 ? below(kEnds.size()) : 0];
        }
        return s;
    }

    std::string indent() {
        switch (layout) {
        case ParagraphLayoutKind::OneLineIndented:
        case ParagraphLayoutKind::WrapIndent:
        case ParagraphLayoutKind::WrapIndentBlank:
        case ParagraphLayoutKind::WrapEveryLineIndented:
            return "\u3000\u3000";
        case ParagraphLayoutKind::WrapAsciiIndent:
            return below(8) == 0 ? "\t" : "    ";
        default:
            return "";
        }
    }

    // The paragraph's lines at the width: code points counted, a Latin word or a number never
    // cut (the line breaks before it).
    std::vector<std::string> wrapped(const std::string& ind, const std::string& p) {
        std::vector<std::string> chars;
        for (std::size_t at = 0; at < p.size();) {
            const auto b = static_cast<unsigned char>(p[at]);
            const std::size_t n = b < 0x80 ? 1 : b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : 2;
            chars.push_back(p.substr(at, n));
            at += n;
        }
        std::vector<std::string> lines;
        std::size_t at = 0;
        bool first = true;
        const bool every = layout == ParagraphLayoutKind::WrapEveryLineIndented;
        while (at < chars.size()) {
            const std::size_t w = static_cast<std::size_t>(width);
            const std::size_t room = every                         ? (first ? w - 2 : w)
                                     : first && o.widthHoldsIndent ? w - (ind == "\t"       ? 1
                                                                          : ind.size() == 4 ? 4
                                                                                            : 2)
                                                                   : w;
            std::size_t end = std::min(chars.size(), at + room);
            if (end < chars.size()) {
                auto latin = [&](std::size_t i) { return chars[i].size() == 1; };
                while (end > at + 1 && latin(end) && latin(end - 1))
                    --end;
            }
            std::string l = first || every ? ind : "";
            // A stray ASCII space where a line goes on, as scans leave them.
            if (!first && !every && o.straySpaces && below(12) == 0) l = " " + l;
            for (std::size_t i = at; i < end; ++i)
                l += chars[i];
            lines.push_back(l);
            at = end;
            first = false;
        }
        return lines;
    }
};

} // namespace

const char* nameOf(ParagraphLayoutKind k) {
    switch (k) {
    case ParagraphLayoutKind::OneLine:
        return "one-line";
    case ParagraphLayoutKind::OneLineIndented:
        return "one-line-indented";
    case ParagraphLayoutKind::OneLineBlank:
        return "one-line-blank";
    case ParagraphLayoutKind::WrapIndent:
        return "wrap-indent";
    case ParagraphLayoutKind::WrapAsciiIndent:
        return "wrap-ascii-indent";
    case ParagraphLayoutKind::WrapBlank:
        return "wrap-blank";
    case ParagraphLayoutKind::WrapIndentBlank:
        return "wrap-indent-blank";
    case ParagraphLayoutKind::WrapEveryLineIndented:
        return "wrap-every-line-indented";
    }
    return "?";
}

bool wraps(ParagraphLayoutKind k) {
    return k != ParagraphLayoutKind::OneLine && k != ParagraphLayoutKind::OneLineIndented &&
           k != ParagraphLayoutKind::OneLineBlank;
}

ParagraphText makeParagraphText(const ParagraphTextOptions& o) {
    Writer w{std::mt19937(o.seed), o, {}};
    auto blankBetween = [&] {
        return w.layout == ParagraphLayoutKind::OneLineBlank || w.layout == ParagraphLayoutKind::WrapBlank ||
               w.layout == ParagraphLayoutKind::WrapIndentBlank;
    };
    // Lines written as they are and kept so (verse, a letter).
    auto asWritten = [&](const std::string& l) {
        w.line(l);
        w.t.lines.push_back(l);
        w.t.paragraphs.push_back(l);
    };
    for (int c = 1; c <= o.chapters; ++c) {
        if (o.changeAt > 1 && c == o.changeAt) {
            w.layout = o.then;
            w.width = o.thenWidth;
        }
        const std::string heading = "第" + std::to_string(c) + "章 " + (c % 2 ? "夜宿古寺" : "故人重逢");
        w.line(heading);
        w.t.lines.push_back(heading);
        if (blankBetween()) w.line("");
        const std::size_t paragraphs = static_cast<std::size_t>(o.minParagraphs) + w.below(20);
        for (std::size_t i = 0; i < paragraphs; ++i) {
            const std::string ind = w.indent();
            std::string p = w.paragraph();
            const bool extras = wraps(w.layout) && w.layout != ParagraphLayoutKind::WrapEveryLineIndented;
            const bool verse = extras && o.verse && w.below(6) == 0;
            // Verse follows its introduction, which ends the paragraph.
            if (verse) p += kIntro[w.below(kIntro.size())];
            const std::vector<std::string> lines = wraps(w.layout) ? w.wrapped(ind, p) : std::vector<std::string>{};
            if (w.layout == ParagraphLayoutKind::WrapEveryLineIndented) {
                std::string whole;
                for (std::size_t k = 0; k < lines.size(); ++k) {
                    whole += k ? lines[k].substr(ind.size()) : lines[k];
                    if (k + 1 == lines.size() ||
                        (endsASentence(lines[k]) && !goesOn(lines[k + 1].substr(ind.size())))) {
                        w.t.lines.push_back(whole);
                        w.t.paragraphs.push_back(whole.substr(ind.size()));
                        whole = ind;
                    }
                }
            } else {
                w.t.lines.push_back(ind + p);
                w.t.paragraphs.push_back(p);
            }
            if (wraps(w.layout)) {
                for (std::size_t k = 0; k < lines.size(); ++k) {
                    w.line(lines[k]);
                    // A page broke after a line that reaches the width mid-sentence.
                    if (o.pageBreaks && k + 1 < lines.size() && static_cast<unsigned char>(lines[k + 1][0]) >= 0x80 &&
                        !endsASentence(lines[k]) && w.below(3) == 0)
                        w.line("");
                }
            } else {
                w.line(ind + p);
            }
            if (blankBetween()) w.line("");
            if (verse) {
                // Indented deeper than the paragraphs, or (the first line) not at all.
                const std::size_t n = 2 + w.below(3);
                for (std::size_t k = 0; k < n; ++k)
                    asWritten((k == 0 && w.below(2) == 0 ? "" : "\u3000\u3000\u3000\u3000") +
                              std::string(kVerse[w.below(kVerse.size())]));
                if (blankBetween()) w.line("");
            }
            if (o.songs && w.layout == ParagraphLayoutKind::WrapIndent && w.width >= 28 && w.below(12) == 0) {
                // A song wrapped by hand: every line at the paragraphs' indent, narrower than the
                // prose and ragged, a page breaking inside it now and then. One paragraph.
                std::vector<std::string> chars;
                const std::size_t clauses = 6 + w.below(6);
                for (std::size_t k = 0; k < clauses; ++k) {
                    std::string piece;
                    while (piece.empty() || static_cast<unsigned char>(piece[0]) < 0x80 ||
                           piece.find_first_of("0123456789abcdefghijklmnopqrstuvwxyzIKOP") != std::string::npos)
                        piece = kPieces[w.below(kPieces.size())];
                    piece += k + 1 == clauses ? "……" : "，";             // no couplet at its end
                    for (std::size_t at = 0; at < piece.size(); at += 3) // all three bytes long
                        chars.push_back(piece.substr(at, 3));
                }
                std::string whole;
                for (std::size_t at = 0; at < chars.size();) {
                    std::size_t end = std::min(chars.size(), at + w.width * 3 / 4 - 1 + w.below(3));
                    while (end < chars.size() && chars[end] == "…") // …… stays whole
                        ++end;
                    std::string l;
                    for (std::size_t k = at; k < end; ++k)
                        l += chars[k];
                    whole += l;
                    w.line("\u3000\u3000" + l);
                    at = end;
                    if (o.pageBreaks && at < chars.size() && w.below(4) == 0) w.line("");
                }
                w.t.lines.push_back("\u3000\u3000" + whole);
                w.t.paragraphs.push_back(whole);
            }
            if (extras && o.letters && w.below(10) == 0) {
                for (const char* l : kLetter)
                    asWritten("\u3000\u3000\u3000\u3000" + std::string(l));
                if (blankBetween()) w.line("");
            }
        }
    }
    return std::move(w.t);
}

} // namespace pwtest

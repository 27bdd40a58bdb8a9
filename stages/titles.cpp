#include "stages/titles.h"

#include "platform/text.h"
#include "scan/heading_vocabulary.h"
#include "stages/paragraphs.h"
#include "stages/separators.h"

namespace pw {

namespace {

// Whether `s` starts with one of the characters of `set` (UTF-16), and how many bytes it takes.
std::size_t startsWithOneOf(std::string_view s, std::u16string_view set) {
    if (s.empty()) return 0;
    const std::size_t len = (static_cast<unsigned char>(s[0]) < 0x80)   ? 1
                            : (static_cast<unsigned char>(s[0]) < 0xE0) ? 2
                            : (static_cast<unsigned char>(s[0]) < 0xF0) ? 3
                                                                         : 4;
    if (len > s.size()) return 0;
    const Text c = fromUtf8(s.substr(0, len));
    return c.size() == 1 && set.find(c[0]) != std::u16string_view::npos ? len : 0;
}

// Every numeral the headings are numbered in, as the scan's vocabulary knows them.
const Text& numerals() {
    static const Text all = [] {
        Text t = u"０１２３４５６７８９";
        for (const std::u16string_view d : vocabulary::kDigits)
            t += d;
        for (const std::u16string_view u : vocabulary::kUnits)
            t += u;
        return t + Text(vocabulary::kTens);
    }();
    return all;
}

std::size_t codePoints(std::string_view s) {
    std::size_t n = 0;
    for (const char c : s)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
    return n;
}

} // namespace

bool isNumberOnlyHeading(std::string_view s) {
    s = trimBlanks(s);
    if (!s.starts_with("第")) return false;
    s.remove_prefix(3);
    std::size_t digits = 0;
    for (bool more = true; more && !s.empty();) {
        more = false;
        if (s[0] >= '0' && s[0] <= '9') {
            s.remove_prefix(1);
            more = true;
        } else if (const std::size_t n = startsWithOneOf(s, numerals())) {
            s.remove_prefix(n);
            more = true;
        }
        if (more) ++digits;
    }
    // The unit, and nothing after it.
    const std::size_t unit = startsWithOneOf(s, vocabulary::kHeadingUnits);
    return digits > 0 && unit > 0 && unit == s.size();
}

bool isTitleLine(std::string_view s) {
    s = trimBlanks(s);
    return !s.empty() && codePoints(s) <= 30 && !endsSentence(s) && !isSeparatorLine(s) && !s.starts_with("第");
}

std::string titleWithHeading(std::string_view heading, std::string_view title) {
    return tidyHeading(std::string(trimBlanks(heading)) + "\u3000" + std::string(trimBlanks(title)));
}

namespace {

// The length of a label at the start of `s` (第 N 章, 第十二卷…), 0 when there is none.
std::size_t labelAt(std::string_view s) {
    if (!s.starts_with("第")) return 0;
    std::size_t at = 3;
    std::size_t digits = 0;
    for (;;) {
        while (at < s.size() && (s[at] == ' ' || s[at] == '\t')) ++at;
        if (at < s.size() && s[at] >= '0' && s[at] <= '9') {
            ++at;
        } else if (const std::size_t n = startsWithOneOf(s.substr(at), numerals())) {
            at += n;
        } else {
            break;
        }
        ++digits;
    }
    const std::size_t unit = digits ? startsWithOneOf(s.substr(at), vocabulary::kHeadingUnits) : 0;
    return unit ? at + unit : 0;
}

// The gap a file leaves between a label and what follows: blanks, and a colon among them.
std::size_t gapAt(std::string_view s) {
    std::size_t at = 0;
    for (;;) {
        if (at < s.size() && (s[at] == ' ' || s[at] == '\t' || s[at] == ':')) ++at;
        else if (s.substr(at).starts_with("\u3000") || s.substr(at).starts_with("：")) at += 3;
        else return at;
    }
}

} // namespace

std::string tidyHeading(std::string_view heading) {
    heading = trimBlanks(heading);
    std::string out;
    for (std::size_t label; (label = labelAt(heading)) > 0;) {
        out.append(heading.substr(0, label));
        heading.remove_prefix(label);
        heading.remove_prefix(gapAt(heading));
        // One ideographic space between the number and its title, whatever the file had.
        if (!heading.empty()) out.append("\u3000");
    }
    return out.append(heading);
}

void TitleStage::keep(const Line& l) {
    m_bytes.emplace_back(l.bytes());
    m_held.push_back(l);
    m_held.back().setBytes(m_bytes.back(), {});
}

bool TitleStage::flush() {
    for (const Line& l : m_held)
        if (!Stage::line(l)) {
            m_held.clear();
            m_bytes.clear();
            return false;
        }
    m_held.clear();
    m_bytes.clear();
    return true;
}

bool TitleStage::beginChapter(const ChapterStart& c) { return flush() && Stage::beginChapter(c); }

bool TitleStage::line(const Line& l) {
    if (m_held.empty()) {
        if (l.role() == LineRole::Heading && isNumberOnlyHeading(l.text())) {
            keep(l);
            return true;
        }
        if (l.role() == LineRole::Heading) {
            // The contents list and the page show every heading alike, however the file spaced it.
            const std::string tidy = tidyHeading(l.text());
            if (tidy != l.text()) {
                Line heading = l;
                heading.setText(tidy);
                return Stage::line(heading);
            }
        }
        return Stage::line(l);
    }
    // Blank lines, and the row of marks many scans put under a heading, may stand between the
    // number and its title.
    if (l.role() == LineRole::Blank || (l.role() == LineRole::Body && isSeparatorLine(l.text()))) {
        keep(l);
        return true;
    }
    if (l.role() == LineRole::Body && isTitleLine(l.text())) {
        // The heading takes the title; the blank lines between and the title's own line go.
        Line heading = m_held.front();
        heading.setText(titleWithHeading(heading.text(), l.text()));
        m_held.clear();
        const bool going = Stage::line(heading);
        m_bytes.clear();
        return going;
    }
    return flush() && Stage::line(l);
}

bool TitleStage::endChapter() { return flush() && Stage::endChapter(); }

bool TitleStage::close(bool complete) {
    const bool ok = !complete || flush();
    return Stage::close(complete && ok) && ok;
}

StageMaker titleStage() {
    return [](ChapterSink& next) { return std::make_unique<TitleStage>(next); };
}

} // namespace pw

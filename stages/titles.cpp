#include "stages/titles.h"

#include "stages/paragraphs.h"
#include "stages/separators.h"

namespace pw {

namespace {

constexpr std::string_view kNumerals[] = {"零", "〇", "一", "二", "三", "四", "五", "六", "七", "八", "九", "十", "百",
                                          "千", "万", "两", "壹", "贰", "叁", "肆", "伍", "陆", "柒", "捌", "玖", "拾",
                                          "佰", "仟", "貳", "參", "陸", "萬", "廿", "卅", "０", "１", "２", "３", "４",
                                          "５", "６", "７", "８", "９"};
constexpr std::string_view kWords[] = {"章", "回", "节", "節", "卷", "集", "部", "篇"};

std::string_view trimmed(std::string_view s) {
    for (;;) {
        if (s.starts_with(' ') || s.starts_with('\t')) s.remove_prefix(1);
        else if (s.starts_with("\u3000")) s.remove_prefix(3);
        else if (s.ends_with(' ') || s.ends_with('\t')) s.remove_suffix(1);
        else if (s.ends_with("\u3000")) s.remove_suffix(3);
        else return s;
    }
}

std::size_t codePoints(std::string_view s) {
    std::size_t n = 0;
    for (const char c : s)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
    return n;
}

} // namespace

bool isNumberOnlyHeading(std::string_view s) {
    s = trimmed(s);
    if (!s.starts_with("第")) return false;
    s.remove_prefix(3);
    std::size_t digits = 0;
    for (bool more = true; more && !s.empty();) {
        more = false;
        if (s[0] >= '0' && s[0] <= '9') {
            s.remove_prefix(1);
            more = true;
        } else {
            for (const std::string_view n : kNumerals)
                if (s.starts_with(n)) {
                    s.remove_prefix(n.size());
                    more = true;
                    break;
                }
        }
        if (more) ++digits;
    }
    if (digits == 0) return false;
    for (const std::string_view w : kWords)
        if (s == w) return true;
    return false;
}

bool isTitleLine(std::string_view s) {
    s = trimmed(s);
    return !s.empty() && codePoints(s) <= 30 && !endsSentence(s) && !isSeparatorLine(s) && !s.starts_with("第");
}

std::string titleWithHeading(std::string_view heading, std::string_view title) {
    return std::string(trimmed(heading)) + " " + std::string(trimmed(title));
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

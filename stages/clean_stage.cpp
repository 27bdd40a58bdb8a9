#include "stages/clean_stage.h"

#include "stages/clean_match.h"
#include "stages/separators.h"

namespace pw {

namespace {

// The text without spaces of any width: how a repeat is recognised whatever its indent.
void compact(std::string_view utf8, std::string& out) {
    out.clear();
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const char c = utf8[i];
        if (c == ' ' || c == '\t') continue;
        if (utf8.substr(i).starts_with("\u3000") || utf8.substr(i).starts_with("\u00A0")) {
            i += utf8.substr(i).starts_with("\u3000") ? 2 : 1;
            continue;
        }
        out += c;
    }
}

bool blank(std::string_view utf8) {
    std::string c;
    compact(utf8, c);
    return c.empty();
}

std::size_t characters(std::string_view utf8) {
    std::size_t n = 0;
    for (const char c : utf8)
        n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return n;
}

bool startsWithAny(std::string_view s, std::size_t at, std::initializer_list<std::string_view> set, std::size_t& len) {
    for (const std::string_view m : set)
        if (s.substr(at).starts_with(m)) {
            len = m.size();
            return true;
        }
    return false;
}

// A compact heading without its number: "第十二章：风起" is "风起", "12.风起" too. Empty when
// nothing is left or the heading has no number in front.
std::string titleOf(const std::string& heading) {
    std::size_t at = 0, len = 0;
    if (heading.starts_with("第")) {
        // The number, then the word that says what it numbers, within a few characters.
        at = 3;
        bool found = false;
        for (int chars = 0; at < heading.size() && chars < 12; ++chars) {
            if (startsWithAny(heading, at, {"章", "回", "节", "節", "卷", "集", "部", "篇", "话", "話", "幕"}, len)) {
                at += len;
                found = true;
                break;
            }
            do
                ++at;
            while (at < heading.size() && (static_cast<unsigned char>(heading[at]) & 0xC0) == 0x80);
        }
        if (!found) return {};
    } else {
        std::size_t digits = 0;
        while (at < heading.size()) {
            if (heading[at] >= '0' && heading[at] <= '9') {
                ++at;
                ++digits;
            } else if (startsWithAny(heading, at, {"０", "１", "２", "３", "４", "５", "６", "７", "８", "９"}, len)) {
                at += len;
                ++digits;
            } else {
                break;
            }
        }
        if (!digits) return {};
    }
    while (at < heading.size() &&
           (startsWithAny(heading, at, {":", "：", "、", ".", "．", "·", "—", "-", "_", ",", "，"}, len)))
        at += len;
    return heading.substr(at);
}

} // namespace

struct CleanStage::Matcher : RuleMatcher {};

CleanStage::CleanStage(ChapterSink& next, std::shared_ptr<const CleanRuleSet> rules, std::shared_ptr<CleanTally> tally,
                       CleanObserver* observer, bool mergeRepeats)
    : Stage(next), m_rules(std::move(rules)), m_tally(std::move(tally)), m_observer(observer),
      m_matcher(std::make_unique<Matcher>()), m_off(m_rules->size(), false), m_merge(mergeRepeats) {
    m_tally->prepare(*m_rules); // a tally that counts already goes on counting
}

CleanStage::~CleanStage() = default;

// A chapter's end and the next one's start wait for the next line when they may have to go:
// the line may be its heading said again.
bool CleanStage::beginChapter(const ChapterStart& c) {
    if (m_heldEnd) {
        m_heldBegin = c;
        return true;
    }
    return Stage::beginChapter(c);
}

bool CleanStage::endChapter() {
    if (!m_merge || !m_afterHeading) return Stage::endChapter();
    m_heldEnd = true;
    return true;
}

bool CleanStage::close(bool complete) {
    const bool flushed = !complete || flushHeld();
    return Stage::close(complete && flushed);
}

bool CleanStage::flushHeld() {
    if (m_heldEnd) {
        m_heldEnd = false;
        if (!Stage::endChapter()) return false;
    }
    if (m_heldBegin) {
        const ChapterStart c = *m_heldBegin;
        m_heldBegin.reset();
        if (!Stage::beginChapter(c)) return false;
    }
    return true;
}

bool CleanStage::repeatedHeading(const Line& l) {
    if (l.role() != LineRole::Heading || !m_afterHeading || m_titles.empty()) return false;
    for (std::size_t i = 0; i < m_rules->size(); ++i) {
        if (m_off[i] || m_rules->rule(i).kind != RuleKind::RepeatedTitle) continue;
        std::string c;
        compact(l.text(), c);
        if (c != m_titles[0]) return false;
        counted(i, l, l.text(), {});
        return true;
    }
    return false;
}

bool CleanStage::counted(std::size_t rule, const Line& l, const std::string& before, std::string_view after) {
    ++m_tally->counts[rule];
    if (m_observer) m_observer->hit(l.number(), m_rules->rule(rule).name, before, after);
    return true;
}

bool CleanStage::clean(const Line& l, std::string& text) {
    const bool heading = l.role() == LineRole::Heading;
    std::string compacted;
    for (std::size_t i = 0; i < m_rules->size(); ++i) {
        if (m_off[i]) continue;
        const CleanRule& r = m_rules->rule(i);
        if (r.scope != RuleScope::Both && (r.scope == RuleScope::Headings) != heading) continue;
        switch (r.kind) {
        case RuleKind::RepeatedTitle:
            if (!m_afterHeading || m_titles.empty()) break;
            compact(text, compacted);
            for (const std::string& t : m_titles)
                if (!t.empty() && compacted == t) return !counted(i, l, text, {});
            break;
        case RuleKind::RepeatedParagraph:
            compact(text, compacted);
            if (compacted == m_lastParagraph && characters(compacted) >= 10 && !isSeparatorLine(text))
                return !counted(i, l, text, {});
            break;
        case RuleKind::Regex:
        case RuleKind::Plain:
            switch (m_matcher->apply(r, m_rules->compiled(i), text, m_out)) {
            case Applied::Unchanged:
                break;
            case Applied::LimitHit:
                m_off[i] = true;
                m_tally->switchedOff.push_back(r.name);
                break;
            case Applied::Changed:
                // A heading stays a heading: a rule that would leave nothing of it leaves it be.
                if (heading && blank(m_out)) break;
                counted(i, l, text, blank(m_out) ? std::string_view() : std::string_view(m_out));
                if (blank(m_out)) return false;
                text.swap(m_out);
                break;
            }
            break;
        }
    }
    return true;
}

bool CleanStage::line(const Line& l) {
    if (l.role() == LineRole::Blank) return (m_heldEnd ? flushHeld() : true) && Stage::line(l);
    if (repeatedHeading(l)) {
        // With its chapter into the one before, or the line alone.
        m_heldEnd = false;
        m_heldBegin.reset();
        return true;
    }
    if (m_heldEnd && !flushHeld()) return false;
    m_text = l.text();
    if (!clean(l, m_text)) return true; // taken out
    if (l.role() == LineRole::Heading) {
        m_afterHeading = true;
        m_lastParagraph.clear();
        m_titles.assign(1, {});
        compact(m_text, m_titles[0]);
        m_titles.push_back(titleOf(m_titles[0]));
    } else if (!blank(m_text)) {
        m_afterHeading = false;
        compact(m_text, m_lastParagraph);
    }
    if (m_text == l.text()) return Stage::line(l);
    Line copy = l;
    copy.setText(m_text);
    return Stage::line(copy);
}

StageMaker cleanStage(std::shared_ptr<const CleanRuleSet> rules, std::shared_ptr<CleanTally> tally,
                      CleanObserver* observer, bool mergeRepeats) {
    return [rules, tally, observer, mergeRepeats](ChapterSink& next) {
        return std::make_unique<CleanStage>(next, rules, tally, observer, mergeRepeats);
    };
}

} // namespace pw

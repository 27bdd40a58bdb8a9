#include "stages/clean_stage.h"

#include "scan/heading_vocabulary.h"

#include "stages/clean_match.h"
#include "stages/html_references.h"
#include "stages/separators.h"

namespace pw {

namespace {

void compact(std::string_view utf8, std::string& out) {
    compactText(utf8, out);
}

bool blank(std::string_view utf8) {
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        if (utf8[i] == ' ' || utf8[i] == '\t') continue;
        if (utf8.substr(i).starts_with("\u3000")) {
            i += 2;
            continue;
        }
        if (utf8.substr(i).starts_with("\u00A0")) {
            i += 1;
            continue;
        }
        return false;
    }
    return true;
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

// Whether one of the units a heading's number is followed by (章, 回, 卷…, as the scan's
// vocabulary has them) stands at `at`, and its length in bytes.
bool headingUnitAt(std::string_view s, std::size_t at, std::size_t& len) {
    if (at + 3 > s.size()) return false;
    const Text c = fromUtf8(s.substr(at, 3));
    len = 3;
    return c.size() == 1 && vocabulary::kHeadingUnits.find(c[0]) != std::u16string_view::npos;
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
            if (headingUnitAt(heading, at, len)) {
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

// A download that glitched says a paragraph of prose twice; a line this short, a chat line
// ([世界]张三：…) or a line with a speaker's colon near its start is the story's own repeat.
constexpr std::size_t kRepeatedParagraphChars = 20;

bool chatLine(std::string_view utf8) {
    for (const std::string_view open : {"【", "[", "〖", "<", "［", "＜"})
        if (utf8.starts_with(open)) return true;
    const std::size_t colon = std::min(utf8.find("："), utf8.find(':'));
    return colon != std::string_view::npos && characters(utf8.substr(0, colon)) <= 10;
}

// The story announces what follows (他写下网址：; `announced`) or is inside a quote not yet closed.
bool introduces(std::string_view utf8, bool& announced) {
    while (!utf8.empty() && (utf8.back() == ' ' || utf8.ends_with("\u3000"))) {
        utf8.remove_suffix(utf8.back() == ' ' ? 1 : 3);
    }
    announced = utf8.ends_with("：") || utf8.ends_with(":");
    if (announced) return true;
    std::size_t open = 0, close = 0;
    for (std::size_t at = 0; (at = utf8.find("“", at)) != std::string_view::npos; at += 3)
        ++open;
    for (std::size_t at = 0; (at = utf8.find("”", at)) != std::string_view::npos; at += 3)
        ++close;
    return open > close;
}

} // namespace

struct CleanStage::Matcher : RuleMatcher {};

CleanStage::CleanStage(ChapterSink& next, std::shared_ptr<const CleanRuleSet> rules, std::shared_ptr<CleanTally> tally,
                       CleanObserver* observer, bool mergeRepeats, std::shared_ptr<const CleanEvidence> evidence)
    : Stage(next), m_rules(std::move(rules)), m_tally(std::move(tally)), m_observer(observer),
      m_matcher(std::make_unique<Matcher>()), m_off(m_rules->size(), false), m_merge(mergeRepeats),
      m_repeatRule(m_rules->size()), m_evidence(std::move(evidence)) {
    for (std::size_t i = 0; i < m_rules->size(); ++i)
        if (m_rules->rule(i).kind == RuleKind::RepeatedParagraph) m_repeatRule = i;
    m_tally->prepare(*m_rules); // a tally that counts already goes on counting
}

CleanStage::~CleanStage() = default;

// A chapter's end and the next one's start wait for the next line when they may have to go:
// the line may be its heading said again.
bool CleanStage::beginChapter(const ChapterStart& c) {
    if (!resolveRepeat(false)) return false;
    if (m_heldEnd) {
        m_heldBegin = c;
        return true;
    }
    return Stage::beginChapter(c);
}

bool CleanStage::endChapter() {
    if (!resolveRepeat(false)) return false;
    if (!m_merge || !m_afterHeading) return Stage::endChapter();
    m_heldEnd = true;
    return true;
}

bool CleanStage::close(bool complete) {
    const bool flushed = !complete || (resolveRepeat(false) && flushHeld());
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
        case RuleKind::RepeatedParagraph: // in line(): it waits for the next line
            break;
        case RuleKind::SiteAdvert:
            if (siteAdvertGoes(l, text)) {
                m_advertBefore = true;
                return !counted(i, l, text, {});
            }
            break;
        case RuleKind::AddressLine:
            if (addressLineGoes(text)) {
                m_advertBefore = true;
                return !counted(i, l, text, {});
            }
            break;
        case RuleKind::HtmlReferences:
        case RuleKind::InlineAdvert: {
            const bool changed = r.kind == RuleKind::HtmlReferences
                                     ? decodeHtmlReferences(text, m_out)
                                     : m_shapes.inlineAdverts(text, m_out, m_evidence.get());
            if (!changed || m_out == text || (heading && blank(m_out))) break;
            counted(i, l, text, blank(m_out) ? std::string_view() : std::string_view(m_out));
            if (blank(m_out)) return false;
            text.swap(m_out);
            break;
        }
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
                if (blank(m_out)) {
                    m_advertBefore = r.wholeLine;
                    return false;
                }
                text.swap(m_out);
                break;
            }
            break;
        }
    }
    return true;
}

bool CleanStage::siteAdvertGoes(const Line& l, const std::string& text) {
    const AdvertShapes::Site site = m_shapes.siteLine(text, m_keys);
    if (site == AdvertShapes::Site::None) {
        std::string name;
        return m_evidence && m_shapes.hiddenName(text, name) && m_evidence->hiddenNames(name) >= 2;
    }
    // A paragraph with an advert glued to it (……洒泪而别。----〖新语丝电子文库(www.xys.org)〗)
    // is the story's once the advert is out; the inline rule takes that.
    if (m_shapes.inlineAdverts(text, m_out, m_evidence.get()) && !blank(m_out) && !m_shapes.advertWords(m_out))
        return false;
    if (site == AdvertShapes::Site::Strong) return true;
    m_shapes.siteLine(text, m_keys);
    // Words a story may use too: the book must show the site advertising, or the line sits
    // where sites put their notices.
    if (!m_evidence || m_evidence->lines() == 0) return false;
    if (m_evidence->nearEnds(l.number())) return true;
    for (const std::string& k : m_keys)
        if (m_evidence->advertSite(k) || m_evidence->siteLines(k) >= 3) return true;
    return false;
}

bool CleanStage::addressLineGoes(const std::string& text) {
    if (!m_shapes.addressLine(text, m_keys)) return false;
    if (m_introduced) {
        // After a line that announces it, an address is the story's. Inside a quote left open
        // (a letter runs over paragraphs so) it is too, unless the book names the site on
        // other lines of its own and shows it advertising: the story gives an address once.
        if (m_announced || !m_evidence || m_evidence->lines() == 0) return false;
        for (const std::string& k : m_keys)
            if (!m_evidence->advertSite(k) || (m_evidence->copies(text) < 2 && m_evidence->siteLines(k) < 3))
                return false;
        return true;
    }
    // Among a site's notices, or a site the book shows advertising; an address the story
    // gives once is the story's.
    if (m_advertBefore) return true;
    if (!m_evidence || m_evidence->lines() == 0) return false;
    for (const std::string& k : m_keys)
        if (!m_evidence->advertSite(k)) return false;
    return true;
}

bool CleanStage::repeatGoes(const Line& l, const std::string& compacted) const {
    if (m_repeatRule >= m_rules->size() || m_off[m_repeatRule]) return false;
    if (characters(compacted) < kRepeatedParagraphChars || isSeparatorLine(compacted) || chatLine(compacted))
        return false;
    // Said elsewhere in the book as well: a refrain of the story.
    return !m_evidence || m_evidence->lines() == 0 || m_evidence->copies(l.text()) == 2;
}

void CleanStage::hold(const Line& l) {
    HeldLine h{l, std::make_unique<std::string>(l.bytes())};
    h.line.setBytes(*h.bytes);
    m_repeat.push_back(std::move(h));
}

bool CleanStage::resolveRepeat(bool again) {
    if (m_repeat.empty()) return true;
    std::vector<HeldLine> held = std::move(m_repeat);
    m_repeat.clear();
    std::size_t from = 0;
    if (again) {
        m_advertBefore = false;
        m_introduced = introduces(held.front().line.text(), m_announced);
    } else {
        counted(m_repeatRule, held.front().line, held.front().line.text(), {});
        from = 1;
    }
    for (std::size_t i = from; i < held.size(); ++i)
        if (!Stage::line(held[i].line)) return false;
    return true;
}

bool CleanStage::line(const Line& l) {
    if (l.role() == LineRole::Blank) {
        if (!m_repeat.empty()) {
            hold(l);
            return true;
        }
        return (m_heldEnd ? flushHeld() : true) && Stage::line(l);
    }
    if (!m_repeat.empty()) {
        // Said a third time it is the story's (a chant, a refrain); else the second saying was
        // the download's.
        std::string now, held;
        compact(l.text(), now);
        compact(m_repeat.front().line.text(), held);
        if (!resolveRepeat(l.role() != LineRole::Heading && now == held)) return false;
    }
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
        m_said = 0;
        m_advertBefore = m_introduced = m_announced = false;
        m_titles.assign(1, {});
        compact(m_text, m_titles[0]);
        m_titles.push_back(titleOf(m_titles[0]));
    } else if (!blank(m_text)) {
        m_afterHeading = false;
        compact(m_text, m_folded);
        if (m_folded == m_lastParagraph) {
            ++m_said;
        } else {
            m_lastParagraph = m_folded;
            m_said = 1;
        }
        if (m_said == 2 && repeatGoes(l, m_folded)) {
            hold(l);
            if (m_text != l.text()) m_repeat.back().line.setText(m_text);
            return true;
        }
        m_advertBefore = false;
        m_introduced = introduces(m_text, m_announced);
    }
    if (m_text == l.text()) return Stage::line(l);
    Line copy = l;
    copy.setText(m_text);
    return Stage::line(copy);
}

StageMaker cleanStage(std::shared_ptr<const CleanRuleSet> rules, std::shared_ptr<CleanTally> tally,
                      CleanObserver* observer, bool mergeRepeats, std::shared_ptr<const CleanEvidence> evidence) {
    return [rules, tally, observer, mergeRepeats, evidence](ChapterSink& next) {
        return std::make_unique<CleanStage>(next, rules, tally, observer, mergeRepeats, evidence);
    };
}

} // namespace pw

#include "stages/volumes.h"

#include <memory>
#include <utility>
#include <variant>

#include "scan/heading_analysis.h"
#include "scan/heading_vocabulary.h"

namespace pw {

namespace {

// A volume's line is a short one; matching longer lines would only find prose that names one.
constexpr std::size_t kVolumeLineBytes = 150;

bool isBlankChar(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\u3000';
}

Text trimmed(TextView t) {
    std::size_t b = 0, e = t.size();
    while (b < e && isBlankChar(t[b]))
        ++b;
    while (e > b && isBlankChar(t[e - 1]))
        --e;
    return Text(t.substr(b, e - b));
}

// A volume's words without blanks: 第一卷　七星鲁王 and 第一卷 七星鲁王 are one volume.
std::string volumeKey(const std::string& utf8) {
    Text t;
    for (const char16_t c : fromUtf8(utf8))
        if (!isBlankChar(c)) t.push_back(c);
    return toUtf8(t);
}

bool isChapterUnit(char16_t unit) {
    return vocabulary::kChapterUnits.find(unit) != std::u16string_view::npos;
}

// Where the chapter's own label starts on a line that names something before it (第一季 第二卷
// 怒海潜沙 第一章 蛇眉铜鱼 → 第一章); npos when there is none after the line's start.
std::size_t chapterLabelAt(TextView t) {
    for (std::size_t at = t.find(u'第', 1); at != TextView::npos; at = t.find(u'第', at + 1))
        if (const auto n = parseChapterNumber(t.substr(at)); n && isChapterUnit(n->unit)) return at;
    return TextView::npos;
}

} // namespace

bool VolumeStage::beginChapter(const ChapterStart& c) {
    if (m_waiting == Waiting::None) return Stage::beginChapter(c);
    hold({Event::Begin, c, {}});
    return true;
}

bool VolumeStage::endChapter() {
    if (m_waiting == Waiting::None) return Stage::endChapter();
    hold({Event::End, {}, {}});
    return true;
}

bool VolumeStage::close(bool complete) {
    // What still waits at the end heads no chapter: it stays text.
    const bool ok = !complete || m_waiting == Waiting::None || release(false);
    return Stage::close(complete && ok) && ok;
}

bool VolumeStage::line(const Line& l) {
    if (m_waiting == Waiting::Found) {
        const bool heading = l.role() == LineRole::Heading;
        if (heading && !l.volume()) {
            if (!release(true)) return false;
        } else if (heading || (l.role() == LineRole::Body && l.bytes().size() <= kVolumeLineBytes &&
                               m_volume.test(fromUtf8(l.text())) == MatchResult::Match)) {
            // The next volume at once: the one waiting was a line of a list.
            if (!release(false)) return false;
        } else {
            hold({Event::Text, {}, l});
            return m_heldBytes <= static_cast<std::size_t>(kListedVolumeText) || release(true);
        }
    } else if (m_waiting == Waiting::Unnumbered) {
        if (l.role() == LineRole::Blank) {
            hold({Event::Text, {}, l});
            return true;
        }
        bool opens = false;
        if (l.role() == LineRole::Heading && !l.volume()) {
            const auto n = parseChapterNumber(fromUtf8(l.text()));
            opens = n && n->value == 1 && (isChapterUnit(n->unit) || n->unit == u'#');
        }
        if (!release(opens)) return false;
    }
    return take(l);
}

bool VolumeStage::take(const Line& l) {
    if (l.role() == LineRole::Body && l.bytes().size() <= kVolumeLineBytes) {
        m_text = fromUtf8(l.text());
        if (m_volume.test(m_text) == MatchResult::Match) {
            m_waiting = Waiting::Found;
            hold({Event::Text, {}, l});
            return true;
        }
    }
    if (l.role() != LineRole::Heading) return Stage::line(l);
    return l.volume() ? volume(l) : chapter(l);
}

bool VolumeStage::chapter(const Line& l) {
    m_text = fromUtf8(l.text());
    if (const std::size_t at = chapterLabelAt(m_text); at != TextView::npos) {
        const Text named = trimmed(TextView(m_text).substr(0, at));
        if (!named.empty() && m_volume.test(named) == MatchResult::Match) {
            Line opened = l;
            opened.setText(toUtf8(named));
            opened.setVolume(true);
            if (volumeKey(opened.text()) != m_lastVolume && !volume(opened)) return false;
            Line own = l;
            own.setText(toUtf8(TextView(m_text).substr(at)));
            return Stage::line(own);
        }
    }
    // Among volumes, an unnumbered heading may head the chapters after it (第二季's 引子).
    if (!m_lastVolume.empty() && !parseChapterNumber(m_text)) {
        m_waiting = Waiting::Unnumbered;
        hold({Event::Text, {}, l});
        return true;
    }
    return Stage::line(l);
}

bool VolumeStage::volume(const Line& l) {
    m_lastVolume = volumeKey(l.text());
    return Stage::line(l);
}

void VolumeStage::hold(Event e) {
    if (e.kind == Event::Text) {
        m_bytes.emplace_back(e.line.bytes());
        e.line.setBytes(m_bytes.back(), {});
        m_heldBytes += m_bytes.back().size();
    }
    m_held.push_back(std::move(e));
}

bool VolumeStage::release(bool asVolume) {
    m_waiting = Waiting::None;
    std::deque<Event> held = std::move(m_held);
    m_held.clear();
    bool first = true, ok = true;
    for (Event& e : held) {
        if (!ok) break;
        switch (e.kind) {
        case Event::Begin:
            ok = Stage::beginChapter(e.start);
            break;
        case Event::End:
            ok = Stage::endChapter();
            break;
        case Event::Text:
            if (std::exchange(first, false) && asVolume) {
                e.line.setRole(LineRole::Heading);
                e.line.setVolume(true);
                ok = volume(e.line);
            } else {
                ok = Stage::line(e.line);
            }
            break;
        }
    }
    m_bytes.clear();
    m_heldBytes = 0;
    return ok;
}

std::optional<StageMaker> volumeStage(const Text& pattern) {
    if (pattern.empty()) return std::nullopt;
    if (!std::holds_alternative<Regex>(Regex::compile(pattern))) return std::nullopt;
    return [pattern](ChapterSink& next) {
        return std::make_unique<VolumeStage>(next, std::move(std::get<Regex>(Regex::compile(pattern))));
    };
}

} // namespace pw

#include "walk/line_walk.h"

#include <algorithm>
#include <chrono>
#include <limits>

#include "walk/line_scan.h"

namespace pw {

namespace {

// Between clock reads: a check per line would cost more than the copy of a short line.
constexpr std::int64_t kLinesPerTurnCheck = 4096;
// The window repaints at least this often while the run works.
constexpr std::chrono::milliseconds kTurnInterval{15};

} // namespace

ChapterWalk::ChapterWalk(const KeptTable& kept, bool growing, const EncodingTraits& traits,
                         const WalkSettings& settings, ChapterSink& sink, UiPort& ui)
    : m_kept(kept), m_growing(growing), m_traits(traits), m_dropBlank(settings.dropBlank),
      m_fileSize(settings.fileSize), m_sink(sink), m_runs(dynamic_cast<ByteRunSink*>(&sink)),
      m_decoder(traits.encoding), m_current({}, LineRole::Body, 0, 0, &m_decoder), m_throttle(ui, kTurnInterval),
      m_keptCount(kept.lngKeptCount) {
    if (!settings.volumePattern.empty()) {
        auto compiled = Regex::compile(settings.volumePattern);
        if (auto* r = std::get_if<Regex>(&compiled)) m_volume.emplace(std::move(*r));
    }
}

WalkEnd ChapterWalk::run(LineReader& reader) {
    begin();
    LineBlock block;
    while (reader.nextBlock(block)) {
        if (!step(block)) return stoppedEnd();
    }
    return end(reader);
}

void ChapterWalk::begin() {
    // No preamble when the first kept heading is line 1.
    enterChapter(m_kept.startsWithHeading() ? 1 : 0);
}

void ChapterWalk::headingKept(std::int64_t line) {
    ++m_keptCount;
    // The chapter being walked was the last so far: now it ends before this heading.
    if (m_chapter == m_keptCount - 1) m_lastLine = line - 1;
}

bool ChapterWalk::step(const LineBlock& block) {
    if (!turn()) return false;
    m_blockOffset = block.offset;
    // A chapter whose end became known only now, with its last line in the block before.
    if (m_line == m_lastLine && !finishChapter()) return false;
    const std::size_t mark =
        block.offset == 0 && !m_traits.bom.empty() && block.bytes.starts_with(m_traits.bom) ? m_traits.bom.size() : 0;
    if (!m_runs) return walkLines(block.bytes, mark);
    return walkBlock(block.bytes, m_runs->wantsInputMark() ? 0 : mark);
}

WalkEnd ChapterWalk::stoppedEnd() const {
    return m_sinkStopped ? WalkEnd::SinkStopped : WalkEnd::Stopped;
}

WalkEnd ChapterWalk::end(const LineReader& reader) {
    if (m_stopped || m_sinkStopped) return stoppedEnd();
    if (reader.error()) return WalkEnd::ReadFailed;
    // Lines the scan counted but the file no longer has: the last chapters would be short.
    if (!m_growing && m_line < m_kept.lngKeptLines[static_cast<std::size_t>(m_keptCount) + 1] - 1)
        return WalkEnd::Shrunk;
    return WalkEnd::Done;
}

bool ChapterWalk::walkBlock(std::string_view b, std::size_t skip) {
    // `run` starts the bytes not yet handed out: lines that already end in CR LF and are kept
    // go out together in one piece, straight from the read buffer.
    std::size_t run = skip, start = 0;
    LineEnd le{};
    const std::string_view crlf = m_traits.crlf;
    LineScanner lines(b, m_traits);
    for (;;) {
        // Plain lines short of the chapter's last need nothing but counting.
        if (!m_needBegin && m_lastLine - m_line > 1) m_line += lines.skipPlain(m_lastLine - m_line - 1, m_dropBlank);
        if (!lines.next(start, le)) break;
        if (m_needBegin && !beginChapter()) return false;
        const std::size_t pos = le.end + le.termLen;
        const std::size_t textStart = std::max(start, skip);
        if (m_dropBlank && isBlank(b.substr(textStart, le.end - textStart))) {
            if (!text(b, run, start)) return false;
            run = pos;
        } else if (le.termLen != crlf.size()) {
            if (!text(b, run, le.end)) return false;
            if (!m_runs->lineEnd()) {
                m_sinkStopped = true;
                return false;
            }
            run = pos;
        }
        ++m_line;
        if (m_line == m_lastLine) {
            if (!text(b, run, pos)) return false;
            run = pos;
            if (!finishChapter()) return false;
        }
        if (m_line >= m_nextTurnCheck) {
            m_nextTurnCheck = m_line + kLinesPerTurnCheck;
            if (!turn()) {
                (void)text(b, run, pos);
                return false;
            }
        }
    }
    return text(b, run, lines.position());
}

bool ChapterWalk::walkLines(std::string_view b, std::size_t mark) {
    LineScanner lines(b, m_traits);
    std::size_t start = 0;
    LineEnd le{};
    while (lines.next(start, le)) {
        if (m_needBegin && !beginChapter()) return false;
        const std::size_t from = std::max(start, mark);
        const std::string_view bytes = b.substr(from, le.end - from);
        ++m_line;
        // A chapter's first line is its heading, from chapter 1 on; a heading is never left
        // out as blank, or the book would take the line after it for its title.
        const bool heading = m_chapter > 0 && m_line == m_firstLine;
        const bool blank = !heading && isBlank(bytes);
        if (!(blank && m_dropBlank)) {
            m_current.reset(bytes, heading ? LineRole::Heading : blank ? LineRole::Blank : LineRole::Body, m_line,
                            m_chapter);
            m_current.setEnded(le.termLen > 0);
            if (start < mark) m_current.setMark(b.substr(0, mark));
            if (heading && m_volume) m_current.setVolume(m_volume->test(fromUtf8(m_current.text())) == MatchResult::Match);
            if (!m_sink.line(m_current)) {
                m_sinkStopped = true;
                return false;
            }
        }
        if (m_line == m_lastLine && !finishChapter()) return false;
        if (m_line >= m_nextTurnCheck) {
            m_nextTurnCheck = m_line + kLinesPerTurnCheck;
            if (!turn()) return false;
        }
    }
    return true;
}

bool ChapterWalk::isBlank(std::string_view line) const {
    // Only a line that starts and ends with a space or the ideographic space can be blank;
    // that rules out nearly every line of prose without walking its indent.
    if (line.empty()) return true;
    const std::string_view space = m_traits.space, ideo = m_traits.ideographicSpace;
    const char first = line.front(), last = line.back();
    if ((first != space.front() && first != ideo.front()) || (last != space.back() && last != ideo.back()))
        return false;
    return m_traits.isBlank(line);
}

void ChapterWalk::enterChapter(std::int64_t chapter) {
    m_chapter = chapter;
    // The last chapter runs to the end of the input: lines added after the scan join it.
    m_lastLine = chapter >= m_keptCount ? std::numeric_limits<std::int64_t>::max()
                                        : m_kept.lngKeptLines[static_cast<std::size_t>(chapter) + 1] - 1;
    m_needBegin = true;
}

bool ChapterWalk::beginChapter() {
    const auto& kept = m_kept.lngKeptLines;
    // 64-bit: a chapter past line 21,474,836 would overflow 32. While the table grows, how
    // far the input has been read is all there is to go by.
    const int percent = m_growing ? static_cast<int>(m_blockOffset * 100 / std::max<std::int64_t>(m_fileSize, 1))
                                  : static_cast<int>(kept[static_cast<std::size_t>(m_chapter)] * 100 / kept.back());
    m_needBegin = false;
    m_firstLine = m_line + 1;
    if (!m_sink.beginChapter({m_chapter, m_line + 1, percent})) {
        m_sinkStopped = true;
        return false;
    }
    // Many tiny chapters begin faster than lines are counted: give the window its turn here too.
    return turn();
}

bool ChapterWalk::finishChapter() {
    if (!m_needBegin && !m_sink.endChapter()) {
        m_sinkStopped = true;
        return false;
    }
    enterChapter(m_chapter + 1);
    return true;
}

bool ChapterWalk::text(std::string_view b, std::size_t from, std::size_t to) {
    if (to <= from) return true;
    if (m_runs->text(b.substr(from, to - from))) return true;
    m_sinkStopped = true;
    return false;
}

bool ChapterWalk::turn() {
    if (!m_stopped && m_throttle.tick()) m_stopped = true;
    return !m_stopped;
}

} // namespace pw

#include "split/chapter_writer.h"

#include <algorithm>
#include <chrono>
#include <limits>

#include "platform/encoding.h"
#include "platform/paths.h"
#include "split/kept_table.h"
#include "split/line_scan.h"
#include "split/output_open.h"
#include "split/split_texts.h"

namespace pw {

namespace {

// Between clock reads: a check per line would cost more than the copy of a short line.
constexpr std::int64_t kLinesPerTurnCheck = 4096;
// The window repaints at least this often while the pass works.
constexpr std::chrono::milliseconds kTurnInterval{15};

} // namespace

ChapterWriter::ChapterWriter(const WorkingState& st, ChapterFiles& files, UiPort& ui, SplitReceiver& receiver,
                             bool growing)
    : m_st(st), m_fileSet(files), m_ui(ui), m_receiver(receiver), m_throttle(ui, kTurnInterval),
      m_n(std::max<std::int64_t>(st.lngChapsPerFile, 1)), m_kept(st.lngKeptCount), m_growing(growing),
      m_dropBlank(st.blnDeleteSpc), m_traits(traitsOf(st.analyzedEncoding)) {
    if (st.outputEncoding == OutputEncoding::Utf8) {
        m_toUtf8 = std::make_unique<Utf8Transcoder>(st.analyzedEncoding);
        m_lineEnd = traitsOf(Encoding::Utf8).crlf;
    } else {
        m_lineEnd = m_traits.crlf;
        // Most readers take a UTF-16 file without its mark for something else.
        if (m_traits.unitWidth > 1) m_fileBom = m_traits.bom;
    }
}

CopyOutcome ChapterWriter::run(LineReader& reader) {
    begin();
    LineBlock block;
    while (reader.nextBlock(block)) {
        if (!copy(block)) return stopped();
    }
    return end(reader);
}

void ChapterWriter::begin() {
    // No preamble when the first kept heading is line 1: no "(index)" file either.
    enterChapter(m_kept >= 1 && m_st.lngKeptLines[1] == 1 ? 1 : 0);
}

void ChapterWriter::headingKept(std::int64_t line) {
    ++m_kept;
    // The chapter being written was the last so far: now it ends before this heading.
    if (m_chapter == m_kept - 1) m_lastLine = line - 1;
}

bool ChapterWriter::copy(const LineBlock& block) {
    if (!turn()) return false;
    m_blockOffset = block.offset;
    // A chapter whose end became known only now, with its last line in the block before.
    if (m_line == m_lastLine && !finishChapter()) return false;
    // The input's own mark is left out where each file gets one of its own, and in UTF-8
    // output, which has none. Kept bytes otherwise: a UTF-8 mark goes out with line 1.
    const bool dropBom = m_toUtf8 || !m_fileBom.empty();
    const std::size_t skip =
        dropBom && block.offset == 0 && !m_traits.bom.empty() && block.bytes.starts_with(m_traits.bom)
            ? m_traits.bom.size()
            : 0;
    return copyBlock(block.bytes, skip);
}

CopyOutcome ChapterWriter::stopped() {
    return finish(m_refused ? SplitEnd::Refused : m_stopped ? SplitEnd::Stopped : SplitEnd::Failed);
}

CopyOutcome ChapterWriter::end(const LineReader& reader) {
    if (reader.error()) {
        failWith(MsgId::ReadFailed, kReadFailedText, *reader.error());
        return finish(SplitEnd::Failed);
    }
    // Lines the scan counted but the file no longer has: the last files would be short.
    if (!m_growing && m_line < m_st.lngKeptLines[static_cast<std::size_t>(m_kept) + 1] - 1)
        return finish(SplitEnd::Shrunk);
    return finish(SplitEnd::Done);
}

bool ChapterWriter::copyBlock(std::string_view b, std::size_t skip) {
    // `run` starts the bytes not yet written: lines that already end in CR LF and are kept
    // go out together in one write, straight from the read buffer.
    std::size_t run = skip, start = 0;
    LineEnd le{};
    const std::string_view crlf = m_traits.crlf;
    LineScanner lines(b, m_traits);
    for (;;) {
        // Plain lines short of the chapter's last need nothing but counting.
        if (!m_needOpen && m_lastLine - m_line > 1) m_line += lines.skipPlain(m_lastLine - m_line - 1, m_dropBlank);
        if (!lines.next(start, le)) break;
        // A file opens when its first line is there to write, so an input that ended
        // early leaves no empty file behind.
        if (m_needOpen && !openFile()) return false;
        const std::size_t pos = le.end + le.termLen;
        const std::size_t text = std::max(start, skip);
        if (m_dropBlank && isBlank(b.substr(text, le.end - text))) {
            if (!put(b, run, start)) return false;
            run = pos;
        } else if (le.termLen != crlf.size()) {
            if (!put(b, run, le.end) || !putRaw(m_lineEnd)) return false;
            run = pos;
        }
        ++m_line;
        if (m_line == m_lastLine) {
            if (!put(b, run, pos)) return false;
            run = pos;
            if (!finishChapter()) return false;
        }
        if (m_line >= m_nextTurnCheck) {
            m_nextTurnCheck = m_line + kLinesPerTurnCheck;
            if (!turn()) {
                (void)put(b, run, pos);
                return false;
            }
        }
    }
    return put(b, run, lines.position());
}

bool ChapterWriter::isBlank(std::string_view line) const {
    // Only a line that starts and ends with a space or the ideographic space can be blank;
    // that rules out nearly every line of prose without walking its indent.
    if (line.empty()) return true;
    const std::string_view space = m_traits.space, ideo = m_traits.ideographicSpace;
    const char first = line.front(), last = line.back();
    if ((first != space.front() && first != ideo.front()) || (last != space.back() && last != ideo.back()))
        return false;
    return m_traits.isBlank(line);
}

void ChapterWriter::enterChapter(std::int64_t chapter) {
    m_chapter = chapter;
    // The last chapter runs to the end of the input: lines added after the scan join it.
    m_lastLine = chapter >= m_kept ? std::numeric_limits<std::int64_t>::max()
                                   : m_st.lngKeptLines[static_cast<std::size_t>(chapter) + 1] - 1;
    m_needOpen = opensFile(chapter, m_n);
}

bool ChapterWriter::finishChapter() {
    if (closesFile(m_chapter, m_n, m_kept)) {
        if (m_out.close()) {
            writeFailed();
            return false;
        }
        m_receiver.fileComplete(fileIndexOf(m_chapter, m_n));
    }
    enterChapter(m_chapter + 1);
    return true;
}

bool ChapterWriter::openFile() {
    namespace t = split_text;
    const std::int64_t index = fileIndexOf(m_chapter, m_n);
    const PlannedFile& f = m_fileSet.file(index);
    OpenedOutput opened = m_fileSet.open(index, m_out);
    if (!opened.opened) {
        m_refused = opened.refused;
        if (!m_failure) m_failure = std::move(opened.failure);
        return false;
    }
    ++m_files;
    m_needOpen = false;
    if (!startFile(opened.appended, f.path)) return false;
    m_receiver.fileOpened(f.index, f.path, opened.appended);
    const auto& kept = m_st.lngKeptLines;
    // 64-bit: a chapter past line 21,474,836 would overflow 32. While the table grows, how
    // far the input has been read is all there is to go by.
    const int percent = m_growing ? static_cast<int>(m_blockOffset * 100 / std::max<std::int64_t>(m_st.lngFileSize, 1))
                                  : static_cast<int>(kept[static_cast<std::size_t>(m_chapter)] * 100 / kept.back());
    m_ui.setStatus(Text(t::kWorking) + f.name + t::kWorkingDone + decimal(percent) + u"%");
    m_ui.setProgress(percent);
    m_receiver.progress(percent);
    // Many tiny chapters open files faster than lines are counted: give the window its turn here too.
    return turn();
}

bool ChapterWriter::startFile(bool appended, TextView path) {
    if (m_fileBom.empty()) return true;
    // A file appended to has its mark already, unless it was empty.
    std::error_code ec;
    if (appended && std::filesystem::file_size(toPath(path), ec) != 0 && !ec) return true;
    return putRaw(m_fileBom);
}

bool ChapterWriter::put(std::string_view b, std::size_t from, std::size_t to) {
    if (to <= from) return true;
    if (!m_toUtf8) return putRaw(b.substr(from, to - from));
    if (m_toUtf8->convert(b.substr(from, to - from), [this](std::string_view out) { return putRaw(out); })) return true;
    // A false from the writing has said why already; the converter itself failing has not.
    failWith(MsgId::WriteFailed, split_text::kWriteFailed,
             FileError{m_fileSet.file(fileIndexOf(m_chapter, m_n)).path, u"无法转换为 UTF-8"});
    return false;
}

bool ChapterWriter::putRaw(std::string_view bytes) {
    if (m_out.write(bytes.data(), bytes.size())) return true;
    writeFailed();
    return false;
}

bool ChapterWriter::turn() {
    if (!m_stopped && m_throttle.tick()) m_stopped = true;
    return !m_stopped;
}

void ChapterWriter::writeFailed() {
    // Named as the user knows the file, whatever stands in for it while the pass writes.
    FileError e = m_out.error().value_or(FileError{});
    e.path = m_fileSet.file(fileIndexOf(m_chapter, m_n)).path;
    failWith(MsgId::WriteFailed, split_text::kWriteFailed, e);
}

void ChapterWriter::failWith(MsgId id, const char16_t* prefix, const FileError& e) {
    if (!m_failure) m_failure = Message{id, failureText(prefix, e)};
}

CopyOutcome ChapterWriter::finish(SplitEnd end) {
    if (m_out.isOpen()) {
        // The close flushes the last buffer: a full disk often shows only here.
        if (m_out.close() && !m_failure) writeFailed();
    }
    if (m_failure && !m_refused) end = SplitEnd::Failed;
    return CopyOutcome{end, m_files, m_failure, m_toUtf8 ? m_toUtf8->replaced() : 0};
}

} // namespace pw

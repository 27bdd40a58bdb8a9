#include "split/chapter_writer.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <limits>

#include "options/make_out_name.h"
#include "platform/encoding.h"
#include "platform/paths.h"
#include "split/kept_table.h"
#include "split/line_scan.h"
#include "split/split_texts.h"

namespace pw {

namespace {

constexpr std::string_view kCrLf = "\r\n";
// Between clock reads: a check per line would cost more than the copy of a short line.
constexpr std::int64_t kLinesPerTurnCheck = 4096;
// The window repaints at least this often while the pass works.
constexpr std::chrono::milliseconds kTurnInterval{15};

} // namespace

ChapterWriter::ChapterWriter(WorkingState& st, UiPort& ui)
    : m_st(st), m_ui(ui), m_throttle(ui, kTurnInterval), m_n(std::max<std::int64_t>(st.lngChapsPerFile, 1)),
      m_kept(st.lngKeptCount), m_dropBlank(st.blnDeleteSpc), m_encoding(st.analyzedEncoding),
      m_spaceLead(st.analyzedEncoding == Encoding::Utf8 ? '\xE3' : '\xA1'),
      m_spaceTail(st.analyzedEncoding == Encoding::Utf8 ? '\x80' : '\xA1') {}

CopyOutcome ChapterWriter::run(LineReader& reader) {
    const auto& kept = m_st.lngKeptLines;
    // No preamble when the first kept heading is line 1: no "(index)" file either.
    enterChapter(kept[1] == 1 ? 1 : 0);
    LineBlock block;
    while (reader.nextBlock(block)) {
        if (!turn()) return finish(SplitEnd::Stopped);
        if (!copyBlock(block.bytes)) return finish(m_stopped ? SplitEnd::Stopped : SplitEnd::Failed);
    }
    if (reader.error()) {
        failWith(split_text::kReadFailed, *reader.error());
        return finish(SplitEnd::Failed);
    }
    // Lines the scan counted but the file no longer has: the last files would be short.
    if (m_line < kept[static_cast<std::size_t>(m_kept) + 1] - 1) return finish(SplitEnd::Shrunk);
    return finish(SplitEnd::Done);
}

bool ChapterWriter::copyBlock(std::string_view b) {
    // `run` starts the bytes not yet written: lines that already end in CR LF and are kept
    // go out together in one write, straight from the read buffer.
    std::size_t run = 0, start = 0;
    LineEnd le{};
    LineScanner lines(b, m_spaceTail);
    for (;;) {
        // Plain lines short of the chapter's last need nothing but counting.
        if (!m_needOpen && m_lastLine - m_line > 1) m_line += lines.skipPlain(m_lastLine - m_line - 1, m_dropBlank);
        if (!lines.next(start, le)) break;
        // A file opens when its first line is there to write, so an input that ended
        // early leaves no empty file behind.
        if (m_needOpen && !openFile()) return false;
        const std::size_t pos = le.end + le.termLen;
        if (m_dropBlank && isBlank(b.substr(start, le.end - start))) {
            if (!put(b, run, start)) return false;
            run = pos;
        } else if (le.termLen != 2) {
            if (!put(b, run, le.end) || !put(kCrLf, 0, kCrLf.size())) return false;
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
    const char first = line.front(), last = line.back();
    if ((first != ' ' && first != m_spaceLead) || (last != ' ' && last != m_spaceTail)) return false;
    return isBlankLine(line, m_encoding);
}

void ChapterWriter::enterChapter(std::int64_t chapter) {
    m_chapter = chapter;
    // The last chapter runs to the end of the input: lines added after the scan join it.
    m_lastLine = chapter == m_kept ? std::numeric_limits<std::int64_t>::max()
                                   : m_st.lngKeptLines[static_cast<std::size_t>(chapter) + 1] - 1;
    m_needOpen = opensFile(chapter, m_n);
}

bool ChapterWriter::finishChapter() {
    if (closesFile(m_chapter, m_n, m_kept)) {
        if (auto e = m_out.close()) {
            failWith(split_text::kWriteFailed, *e);
            return false;
        }
    }
    enterChapter(m_chapter + 1);
    return true;
}

bool ChapterWriter::openFile() {
    namespace t = split_text;
    const std::int64_t k = fileIndexOf(m_chapter, m_n);
    const Text path = MakeOutName(m_st, k, false);
    const Text name = MakeOutName(m_st, k, true);
    std::error_code ec;
    const auto status = std::filesystem::status(toPath(path), ec);
    // A folder of that name is no file to delete; opening it below says why it fails.
    if (std::filesystem::exists(status) && !std::filesystem::is_directory(status)) {
        if (m_ui.messageBox(path + t::kExistsDelete, MsgStyle::Warning) == MsgAnswer::Yes) {
            if (auto e = removeFile(path)) {
                failWith(t::kDeleteFailed, *e);
                return false;
            }
        }
    }
    if (auto e = m_out.openAppend(path)) {
        failWith(t::kCreateFailed, *e);
        return false;
    }
    ++m_files;
    m_needOpen = false;
    const auto& kept = m_st.lngKeptLines;
    // 64-bit: a chapter past line 21,474,836 would overflow 32.
    const std::int64_t percent = kept[static_cast<std::size_t>(m_chapter)] * 100 / kept.back();
    m_ui.setStatus(Text(t::kWorking) + name + t::kWorkingDone + decimal(percent) + u"%");
    m_ui.setProgressTwips(static_cast<float>(static_cast<double>(percent) * 48.9));
    // Many tiny chapters open files faster than lines are counted: give the window its turn here too.
    return turn();
}

bool ChapterWriter::put(std::string_view b, std::size_t from, std::size_t to) {
    if (to <= from) return true;
    if (m_out.write(b.data() + from, to - from)) return true;
    failWith(split_text::kWriteFailed, m_out.error().value_or(FileError{}));
    return false;
}

bool ChapterWriter::turn() {
    if (!m_stopped && m_throttle.tick()) m_stopped = true;
    return !m_stopped;
}

void ChapterWriter::failWith(const char16_t* prefix, const FileError& e) {
    if (!m_failure) m_failure = split_text::failureText(prefix, e);
}

CopyOutcome ChapterWriter::finish(SplitEnd end) {
    if (m_out.isOpen()) {
        // The close flushes the last buffer: a full disk often shows only here.
        const auto e = m_out.close();
        if (e && !m_failure) {
            failWith(split_text::kWriteFailed, *e);
        }
    }
    if (m_failure) end = SplitEnd::Failed;
    return CopyOutcome{end, m_files, m_failure.value_or(Text())};
}

} // namespace pw

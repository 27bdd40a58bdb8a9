#pragma once
// Line ends within a block from the line reader, found 64 bytes at a time: bit masks of
// the CR and LF bytes cost a few instructions per 16 bytes, where a search per line costs
// a call or two per line. Same rule as the line reader: CR LF, LF or CR end a line.
//
// The blank-line test of skipPlain is a conservative prefilter of EncodingTraits::isBlank: it
// marks every line that could be blank (the byte before its terminator is the last byte of a
// space or of an ideographic space, or the line is empty) and may mark others; a marked line
// is looked at whole, an unmarked one is certainly not blank. Encodings with code units wider than a
// byte take the plain path: their CR and LF bytes also occur inside other characters.
#include <bit>
#include <cstdint>
#include <string_view>

#include "platform/line_reader.h"

namespace pw {

// Which instructions skipPlain uses: the widest the processor has, or the ones every
// x86-64 has (for tests, which must cover both on any machine).
enum class ScanPath { Best, Portable };

class LineScanner {
public:
    // `block` must not end in the first half of a CR LF (nextBlock guarantees it).
    LineScanner(std::string_view block, const EncodingTraits& traits, ScanPath path = ScanPath::Best);

    // The next line: where it starts, where its terminator is and how long that is.
    // False at the end of the block.
    bool next(std::size_t& start, LineEnd& end);

    // Passes over up to `maxLines` lines that end in CR LF and, with `blankMatters`, cannot
    // be blank (they do not end in a space), a window at a time; returns how many. The
    // lines need no change, so they stay in the caller's pending run.
    std::int64_t skipPlain(std::int64_t maxLines, bool blankMatters);

    // Where the next line starts: everything before it has been handed out or passed.
    std::size_t position() const { return m_pos; }

private:
    void load(std::size_t base);
    // The first of the CRs `cr` marks in the window at `base` that may end a blank line, as
    // its bit, or 0.
    std::uint64_t firstBlankCandidate(std::size_t base, std::uint64_t cr) const;
    template <class Window> std::int64_t skipWith(std::int64_t maxLines, bool blankMatters);
    std::int64_t skipAvx2(std::int64_t maxLines, bool blankMatters);

    std::string_view m_b;
    const EncodingTraits& m_traits;
    const bool m_masks; // byte masks describe the lines: one-byte code units
    const char m_crByte, m_lfByte;
    const char m_spaceTail; // last byte of the space
    const char m_ideoTail;  // last byte of the ideographic space
    const ScanPath m_path;
    std::size_t m_base = 0; // start of the 64-byte window the masks describe
    std::uint64_t m_cr = 0, m_lf = 0;
    std::size_t m_pos = 0; // start of the next line
};

inline bool LineScanner::next(std::size_t& start, LineEnd& end) {
    const std::size_t n = m_b.size();
    if (m_pos >= n) return false;
    start = m_pos;
    if (!m_masks) {
        end = findLineEnd(m_b, m_pos, m_traits);
        m_pos = end.end + end.termLen;
        return true;
    }
    std::size_t t;
    for (;;) {
        // Bits before the line's start were handed out already (or are the LF of a CR LF).
        const std::size_t from = m_pos > m_base ? m_pos - m_base : 0;
        const std::uint64_t term = from < 64 ? (m_cr | m_lf) & (~std::uint64_t{0} << from) : 0;
        if (term) {
            t = m_base + static_cast<std::size_t>(std::countr_zero(term));
            break;
        }
        if (m_base + 64 >= n) {
            t = n;
            break;
        }
        load(m_base + 64);
    }
    if (t == n) {
        end = {n, 0};
        m_pos = n;
        return true;
    }
    const std::size_t len = (m_b[t] == m_crByte && t + 1 < n && m_b[t + 1] == m_lfByte) ? 2 : 1;
    end = {t, len};
    m_pos = t + len;
    return true;
}

} // namespace pw

#pragma once
// The one line reader that the scan and the split writer share, so their line numbers
// agree. A line ends at CR LF, at LF alone or at CR alone; the terminator is not part of
// the line; a last line without terminator is a line; a terminator at the very end starts
// no further line; an empty file has no lines. The reader hands out runs of whole lines as
// the raw bytes read, with their byte offset; the functions below cut them into lines.
// Nothing is decoded here. The bytes of CR and LF come from the encoding's traits, and
// code units wider than a byte are searched aligned: in UTF-16 a line ends at the unit
// 0D 00 (little-endian), never at a byte 0D inside a character. A byte left over after the
// last whole unit belongs to the last line.
#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/encoding.h"
#include "platform/files.h"

namespace pw {

// A run of whole lines: it ends right after a terminator, or at the end of the input.
// A CR at its end is never the first half of a CR LF that continues in the next block.
struct LineBlock {
    std::string_view bytes;
    std::int64_t offset = 0;
};

class LineReader {
public:
    static constexpr std::size_t kDefaultCapacity = 1 << 20;
    // The longest line, in bytes without its terminator, that the reader holds. A text's
    // lines are far shorter; a longer one is a file that is no text (a disk image, a run of
    // zero bytes), and holding it whole could take all the memory there is.
    static constexpr std::size_t kMaxLineBytes = 16 << 20;

    // `capacity` is the read size; the buffer only grows beyond it for a longer line.
    LineReader(InputFile& in, const EncodingTraits& traits, std::size_t capacity = kDefaultCapacity,
               std::size_t maxLineBytes = kMaxLineBytes);

    // The next run of whole lines, or false at the end or on a read error (see error()).
    bool nextBlock(LineBlock& block);

    // A read error, or a line longer than the limit; either ends the reading.
    const std::optional<FileError>& error() const { return m_tooLong ? m_tooLong : m_in.error(); }
    // Whether reading stopped at a line longer than the limit; the lines handed out before
    // it are all there were before that line.
    bool stoppedAtLongLine() const { return m_tooLong.has_value(); }
    // Bytes handed out so far (for progress).
    std::int64_t consumed() const { return m_bufOffset + static_cast<std::int64_t>(m_begin); }
    // The file read, to ask once the reading is done whether it held still meanwhile.
    const InputFile& input() const { return m_in; }

private:
    bool fill();                                     // false when nothing more could be read
    bool handOut(LineBlock& block, std::size_t end); // the whole lines in [m_begin, end)
    bool refuseLongLine(std::int64_t offset);        // stops the reading; always false
    // Where the search for the last line end in the buffer stops: at the last whole unit,
    // or before a CR there that may yet be followed by an LF.
    std::size_t searchEnd() const;
    std::size_t roomForLongestLine() const;

    InputFile& m_in;
    const EncodingTraits& m_traits;
    const std::size_t m_unit;
    std::size_t m_capacity;
    std::size_t m_maxLine;
    std::optional<FileError> m_tooLong;
    std::vector<char> m_buf;
    std::size_t m_begin = 0, m_end = 0;
    std::int64_t m_bufOffset = 0; // file offset of m_buf[0]
    bool m_eof = false;
    std::size_t m_plainTo = 0; // [m_begin, m_plainTo) is known to hold no CR or LF
};

// Number of lines that end inside `bytes` (a block from nextBlock, or any part of one
// that does not split a CR LF): LF, CR LF and a lone CR each end one line.
std::int64_t countLineEnds(std::string_view bytes, const EncodingTraits& traits);
// Lines in a run that starts at a line start: its line ends, plus a last line without one.
std::int64_t countLines(std::string_view bytes, const EncodingTraits& traits);

// Within a block: the end of the line that starts at `from` (index of its terminator, or
// bytes.size()) and the length in bytes of that terminator (0, one unit, or two for CR LF).
struct LineEnd {
    std::size_t end;
    std::size_t termLen;
};
LineEnd findLineEnd(std::string_view bytes, std::size_t from, const EncodingTraits& traits);
// Where the line that holds `pos` starts, looking back no further than `floor` (a line start).
std::size_t findLineStart(std::string_view bytes, std::size_t floor, std::size_t pos, const EncodingTraits& traits);

} // namespace pw

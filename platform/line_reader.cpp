#include "platform/line_reader.h"

#include <algorithm>
#include <cstring>

#if defined(__x86_64__) || defined(_M_X64)
#include <emmintrin.h>
#define PW_LINES_SSE2 1
#if defined(__GNUC__) || defined(__clang__)
#include <immintrin.h>
#define PW_LINES_AVX2 1
#endif
#endif

namespace pw {

namespace {

Text longLineReason(std::int64_t offset, std::size_t maxLine) {
    const auto limit = static_cast<std::int64_t>(maxLine);
    const Text size = limit % (1 << 20) == 0 ? decimal(limit >> 20) + u" MB" : decimal(limit) + u" 字节";
    return u"从第 " + decimal(offset) + u" 字节起的一行超过 " + size + u"，不像是文本文件";
}

// Whether the code unit at `p` is `unit` (one or two bytes).
inline bool unitIs(const char* p, std::string_view unit) {
    return unit.size() == 1 ? p[0] == unit[0] : p[0] == unit[0] && p[1] == unit[1];
}
inline bool isLineEnd(const char* p, const EncodingTraits& t) {
    return unitIs(p, t.lf) || unitIs(p, t.cr);
}

std::uint16_t unitValue(std::string_view unit) {
    std::uint16_t v;
    std::memcpy(&v, unit.data(), 2);
    return v;
}

// The first two-byte `unit` in [from, to) at an even distance from `from`, or `to`. The search
// runs on the unit's nonzero byte; a hit at an odd distance is half of each of two characters.
std::size_t findUnit16(std::string_view bytes, std::size_t from, std::size_t to, std::string_view unit) {
    const std::size_t k = unit[0] != 0 ? 0 : 1;
    const char* base = bytes.data();
    for (std::size_t pos = from + k; pos < to;) {
        const void* hit = std::memchr(base + pos, unit[k], to - pos);
        if (!hit) break;
        const std::size_t at = static_cast<std::size_t>(static_cast<const char*>(hit) - base);
        const std::size_t start = at - k;
        if ((start - from) % 2 == 0 && base[start + 1 - k] == unit[1 - k]) return start;
        pos = at + 1;
    }
    return to;
}

#ifdef PW_LINES_AVX2
const bool kLinesAvx2 = __builtin_cpu_supports("avx2");

// Line ends among two-byte units, 16 units at a time: every LF, and every CR whose next unit is
// no LF. Stops where fewer than 17 units are left (the last needs the one after it); `i` says
// where.
__attribute__((target("avx2"))) std::int64_t countLineEnds16Avx2(const char* p, std::size_t units,
                                                                 std::uint16_t cr, std::uint16_t lf, std::size_t& i) {
    std::int64_t ends = 0;
    const __m256i crs = _mm256_set1_epi16(static_cast<short>(cr)), lfs = _mm256_set1_epi16(static_cast<short>(lf));
    const __m256i ones = _mm256_set1_epi16(1);
    while (i + 17 <= units) {
        __m256i lanes = _mm256_setzero_si256();
        // Each 16-bit lane counts at most one end per round: summed before it passes 32767.
        for (int k = 0; k < 32767 && i + 17 <= units; ++k, i += 16) {
            const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 2 * i));
            const __m256i next = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 2 * i + 2));
            const __m256i lone = _mm256_andnot_si256(_mm256_cmpeq_epi16(next, lfs), _mm256_cmpeq_epi16(v, crs));
            lanes = _mm256_sub_epi16(lanes, _mm256_or_si256(_mm256_cmpeq_epi16(v, lfs), lone));
        }
        alignas(32) std::int32_t sums[8];
        _mm256_store_si256(reinterpret_cast<__m256i*>(sums), _mm256_madd_epi16(lanes, ones));
        for (const std::int32_t s : sums)
            ends += s;
    }
    return ends;
}
#endif

std::int64_t countLineEnds16(std::string_view bytes, const EncodingTraits& t) {
    const std::uint16_t cr = unitValue(t.cr), lf = unitValue(t.lf);
    const char* p = bytes.data();
    const std::size_t units = bytes.size() / 2;
    std::size_t i = 0;
    std::int64_t lfs = 0, crs = 0, crlfs = 0;
#ifdef PW_LINES_AVX2
    // A CR the vector part left uncounted had its LF there, which the loop below counts as an LF.
    if (kLinesAvx2) lfs += countLineEnds16Avx2(p, units, cr, lf, i);
#endif
    // Branch-free over whole units so the compiler can vectorise it, as for bytes.
    std::uint16_t prev = 0;
    for (; i < units; ++i) {
        std::uint16_t u;
        std::memcpy(&u, p + 2 * i, 2);
        lfs += u == lf;
        crs += u == cr;
        crlfs += (prev == cr) & (u == lf);
        prev = u;
    }
    return lfs + crs - crlfs;
}

LineEnd findLineEnd16(std::string_view bytes, std::size_t from, const EncodingTraits& t) {
    const std::size_t n = bytes.size();
    const std::size_t whole = from + (n - from) / 2 * 2;
    const std::size_t lfPos = findUnit16(bytes, from, whole, t.lf);
    const std::size_t crPos = findUnit16(bytes, from, lfPos, t.cr);
    if (crPos < lfPos) return {crPos, crPos + 4 <= n && unitIs(bytes.data() + crPos + 2, t.lf) ? std::size_t{4} : 2};
    if (lfPos < whole) return {lfPos, 2};
    return {n, 0};
}

} // namespace

LineReader::LineReader(InputFile& in, const EncodingTraits& traits, std::size_t capacity, std::size_t maxLineBytes)
    : m_in(in), m_traits(traits), m_unit(traits.unitWidth), m_capacity(std::max<std::size_t>(capacity, 1)),
      m_maxLine(maxLineBytes) {
    m_buf.resize(std::min(m_capacity, roomForLongestLine()));
}

std::size_t LineReader::roomForLongestLine() const {
    // The longest line, its CR, one unit more and a byte of a unit not yet whole: all a line
    // can ever need.
    return m_maxLine + 2 * m_unit + (m_unit - 1);
}

std::size_t LineReader::searchEnd() const {
    const std::size_t whole = m_begin + (m_end - m_begin) / m_unit * m_unit;
    if (!m_eof && whole > m_begin && unitIs(m_buf.data() + whole - m_unit, m_traits.cr)) return whole - m_unit;
    return whole;
}

bool LineReader::fill() {
    if (m_eof) return false;
    // Keep the partial tail: move it to the front, growing only when it fills the buffer.
    if (m_begin > 0) {
        std::memmove(m_buf.data(), m_buf.data() + m_begin, m_end - m_begin);
        m_plainTo = m_plainTo > m_begin ? m_plainTo - m_begin : 0;
        m_bufOffset += static_cast<std::int64_t>(m_begin);
        m_end -= m_begin;
        m_begin = 0;
    }
    // What the buffer holds now is one unfinished line, perhaps with a CR that waits for its
    // LF: nothing calls for more while a whole line is there to hand out.
    const std::size_t held = searchEnd();
    if (held > m_maxLine) return refuseLongLine(m_bufOffset);
    if (m_end == m_buf.size())
        m_buf.resize(std::min(m_buf.size() + std::max(m_buf.size(), m_capacity), roomForLongestLine()));
    const std::size_t want = std::min(m_capacity, m_buf.size() - m_end);
    const auto got = m_in.read(m_buf.data() + m_end, want);
    if (!got || *got == 0) {
        m_eof = true;
        return false;
    }
    m_end += *got;
    return true;
}

bool LineReader::nextBlock(LineBlock& block) {
    for (;;) {
        if (m_begin < m_end) {
            std::size_t q = m_end;
            // A CR at the very end may pair with an LF not read yet: leave it for later.
            const std::size_t scanEnd = searchEnd();
            if (m_unit == 1) {
                for (std::size_t i = scanEnd, lo = std::max(m_begin, m_plainTo); i > lo; --i) {
                    const char c = m_buf[i - 1];
                    if (c == m_traits.lf[0] || c == m_traits.cr[0]) {
                        q = i - 1;
                        break;
                    }
                }
            } else {
                // Every bound here is a line start or a whole number of units from one.
                for (std::size_t i = scanEnd, lo = std::max(m_begin, m_plainTo); i > lo; i -= m_unit) {
                    if (isLineEnd(m_buf.data() + i - m_unit, m_traits)) {
                        q = i - m_unit;
                        break;
                    }
                }
            }
            if (q == m_end) m_plainTo = scanEnd;
            if (q < m_end || m_eof) return handOut(block, q < m_end ? q + m_unit : m_end);
        }
        if (!fill() && (m_begin >= m_end || error())) return false;
    }
}

bool LineReader::handOut(LineBlock& block, std::size_t end) {
    // Only a block longer than the limit can hold a line longer than it; that is rare (the
    // buffer grows past the read size only for a long line), so the lines are walked then only.
    if (end - m_begin > m_maxLine) {
        const std::string_view b(m_buf.data() + m_begin, end - m_begin);
        for (std::size_t pos = 0; pos < b.size();) {
            const LineEnd e = findLineEnd(b, pos, m_traits);
            if (e.end - pos > m_maxLine) {
                // The lines before it go out; the next call stops at it.
                if (pos == 0) return refuseLongLine(m_bufOffset + static_cast<std::int64_t>(m_begin));
                end = m_begin + pos;
                break;
            }
            pos = e.end + e.termLen;
        }
    }
    block.bytes = std::string_view(m_buf.data() + m_begin, end - m_begin);
    block.offset = m_bufOffset + static_cast<std::int64_t>(m_begin);
    m_begin = end;
    return true;
}

bool LineReader::refuseLongLine(std::int64_t offset) {
    m_tooLong = FileError{m_in.path(), longLineReason(offset, m_maxLine)};
    m_eof = true;
    return false;
}

#ifdef PW_LINES_AVX2
namespace {

// The SSE2 count below, 32 bytes at a time where the processor can.
__attribute__((target("avx2"))) std::int64_t countLineEndsAvx2(const char* p, std::size_t n, char crByte,
                                                               char lfByte, std::size_t& i) {
    std::int64_t ends = 0;
    const __m256i crs = _mm256_set1_epi8(crByte), lfs = _mm256_set1_epi8(lfByte), zero = _mm256_setzero_si256();
    while (i + 33 <= n) {
        __m256i lanes = zero;
        for (int k = 0; k < 255 && i + 33 <= n; ++k, i += 32) {
            const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i));
            const __m256i next = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i + 1));
            const __m256i lone = _mm256_andnot_si256(_mm256_cmpeq_epi8(next, lfs), _mm256_cmpeq_epi8(v, crs));
            lanes = _mm256_sub_epi8(lanes, _mm256_or_si256(_mm256_cmpeq_epi8(v, lfs), lone));
        }
        const __m256i sums = _mm256_sad_epu8(lanes, zero);
        ends += _mm256_extract_epi64(sums, 0) + _mm256_extract_epi64(sums, 1) + _mm256_extract_epi64(sums, 2) +
                _mm256_extract_epi64(sums, 3);
    }
    return ends;
}

} // namespace
#endif

std::int64_t countLineEnds(std::string_view bytes, const EncodingTraits& traits) {
    if (traits.unitWidth == 2) return countLineEnds16(bytes, traits);
    const char crByte = traits.cr.front(), lfByte = traits.lf.front();
    const char* p = bytes.data();
    const std::size_t n = bytes.size();
    std::int64_t ends = 0;
    std::size_t i = 0;
#ifdef PW_LINES_AVX2
    if (kLinesAvx2) ends += countLineEndsAvx2(p, n, crByte, lfByte, i);
#endif
#ifdef PW_LINES_SSE2
    if (traits.unitWidth == 1) {
        // A line ends at every LF and at every CR not followed by an LF: one mask per 16 bytes,
        // counted in byte lanes and summed before a lane can overflow. The scan spends most of
        // its time here, on the lines between candidates.
        const __m128i crs = _mm_set1_epi8(crByte), lfs = _mm_set1_epi8(lfByte), zero = _mm_setzero_si128();
        while (i + 17 <= n) {
            __m128i lanes = zero;
            for (int k = 0; k < 255 && i + 17 <= n; ++k, i += 16) {
                const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
                const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 1));
                const __m128i lone = _mm_andnot_si128(_mm_cmpeq_epi8(next, lfs), _mm_cmpeq_epi8(v, crs));
                lanes = _mm_sub_epi8(lanes, _mm_or_si128(_mm_cmpeq_epi8(v, lfs), lone));
            }
            const __m128i sums = _mm_sad_epu8(lanes, zero);
            ends += _mm_cvtsi128_si64(sums) + _mm_cvtsi128_si64(_mm_unpackhi_epi64(sums, sums));
        }
    }
#endif
    for (; i < n; ++i)
        ends += p[i] == lfByte || (p[i] == crByte && !(i + 1 < n && p[i + 1] == lfByte));
    return ends;
}

std::int64_t countLines(std::string_view bytes, const EncodingTraits& traits) {
    const std::size_t w = traits.unitWidth;
    // A byte short of a whole unit ends no line.
    const bool open = !bytes.empty() && (bytes.size() % w != 0 || !isLineEnd(bytes.data() + bytes.size() - w, traits));
    return countLineEnds(bytes, traits) + (open ? 1 : 0);
}

LineEnd findLineEnd(std::string_view bytes, std::size_t from, const EncodingTraits& traits) {
    if (traits.unitWidth == 2) return findLineEnd16(bytes, from, traits);
    const char crByte = traits.cr.front(), lfByte = traits.lf.front();
    const char* base = bytes.data();
    const std::size_t n = bytes.size();
    const void* lf = std::memchr(base + from, lfByte, n - from);
    const std::size_t lfPos = lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - base) : n;
    const void* cr = std::memchr(base + from, crByte, lfPos - from);
    if (cr) {
        const std::size_t crPos = static_cast<std::size_t>(static_cast<const char*>(cr) - base);
        return {crPos, (crPos + 1 < n && base[crPos + 1] == lfByte) ? std::size_t{2} : std::size_t{1}};
    }
    if (lfPos < n) return {lfPos, 1};
    return {n, 0};
}

std::size_t findLineStart(std::string_view bytes, std::size_t floor, std::size_t pos, const EncodingTraits& traits) {
    if (traits.unitWidth == 2) {
        // `pos` is a whole number of units from `floor`.
        while (pos >= floor + 2 && !isLineEnd(bytes.data() + pos - 2, traits))
            pos -= 2;
        return pos;
    }
    const char crByte = traits.cr.back(), lfByte = traits.lf.back();
    while (pos > floor && bytes[pos - 1] != lfByte && bytes[pos - 1] != crByte)
        --pos;
    return pos;
}

} // namespace pw

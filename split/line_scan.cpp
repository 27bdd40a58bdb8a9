#include "split/line_scan.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define PW_SPLIT_SSE2 1
#endif

namespace pw {

LineScanner::LineScanner(std::string_view block, const EncodingTraits& traits)
    : m_b(block), m_traits(traits), m_masks(traits.unitWidth == 1), m_crByte(traits.cr.back()),
      m_lfByte(traits.lf.back()), m_spaceTail(traits.space.back()), m_ideoTail(traits.ideographicSpace.back()) {
    if (m_masks && !m_b.empty()) load(0);
}

void LineScanner::load(std::size_t base) {
    m_base = base;
    const char* p = m_b.data() + base;
    const std::size_t n = m_b.size() - base;
    std::uint64_t cr = 0, lf = 0, spaceEnd = 0;
#ifdef PW_SPLIT_SSE2
    if (n >= 64) {
        const __m128i crs = _mm_set1_epi8(m_crByte);
        const __m128i lfs = _mm_set1_epi8(m_lfByte);
        const __m128i spaces = _mm_set1_epi8(m_spaceTail);
        const __m128i tails = _mm_set1_epi8(m_ideoTail);
        const auto bits = [](__m128i hit, int shift) {
            return static_cast<std::uint64_t>(static_cast<std::uint32_t>(_mm_movemask_epi8(hit))) << shift;
        };
        for (int i = 0; i < 4; ++i) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i));
            cr |= bits(_mm_cmpeq_epi8(v, crs), 16 * i);
            lf |= bits(_mm_cmpeq_epi8(v, lfs), 16 * i);
            spaceEnd |= bits(_mm_or_si128(_mm_cmpeq_epi8(v, spaces), _mm_cmpeq_epi8(v, tails)), 16 * i);
        }
    } else
#endif
    {
        const std::size_t len = n < 64 ? n : 64;
        for (std::size_t i = 0; i < len; ++i) {
            cr |= static_cast<std::uint64_t>(p[i] == m_crByte) << i;
            lf |= static_cast<std::uint64_t>(p[i] == m_lfByte) << i;
            spaceEnd |= static_cast<std::uint64_t>(p[i] == m_spaceTail || p[i] == m_ideoTail) << i;
        }
    }
    // A line can be blank only when the byte before its terminator is a space, the end of
    // an ideographic space, or another line end (an empty line). The block starts a line.
    const std::uint64_t before = spaceEnd | cr | lf;
    m_blankish = (before << 1) | (base == 0 ? 1 : m_beforeTop);
    m_beforeTop = before >> 63;
    m_cr = cr;
    m_lf = lf;
}

std::int64_t LineScanner::skipPlain(std::int64_t maxLines, bool blankMatters) {
    if (!m_masks) return 0;
    const std::size_t n = m_b.size();
    std::int64_t skipped = 0;
    for (;;) {
        const std::size_t from = m_pos > m_base ? m_pos - m_base : 0;
        if (from < 64) {
            const std::uint64_t valid = ~std::uint64_t{0} << from;
            const std::uint64_t cr = m_cr & valid, lf = m_lf & valid;
            // Only CR LF pairs, none split by the window's end, and no line that may be
            // blank: else each line is looked at.
            if ((cr >> 63) | ((cr << 1) ^ lf) | (blankMatters ? cr & m_blankish : 0)) break;
            std::int64_t count = 0;
            for (std::uint64_t x = lf; x; x &= x - 1)
                ++count;
            if (skipped + count > maxLines) break;
            skipped += count;
            if (lf) m_pos = m_base + static_cast<std::size_t>(63 - std::countl_zero(lf)) + 1;
        }
        if (m_base + 64 >= n) break;
        load(m_base + 64);
    }
    return skipped;
}

} // namespace pw

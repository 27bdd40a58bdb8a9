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

namespace {

#ifdef PW_SPLIT_SSE2
// The bytes a window is compared with, broadcast once per call rather than once per window.
struct WindowBytes {
    __m128i cr, lf;
    WindowBytes(char c, char l) : cr(_mm_set1_epi8(c)), lf(_mm_set1_epi8(l)) {}
};

// The CR and LF masks of 64 bytes at `p`.
inline void windowMasks(const char* p, const WindowBytes& k, std::uint64_t& cr, std::uint64_t& lf) {
    const auto bits = [](__m128i hit, int shift) {
        return static_cast<std::uint64_t>(static_cast<std::uint32_t>(_mm_movemask_epi8(hit))) << shift;
    };
    cr = lf = 0;
    for (int i = 0; i < 4; ++i) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i));
        cr |= bits(_mm_cmpeq_epi8(v, k.cr), 16 * i);
        lf |= bits(_mm_cmpeq_epi8(v, k.lf), 16 * i);
    }
}
#endif

} // namespace

void LineScanner::load(std::size_t base) {
    const char* p = m_b.data() + base;
    const std::size_t n = m_b.size() - base;
    std::uint64_t cr = 0, lf = 0;
#ifdef PW_SPLIT_SSE2
    if (n >= 64) {
        windowMasks(p, WindowBytes(m_crByte, m_lfByte), cr, lf);
    } else
#endif
    {
        const std::size_t len = n < 64 ? n : 64;
        for (std::size_t i = 0; i < len; ++i) {
            cr |= static_cast<std::uint64_t>(p[i] == m_crByte) << i;
            lf |= static_cast<std::uint64_t>(p[i] == m_lfByte) << i;
        }
    }
    m_base = base;
    m_cr = cr;
    m_lf = lf;
}

bool LineScanner::mayEndBlank(std::size_t base, std::uint64_t cr) const {
    // A line can be blank only when the byte before its terminator is a space, the end of
    // an ideographic space, or another line end (an empty line); the block starts a line.
    // Prose has a line end every hundred bytes or so: a look at each beats a mask per window.
    for (std::uint64_t x = cr; x; x &= x - 1) {
        const std::size_t t = base + static_cast<std::size_t>(std::countr_zero(x));
        if (t == 0) return true;
        const char c = m_b[t - 1];
        if (c == m_spaceTail || c == m_ideoTail || c == m_crByte || c == m_lfByte) return true;
    }
    return false;
}

std::int64_t LineScanner::skipPlain(std::int64_t maxLines, bool blankMatters) {
    if (!m_masks) return 0;
    const char* const p = m_b.data();
    const std::size_t n = m_b.size();
#ifdef PW_SPLIT_SSE2
    const WindowBytes k(m_crByte, m_lfByte);
#endif
    // Kept in locals: stores to the members inside the loop would be reloaded after every
    // byte read, which may alias them.
    std::size_t base = m_base, pos = m_pos;
    std::uint64_t crMask = m_cr, lfMask = m_lf;
    std::int64_t skipped = 0;
    for (;;) {
        const std::size_t from = pos > base ? pos - base : 0;
        if (from < 64) {
            const std::uint64_t valid = ~std::uint64_t{0} << from;
            const std::uint64_t cr = crMask & valid, lf = lfMask & valid;
            // Only CR LF pairs, none split by the window's end, and no line that may be
            // blank: else each line is looked at.
            if ((cr >> 63) | ((cr << 1) ^ lf)) break;
            if (blankMatters && mayEndBlank(base, cr)) break;
            // A loop, not std::popcount: without the popcnt instruction that is a library call.
            std::int64_t count = 0;
            for (std::uint64_t x = lf; x; x &= x - 1)
                ++count;
            if (skipped + count > maxLines) break;
            skipped += count;
            if (lf) pos = base + static_cast<std::size_t>(63 - std::countl_zero(lf)) + 1;
        }
        const std::size_t next = base + 64;
        if (next >= n) break;
#ifdef PW_SPLIT_SSE2
        if (n - next >= 64) {
            windowMasks(p + next, k, crMask, lfMask);
            base = next;
            continue;
        }
#endif
        m_pos = pos;
        load(next);
        base = m_base;
        crMask = m_cr;
        lfMask = m_lf;
    }
    m_base = base;
    m_pos = pos;
    m_cr = crMask;
    m_lf = lfMask;
    return skipped;
}

} // namespace pw

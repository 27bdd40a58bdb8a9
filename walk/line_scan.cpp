#include "walk/line_scan.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define PW_SPLIT_SSE2 1
#endif
// 32 bytes at a time where the processor has AVX2, chosen when the program runs: the build
// itself targets every x86-64.
#if defined(__GNUC__) && defined(__x86_64__)
#include <immintrin.h>
#define PW_SPLIT_AVX2 1
#endif

namespace pw {

LineScanner::LineScanner(std::string_view block, const EncodingTraits& traits, ScanPath path)
    : m_b(block), m_traits(traits), m_masks(traits.unitWidth == 1), m_crByte(traits.cr.back()),
      m_lfByte(traits.lf.back()), m_spaceTail(traits.space.back()), m_ideoTail(traits.ideographicSpace.back()),
      m_path(path) {
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

// The masks of a whole window for skipWith: CR, LF and, where `kTails`, the last bytes of
// the spaces (else the byte before each CR is looked at one by one).
struct PlainWindow {
    static constexpr bool kTails = false;
#ifdef PW_SPLIT_SSE2
    WindowBytes k;
    PlainWindow(char c, char l, char, char) : k(c, l) {}
    void masks(const char* p, std::uint64_t& cr, std::uint64_t& lf, std::uint64_t&) const {
        windowMasks(p, k, cr, lf);
    }
#else
    char crByte, lfByte;
    PlainWindow(char c, char l, char, char) : crByte(c), lfByte(l) {}
    void masks(const char* p, std::uint64_t& cr, std::uint64_t& lf, std::uint64_t&) const {
        cr = lf = 0;
        for (int i = 0; i < 64; ++i) {
            cr |= static_cast<std::uint64_t>(p[i] == crByte) << i;
            lf |= static_cast<std::uint64_t>(p[i] == lfByte) << i;
        }
    }
#endif
};

#ifdef PW_SPLIT_AVX2
struct Avx2Window {
    static constexpr bool kTails = true;
    __m256i cr, lf, space, ideo;
    __attribute__((target("avx2"))) Avx2Window(char c, char l, char s, char i)
        : cr(_mm256_set1_epi8(c)), lf(_mm256_set1_epi8(l)), space(_mm256_set1_epi8(s)), ideo(_mm256_set1_epi8(i)) {}
    __attribute__((target("avx2"))) void masks(const char* p, std::uint64_t& crOut, std::uint64_t& lfOut,
                                               std::uint64_t& tailOut) const {
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32));
        const auto bits = [](__m256i hit) __attribute__((target("avx2"))) {
            return static_cast<std::uint64_t>(static_cast<std::uint32_t>(_mm256_movemask_epi8(hit)));
        };
        const auto tails = [this](__m256i v) __attribute__((target("avx2"))) {
            return _mm256_or_si256(_mm256_cmpeq_epi8(v, space), _mm256_cmpeq_epi8(v, ideo));
        };
        crOut = bits(_mm256_cmpeq_epi8(a, cr)) | bits(_mm256_cmpeq_epi8(b, cr)) << 32;
        lfOut = bits(_mm256_cmpeq_epi8(a, lf)) | bits(_mm256_cmpeq_epi8(b, lf)) << 32;
        tailOut = bits(tails(a)) | bits(tails(b)) << 32;
    }
};

bool hasAvx2() {
    static const bool yes = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt");
    return yes;
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

std::uint64_t LineScanner::firstBlankCandidate(std::size_t base, std::uint64_t cr) const {
    // A line can be blank only when the byte before its terminator is a space, the end of
    // an ideographic space, or another line end (an empty line); the block starts a line.
    for (std::uint64_t x = cr; x; x &= x - 1) {
        const std::size_t t = base + static_cast<std::size_t>(std::countr_zero(x));
        const char c = t == 0 ? m_crByte : m_b[t - 1];
        if (c == m_spaceTail || c == m_ideoTail || c == m_crByte || c == m_lfByte) return x & (~x + 1);
    }
    return 0;
}

std::int64_t LineScanner::skipPlain(std::int64_t maxLines, bool blankMatters) {
    if (!m_masks) return 0;
#ifdef PW_SPLIT_AVX2
    if (m_path == ScanPath::Best && hasAvx2()) return skipAvx2(maxLines, blankMatters);
#endif
    return skipWith<PlainWindow>(maxLines, blankMatters);
}

template <class Window> inline std::int64_t LineScanner::skipWith(std::int64_t maxLines, bool blankMatters) {
    const char* const p = m_b.data();
    const std::size_t n = m_b.size();
    const Window k(m_crByte, m_lfByte, m_spaceTail, m_ideoTail);
    // Kept in locals: stores to the members inside the loop would be reloaded after every
    // byte read, which may alias them.
    std::size_t base = m_base, pos = m_pos;
    std::uint64_t crMask = m_cr, lfMask = m_lf, tailMask = 0;
    bool tailsKnown = false; // tailMask describes the window at base
    std::int64_t skipped = 0;
    for (;;) {
        const std::size_t from = pos > base ? pos - base : 0;
        if (from < 64) {
            const std::uint64_t valid = ~std::uint64_t{0} << from;
            const std::uint64_t cr = crMask & valid, lf = lfMask & valid;
            // Where the first line that needs a look of its own ends: a lone LF (its bit), a
            // lone CR (the bit after it), a CR whose LF is in the next window, a line that
            // may be blank (its CR). The lines before it are passed over here.
            std::uint64_t stop = ((cr << 1) ^ lf) | (cr & (std::uint64_t{1} << 63));
            if (blankMatters) {
                const std::uint64_t crs = stop ? cr & ((stop & (~stop + 1)) - 1) : cr;
                if (tailsKnown)
                    stop |= (crs & ((crMask | lfMask | tailMask) << 1)) | firstBlankCandidate(base, crs & 1);
                else
                    stop |= firstBlankCandidate(base, crs);
            }
            const std::uint64_t ends = stop ? lf & ((stop & (~stop + 1)) - 1) : lf;
            // A loop, not std::popcount: without the popcnt instruction that is a library call.
            std::int64_t count = 0;
            for (std::uint64_t x = ends; x; x &= x - 1)
                ++count;
            if (skipped + count > maxLines) break;
            skipped += count;
            if (ends) pos = base + static_cast<std::size_t>(63 - std::countl_zero(ends)) + 1;
            if (stop) break;
        }
        const std::size_t next = base + 64;
        if (next >= n) break;
        if (n - next >= 64) {
            k.masks(p + next, crMask, lfMask, tailMask);
            tailsKnown = Window::kTails;
            base = next;
            continue;
        }
        m_pos = pos;
        load(next);
        base = m_base;
        crMask = m_cr;
        lfMask = m_lf;
        tailsKnown = false;
    }
    m_base = base;
    m_pos = pos;
    m_cr = crMask;
    m_lf = lfMask;
    return skipped;
}

#ifdef PW_SPLIT_AVX2
// flatten: the window's masks must be inlined here, where AVX2 is allowed.
__attribute__((target("avx2,popcnt"), flatten)) std::int64_t LineScanner::skipAvx2(std::int64_t maxLines,
                                                                                   bool blankMatters) {
    return skipWith<Avx2Window>(maxLines, blankMatters);
}
#endif

} // namespace pw

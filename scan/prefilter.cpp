#include "scan/prefilter.h"

#include <cstring>
#include <limits>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define PW_PREFILTER_AVX2 1
#endif

namespace pw {

Prefilter::Prefilter(std::vector<std::string> needles, std::size_t unitWidth) : m_unit(unitWidth) {
    for (std::string& n : needles)
        if (!n.empty()) m_needles.push_back(std::move(n));
}

void Prefilter::learn(std::string_view sample) {
    if (m_needles.empty()) return;
    std::array<std::size_t, 256> freq{};
    for (unsigned char c : sample)
        ++freq[c];
    std::size_t best = std::numeric_limits<std::size_t>::max();
    for (std::size_t i = 0; i < m_needles.size(); ++i) {
        for (std::size_t k = 0; k < m_needles[i].size(); ++k) {
            const std::size_t f = freq[static_cast<unsigned char>(m_needles[i][k])];
            if (f < best) {
                best = f;
                m_primary = i;
                m_rarePos = k;
            }
        }
    }
}

#ifdef PW_PREFILTER_AVX2
namespace {

// Where the needle's first two bytes stand side by side, 32 places at a time: in Chinese text
// even the rarest single byte of a character turns up every few hundred bytes, a pair far less.
__attribute__((target("avx2"))) std::size_t findPair(std::string_view bytes, std::size_t from,
                                                     const std::string& needle, std::size_t unit) {
    const char* base = bytes.data();
    const std::size_t n = bytes.size(), len = needle.size();
    const __m256i first = _mm256_set1_epi8(needle[0]), second = _mm256_set1_epi8(needle[1]);
    std::size_t s = from;
    for (; s + 33 <= n; s += 32) {
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(base + s));
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(base + s + 1));
        auto mask = static_cast<std::uint32_t>(
            _mm256_movemask_epi8(_mm256_and_si256(_mm256_cmpeq_epi8(a, first), _mm256_cmpeq_epi8(b, second))));
        for (; mask; mask &= mask - 1) {
            const std::size_t start = s + static_cast<std::size_t>(__builtin_ctz(mask));
            if ((start - from) % unit == 0 && start + len <= n && std::memcmp(base + start, needle.data(), len) == 0)
                return start;
        }
    }
    for (; s + len <= n; ++s)
        if ((s - from) % unit == 0 && std::memcmp(base + s, needle.data(), len) == 0) return s;
    return std::string_view::npos;
}

const bool kHasAvx2 = __builtin_cpu_supports("avx2");

} // namespace
#endif

std::size_t Prefilter::find(std::string_view bytes, std::size_t from) const {
    if (m_needles.empty()) return from < bytes.size() ? from : std::string_view::npos;
    const std::string& needle = m_needles[m_primary];
    const std::size_t len = needle.size();
#ifdef PW_PREFILTER_AVX2
    if (len >= 2 && kHasAvx2) return findPair(bytes, from, needle, m_unit);
#endif
    const char rare = needle[m_rarePos];
    const char* base = bytes.data();
    std::size_t pos = from + m_rarePos;
    while (pos < bytes.size()) {
        const void* hit = std::memchr(base + pos, rare, bytes.size() - pos);
        if (!hit) break;
        const std::size_t at = static_cast<std::size_t>(static_cast<const char*>(hit) - base);
        const std::size_t start = at - m_rarePos;
        if ((start - from) % m_unit == 0 && start + len <= bytes.size() &&
            std::memcmp(base + start, needle.data(), len) == 0)
            return start;
        pos = at + 1;
    }
    return std::string_view::npos;
}

bool Prefilter::accepts(std::string_view line) const {
    for (const std::string& n : m_needles)
        if (line.find(n) == std::string_view::npos) return false;
    return true;
}

} // namespace pw

#include "scan/prefilter.h"

#include <cstring>
#include <limits>

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

std::size_t Prefilter::find(std::string_view bytes, std::size_t from) const {
    if (m_needles.empty()) return from < bytes.size() ? from : std::string_view::npos;
    const std::string& needle = m_needles[m_primary];
    const std::size_t len = needle.size();
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

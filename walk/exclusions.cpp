#include "walk/exclusions.h"

#include <algorithm>

namespace pw {

RowRanges RowRanges::of(std::vector<Range> ranges) {
    std::sort(ranges.begin(), ranges.end());
    RowRanges r;
    for (const Range& x : ranges) {
        if (x.first > x.second) continue;
        if (!r.m_ranges.empty() && x.first <= r.m_ranges.back().second + 1)
            r.m_ranges.back().second = std::max(r.m_ranges.back().second, x.second);
        else
            r.m_ranges.push_back(x);
    }
    return r;
}

RowRanges RowRanges::ofRows(const std::vector<std::int64_t>& rows) {
    std::vector<Range> ranges;
    ranges.reserve(rows.size());
    for (const std::int64_t row : rows)
        ranges.emplace_back(row, row);
    return of(std::move(ranges));
}

RowRanges& RowRanges::operator|=(const RowRanges& other) {
    std::vector<Range> all = m_ranges;
    all.insert(all.end(), other.m_ranges.begin(), other.m_ranges.end());
    *this = of(std::move(all));
    return *this;
}

bool RowRanges::contains(std::int64_t row) const {
    const auto after = std::upper_bound(m_ranges.begin(), m_ranges.end(), row,
                                        [](std::int64_t r, const Range& x) { return r < x.first; });
    return after != m_ranges.begin() && std::prev(after)->second >= row;
}

std::optional<std::int64_t> RowRanges::lastRow() const {
    if (m_ranges.empty()) return std::nullopt;
    return m_ranges.back().second;
}

} // namespace pw

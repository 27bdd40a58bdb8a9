#pragma once
// Which headings to leave out, by list row (heading k is row k - 1), whatever says so: the
// list's selection, heading numbers on the command line, the suspects of the analysis. Kept
// as sorted, merged ranges, so "1-100000" is two numbers and sources combine with |.
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace pw {

class RowRanges {
public:
    using Range = std::pair<std::int64_t, std::int64_t>; // first, last (inclusive)

    RowRanges() = default;
    // Any order, overlaps and repeats allowed.
    static RowRanges of(std::vector<Range> ranges);
    static RowRanges ofRows(const std::vector<std::int64_t>& rows);

    RowRanges& operator|=(const RowRanges& other);
    bool contains(std::int64_t row) const;
    bool empty() const { return m_ranges.empty(); }
    std::optional<std::int64_t> lastRow() const;
    const std::vector<Range>& ranges() const { return m_ranges; }

private:
    std::vector<Range> m_ranges;
};

} // namespace pw

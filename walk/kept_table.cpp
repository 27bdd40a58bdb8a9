#include "walk/kept_table.h"

namespace pw {

bool headingTableIsWhole(const std::vector<std::int64_t>& m) {
    if (m.size() < 2 || m[0] != 1) return false;
    // The first heading may be line 1 itself; after it every line number grows.
    for (std::size_t k = 1; k < m.size(); ++k) {
        if (k == 1 ? m[k] < m[0] : m[k] <= m[k - 1]) return false;
    }
    return true;
}

KeptTable buildKeptTable(const std::vector<std::int64_t>& matchLines, const RowRanges& excluded) {
    KeptTable t;
    const auto count = static_cast<std::int64_t>(matchLines.size()) - 2;
    auto ex = excluded.ranges().begin();
    const auto exEnd = excluded.ranges().end();
    for (std::int64_t j = 0; j < count; ++j) {
        while (ex != exEnd && ex->second < j)
            ++ex;
        if (ex != exEnd && ex->first <= j) continue;
        t.keep(matchLines[static_cast<std::size_t>(j) + 1]);
    }
    if (t.lngKeptCount > 0) t.close(matchLines.back());
    return t;
}

} // namespace pw

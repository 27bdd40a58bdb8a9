#include "split/kept_table.h"

#include <algorithm>

namespace pw {

bool headingTableIsWhole(const WorkingState& st) {
    const auto& m = st.lngMatchLines;
    if (st.lngMatchCount < 0 || m.size() != static_cast<std::size_t>(st.lngMatchCount) + 2 || m[0] != 1) return false;
    // The first heading may be line 1 itself; after it every line number grows.
    for (std::size_t k = 1; k < m.size(); ++k) {
        if (k == 1 ? m[k] < m[0] : m[k] <= m[k - 1]) return false;
    }
    return true;
}

void buildKeptTable(WorkingState& st, std::vector<std::int64_t> excludedRows) {
    std::sort(excludedRows.begin(), excludedRows.end());
    st.lngKeptCount = 0;
    st.lngKeptLines.assign(1, 1);
    auto ex = excludedRows.begin();
    for (std::int64_t j = 0; j < st.lngMatchCount; ++j) {
        while (ex != excludedRows.end() && *ex < j)
            ++ex;
        if (ex != excludedRows.end() && *ex == j) continue;
        st.lngKeptLines.push_back(st.lngMatchLines[static_cast<std::size_t>(j) + 1]);
        ++st.lngKeptCount;
    }
    if (st.lngKeptCount > 0) st.lngKeptLines.push_back(st.lngMatchLines.back());
}

std::vector<std::int64_t> plannedFileIndexes(const WorkingState& st) {
    std::vector<std::int64_t> out;
    if (st.lngKeptCount < 1) return out;
    const std::int64_t n = std::max<std::int64_t>(st.lngChapsPerFile, 1);
    if (st.lngKeptLines[1] != 1) out.push_back(0);
    const std::int64_t last = fileIndexOf(st.lngKeptCount, n);
    for (std::int64_t k = 1; k <= last; ++k)
        out.push_back(k);
    return out;
}

} // namespace pw

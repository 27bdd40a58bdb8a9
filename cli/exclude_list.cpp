#include "cli/exclude_list.h"

#include <algorithm>
#include <charconv>
#include <optional>

namespace pw::cli {

namespace {

std::string_view strip(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

std::optional<std::int64_t> number(std::string_view s) {
    s = strip(s);
    std::int64_t v = 0;
    const auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (s.empty() || ec != std::errc() || p != s.data() + s.size()) return std::nullopt;
    return v;
}

} // namespace

ExcludeList parseExcludeList(std::string_view list) {
    ExcludeList r;
    // Ranges stay ranges: many overlapping "1-100000" items must not each be spelled out.
    std::vector<RowRanges::Range> ranges;
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t comma = std::min(list.find(',', start), list.size());
        const std::string_view item = strip(list.substr(start, comma - start));
        start = comma + 1;
        if (item.empty()) {
            if (list.empty()) break;
            r.error = "排除列表格式不正确：" + std::string(list);
            return r;
        }
        const std::size_t dash = item.find('-', 1);
        const auto lo = number(dash == std::string_view::npos ? item : item.substr(0, dash));
        const auto hi = dash == std::string_view::npos ? lo : number(item.substr(dash + 1));
        if (!lo || !hi || *lo > *hi) {
            r.error = "排除列表格式不正确：" + std::string(item);
            return r;
        }
        r.m_items.push_back({std::string(item), *lo, *hi});
        ranges.emplace_back(*lo - 1, *hi - 1);
    }
    r.rows = RowRanges::of(std::move(ranges));
    return r;
}

std::string ExcludeList::rangeError(std::int64_t count) const {
    for (const Item& i : m_items) {
        if (i.first < 1 || i.last > count) return "排除的编号 " + i.text + " 超出范围 1-" + std::to_string(count);
    }
    return {};
}

} // namespace pw::cli

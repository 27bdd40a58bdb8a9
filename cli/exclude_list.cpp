#include "cli/exclude_list.h"

#include <algorithm>
#include <charconv>

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

// Walks the comma-separated items; `each(lo, hi, item)` sees every well-formed one and may
// answer an error. Returns the first error, or an empty text.
template <typename Each> std::string walk(std::string_view list, Each each) {
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t comma = std::min(list.find(',', start), list.size());
        const std::string_view item = strip(list.substr(start, comma - start));
        start = comma + 1;
        if (item.empty()) {
            if (list.empty()) break;
            return "排除列表格式不正确：" + std::string(list);
        }
        const std::size_t dash = item.find('-', 1);
        const auto lo = number(dash == std::string_view::npos ? item : item.substr(0, dash));
        const auto hi = dash == std::string_view::npos ? lo : number(item.substr(dash + 1));
        if (!lo || !hi || *lo > *hi) return "排除列表格式不正确：" + std::string(item);
        if (std::string e = each(*lo, *hi, item); !e.empty()) return e;
    }
    return {};
}

} // namespace

std::string excludeSyntaxError(std::string_view list) {
    return walk(list, [](std::int64_t, std::int64_t, std::string_view) { return std::string(); });
}

std::vector<std::pair<std::int64_t, std::int64_t>> excludedRanges(std::string_view list) {
    std::vector<std::pair<std::int64_t, std::int64_t>> ranges;
    (void)walk(list, [&](std::int64_t lo, std::int64_t hi, std::string_view) {
        ranges.emplace_back(lo - 1, hi - 1);
        return std::string();
    });
    std::sort(ranges.begin(), ranges.end());
    std::vector<std::pair<std::int64_t, std::int64_t>> merged;
    for (const auto& r : ranges) {
        if (!merged.empty() && r.first <= merged.back().second + 1)
            merged.back().second = std::max(merged.back().second, r.second);
        else
            merged.push_back(r);
    }
    return merged;
}

ExcludeResult parseExcludeList(std::string_view list, std::int64_t count) {
    // Ranges stay ranges until they are merged: many overlapping "1-100000" items must not
    // each be spelled out. Expanded once at the end, the rows number at most `count`.
    std::vector<std::pair<std::int64_t, std::int64_t>> ranges;
    ExcludeResult r;
    r.error = walk(list, [&](std::int64_t lo, std::int64_t hi, std::string_view item) {
        if (lo < 1 || hi > count) return "排除的编号 " + std::string(item) + " 超出范围 1-" + std::to_string(count);
        ranges.emplace_back(lo - 1, hi - 1);
        return std::string();
    });
    if (!r.error.empty()) return r;
    std::sort(ranges.begin(), ranges.end());
    std::int64_t next = 0; // the first row not yet taken
    for (const auto& [lo, hi] : ranges) {
        for (std::int64_t k = std::max(lo, next); k <= hi; ++k)
            r.rows.push_back(k);
        next = std::max(next, hi + 1);
    }
    return r;
}

} // namespace pw::cli

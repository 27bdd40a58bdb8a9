#pragma once
// The --exclude list: heading numbers as the scan prints them ("[k]"), e.g. "3" or "2,5,9-12".
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pw::cli {

struct ExcludeResult {
    std::vector<std::int64_t> rows; // 0-based list rows, sorted, without repeats
    std::string error;              // set when the list is malformed or out of range
};

// `count` is the number of headings the scan found; every number must lie in 1..count.
ExcludeResult parseExcludeList(std::string_view list, std::int64_t count);

// The list as sorted, merged ranges of 0-based rows (first, last), for a split that scans and
// writes in one read and so learns the number of headings only at the end. Needs a
// well-formed list (excludeSyntaxError empty).
std::vector<std::pair<std::int64_t, std::int64_t>> excludedRanges(std::string_view list);

// The list's form alone, before the scan says how many headings there are: a typo is
// reported at once rather than after scanning a large file. Empty when well-formed.
std::string excludeSyntaxError(std::string_view list);

} // namespace pw::cli

#pragma once
// The --exclude list: heading numbers as the scan prints them ("[k]"), e.g. "3" or "2,5,9-12",
// read once into list rows.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "walk/exclusions.h"

namespace pw::cli {

struct ExcludeList {
    RowRanges rows;    // 0-based list rows
    std::string error; // set when the list is malformed: a typo is told before a large file is scanned
    // The first item that names no heading when the scan found `count`, as the refusal says
    // it; empty when every number lies in 1..count.
    std::string rangeError(std::int64_t count) const;

private:
    friend ExcludeList parseExcludeList(std::string_view list);
    struct Item {
        std::string text;
        std::int64_t first, last; // heading numbers
    };
    std::vector<Item> m_items;
};

ExcludeList parseExcludeList(std::string_view list);

} // namespace pw::cli

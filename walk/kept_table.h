#pragma once
// Which headings start a chapter.
//
// Chapter i runs from lngKeptLines[i] to lngKeptLines[i + 1] - 1. Chapter 0 is the text
// before the first kept heading; an excluded heading starts nothing, so its lines stay
// with the chapter before it and every line lands in exactly one chapter.
#include <cstdint>
#include <vector>

#include "walk/exclusions.h"

namespace pw {

struct KeptTable {
    std::int64_t lngKeptCount = 0;
    // 1, then the line of each kept heading; once closed, the heading table's closing entry
    // (the number of lines + 1) after them.
    std::vector<std::int64_t> lngKeptLines{1};

    // A heading found (while the input is still being read) that starts a chapter.
    void keep(std::int64_t line) {
        lngKeptLines.push_back(line);
        ++lngKeptCount;
    }
    void close(std::int64_t endEntry) { lngKeptLines.push_back(endEntry); }
    // The text starts with a kept heading: there is no preamble.
    bool startsWithHeading() const { return lngKeptCount >= 1 && lngKeptLines[1] == 1; }
};

// Whether a heading table (lngMatchLines) is whole: 1 first, heading lines strictly
// increasing, then the closing entry. Anything else is not a finished scan.
bool headingTableIsWhole(const std::vector<std::int64_t>& matchLines);

// The kept table of a finished scan's heading table without the excluded rows (row j stands
// for heading j + 1). Closed when at least one heading is kept.
KeptTable buildKeptTable(const std::vector<std::int64_t>& matchLines, const RowRanges& excluded);

} // namespace pw

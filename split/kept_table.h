#pragma once
// Which headings start a chapter, and which output file each chapter goes to.
//
// Chapter i runs from lngKeptLines[i] to lngKeptLines[i + 1] - 1. Chapter 0 is the text
// before the first kept heading; an excluded heading starts nothing, so its lines stay
// with the chapter before it and every line lands in exactly one chapter.
#include <cstdint>
#include <vector>

#include "options/working_state.h"

namespace pw {

// Whether the table a scan left is whole: 1 first, heading lines strictly increasing,
// then the closing entry. Anything else is not a finished scan.
bool headingTableIsWhole(const WorkingState& st);

// Rebuilds lngKeptCount and lngKeptLines from the heading table, leaving out the excluded
// list rows (row j stands for heading j + 1; order and duplicates do not matter). The
// closing entry is added only when at least one heading is kept.
void buildKeptTable(WorkingState& st, std::vector<std::int64_t> excludedRows);

// The file index of chapter i with n chapters to a file: 0 for the preamble, else
// (i - 1) div n + 1, which is i itself when n is 1.
constexpr std::int64_t fileIndexOf(std::int64_t chapter, std::int64_t n) {
    return chapter <= 0 ? 0 : (chapter - 1) / n + 1;
}
// A file opens at the preamble and at the first chapter of each group of n.
constexpr bool opensFile(std::int64_t chapter, std::int64_t n) {
    return chapter == 0 || n == 1 || chapter % n == 1;
}
// ...and closes after the last chapter of its group, or after the last chapter of all.
constexpr bool closesFile(std::int64_t chapter, std::int64_t n, std::int64_t keptCount) {
    return chapter % n == 0 || chapter == keptCount;
}

// The indexes of every file the pass would write, in order: the preamble's (when the
// first kept heading is not line 1), then 1 up to the last group's. Needs the closing entry.
std::vector<std::int64_t> plannedFileIndexes(const WorkingState& st);

} // namespace pw

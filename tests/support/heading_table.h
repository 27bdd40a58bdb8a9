#pragma once
// Fills the scan results of a working state the way a finished heading scan leaves them,
// without the scan itself: tests of later passes choose their headings with a predicate
// on each decoded line.
#include <filesystem>
#include <functional>
#include <vector>

#include "options/working_state.h"
#include "platform/encoding.h"

namespace pwtest {

using HeadingTest = std::function<bool(const pw::Text& line)>;

// A stand-in for the default pattern: 第, then one to ten characters, then 章 or 回.
bool looksLikeHeading(const pw::Text& line);

// Reads `path` with the shared line reader and sets strInFile, strAnalyzedFile,
// lngFileSize, lngMatchCount, lngMatchLines, blnAnalyzed, and `encoding` when given. Returns
// the byte offset of each heading's line, index k for heading k (index 0 unused).
std::vector<std::int64_t> headingTable(pw::WorkingState& st, const std::filesystem::path& path,
                                       const HeadingTest& isHeading = looksLikeHeading,
                                       pw::Encoding* encoding = nullptr);

} // namespace pwtest

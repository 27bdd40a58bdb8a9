#pragma once
// What --create-dir makes, so that the run can say so.
#include <vector>

#include "platform/text.h"

namespace pw::cli {

// The folders on the way to `dir` (itself included) that do not exist yet, outermost first.
std::vector<Text> missingFolders(const Text& dir);

} // namespace pw::cli

#include "cli/folders.h"

#include <algorithm>
#include <filesystem>

#include "platform/paths.h"

namespace pw::cli {

std::vector<Text> missingFolders(const Text& dir) {
    namespace fs = std::filesystem;
    std::vector<Text> missing;
    fs::path p = toPath(dir);
    if (!p.has_filename() && p.has_relative_path()) p = p.parent_path(); // "a/b/" is "a/b"
    std::error_code ec;
    for (; !p.empty() && !fs::exists(fs::symlink_status(p, ec)); p = p.parent_path()) {
        missing.push_back(fromPath(p));
        if (p == p.parent_path()) break;
    }
    std::reverse(missing.begin(), missing.end());
    return missing;
}

} // namespace pw::cli

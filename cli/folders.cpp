#include "cli/folders.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>

#include "platform/paths.h"

namespace pw::cli {

namespace fs = std::filesystem;

std::vector<Text> missingFolders(const Text& dir) {
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

bool MadeFolders::make(int& error) {
    for (const Text& folder : m_missing) {
        std::error_code ec;
        fs::create_directory(toPath(folder), ec);
        if (ec) {
            error = ec.value() ? ec.value() : EIO;
            return false;
        }
    }
    return true;
}

void MadeFolders::takeBack() {
    if (m_kept) return;
    // fs::remove takes an empty folder only: one the run wrote into, or that someone put
    // something into meanwhile, stays, and so do the folders above it.
    for (auto it = m_missing.rbegin(); it != m_missing.rend(); ++it) {
        std::error_code ec;
        if (!fs::is_directory(fs::symlink_status(toPath(*it), ec)) || !fs::remove(toPath(*it), ec)) break;
    }
    m_missing.clear();
}

} // namespace pw::cli

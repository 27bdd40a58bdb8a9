#include "platform/paths.h"

#include <cstring>
#include <system_error>

namespace pw {

std::filesystem::path toPath(TextView s) { return std::filesystem::path(Text(s)); }

Text fromPath(const std::filesystem::path& p) { return p.u16string(); }

bool isRegularFile(TextView path) {
    if (path.empty()) return false;
    std::error_code ec;
    return std::filesystem::is_regular_file(toPath(path), ec);
}

bool isFolder(TextView path) {
    if (path.empty()) return false;
    std::error_code ec;
    return std::filesystem::is_directory(toPath(path), ec);
}

bool endsWithSeparator(TextView path) {
#ifdef _WIN32
    return !path.empty() && (path.back() == u'\\' || path.back() == u'/');
#else
    return !path.empty() && path.back() == kSeparator;
#endif
}

Text reasonText(const std::error_code& ec) { return fromUtf8(ec.message()); }

Text reasonFromErrno(int err) { return reasonText(std::error_code(err, std::generic_category())); }

} // namespace pw

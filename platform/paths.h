#pragma once
// Paths cross between the UTF-16 text of the fields and the file system here, and only
// here; nothing narrows a file name to a code page.
#include <filesystem>
#include <string>

#include "platform/text.h"

namespace pw {

#ifdef _WIN32
constexpr char16_t kSeparator = u'\\';
#else
constexpr char16_t kSeparator = u'/';
#endif

std::filesystem::path toPath(TextView s);
Text fromPath(const std::filesystem::path& p);

bool isRegularFile(TextView path);
bool isFolder(TextView path);
bool endsWithSeparator(TextView path);

// The system's reason for an error code, as text for a message ("No such file or directory").
Text reasonText(const std::error_code& ec);
Text reasonFromErrno(int err);

} // namespace pw

#pragma once
// Paths cross between the UTF-16 text of the fields and the file system here, and only
// here; nothing narrows a file name to a code page.
#include <filesystem>
#include <string>

#include "platform/text.h"

namespace pw {

constexpr char16_t kSeparator = u'/';

std::filesystem::path toPath(TextView s);
Text fromPath(const std::filesystem::path& p);

// A file name on Linux is bytes, often not UTF-8 (names from archives made on Windows are
// GBK). Such a name must still reach the system unchanged, so the bytes of each invalid
// UTF-8 sequence travel in the text as lone low surrogates U+DC80..U+DCFF, one per byte,
// and turn back into the same bytes on the way out. Valid UTF-8 reads as itself.
Text fromNativeBytes(std::string_view bytes);
std::string toNativeBytes(TextView text);

bool isRegularFile(TextView path);
bool isFolder(TextView path);
bool endsWithSeparator(TextView path);

// The system's reason for an error code, as text for a message ("No such file or directory").
Text reasonText(const std::error_code& ec);
Text reasonFromErrno(int err);

} // namespace pw

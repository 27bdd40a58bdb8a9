#pragma once
// The start of one chapter, decoded, for a look inside before deciding what to leave out.
// Read from the analysed file at the heading's offset: the scan keeps no text.
#include <cstdint>
#include <variant>

#include "platform/encoding.h"
#include "platform/files.h"
#include "platform/text.h"

namespace pw {

// Enough text to judge a chapter by, little enough to show at once.
constexpr std::size_t kChapterPreviewBytes = 64 * 1024;

struct ChapterText {
    Text text;
    bool cut = false; // the chapter goes on past what was read
};

// Reads up to `maxBytes` of the `length` bytes from `offset` of the file at `path` and decodes
// them; a read that stops inside the chapter ends at the last whole line. A file that has
// become shorter since the scan gives what is left.
std::variant<ChapterText, FileError> readChapterStart(TextView path, Encoding encoding, std::int64_t offset,
                                                     std::int64_t length, std::size_t maxBytes = kChapterPreviewBytes);

} // namespace pw

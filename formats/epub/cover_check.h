#pragma once
// A cover image looked at far enough to know it is whole before it goes into a book: a PNG's
// chunks with their checksums up to IEND, a JPEG's segments from SOI through a frame that gives
// its size to EOI. A reader that meets a broken image shows nothing, and epubcheck fails the
// book; both are better told before the book is written.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "formats/epub/epub_package.h"
#include "platform/files.h"

namespace pw {

// A cover larger than this is no cover a reader shows; it is refused before it is read.
inline constexpr std::int64_t kCoverLimit = std::int64_t{20} << 20;

inline constexpr char16_t kCoverBroken[] = u"封面图片不完整或已损坏：";

struct CoverCheck {
    CoverImage kind = CoverImage::None; // None: neither signature
    std::uint32_t width = 0, height = 0;
    std::string fault; // empty when whole; else what is wrong, in the user's language
    bool whole() const { return kind != CoverImage::None && fault.empty(); }
};

CoverCheck checkCoverImage(std::string_view bytes);

// The cover's bytes, read only from a regular file within kCoverLimit.
std::optional<FileError> readCover(TextView path, std::string& bytes);

} // namespace pw

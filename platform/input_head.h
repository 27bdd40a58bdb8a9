#pragma once
// The decoded lines at the start of a novel, read once. Choosing the heading rule, the paragraph
// layout, the script a book's language follows, the window's preset menu and its analysis all
// look at the same first part of the file; they take it from here instead of each opening the
// file and decoding it again. Asked again for the same file, unchanged, in the same encoding,
// the lines already decoded are handed out.
#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

#include "platform/encoding.h"
#include "platform/text.h"

namespace pw {

// How much of a file the head holds.
inline constexpr std::size_t kInputHeadBytes = 512 * 1024;

struct InputHead {
    Encoding encoding = Encoding::Gb18030; // as given, or found as the scan finds it
    // CR LF, LF and CR each end a line, as the line reader has it; a line cut by the head's end
    // is left out.
    std::vector<Text> lines;
    bool whole = false;        // the file ends within the head
    std::optional<Text> error; // the file cannot be read: no lines then
};

std::shared_ptr<const InputHead> readInputHead(const std::filesystem::path& file,
                                               std::optional<Encoding> encoding = std::nullopt,
                                               std::size_t bytes = kInputHeadBytes);

} // namespace pw

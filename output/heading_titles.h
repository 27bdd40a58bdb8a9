#pragma once
// The titles that bare chapter numbers take from the line under them (第三回, then 托内兄如海荐西宾
// on the next line), for a list of headings found by a scan: what the book's contents show.
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "platform/encoding.h"

namespace pw {

struct HeadingAt {
    std::int64_t line = 0;
    std::int64_t offset = 0; // of the heading's line in the file, in bytes
    std::string text;        // the heading's line, UTF-8
};

// By heading line: the heading with its title ("第三回 托内兄如海荐西宾"), for each bare number
// whose next line that is not blank is a title. Reads only around those headings.
std::map<std::int64_t, std::string> headingTitles(const std::filesystem::path& file, Encoding encoding,
                                                  const std::vector<HeadingAt>& headings);

} // namespace pw

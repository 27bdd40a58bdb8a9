#pragma once
// The text of a book's pages: lines of UTF-8 made into XML character data, and the names a
// book takes from its file.
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/text.h"

namespace pw {

// Appends `utf8` (valid UTF-8) as XML character data: '&', '<' and '>' escaped, and the
// characters XML 1.0 does not allow (C0 controls but tab, U+FFFE, U+FFFF) left out, each
// counted in `dropped`.
void appendXmlText(std::string& out, std::string_view utf8, std::int64_t& dropped);

// Without the spaces and ideographic spaces (U+3000) it starts with; and, for a title, ends with.
std::string_view withoutLeadingSpaces(std::string_view utf8);
std::string_view withoutSurroundingSpaces(std::string_view utf8);

// Title and author as a downloaded novel's file name gives them: 《书名》作者：某某,
// 书名 作者：某某, 【书名】…, 书名 by 某某; else the title is the name itself. `stem` is the file
// name without its extension.
struct BookName {
    Text title;
    Text author; // empty when the name does not say
};
BookName bookNameFromFile(TextView stem);

} // namespace pw

#pragma once
#include <string_view>
// A book's settings, built in one place from what the user gave (the window's dialog or the
// command line's options) and what the novel's file says, and checked before anything is read.
#include <cstdint>
#include <optional>

#include "output/refusals.h"
#include "platform/text.h"

namespace pw {

struct EpubSettings {
    Text path;          // the book
    Text title;         // not empty
    Text author;        // may be empty
    Text language;      // empty: zh-CN, or zh-TW for a Big5 input
    Text cover;         // a JPEG or PNG, or empty
    Text volumePattern; // empty: one level
    bool vertical = false;
    // Stamps the book (dcterms:modified and the archive's entries): the input's modification
    // time, so that the same input and options give the same book.
    std::int64_t modified = 0;
    // How hard the pages are deflated (1 to 9). The fastest: on the 200 MB benchmark it takes a
    // third of the time of level 6 for a book 11% larger (159 MB against 143 MB), and a reader
    // unpacks either alike.
    int level = 1;
};

// What the user asked for; what is not given comes from the novel.
struct BookRequest {
    Text input;                        // the novel
    std::optional<Text> title, author; // else from the file's name
    std::optional<Text> language;
    Text cover;
    std::optional<Text> volumePattern; // else the one the heading pattern's preset implies
    Text headingPattern;               // the pattern the headings are found by
    bool vertical = false;
    Text out;    // the book's path, or a folder that exists, to name it in by its title
    Text folder; // without `out`: the folder the book is named in by its title
};

EpubSettings bookSettings(const BookRequest& request);

// Where a book of this title goes in `folder`: the title as a file name, the characters no
// file name can hold made "_".
Text bookPathIn(TextView folder, TextView title);

// The volume pattern the 卷/部 preset implies for the book's two levels.
Text defaultVolumePattern();

// The volume pattern that comes with a heading pattern: a preset's own, or none.
Text impliedVolumePattern(TextView headingPattern);

// What a front end checks before a book is made: the title, the cover (readable, a JPEG or a
// PNG by its signature), the volume pattern, the book's folder. Empty when all is well.
std::optional<Refusal> checkEpubSettings(const EpubSettings& s);

// Whether `tag` is a well-formed language tag (zh-CN, zh-Hant-TW, en): what a book's
// dc:language must be for readers and checkers to take it.
bool isLanguageTag(std::string_view tag);

} // namespace pw

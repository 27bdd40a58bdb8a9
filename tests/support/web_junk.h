#pragma once
// Downloaded web novels as readers get them: site adverts and notices as real downloads carry
// them, web addresses (in full-width letters, spaced out, with marks between their parts),
// adverts glued to a paragraph or set inside it and inside a heading, HTML character
// references, lines of stray punctuation, the chapter's title again under its heading and
// paragraphs written twice; planted among story lines made to resemble them (dialogue that
// mentions a 网址 or 本章, numbers, a sentence that quotes an advert, speechless replies of
// …… and ？？？, scene breaks, short lines said twice, a chant said three times, game chat
// repeated, a refrain, an address the story gives once). Returned with the truth: which lines
// go, which are mended and into what, so a test holds the clean-up against what was put there.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/encoding.h"

namespace pwtest {

struct JunkNovelOptions {
    std::uint32_t seed = 1;
    int chapters = 8;
    pw::Encoding encoding = pw::Encoding::Utf8;
};

struct JunkLine {
    std::string text;  // UTF-8
    bool junk = false; // taken out
    bool heading = false;
    std::string mended; // not empty: the line stays, as this (an advert inside it out)
};

struct JunkNovel {
    std::vector<JunkLine> lines; // every line, in order; line n is lines[n - 1]
    std::string bytes;           // in the encoding asked for, lines ended by CR LF

    // The lines that must remain, as they must read, in order.
    std::vector<std::string> story() const;
    // The lines the clean-up touches: taken out or mended.
    std::vector<std::int64_t> junkLineNumbers() const;
};

JunkNovel makeJunkNovel(const JunkNovelOptions& o);
JunkNovel writeJunkNovel(const std::filesystem::path& path, const JunkNovelOptions& o);

// UTF-8 text in `e` (through ICU; what cannot be written there stops it with an exception).
std::string encodeText(const std::string& utf8, pw::Encoding e);

} // namespace pwtest

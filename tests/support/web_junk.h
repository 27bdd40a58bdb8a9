#pragma once
// Downloaded web novels as readers get them: site adverts, web addresses (some in full-width
// letters), lines of stray punctuation, the chapter's title again under its heading and
// paragraphs written twice, planted among story lines made to resemble them (dialogue that
// mentions a 网址 or 本章, numbers, a sentence that quotes an advert, speechless replies of
// …… and ？？？, scene breaks, short lines said twice). Returned with the truth: which lines
// are junk, so a test holds the clean-up against what was put there.
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
    std::string text; // UTF-8
    bool junk = false;
    bool heading = false;
};

struct JunkNovel {
    std::vector<JunkLine> lines; // every line, in order; line n is lines[n - 1]
    std::string bytes;           // in the encoding asked for, lines ended by CR LF

    // The lines that must remain, in order.
    std::vector<std::string> story() const;
    std::vector<std::int64_t> junkLineNumbers() const;
};

JunkNovel makeJunkNovel(const JunkNovelOptions& o);
JunkNovel writeJunkNovel(const std::filesystem::path& path, const JunkNovelOptions& o);

// UTF-8 text in `e` (through ICU; what cannot be written there stops it with an exception).
std::string encodeText(const std::string& utf8, pw::Encoding e);

} // namespace pwtest

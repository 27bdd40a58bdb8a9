#pragma once
// The files that describe a book rather than hold its text: both tables of contents
// (nav.xhtml for EPUB 3 readers, toc.ncx for older ones) and the package (content.opf). They
// are rendered from what the page writer collected, apart from it, so the contents' shape can
// be checked on its own.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pw {

struct TocEntry {
    int level = 0;     // 0 at the top, 1 under a volume
    std::string title; // XML already
    std::string href;  // from the package's folder
};

enum class CoverImage { None, Jpeg, Png };
// A cover's kind by its first bytes.
CoverImage coverImageKind(std::string_view head);

struct PackageInfo {
    std::string id;       // urn:uuid:…
    std::string title;    // XML already
    std::string author;   // XML already; may be empty
    std::string language; // a language tag
    std::string modified; // dcterms:modified, ISO 8601 in UTC
    bool vertical = false;
    CoverImage cover = CoverImage::None;
    std::string coverFile;          // from the package's folder
    std::vector<std::string> spine; // page files in reading order, from the package's folder
};

std::string renderNav(const std::vector<TocEntry>& toc, const std::string& language);
std::string renderNcx(const std::vector<TocEntry>& toc, const PackageInfo& book);
std::string renderOpf(const PackageInfo& book);

} // namespace pw

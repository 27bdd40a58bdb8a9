#include "formats/epub/epub_package.h"

#include <algorithm>

namespace pw {

namespace {

// The entries nest one level under a volume.
template <class Open, class Close> void walkToc(const std::vector<TocEntry>& toc, Open open, Close close) {
    for (std::size_t i = 0; i < toc.size(); ++i) {
        const bool hasChildren = i + 1 < toc.size() && toc[i + 1].level > toc[i].level;
        open(toc[i], hasChildren);
        if (!hasChildren) close(toc[i].level, i + 1 == toc.size() || toc[i + 1].level < toc[i].level);
    }
}

} // namespace

CoverImage coverImageKind(std::string_view head) {
    if (head.starts_with("\xFF\xD8\xFF")) return CoverImage::Jpeg;
    if (head.starts_with("\x89PNG\r\n\x1A\n")) return CoverImage::Png;
    return CoverImage::None;
}

std::string renderNav(const std::vector<TocEntry>& toc, const std::string& language) {
    std::string s = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<!DOCTYPE html>\n"
                    "<html xmlns=\"http://www.w3.org/1999/xhtml\" xmlns:epub=\"http://www.idpf.org/2007/ops\" "
                    "xml:lang=\"" +
                    language + "\" lang=\"" + language +
                    "\">\n<head>\n<meta charset=\"utf-8\"/>\n<title>目录</title>\n</head>\n<body>\n"
                    "<nav epub:type=\"toc\" id=\"toc\">\n<h1>目录</h1>\n<ol>\n";
    walkToc(
        toc,
        [&](const TocEntry& e, bool children) {
            s += "<li><a href=\"" + e.href + "\">" + e.title + "</a>";
            s += children ? "\n<ol>\n" : "";
        },
        [&](int level, bool lastOfLevel) {
            s += "</li>\n";
            if (level > 0 && lastOfLevel) s += "</ol>\n</li>\n";
        });
    s += "</ol>\n</nav>\n</body>\n</html>\n";
    return s;
}

std::string renderNcx(const std::vector<TocEntry>& toc, const PackageInfo& book) {
    const bool nested = std::any_of(toc.begin(), toc.end(), [](const TocEntry& e) { return e.level > 0; });
    std::string s = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                    "<ncx xmlns=\"http://www.daisy.org/z3986/2005/ncx/\" version=\"2005-1\" xml:lang=\"" +
                    book.language + "\">\n<head>\n<meta name=\"dtb:uid\" content=\"" + book.id +
                    "\"/>\n<meta name=\"dtb:depth\" content=\"" + (nested ? "2" : "1") +
                    "\"/>\n<meta name=\"dtb:totalPageCount\" content=\"0\"/>\n"
                    "<meta name=\"dtb:maxPageNumber\" content=\"0\"/>\n</head>\n<docTitle><text>" +
                    book.title + "</text></docTitle>\n<navMap>\n";
    std::size_t order = 0;
    walkToc(
        toc,
        [&](const TocEntry& e, bool) {
            ++order;
            s += "<navPoint id=\"n" + std::to_string(order) + "\" playOrder=\"" + std::to_string(order) +
                 "\"><navLabel><text>" + e.title + "</text></navLabel><content src=\"" + e.href + "\"/>\n";
        },
        [&](int level, bool lastOfLevel) {
            s += "</navPoint>\n";
            if (level > 0 && lastOfLevel) s += "</navPoint>\n";
        });
    s += "</navMap>\n</ncx>\n";
    return s;
}

std::string renderOpf(const PackageInfo& book) {
    const bool cover = book.cover != CoverImage::None;
    std::string s = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                    "<package xmlns=\"http://www.idpf.org/2007/opf\" version=\"3.0\" unique-identifier=\"bookid\" "
                    "xml:lang=\"" +
                    book.language + "\">\n<metadata xmlns:dc=\"http://purl.org/dc/elements/1.1/\">\n" +
                    "<dc:identifier id=\"bookid\">" + book.id + "</dc:identifier>\n<dc:title>" + book.title +
                    "</dc:title>\n";
    if (!book.author.empty()) s += "<dc:creator>" + book.author + "</dc:creator>\n";
    s += "<dc:language>" + book.language + "</dc:language>\n<meta property=\"dcterms:modified\">" + book.modified +
         "</meta>\n";
    // Readers that know only the older package find the cover by this.
    if (cover) s += "<meta name=\"cover\" content=\"cover-image\"/>\n";
    s += "</metadata>\n<manifest>\n"
         "<item id=\"nav\" href=\"nav.xhtml\" media-type=\"application/xhtml+xml\" properties=\"nav\"/>\n"
         "<item id=\"ncx\" href=\"toc.ncx\" media-type=\"application/x-dtbncx+xml\"/>\n"
         "<item id=\"css\" href=\"style.css\" media-type=\"text/css\"/>\n";
    if (cover) {
        s += "<item id=\"cover-image\" href=\"" + book.coverFile + "\" media-type=\"" +
             (book.cover == CoverImage::Png ? "image/png" : "image/jpeg") + "\" properties=\"cover-image\"/>\n";
        s += "<item id=\"cover\" href=\"text/cover.xhtml\" media-type=\"application/xhtml+xml\"/>\n";
    }
    for (std::size_t i = 0; i < book.spine.size(); ++i)
        s += "<item id=\"p" + std::to_string(i + 1) + "\" href=\"" + book.spine[i] +
             "\" media-type=\"application/xhtml+xml\"/>\n";
    s += "</manifest>\n<spine toc=\"ncx\"";
    if (book.vertical) s += " page-progression-direction=\"rtl\"";
    s += ">\n";
    if (cover) s += "<itemref idref=\"cover\"/>\n";
    for (std::size_t i = 0; i < book.spine.size(); ++i)
        s += "<itemref idref=\"p" + std::to_string(i + 1) + "\"/>\n";
    s += "</spine>\n</package>\n";
    return s;
}

} // namespace pw

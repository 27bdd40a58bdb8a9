#include "output/heading_titles.h"

#include <fstream>

#include "platform/text.h"
#include "stages/separators.h"
#include "stages/titles.h"

namespace pw {

std::map<std::int64_t, std::string> headingTitles(const std::filesystem::path& file, Encoding encoding,
                                                  const std::vector<HeadingAt>& headings) {
    std::map<std::int64_t, std::string> titles;
    std::ifstream in;
    // A title is short: what follows the heading within a few hundred characters holds it.
    constexpr std::size_t kAround = 2048;
    std::string bytes(kAround, '\0');
    for (const HeadingAt& h : headings) {
        if (!isNumberOnlyHeading(h.text)) continue;
        if (!in.is_open()) {
            in.open(file, std::ios::binary);
            if (!in) return titles;
        }
        in.clear();
        in.seekg(h.offset);
        in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        std::size_t got = static_cast<std::size_t>(in.gcount());
        if (traitsOf(encoding).unitWidth == 2) got &= ~std::size_t(1);
        Decoder decoder(encoding);
        const std::string text = toUtf8(decoder.decode(std::string_view(bytes).substr(0, got)));
        // The heading's own line, then blank lines, then the one that may be the title (whole:
        // a line the window cut short is no title).
        std::size_t at = text.find_first_of("\r\n");
        while (at != std::string::npos) {
            at = text.find_first_not_of("\r\n", at);
            if (at == std::string::npos) break;
            const std::size_t end = text.find_first_of("\r\n", at);
            if (end == std::string::npos) break;
            const std::string_view line = std::string_view(text).substr(at, end - at);
            // Not blank. A row of marks under a heading stands between it and its title in many scans.
            if (!isBlankText(line) && !isSeparatorLine(line)) {
                if (isTitleLine(line)) titles[h.line] = titleWithHeading(h.text, line);
                break;
            }
            at = end;
        }
    }
    return titles;
}

} // namespace pw

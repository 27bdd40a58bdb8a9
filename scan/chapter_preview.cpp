#include "scan/chapter_preview.h"

#include <algorithm>
#include <cerrno>
#include <fstream>

#include "platform/line_reader.h"
#include "platform/paths.h"

namespace pw {

std::variant<ChapterText, FileError> readChapterStart(TextView path, Encoding encoding, std::int64_t offset,
                                                     std::int64_t length, std::size_t maxBytes) {
    const auto fail = [&] { return FileError{Text(path), reasonFromErrno(errno ? errno : EIO)}; };
    errno = 0;
    std::ifstream in(toPath(path), std::ios::binary);
    if (!in) return fail();
    const std::size_t want = static_cast<std::size_t>(std::clamp<std::int64_t>(length, 0, std::int64_t(maxBytes)));
    std::string bytes(want, '\0');
    in.seekg(offset);
    if (in) in.read(bytes.data(), static_cast<std::streamsize>(want));
    if (in.bad()) return fail();
    bytes.resize(static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    ChapterText out;
    out.cut = std::int64_t(want) < length && bytes.size() == want;
    if (out.cut) {
        // Not half a character or half a line at the end.
        const EncodingTraits& traits = traitsOf(encoding);
        const std::size_t lastLine = findLineStart(bytes, 0, bytes.size() - 1, traits);
        if (lastLine > 0) bytes.resize(lastLine);
    }
    Decoder(encoding).decode(bytes, out.text);
    // A byte-order mark at the start of the file is no part of the text.
    if (!out.text.empty() && out.text.front() == u'\uFEFF') out.text.erase(0, 1);
    return out;
}

} // namespace pw

#include "cli/book_settings.h"

#include <chrono>
#include <filesystem>

#include "options/intake.h"
#include "platform/paths.h"
#include "split/epub_text.h"

namespace pw::cli {

EpubSettings bookSettings(const CliOptions& o, const Text& cwd) {
    namespace fs = std::filesystem;
    const fs::path input = toPath(fromNativeBytes(o.file));
    const BookName named = bookNameFromFile(fromPath(input.stem()));
    EpubSettings s;
    s.title = trimSpaces(o.title ? fromUtf8(*o.title) : named.title);
    s.author = trimSpaces(o.author ? fromUtf8(*o.author) : named.author);
    if (o.language) s.language = fromUtf8(*o.language);
    if (o.cover) s.cover = fromNativeBytes(*o.cover);
    s.vertical = o.vertical;
    if (o.volumePattern)
        s.volumePattern = fromUtf8(*o.volumePattern);
    else if (o.preset && *o.preset == "volume")
        s.volumePattern = defaultVolumePattern();
    std::error_code ec;
    const fs::path out = o.out ? toPath(fromNativeBytes(*o.out)) : toPath(cwd);
    if (!o.out || fs::is_directory(out, ec)) {
        // The title as a file name: the characters no file name can hold become "_".
        Text name = s.title.empty() ? fromPath(input.stem()) : s.title;
        for (char16_t& c : name)
            if (isForbiddenNameChar(c) || c < 0x20) c = u'_';
        s.path = fromPath(out / toPath(name + u".epub"));
    } else {
        s.path = fromPath(out);
    }
    const auto modified = fs::last_write_time(input, ec);
    if (!ec)
        s.modified = std::chrono::duration_cast<std::chrono::seconds>(
                         std::chrono::file_clock::to_sys(modified).time_since_epoch())
                         .count();
    return s;
}

} // namespace pw::cli

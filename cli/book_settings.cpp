#include "cli/book_settings.h"

#include "platform/paths.h"
#include "scan/presets.h"

namespace pw::cli {

BookRequest bookRequest(const CliOptions& o, const Text& cwd) {
    BookRequest r;
    r.input = fromNativeBytes(o.file);
    if (o.title) r.title = fromUtf8(*o.title);
    if (o.author) r.author = fromUtf8(*o.author);
    if (o.language) r.language = fromUtf8(*o.language);
    if (o.cover) r.cover = fromNativeBytes(*o.cover);
    r.vertical = o.vertical;
    if (o.volumePattern) r.volumePattern = fromUtf8(*o.volumePattern);
    if (o.preset)
        if (const PatternPreset* p = findPreset(*o.preset)) r.headingPattern = p->pattern;
    // Without -o, the current folder stands where the window has its output folder. With a
    // book per volume, -o is the folder the books go into, made by --create-dir if need be.
    r.folder = cwd;
    if (o.out && o.perVolume)
        r.folder = fromNativeBytes(*o.out);
    else if (o.out)
        r.out = fromNativeBytes(*o.out);
    return r;
}

EpubSettings bookSettings(const CliOptions& o, const Text& cwd) {
    return pw::bookSettings(bookRequest(o, cwd));
}

} // namespace pw::cli

#include "formats/epub/book_settings.h"

#include <unicode/uloc.h>

#include <chrono>
#include <filesystem>

#include "formats/epub/cover_check.h"
#include "formats/epub/epub_package.h"
#include "formats/epub/epub_text.h"
#include "options/intake.h"
#include "output/split_texts.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/regex.h"
#include "scan/heading_vocabulary.h"
#include "scan/presets.h"

namespace pw {

Text defaultVolumePattern() {
    return vocabulary::volumeLinePattern();
}

Text impliedVolumePattern(TextView headingPattern) {
    // The 卷/部 preset finds volumes as headings: the book then shows them above the chapters.
    if (const PatternPreset* volume = findPreset("volume"); volume && headingPattern == volume->pattern)
        return defaultVolumePattern();
    return {};
}

Text bookPathIn(TextView folder, TextView title) {
    Text name(title);
    for (char16_t& c : name)
        if (isForbiddenNameChar(c) || c < 0x20) c = u'_';
    return fromPath(toPath(Text(folder)) / toPath(name + u".epub"));
}

EpubSettings bookSettings(const BookRequest& r) {
    namespace fs = std::filesystem;
    const fs::path input = toPath(r.input);
    const BookName named = bookNameFromFile(fromPath(input.stem()));
    EpubSettings s;
    s.title = trimSpaces(r.title ? *r.title : named.title);
    s.author = trimSpaces(r.author ? *r.author : named.author);
    if (r.language) s.language = *r.language;
    s.cover = r.cover;
    s.vertical = r.vertical;
    s.volumePattern = r.volumePattern ? *r.volumePattern : impliedVolumePattern(r.headingPattern);
    std::error_code ec;
    const Text name = s.title.empty() ? fromPath(input.stem()) : s.title;
    if (r.out.empty())
        s.path = bookPathIn(r.folder.empty() ? Text(u".") : r.folder, name);
    else if (fs::is_directory(toPath(r.out), ec))
        s.path = bookPathIn(r.out, name);
    else
        s.path = r.out;
    const auto modified = fs::last_write_time(input, ec);
    if (!ec)
        s.modified = std::chrono::duration_cast<std::chrono::seconds>(
                         std::chrono::file_clock::to_sys(modified).time_since_epoch())
                         .count();
    return s;
}

std::optional<Refusal> checkEpubSettings(const EpubSettings& s) {
    namespace e = epub_text;
    if (s.title.empty()) return Refusal{{MsgId::BookTitleEmpty, e::kTitleEmpty}, e::kCheckStatus};
    if (!s.volumePattern.empty()) {
        auto compiled = Regex::compile(s.volumePattern);
        if (auto* err = std::get_if<RegexError>(&compiled))
            return Refusal{{MsgId::BadVolumePattern, Text(e::kBadVolumePattern) + err->message}, e::kCheckStatus};
    }
    if (!s.cover.empty()) {
        std::string bytes;
        if (auto err = readCover(s.cover, bytes))
            return Refusal{{MsgId::CoverUnreadable, failureText(e::kCoverUnreadable, *err), s.cover}, e::kCheckStatus};
        const CoverCheck cover = checkCoverImage(bytes);
        if (cover.kind == CoverImage::None)
            return Refusal{{MsgId::CoverNotImage, Text(e::kCoverNotImage) + s.cover, s.cover}, e::kCheckStatus};
        if (!cover.whole())
            return Refusal{
                {MsgId::CoverNotImage, kCoverBroken + s.cover + u"（" + fromUtf8(cover.fault) + u"）", s.cover},
                e::kCheckStatus};
    }
    const std::filesystem::path folder = toPath(s.path).parent_path();
    std::error_code ec;
    if (!folder.empty() && !std::filesystem::is_directory(folder, ec)) {
        const Text f = fromPath(folder);
        return Refusal{{MsgId::BookFolderMissing, Text(e::kFolderMissing) + f, f}, e::kCheckStatus};
    }
    return std::nullopt;
}

bool isLanguageTag(std::string_view tag) {
    if (tag.empty() || tag.size() > 64) return false;
    const std::string t(tag);
    char id[ULOC_FULLNAME_CAPACITY];
    int32_t parsed = 0;
    UErrorCode status = U_ZERO_ERROR;
    uloc_forLanguageTag(t.c_str(), id, sizeof id, &parsed, &status);
    // ICU reads as much as it can: the whole tag must have been read.
    return U_SUCCESS(status) && parsed == static_cast<int32_t>(t.size());
}

} // namespace pw

#include "platform/text.h"

#include <unicode/unistr.h>
#include <unicode/utf8.h>

namespace pw {

Text trimSpaces(TextView s) {
    std::size_t b = 0, e = s.size();
    while (b < e && isTrimSpace(s[b])) ++b;
    while (e > b && isTrimSpace(s[e - 1])) --e;
    return Text(s.substr(b, e - b));
}

namespace {
constexpr std::string_view kUtf8IdeographicSpace = "\xE3\x80\x80";
}

std::string_view trimLeadingBlanks(std::string_view s) {
    for (;;) {
        if (s.starts_with(' ') || s.starts_with('\t')) s.remove_prefix(1);
        else if (s.starts_with(kUtf8IdeographicSpace)) s.remove_prefix(kUtf8IdeographicSpace.size());
        else return s;
    }
}

std::string_view trimBlanks(std::string_view s) {
    s = trimLeadingBlanks(s);
    for (;;) {
        if (s.ends_with(' ') || s.ends_with('\t')) s.remove_suffix(1);
        else if (s.ends_with(kUtf8IdeographicSpace)) s.remove_suffix(kUtf8IdeographicSpace.size());
        else return s;
    }
}

Text decimal(std::int64_t n) {
    const std::string s = std::to_string(n);
    return Text(s.begin(), s.end());
}

std::string toUtf8(TextView s) {
    std::string out;
    icu::UnicodeString(false, s.data(), static_cast<int32_t>(s.size())).toUTF8String(out);
    return out;
}

Text fromUtf8(std::string_view s) {
    const icu::UnicodeString u = icu::UnicodeString::fromUTF8(icu::StringPiece(s.data(), static_cast<int32_t>(s.size())));
    return Text(u.getBuffer(), static_cast<std::size_t>(u.length()));
}

bool isValidUtf8(std::string_view s) {
    const auto* p = reinterpret_cast<const std::uint8_t*>(s.data());
    const auto n = static_cast<std::int32_t>(s.size());
    for (std::int32_t i = 0; i < n;) {
        UChar32 c = 0;
        U8_NEXT(p, i, n, c);
        if (c < 0) return false;
    }
    return true;
}

} // namespace pw

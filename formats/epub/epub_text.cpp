#include "formats/epub/epub_text.h"

#include <optional>

namespace pw {

void appendXmlText(std::string& out, std::string_view s, std::int64_t& dropped) {
    std::size_t run = 0; // start of the bytes not yet appended
    for (std::size_t i = 0; i < s.size(); ++i) {
        const auto c = static_cast<unsigned char>(s[i]);
        const char* with = nullptr;
        std::size_t skip = 1;
        if (c == '&') {
            with = "&amp;";
        } else if (c == '<') {
            with = "&lt;";
        } else if (c == '>') {
            with = "&gt;";
        } else if (c < 0x20 && c != '\t') {
            with = "";
        } else if (c == 0xEF && i + 2 < s.size() && static_cast<unsigned char>(s[i + 1]) == 0xBF &&
                   (static_cast<unsigned char>(s[i + 2]) & 0xFE) == 0xBE) {
            with = ""; // U+FFFE, U+FFFF
            skip = 3;
        } else {
            continue;
        }
        out.append(s.substr(run, i - run));
        out.append(with);
        if (*with == '\0') ++dropped;
        i += skip - 1;
        run = i + 1;
    }
    out.append(s.substr(run));
}

namespace {

constexpr std::string_view kUtf8IdeographicSpace = "\xE3\x80\x80";

} // namespace

std::string_view withoutLeadingSpaces(std::string_view s) {
    for (;;) {
        if (s.starts_with(' '))
            s.remove_prefix(1);
        else if (s.starts_with(kUtf8IdeographicSpace))
            s.remove_prefix(kUtf8IdeographicSpace.size());
        else
            return s;
    }
}

std::string_view withoutSurroundingSpaces(std::string_view s) {
    s = withoutLeadingSpaces(s);
    for (;;) {
        if (s.ends_with(' '))
            s.remove_suffix(1);
        else if (s.ends_with(kUtf8IdeographicSpace))
            s.remove_suffix(kUtf8IdeographicSpace.size());
        else
            return s;
    }
}

namespace {

Text trimmed(TextView t) {
    std::size_t a = 0, b = t.size();
    while (a < b && (t[a] == u' ' || t[a] == u'\u3000' || t[a] == u'\t'))
        ++a;
    while (b > a && (t[b - 1] == u' ' || t[b - 1] == u'\u3000' || t[b - 1] == u'\t'))
        --b;
    return Text(t.substr(a, b - a));
}

// What follows an author's label: 作者：某某, 作者:某某.
std::optional<Text> afterAuthorLabel(TextView t) {
    for (const TextView label : {TextView(u"作者："), TextView(u"作者:"), TextView(u"著：")}) {
        const std::size_t at = t.find(label);
        if (at != TextView::npos) return trimmed(t.substr(at + label.size()));
    }
    return std::nullopt;
}

} // namespace

BookName bookNameFromFile(TextView stem) {
    const Text name = trimmed(stem);
    // 《书名》作者：某某, or 【书名】anything
    for (const auto& [open, close] : {std::pair{u'《', u'》'}, std::pair{u'【', u'】'}}) {
        if (name.empty() || name.front() != open) continue;
        const std::size_t end = name.find(close);
        if (end == Text::npos || end == 1) continue;
        BookName b{trimmed(TextView(name).substr(1, end - 1)), {}};
        if (b.title.empty()) continue; // 《 》: brackets around nothing name no book
        if (auto author = afterAuthorLabel(TextView(name).substr(end + 1))) b.author = *author;
        return b;
    }
    // 书名 作者：某某
    for (const TextView label : {TextView(u"作者："), TextView(u"作者:")}) {
        const std::size_t at = name.find(label);
        if (at != Text::npos && at > 0) {
            Text title = trimmed(TextView(name).substr(0, at));
            if (!title.empty()) return {title, trimmed(TextView(name).substr(at + label.size()))};
        }
    }
    // 书名 by 某某
    const std::size_t by = name.find(u" by ");
    if (by != Text::npos && by > 0) {
        Text title = trimmed(TextView(name).substr(0, by)), author = trimmed(TextView(name).substr(by + 4));
        if (!title.empty() && !author.empty()) return {title, author};
    }
    return {name, {}};
}

} // namespace pw

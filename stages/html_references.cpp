#include "stages/html_references.h"

#include <libxml/HTMLparser.h>

namespace pw {

namespace {

void appendUtf8(char32_t c, std::string& out) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

bool isDigit(char c, bool hex) {
    return (c >= '0' && c <= '9') || (hex && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')));
}

// The character the reference at `s` (which starts with '&') stands for, and its length.
bool reference(std::string_view s, char32_t& c, std::size_t& length) {
    const std::size_t semi = s.find(';', 1);
    if (semi == std::string_view::npos || semi > 12) return false;
    const std::string_view body = s.substr(1, semi - 1);
    if (body.size() >= 2 && body[0] == '#') {
        const bool hex = body[1] == 'x' || body[1] == 'X';
        const std::string_view digits = body.substr(hex ? 2 : 1);
        if (digits.empty() || digits.size() > 7) return false;
        std::uint32_t v = 0;
        for (const char d : digits) {
            if (!isDigit(d, hex)) return false;
            v = v * (hex ? 16 : 10) + static_cast<std::uint32_t>(d <= '9' ? d - '0' : (d | 0x20) - 'a' + 10);
        }
        // Nothing that would not be a character of the text: no NUL, controls or surrogates.
        if (v < 0x20 || (v >= 0x7F && v < 0xA0) || (v >= 0xD800 && v < 0xE000) || v > 0x10FFFF) return false;
        c = v;
    } else {
        if (body.empty()) return false;
        // libxml2's table of HTML's named references (HTML 4: the ones pages of novels use).
        const std::string name(body);
        const htmlEntityDesc* e = htmlEntityLookup(reinterpret_cast<const xmlChar*>(name.c_str()));
        if (!e) return false;
        c = e->value == 0xA0 ? U' ' : e->value;
    }
    length = semi + 1;
    return true;
}

bool decodeOnce(std::string_view utf8, std::string& out) {
    std::size_t at = utf8.find('&');
    if (at == std::string_view::npos) return false;
    std::string decoded;
    bool any = false;
    std::size_t from = 0;
    for (; at != std::string_view::npos; at = utf8.find('&', at + 1)) {
        char32_t c = 0;
        std::size_t length = 0;
        if (!reference(utf8.substr(at), c, length)) continue;
        decoded.append(utf8, from, at - from);
        appendUtf8(c, decoded);
        from = at + length;
        at = from - 1;
        any = true;
    }
    if (!any) return false;
    decoded.append(utf8, from);
    out = std::move(decoded);
    return true;
}

} // namespace

bool decodeHtmlReferences(std::string_view utf8, std::string& out) {
    // Pages escaped twice (&amp;nbsp;) are common enough: a second round, never more.
    std::string once;
    if (!decodeOnce(utf8, once)) return false;
    if (!decodeOnce(once, out)) out = std::move(once);
    return true;
}

} // namespace pw

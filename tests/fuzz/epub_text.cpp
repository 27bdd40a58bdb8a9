// The book's text escaper and name reader: any text (made valid UTF-8 first, as the book's
// converter hands it out) comes out as XML character data that unescapes to the text less
// exactly the characters counted as dropped; a file name always gives a title.
#include "formats/epub/epub_text.h"
#include "fuzz_input.h"
#include "platform/text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    pwfuzz::FuzzInput in(data, size);
    const std::string text = pw::toUtf8(pw::fromUtf8(in.rest()));
    std::string out;
    std::int64_t dropped = 0;
    pw::appendXmlText(out, text, dropped);
    PW_FUZZ_CHECK(pw::isValidUtf8(out));
    // Unescaped, it is the text without the dropped characters.
    std::string back;
    std::int64_t controls = 0;
    for (std::size_t i = 0; i < out.size(); ++i) {
        const auto c = static_cast<unsigned char>(out[i]);
        PW_FUZZ_CHECK(c != '<' && c != '>' && (c >= 0x20 || c == '\t'));
        if (c == '&') {
            const std::string_view rest = std::string_view(out).substr(i);
            const bool known = rest.starts_with("&amp;") || rest.starts_with("&lt;") || rest.starts_with("&gt;");
            PW_FUZZ_CHECK(known);
            back += rest[1] == 'a' ? '&' : rest[1] == 'l' ? '<' : '>';
            i += rest[1] == 'a' ? 4 : 3;
            continue;
        }
        back += out[i];
    }
    std::string kept;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 && c != '\t') {
            ++controls;
            continue;
        }
        if (text.compare(i, 3, "\xEF\xBF\xBE") == 0 || text.compare(i, 3, "\xEF\xBF\xBF") == 0) {
            ++controls;
            i += 2;
            continue;
        }
        kept += text[i];
    }
    PW_FUZZ_CHECK(back == kept);
    PW_FUZZ_CHECK(dropped == controls);
    const std::string_view trimmed = pw::withoutSurroundingSpaces(text);
    PW_FUZZ_CHECK(!trimmed.starts_with(' ') && !trimmed.ends_with(' '));
    PW_FUZZ_CHECK(pw::isValidUtf8(trimmed));
    const pw::BookName name = pw::bookNameFromFile(pw::fromUtf8(text));
    // Only a name of nothing but blanks gives no title.
    const pw::Text stem = pw::fromUtf8(text);
    const bool blank = stem.find_first_not_of(u" \t\u3000") == pw::Text::npos;
    PW_FUZZ_CHECK(blank || !name.title.empty());
    return 0;
}

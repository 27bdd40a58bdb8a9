#include "convert/script.h"

#include <map>
#include <string>

#include "convert/chinese_converter.h"
#include "platform/input_head.h"
#include "platform/paths.h"

namespace pw {

namespace {

constexpr std::size_t kSampleChars = 32 * 1024;

bool isHan(char32_t c) {
    return (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x20000 && c <= 0x2FFFF) ||
           (c >= 0xF900 && c <= 0xFAFF);
}

} // namespace

ScriptShare measureScript(std::string_view utf8) {
    ScriptShare share;
    // Each distinct Han character once, as a line of its own: t2s then changes it as a
    // character, not as part of a phrase.
    std::map<std::string, std::int64_t> seen;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const std::size_t len = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        if (i + len > utf8.size()) break;
        char32_t c = len == 1 ? lead : len == 2 ? lead & 0x1F : len == 3 ? lead & 0x0F : lead & 0x07;
        for (std::size_t k = 1; k < len; ++k)
            c = (c << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        if (len > 1 && isHan(c)) {
            ++seen[std::string(utf8.substr(i, len))];
            ++share.han;
        }
        i += len;
    }
    if (share.han < kEnoughHan) return share;
    const auto t2s = ChineseConverter::open("t2s");
    if (!t2s) return share;
    std::string lines;
    for (const auto& [ch, n] : seen)
        lines.append(ch).push_back('\n');
    const std::string converted = t2s->convert(lines);
    std::size_t at = 0;
    for (const auto& [ch, n] : seen) {
        const std::size_t end = converted.find('\n', at);
        if (end == std::string::npos) break;
        if (converted.compare(at, end - at, ch) != 0) share.traditional += n;
        at = end + 1;
    }
    share.script = static_cast<double>(share.traditional) >= kTraditionalShare * static_cast<double>(share.han)
                       ? Script::Traditional
                       : Script::Simplified;
    return share;
}

Script scriptOfFile(TextView path, Encoding encoding) {
    const std::shared_ptr<const InputHead> head = readInputHead(toPath(path), encoding);
    if (head->error) return Script::Unknown;
    // About the first 64 KiB of a GBK file: enough text for a sure answer.
    Text text;
    for (const Text& line : head->lines) {
        if (text.size() >= kSampleChars) break;
        text.append(line).push_back(u'\n');
    }
    return measureScript(toUtf8(text)).script;
}

const char* scriptId(Script s) {
    switch (s) {
    case Script::Simplified:
        return "simplified";
    case Script::Traditional:
        return "traditional";
    case Script::Unknown:
        break;
    }
    return "unknown";
}

} // namespace pw

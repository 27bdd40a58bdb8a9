#pragma once
// The encodings an output can be written in, as the user chooses them: the word the command
// line takes and the label the window's menu shows. Adding one is a row here and an encoder
// beside the others in encoders/output_encoder.cpp.
#include <optional>
#include <span>
#include <string_view>

namespace pw {

// The bytes of the output files: the input's own (lines copied as read), or one of the
// encodings the program reads.
enum class OutputEncoding { Keep, Utf8, Gb18030, Big5, Utf16Le, Utf16Be };

struct OutputEncodingChoice {
    OutputEncoding value;
    const char* word;      // what the command line takes
    const char16_t* label; // what the window's menu shows
    const char* help;      // what the command line's help says of it
};

inline constexpr OutputEncodingChoice kOutputEncodings[] = {
    {OutputEncoding::Keep, "keep", u"保持原样", "保持输入的编码"},
    {OutputEncoding::Utf8, "utf-8", u"UTF-8", "转换为 UTF-8"},
    {OutputEncoding::Gb18030, "gb18030", u"GB18030", "转换为 GB18030（兼容 GBK）"},
    {OutputEncoding::Big5, "big5", u"Big5", "转换为 Big5（缺字写作□）"},
    {OutputEncoding::Utf16Le, "utf-16le", u"UTF-16LE", "转换为 UTF-16LE"},
    {OutputEncoding::Utf16Be, "utf-16be", u"UTF-16BE", "转换为 UTF-16BE"},
};

inline std::optional<OutputEncoding> outputEncodingByWord(std::string_view word) {
    for (const auto& c : kOutputEncodings)
        if (word == c.word) return c.value;
    return std::nullopt;
}

} // namespace pw

#pragma once
// The encodings an output can be written in, as the user chooses them: the word the command
// line takes and the label the window's menu shows. Adding one is a row here and an encoder
// beside the others in split/output_encoder.cpp.
#include <optional>
#include <span>
#include <string_view>

namespace pw {

// The bytes of the output files: the input's own (lines copied as read), or UTF-8.
enum class OutputEncoding { Keep, Utf8 };

struct OutputEncodingChoice {
    OutputEncoding value;
    const char* word;      // what the command line takes
    const char16_t* label; // what the window's menu shows
    const char* help;      // what the command line's help says of it
};

inline constexpr OutputEncodingChoice kOutputEncodings[] = {
    {OutputEncoding::Keep, "keep", u"保持原样", "保持输入的编码"},
    {OutputEncoding::Utf8, "utf-8", u"UTF-8", "转换为 UTF-8"},
};

inline std::optional<OutputEncoding> outputEncodingByWord(std::string_view word) {
    for (const auto& c : kOutputEncodings)
        if (word == c.word) return c.value;
    return std::nullopt;
}

} // namespace pw

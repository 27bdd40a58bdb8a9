#pragma once
// Which of the two scripts a Chinese text is written in: Traditional when a good share of its
// Han characters are ones that OpenCC's t2s would change. A GB18030 or UTF-8 novel may be
// either, so its encoding alone does not say (Big5 does).
#include <cstdint>
#include <string_view>

#include "platform/encoding.h"
#include "platform/text.h"

namespace pw {

enum class Script { Unknown, Simplified, Traditional };

struct ScriptShare {
    std::int64_t han = 0;         // Han characters looked at
    std::int64_t traditional = 0; // of them, those t2s changes
    Script script = Script::Unknown;
};

// Traditional from this share of the Han characters on: Traditional text runs at a quarter to
// a third, Simplified text has a few in a thousand (著, 乾 and the like, which are both).
constexpr double kTraditionalShare = 0.10;
// Fewer Han characters than this say nothing.
constexpr std::int64_t kEnoughHan = 50;

ScriptShare measureScript(std::string_view utf8);
// The start of the file (64 KiB), decoded from `encoding`: enough text for a sure answer.
Script scriptOfFile(TextView path, Encoding encoding);
// "simplified", "traditional" or "unknown", as the scan's JSON says it.
const char* scriptId(Script s);

} // namespace pw

#pragma once
// Everything the command line says on stderr about a job, in one place. The core's messages
// are the window's, and some are questions ("…已存在，删除？") that nobody is here to answer:
// chosen by the message's id, each is said as what happened and what to do about it.
#include <optional>
#include <string>

#include "cli/cli_options.h"
#include "platform/messages.h"

namespace pw::cli {

// The line for a message of the core (without the program's name in front).
std::string cliText(const Message& msg, const CliOptions& opts);

// A signal stopped the scan: nothing was written.
std::string scanInterruptedText(Command command);
// A signal stopped the split. `incomplete` is the file left half-written, if one was;
// `wroteAny` whether any file was opened at all.
std::string splitInterruptedText(const std::optional<Text>& incomplete, bool wroteAny);

// Usage errors, each one line: `kind` is the parser's name for the error ("ExtrasError",
// "RequiredError"…) and `what` its English text, from which the names and values are taken.
std::string usageErrorText(const std::string& kind, const std::string& what);
// What the parser's checks say after an option's name when a value is refused.
std::string notUtf8Text();
std::string unknownPresetText(const std::string& value, const std::string& ids);
std::string notAChoiceText(const std::string& value, const std::string& choices);
std::string notACountText(const std::string& value);
std::string countTooBigText(const std::string& value);

} // namespace pw::cli

#pragma once
// --preset beyond the built-in ids: auto (the preset that fits the file best, said with its
// reasons) and the names of rules that --rules reads from a shared list. Each comes down to a
// built-in id or a pattern before the job runs.
#include <cstdio>
#include <optional>

#include "cli/cli_options.h"
#include "scan/shared_rules.h"

namespace pw::cli {

// The shared rules --rules names (none without it); nullopt with the reason on `err` and the
// exit status when the list cannot be read.
std::optional<SharedRules> loadRules(const CliOptions& o, std::FILE* err, int& status);

// Turns auto or a rule's name into what the job takes. A usage error's exit status, with the
// reason on `err`, when the name is nobody's or auto finds nothing.
std::optional<int> resolvePreset(CliOptions& o, const SharedRules& rules, std::FILE* err);

// After a scan that found no heading: names the presets that would find some, as the window's
// hint does. `encoding` is the one the scan read the file in.
void namePresetsThatFind(const CliOptions& o, const SharedRules& rules, Encoding encoding, std::FILE* err);
// The same as text ("可改用预设：hui（第…回）120 处、…"), empty when none finds any; the encoding
// found as the scan finds it unless given.
std::string presetsThatFind(const CliOptions& o, const SharedRules& rules, std::optional<Encoding> encoding);

} // namespace pw::cli

#pragma once
// The settings table (ids 101 to 109) that ships inside the program and is only read,
// and the loader that turns it into the working state's options at start-up.
#include <map>
#include <optional>

#include "options/working_state.h"

namespace pw {

using SettingsTable = std::map<int, Text>;

// The table as shipped.
const SettingsTable& shippedSettings();

// The defaults, written here only: the shipped table, the fallbacks and the help texts use them.
constexpr char16_t kDefaultPattern[] = u"第(.){1,10}章";
constexpr char16_t kDefaultOutName[] = u"小说";
constexpr std::int32_t kDefaultChapters = 6;

// Reads ids 101 to 108 into `state`, in ascending order, with every fallback of the
// loading rules. `appDir` is the folder that holds the program, as the system names it.
// Returns an error text when the table lacks an id the program needs; the caller reports it.
std::optional<Text> loadSettings(const SettingsTable& table, TextView appDir, WorkingState& state);

} // namespace pw

#pragma once
// What the clean-up rules would do to a scanned novel, without writing anything: every line a
// rule changes or takes out, for the command line's `scan --check` and the window's preview.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/encoding.h"
#include "platform/messages.h"
#include "platform/text.h"
#include "platform/ui_port.h"
#include "stages/clean_rules.h"

namespace pw {

struct CleanHit {
    std::int64_t line = 0;
    std::string rule;
    std::string before; // the line's text as the rule found it
    std::string after;  // empty: taken out
};

struct CleanPreview {
    std::vector<CleanHit> hits; // in the order of the lines
    CleanTally tally;
    std::optional<Text> failure; // the file could not be read; stopped: the front end asked
    bool stopped = false;
};

// `headings` is a scan's lngMatchLines (from index 1); every heading counts as kept.
CleanPreview previewClean(TextView path, Encoding encoding, const std::vector<std::int64_t>& headings,
                          std::shared_ptr<const CleanRuleSet> rules, UiPort& ui);

} // namespace pw

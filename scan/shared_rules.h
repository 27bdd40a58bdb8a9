#pragma once
// Heading rules that readers share: legado's txtTocRule JSON (a list of {name, rule, enable,
// example}), read as extra presets. A rule goes by its name; a disabled one may be named but
// takes no part in the automatic choice; one that PCRE2 cannot compile is named and skipped.
#include <deque>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/text.h"
#include "scan/presets.h"

namespace pw {

struct SharedRulesLoad;

class SharedRules {
public:
    SharedRules() = default;
    SharedRules(SharedRules&&) = default;
    SharedRules& operator=(SharedRules&&) = default;
    SharedRules(const SharedRules&) = delete;
    SharedRules& operator=(const SharedRules&) = delete;

    std::span<const PatternPreset> presets() const { return m_presets; }
    // "名称：原因" for each rule left out.
    const std::vector<Text>& skipped() const { return m_skipped; }
    // The built-in presets, then these.
    std::vector<PatternPreset> withBuiltIns() const;
    // Nullptr when neither a built-in preset nor one of these has that id.
    const PatternPreset* find(std::string_view id) const;

private:
    friend SharedRulesLoad parseSharedRules(std::string_view json);
    std::deque<std::string> m_ids;
    std::deque<Text> m_texts;
    std::vector<PatternPreset> m_presets;
    std::vector<Text> m_skipped;
};

struct SharedRulesLoad {
    SharedRules rules;
    std::optional<Text> error; // the file cannot be read, or is no list of rules
};
SharedRulesLoad loadSharedRules(const std::filesystem::path& file);
// The same from the JSON text.
SharedRulesLoad parseSharedRules(std::string_view json);

// A legado rule as our scan runs it: legado matches across the whole text, where a line break
// stands before every line, so a rule that opens with a look-behind for a blank may also match
// at a line's start.
Text ruleForLines(TextView rule);

} // namespace pw

#pragma once
// The PCRE2 side of the clean-up rules: UTF-8 patterns (the lines' text is UTF-8), compiled
// once, matched with limits on steps, depth and memory so that a rule that runs away stops
// instead of holding up the run.
#undef PCRE2_CODE_UNIT_WIDTH
#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <memory>
#include <string>

#include "stages/clean_rules.h"

namespace pw {

struct CleanRuleSet::Compiled {
    pcre2_code* code = nullptr; // none for a plain rule
    std::string replacement;    // in PCRE2's syntax ($1, $$)
    ~Compiled();
};

std::unique_ptr<CleanRuleSet::Compiled> compileRule(const CleanRule& r, std::string& why);

enum class Applied { Unchanged, Changed, LimitHit };

// One per run (match data is per thread).
class RuleMatcher {
public:
    // Steps per line and depth: an honest rule needs a few thousand; one that backtracks
    // without end is stopped within a fraction of a second.
    static constexpr std::uint32_t kMatchLimit = 2'000'000;
    static constexpr std::uint32_t kDepthLimit = 20'000;
    static constexpr std::uint32_t kHeapLimitKiB = 32 * 1024;

    RuleMatcher();
    ~RuleMatcher();
    RuleMatcher(const RuleMatcher&) = delete;
    RuleMatcher& operator=(const RuleMatcher&) = delete;

    // `text` after the rule, in `out` when Changed (empty: the whole line taken out).
    Applied apply(const CleanRule& r, const CleanRuleSet::Compiled& c, const std::string& text, std::string& out);

private:
    pcre2_match_context* m_context = nullptr;
    pcre2_match_data* m_data = nullptr;
    std::string m_folded;
};

// `utf8` with full-width ASCII forms made ASCII and the ideographic space a space.
void foldWidth(const std::string& utf8, std::string& out);

} // namespace pw

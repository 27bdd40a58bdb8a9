#pragma once
// The PCRE2 side of the clean-up rules: UTF-8 patterns (the lines' text is UTF-8), compiled
// once, matched with limits on steps, depth and memory so that a rule that runs away stops
// instead of holding up the run.
#undef PCRE2_CODE_UNIT_WIDTH
#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "stages/clean_rules.h"

namespace pw {

struct CleanRuleSet::Compiled {
    pcre2_code* code = nullptr; // none for a plain rule
    std::string replacement;    // in PCRE2's syntax (${1}, $$)
    std::size_t index = 0;      // in its set: what a matcher keeps per rule is kept by it
    ~Compiled();
};

// Nullptr and `why` when PCRE2 refuses the pattern, or the replacement says what Java's would
// refuse (a group the pattern lacks, a lone $ or \ at its end): then `replacementFault` is set.
std::unique_ptr<CleanRuleSet::Compiled> compileRule(const CleanRule& r, std::string& why,
                                                    bool* replacementFault = nullptr);

// LimitHit: the rule ran out of its budget on this line (steps, depth, memory), over the whole
// run (time), or would grow the line past kGrowthCap; it is to be switched off.
enum class Applied { Unchanged, Changed, LimitHit };

// One per run (match data is per thread).
class RuleMatcher {
public:
    // Steps per line and depth: an honest rule needs a few thousand; one that backtracks
    // without end is stopped within a fraction of a second.
    static constexpr std::uint32_t kMatchLimit = 2'000'000;
    static constexpr std::uint32_t kDepthLimit = 20'000;
    static constexpr std::uint32_t kHeapLimitKiB = 32 * 1024;
    // Over the whole run: a rule that has taken this long, and on average far longer per line
    // than an honest rule ever takes (a few microseconds), is one that stays just under the
    // steps per line on every line. On a huge novel an honest rule may take longer in all.
    static constexpr std::int64_t kRunBudgetNs = 3'000'000'000;
    static constexpr std::int64_t kLineBudgetNs = 50'000;
    // What a replacement may make of a line: a few times its length, never a flood.
    static constexpr std::size_t kGrowthCap = 4 << 10;
    static std::size_t growthCap(std::size_t length) { return std::max(kGrowthCap, length * 8); }

    explicit RuleMatcher(std::int64_t runBudgetNs = kRunBudgetNs);
    ~RuleMatcher();
    RuleMatcher(const RuleMatcher&) = delete;
    RuleMatcher& operator=(const RuleMatcher&) = delete;

    // `text` after the rule, in `out` when Changed (empty: the whole line taken out).
    Applied apply(const CleanRule& r, const CleanRuleSet::Compiled& c, const std::string& text, std::string& out);

private:
    Applied applyOnce(const CleanRule& r, const CleanRuleSet::Compiled& c, const std::string& text, std::string& out);
    pcre2_match_context* m_context = nullptr;
    pcre2_match_data* m_data = nullptr;
    pcre2_jit_stack* m_stack = nullptr;
    std::string m_folded;
    std::int64_t m_runBudgetNs;
    struct Spent {
        std::int64_t ns = 0;
        std::int64_t lines = 0;
    };
    std::vector<Spent> m_spent; // by Compiled::index
};

// `utf8` with full-width ASCII forms made ASCII and the ideographic space a space.
void foldWidth(const std::string& utf8, std::string& out);

} // namespace pw

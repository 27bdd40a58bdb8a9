#pragma once
// The heading pattern: PCRE2 on decoded lines (UTF-16, like our Text), in UTF mode and
// caseless, with the options that bring it closest to the ECMAScript syntax people write
// their patterns in. \d and \w stay ASCII, as in ECMAScript.
#include <cstdint>
#include <memory>
#include <optional>
#include <variant>
#include <vector>

#include "platform/text.h"

namespace pw {

// A pattern the engine refused: what is wrong (in Chinese for the usual mistakes, in the
// engine's own words for the rare ones) and where it stopped, counted in characters from
// the start of the pattern.
struct RegexError {
    Text message;
    std::size_t offset = 0;
};

// The words a refusal with this PCRE2 error code is told in, for patterns compiled elsewhere
// with other options (the clean-up rules).
Text regexErrorText(int pcre2Error);

enum class MatchResult {
    NoMatch,
    Match,
    LimitHit, // the pattern ran away (catastrophic backtracking): the match limit stopped it
    Failed,   // any other engine failure; lastError() says what
};

// A clock for time budgets that are checked on every line: read without a system call, so its
// ticks are coarse (milliseconds), but summed over many lines the differences add up to the
// time spent. Nanoseconds.
std::int64_t coarseClockNs();

class Regex {
public:
    // Backtracking steps allowed per line. Real headings need a few hundred; a pattern that
    // runs away hits this within a fraction of a second instead of hanging the program.
    static constexpr std::uint32_t kDefaultMatchLimit = 10'000'000;
    // The steps all lines together may spend beyond the cheap first try, in lines' worth of the
    // per-line limit: a pattern that stays just under the limit on every line would otherwise
    // keep a long file busy for minutes. Honest patterns spend next to nothing of it.
    static constexpr std::uint64_t kBudgetLines = 16;
    // Time as well: a pattern that has taken this long over all lines, and far longer per line
    // than an honest one ever takes, is a runaway however few steps each line counted.
    static constexpr std::int64_t kTimeBudgetNs = 3'000'000'000;
    static constexpr std::int64_t kLineTimeNs = 50'000;

    static std::variant<Regex, RegexError> compile(TextView pattern, std::uint32_t matchLimit = kDefaultMatchLimit);
    // Whether compile() would take the pattern, without readying it for matching (the JIT
    // costs far more than the check): for long lists of patterns, most never used.
    static std::optional<RegexError> check(TextView pattern);

    Regex(Regex&&) noexcept;
    Regex& operator=(Regex&&) noexcept;
    ~Regex();

    // Whether the pattern matches anywhere in `subject`. LimitHit once this line needs more
    // than the per-line limit, or all lines tested so far more than the whole budget.
    MatchResult test(TextView subject);
    // Whether the last LimitHit came from the time over all lines (kTimeBudgetNs).
    bool outOfTime() const;
    // Where the last Match began in its subject, in UTF-16 units.
    std::size_t matchStart() const;
    // The engine's message for the last LimitHit or Failed.
    const Text& lastError() const;

    // Characters without case that every match contains: the first and the last literal that
    // the engine knows of (none, one or two). A line without them cannot match, so a scan may
    // look for their bytes before it decodes anything.
    std::vector<char16_t> requiredLiterals() const;

private:
    MatchResult testOnce(TextView subject);
    struct Impl;
    explicit Regex(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> m;
};

// True when caseless matching can only ever match `c` itself (no case, no case partner).
bool hasNoCase(char16_t c);

} // namespace pw

#pragma once
// Clean-up rules: what downloaded novels carry besides the story (site adverts, web addresses,
// the heading's title again under it, a paragraph twice), taken out line by line before
// anything else looks at the text. Rules come from a built-in set and from the replace-rule
// files readers already share (legado's JSON, read as it is), each matched by PCRE2 within a
// budget, so that one rule that runs away is switched off instead of holding up the run.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace pw {

enum class RuleScope : std::uint8_t { Body, Headings, Both };

enum class RuleKind : std::uint8_t {
    Regex,             // pattern, replacement with $1…
    Plain,             // every occurrence of the pattern's text
    RepeatedTitle,     // the first line under a heading that says the heading's title again
    RepeatedParagraph, // a long paragraph said exactly twice in a row, and nowhere else in the book
    SiteAdvert,        // a site's advert or notice, a whole line (clean_adverts.h)
    AddressLine,       // an address alone on a line, when the book shows it is an advertiser's
    InlineAdvert,      // adverts set inside a line, heading or text
    HtmlReferences,    // &#23824;, &amp;, &nbsp; decoded
};

struct CleanRule {
    std::string name;
    std::string pattern;
    std::string replacement;
    RuleKind kind = RuleKind::Regex;
    bool enabled = true;
    RuleScope scope = RuleScope::Body;
    int order = 0;
    // Matched caselessly against the line with full-width letters, digits and marks made
    // ASCII; a match takes out the whole line (the built-in set's rules).
    bool wholeLine = false;
    // The pattern can match across a line's end ((.|\n), [\s\S], \n, (?s)): legado runs its
    // rules on a chapter's whole text, so such a rule runs there (chapter_rules.h), not by line.
    bool acrossLines = false;
    // Why a rule read from a file takes no part (empty: it does); CleanRuleSet names it.
    std::string leftOut;
};

// The built-in set: whole lines only, and only lines no story holds.
std::vector<CleanRule> builtInCleanRules();

struct CleanRulesLoad {
    std::vector<CleanRule> rules; // in their order
    // The file is no rule list, or a rule in it says something wrong (a replacement that is
    // no text, a group the pattern lacks): nothing is read, and the rule is named.
    std::string error;
};
// legado's replace rules: a JSON array (or one object) of {name, pattern, replacement, isRegex,
// isEnabled, scopeTitle, scopeContent, order}, or of the older {replaceSummary, regex,
// replacement, isRegex, enable, useTo, serialNumber}; other fields are ignored. Patterns and
// replacements are Java's, made PCRE2's here; names are made safe to print.
CleanRulesLoad parseCleanRules(std::string_view json);
CleanRulesLoad readCleanRules(const std::string& path);

// Rules compiled for matching, shared by every run that uses them (read only).
class CleanRuleSet {
public:
    // Rules switched off are left out; those PCRE2 refuses are named in skipped().
    explicit CleanRuleSet(std::vector<CleanRule> rules);
    ~CleanRuleSet();
    CleanRuleSet(const CleanRuleSet&) = delete;
    CleanRuleSet& operator=(const CleanRuleSet&) = delete;

    std::size_t size() const { return m_rules.size(); }
    const CleanRule& rule(std::size_t i) const { return m_rules[i]; }
    // "name：why" for each rule that could not be compiled.
    const std::vector<std::string>& skipped() const { return m_skipped; }
    // The rules that run on a chapter's whole text (CleanRule::acrossLines), apart from the
    // others: the line-by-line stage never sees them.
    std::size_t acrossCount() const { return m_acrossRules.size(); }
    const CleanRule& acrossRule(std::size_t i) const { return m_acrossRules[i]; }

    struct Compiled; // clean_match.h
    const Compiled& acrossCompiled(std::size_t i) const { return *m_acrossCompiled[i]; }
    const Compiled& compiled(std::size_t i) const { return *m_compiled[i]; }

private:
    std::vector<CleanRule> m_rules;
    std::vector<std::unique_ptr<Compiled>> m_compiled; // beside m_rules; none for the kinds in code
    std::vector<std::string> m_skipped;
    std::vector<CleanRule> m_acrossRules;
    std::vector<std::unique_ptr<Compiled>> m_acrossCompiled;
};

// Whether a pattern (Java's) can match a line's end: (.|\n), [\s\S] and the like, \n, \R, (?s).
bool crossesLines(std::string_view pattern);

// What a run's rules did: lines each rule changed or took out, and the rules that ran out of
// their budget and were switched off.
struct CleanTally {
    std::vector<std::string> names;
    std::vector<std::int64_t> counts;
    std::vector<std::string> switchedOff;
    std::int64_t total() const;
    // Names every rule of `rules`, the line rules then the cross-line ones (whose counts follow
    // at size() + i), unless it already counts for them: a book per volume is several runs.
    void prepare(const CleanRuleSet& rules);
};

// Told of each line a rule changed or took out (a preview lists them).
class CleanObserver {
public:
    virtual ~CleanObserver() = default;
    // `after` empty: the line is taken out.
    virtual void hit(std::int64_t line, const std::string& rule, std::string_view before, std::string_view after) = 0;
};

} // namespace pw

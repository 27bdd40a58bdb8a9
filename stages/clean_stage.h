#pragma once
// The clean-up rules as a stage: first in a run, so that what follows (scene breaks,
// paragraphs, conversion) sees the story only.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "stages/clean_rules.h"
#include "stages/stage.h"

namespace pw {

class CleanStage : public Stage {
public:
    // `mergeRepeats`: a heading that says the heading before it again, with nothing between,
    // goes with its chapter into that one (a book, whose chapters each want their heading);
    // else only the line goes (text files, whose chapters decide the files).
    CleanStage(ChapterSink& next, std::shared_ptr<const CleanRuleSet> rules, std::shared_ptr<CleanTally> tally,
               CleanObserver* observer, bool mergeRepeats = false);
    ~CleanStage() override;
    bool beginChapter(const ChapterStart& c) override;
    bool line(const Line& l) override;
    bool endChapter() override;
    bool close(bool complete) override;

private:
    struct Matcher;
    // The line's text after the rules; false when a rule took the whole line out.
    bool clean(const Line& l, std::string& text);
    bool counted(std::size_t rule, const Line& l, const std::string& before, std::string_view after);
    bool repeatedHeading(const Line& l); // counted when it is
    bool flushHeld();

    std::shared_ptr<const CleanRuleSet> m_rules;
    std::shared_ptr<CleanTally> m_tally;
    CleanObserver* m_observer;
    std::unique_ptr<Matcher> m_matcher;
    std::vector<bool> m_off;
    std::vector<std::string> m_titles; // the last heading, whole and without its number, compact
    bool m_afterHeading = false;       // no text yet under the last heading
    bool m_merge = false;
    bool m_heldEnd = false;                    // an end of chapter not yet handed on
    std::optional<ChapterStart> m_heldBegin;   // and the start of the next
    std::string m_lastParagraph;       // compact
    std::string m_text, m_folded, m_out;
};

// `tally` receives the counts (its names are set from the rules); `observer` may be null.
StageMaker cleanStage(std::shared_ptr<const CleanRuleSet> rules, std::shared_ptr<CleanTally> tally,
                      CleanObserver* observer = nullptr, bool mergeRepeats = false);

} // namespace pw

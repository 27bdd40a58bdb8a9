#pragma once
// The clean-up rules as a stage: first in a run, so that what follows (scene breaks,
// paragraphs, conversion) sees the story only.
#include <memory>
#include <string>
#include <vector>

#include "stages/clean_rules.h"
#include "stages/stage.h"

namespace pw {

class CleanStage : public Stage {
public:
    CleanStage(ChapterSink& next, std::shared_ptr<const CleanRuleSet> rules, std::shared_ptr<CleanTally> tally,
               CleanObserver* observer);
    ~CleanStage() override;
    bool beginChapter(const ChapterStart& c) override;
    bool line(const Line& l) override;

private:
    struct Matcher;
    // The line's text after the rules; false when a rule took the whole line out.
    bool clean(const Line& l, std::string& text);
    bool counted(std::size_t rule, const Line& l, const std::string& before, std::string_view after);

    std::shared_ptr<const CleanRuleSet> m_rules;
    std::shared_ptr<CleanTally> m_tally;
    CleanObserver* m_observer;
    std::unique_ptr<Matcher> m_matcher;
    std::vector<bool> m_off;
    std::vector<std::string> m_titles; // the last heading, whole and without its number, compact
    bool m_afterHeading = false;       // no text yet under the last heading
    std::string m_lastParagraph;       // compact
    std::string m_text, m_folded, m_out;
};

// `tally` receives the counts (its names are set from the rules); `observer` may be null.
StageMaker cleanStage(std::shared_ptr<const CleanRuleSet> rules, std::shared_ptr<CleanTally> tally,
                      CleanObserver* observer = nullptr);

} // namespace pw

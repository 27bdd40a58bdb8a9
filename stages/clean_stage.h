#pragma once
// The clean-up rules as a stage: first in a run, so that what follows (scene breaks,
// paragraphs, conversion) sees the story only.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "stages/clean_adverts.h"
#include "stages/clean_evidence.h"
#include "stages/clean_rules.h"
#include "stages/stage.h"

namespace pw {

class CleanStage : public Stage {
public:
    // `mergeRepeats`: a heading that says the heading before it again, with nothing between,
    // goes with its chapter into that one (a book, whose chapters each want their heading);
    // else only the line goes (text files, whose chapters decide the files).
    // `evidence`: the whole book's, for the rules that must not take the story (clean_evidence.h);
    // without it they take only what a line alone proves.
    CleanStage(ChapterSink& next, std::shared_ptr<const CleanRuleSet> rules, std::shared_ptr<CleanTally> tally,
               CleanObserver* observer, bool mergeRepeats = false,
               std::shared_ptr<const CleanEvidence> evidence = nullptr);
    ~CleanStage() override;
    bool beginChapter(const ChapterStart& c) override;
    bool line(const Line& l) override;
    bool endChapter() override;
    bool close(bool complete) override;

private:
    struct Matcher;
    // A line kept back, with its own copy of its bytes.
    struct HeldLine {
        Line line;
        std::unique_ptr<std::string> bytes;
    };
    // The line's text after the rules; false when a rule took the whole line out.
    bool clean(const Line& l, std::string& text);
    bool counted(std::size_t rule, const Line& l, const std::string& before, std::string_view after);
    bool repeatedHeading(const Line& l); // counted when it is
    bool flushHeld();
    // Whether a line a rule of the kind would take goes, by what the book and its neighbours say.
    bool siteAdvertGoes(const Line& l, const std::string& text);
    bool addressLineGoes(const std::string& text);
    bool repeatGoes(const Line& l, const std::string& compacted) const;
    // A paragraph said a second time waits for the next: a third time, it is the story's.
    void hold(const Line& l);
    bool resolveRepeat(bool again);

    std::shared_ptr<const CleanRuleSet> m_rules;
    std::shared_ptr<CleanTally> m_tally;
    CleanObserver* m_observer;
    std::unique_ptr<Matcher> m_matcher;
    std::vector<bool> m_off;
    std::vector<std::string> m_titles; // the last heading, whole and without its number, compact
    bool m_afterHeading = false;       // no text yet under the last heading
    bool m_merge = false;
    bool m_heldEnd = false;                  // an end of chapter not yet handed on
    std::optional<ChapterStart> m_heldBegin; // and the start of the next
    std::string m_lastParagraph;             // compact
    int m_said = 0;                          // times in a row the last paragraph was said
    std::size_t m_repeatRule;                // the rule for paragraphs said twice, if it runs
    std::vector<HeldLine> m_repeat;          // the second saying and the blank lines after it
    bool m_advertBefore = false;             // the last line with text was taken as an advert
    bool m_introduced = false;               // the last line kept ends with ： or leaves a quote open
    bool m_announced = false;                // it ends with ：
    std::shared_ptr<const CleanEvidence> m_evidence;
    AdvertShapes m_shapes;
    std::vector<std::string> m_keys;
    std::string m_text, m_folded, m_out;
};

// `tally` receives the counts (its names are set from the rules); `observer` may be null.
StageMaker cleanStage(std::shared_ptr<const CleanRuleSet> rules, std::shared_ptr<CleanTally> tally,
                      CleanObserver* observer = nullptr, bool mergeRepeats = false,
                      std::shared_ptr<const CleanEvidence> evidence = nullptr);

} // namespace pw

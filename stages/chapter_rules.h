#pragma once
// The clean-up rules that cross lines (作者有话要说(.|\n)*, [\s\S], \n), run as legado runs
// every rule: on a chapter's whole text, its lines joined by line breaks, heading left out.
// The stage holds a chapter's lines, applies the rules to the joined text, and hands on the
// lines of the result: a rule that takes out "the rest of the chapter" takes out every line
// of it, not one. Lines a rule empties are taken out, as the line-by-line stage does.
#include <memory>

#include "stages/clean_rules.h"
#include "stages/stage.h"

namespace pw {

// Put right after the line-by-line clean stage, with the same rule set (its acrossCount()
// rules) and the same tally, which counts the chapters each of them changed after the line
// rules' lines. Nothing to do, and nothing held, when the set has no such rules.
// `observer` (may be null) is told of each line a rule changed or took out, numbered as the
// lines of the chapter it ran on (a preview lists them with the line rules' hits).
StageMaker chapterRulesStage(std::shared_ptr<const CleanRuleSet> rules, std::shared_ptr<CleanTally> tally,
                             CleanObserver* observer = nullptr);

} // namespace pw

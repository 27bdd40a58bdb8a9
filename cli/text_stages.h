#pragma once
// What the command line does to a novel's text besides cutting it: clean-up rules first,
// conversion last, and in between the stages every book has. Loaded once per run, before
// anything is read, so a bad rule file or configuration is told at once.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "cli/cli_options.h"
#include "convert/chinese_converter.h"
#include "stages/clean_evidence.h"
#include "stages/clean_rules.h"
#include "stages/stage.h"

namespace pw::cli {

class ConsoleUi;

struct TextStages {
    std::shared_ptr<const CleanRuleSet> clean; // none without --clean or --clean-rules
    std::shared_ptr<CleanTally> tally = std::make_shared<CleanTally>();
    std::shared_ptr<const ChineseConverter> converter; // none without --convert
};

// Nothing after telling the user why, with the exit status in `status`.
std::optional<TextStages> loadTextStages(const CliOptions& o, ConsoleUi& ui, int& status);

// Puts the clean-up rules in front of a run's stages (run_stages.h) and the conversion after
// them. `book`: repeated headings go with their chapters (clean_stage.h). `evidence`: the
// whole input's, read when a rule first needs it (clean_evidence.h).
void addTextStages(const TextStages& t, StageList& stages, bool book,
                   std::shared_ptr<const CleanEvidence> evidence = nullptr);

// Per rule, the lines it changed or took out, those with none left out.
std::vector<std::pair<std::string, std::int64_t>> cleanCounts(const CleanTally& t);
// "净化：网址行 3 行、重复的段落 1 行，共 4 行。"
std::string cleanCountsText(const std::vector<std::pair<std::string, std::int64_t>>& counts);
std::string ruleSwitchedOffText(const std::string& rule);

} // namespace pw::cli

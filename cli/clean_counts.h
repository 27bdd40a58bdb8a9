#pragma once
// What the clean-up rules did, as the command line tells it: per rule, the lines it changed
// or took out.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "stages/clean_rules.h"

namespace pw::cli {

// Per rule, the lines it changed or took out, those with none left out.
std::vector<std::pair<std::string, std::int64_t>> cleanCounts(const CleanTally& t);
// "净化：网址行 3 行、重复的段落 1 行，共 4 行。"
std::string cleanCountsText(const std::vector<std::pair<std::string, std::int64_t>>& counts);
std::string ruleSwitchedOffText(const std::string& rule);

} // namespace pw::cli

#pragma once
// What the command line says about the heading analysis: the fields scan --json adds, and
// the plain report of scan --check.
#include <nlohmann/json.hpp>
#include <vector>

#include "platform/text.h"
#include "scan/heading_analysis.h"

namespace pw::cli {

struct AnalysisJson {
    nlohmann::ordered_json gaps, repeats;
};
// Adds "chapter_number", "chapter_bytes", "chapter_lines" and "suspect" to each heading, "volume"
// to one whose line names its volume and "parts" (the headings k of all its parts) to a part
// (`headings` holds one object per heading, in order) and returns the top-level "gaps" and
// "repeats".
AnalysisJson addAnalysisJson(const HeadingAnalysis& a, nlohmann::ordered_json& headings);

// The report of scan --check, one line each: every suspect ("[k] " + its line + reasons), every
// gap and repeat, then a summary. `texts` holds the line of each heading, in order.
std::vector<Text> checkReport(const HeadingAnalysis& a, const std::vector<Text>& texts);

} // namespace pw::cli

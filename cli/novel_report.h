#pragma once
// What one novel's split or book came to, as the JSON line that `--json` writes for it: the
// single run writes it when it ends, and a batch passes its runs' lines on as they finish.
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/encoding.h"
#include "platform/text.h"

namespace pw::cli {

enum class NovelStatus { Done, Failed, Interrupted };

struct NovelReport {
    std::string file; // as given
    std::optional<Encoding> encoding;
    // Known once the scan has finished.
    std::optional<std::int64_t> headings, suspects, gaps;
    std::optional<std::int64_t> chapters; // the chapters written, once the run is done
    std::optional<std::int64_t> keptSuspects; // flagged headings that still start chapters
    std::optional<std::string> paragraphs;    // how paragraphs were rebuilt (auto's choice), if they were
    std::optional<std::string> pattern;       // the heading pattern the run found its chapters by
    std::vector<Text> outputs;            // the files written, or the book
    // With clean-up rules: the lines each rule changed or took out (rules with none left out).
    std::optional<std::vector<std::pair<std::string, std::int64_t>>> clean;
    NovelStatus status = NovelStatus::Failed;
    std::string message; // the final status, or why it failed or stopped
};

// The status a run's exit status stands for (0, 128 + a signal, anything else).
NovelStatus statusOfExit(int exitStatus);
// One line of JSON, without its line end.
std::string novelJsonLine(const NovelReport& r);
// Reads such a line back; nothing when it is not one.
std::optional<NovelReport> parseNovelJson(const std::string& line);

} // namespace pw::cli

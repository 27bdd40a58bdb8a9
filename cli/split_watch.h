#pragma once
// The command line's receiver of the output run: it refuses an output file that exists under
// --existing fail (or that an append would mix encodings in) before anything is written, and
// keeps track of the file being written, so that an interrupted run can name the one it left
// incomplete.
#include <cstdint>
#include <optional>
#include <vector>

#include "cli/cli_options.h"
#include "cli/console_ui.h"
#include "cli/exclude_list.h"
#include "output/split_run.h"

namespace pw::cli {

class SplitWatch : public SplitReceiver {
public:
    SplitWatch(const CliOptions& o, const ExcludeList& excluded, ConsoleUi& ui)
        : m_opts(o), m_excluded(excluded), m_ui(ui) {}

    bool scanned(std::int64_t headings) override;
    bool planned(const OutputPlan& plan) override;
    void fileOpened(std::int64_t index, TextView path, bool appended) override;
    void fileComplete(std::int64_t index) override;

    bool openedAny() const { return m_opened.has_value(); }
    // The run was refused for an --exclude number past the headings found.
    bool usageError() const { return m_usageError; }
    // The last file opened, unless it was completed.
    std::optional<Text> incomplete() const { return m_complete ? std::nullopt : m_opened; }
    // Every output file opened, in order, each once.
    const std::vector<Text>& outputs() const { return m_outputs; }

private:
    const CliOptions& m_opts;
    const ExcludeList& m_excluded;
    ConsoleUi& m_ui;
    std::optional<Text> m_opened;
    std::vector<Text> m_outputs;
    std::int64_t m_openedIndex = -1;
    bool m_complete = false;
    bool m_usageError = false;
};

} // namespace pw::cli

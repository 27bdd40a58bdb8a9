#include "cli/split_watch.h"

#include "cli/cli_texts.h"
#include "cli/exclude_list.h"

namespace pw::cli {

bool SplitWatch::scanned(std::int64_t headings) {
    // A split that scans as it writes learns only now whether every number names a heading.
    const ExcludeResult excluded = parseExcludeList(m_opts.exclude, headings);
    if (excluded.error.empty()) return true;
    m_ui.error(excluded.error);
    m_usageError = true;
    return false;
}

bool SplitWatch::planned(const OutputPlan& plan) {
    // The pass has already refused an output that is the input itself.
    if (m_opts.existing != Existing::Fail) return true;
    for (const PlannedFile& f : plan.files) {
        if (!f.exists) continue;
        m_ui.error(cliText({MsgId::OutputExists, {}, f.path}, m_opts));
        return false;
    }
    return true;
}

void SplitWatch::fileOpened(std::int64_t index, TextView path, bool) {
    m_opened = Text(path);
    m_openedIndex = index;
    m_complete = false;
}

void SplitWatch::fileComplete(std::int64_t index) {
    if (index == m_openedIndex) m_complete = true;
}

} // namespace pw::cli

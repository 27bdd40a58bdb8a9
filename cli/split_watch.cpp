#include "cli/split_watch.h"

#include "cli/cli_texts.h"
#include "output/refusals.h"

namespace pw::cli {

bool SplitWatch::scanned(std::int64_t headings) {
    // A split that scans as it writes learns only now whether every number names a heading.
    const std::string error = m_excluded.rangeError(headings);
    if (error.empty()) return true;
    m_ui.error(error);
    m_usageError = true;
    return false;
}

bool SplitWatch::planned(const OutputPlan& plan) {
    // The run has already refused an output that is the input itself. The answer to every
    // question is known now, so what it would refuse on the way is refused before anything is written.
    if (m_opts.existing == Existing::Overwrite) return true;
    for (const PlannedFile& f : plan.files) {
        if (!f.exists) continue;
        if (m_opts.existing == Existing::Fail) {
            m_ui.error(cliText({MsgId::OutputExists, {}, f.path}, m_opts));
            return false;
        }
        if (f.appendMixes) {
            const Refusal r = refusal::appendMixes(f.path, *f.appendMixes, fromUtf8(encodingName(plan.output)));
            m_ui.error(cliText(r.message, m_opts));
            return false;
        }
    }
    return true;
}

void SplitWatch::fileOpened(std::int64_t index, TextView path, bool) {
    m_opened = Text(path);
    if (m_outputs.empty() || m_outputs.back() != path) m_outputs.emplace_back(path);
    m_openedIndex = index;
    m_complete = false;
}

void SplitWatch::fileComplete(std::int64_t index) {
    if (index == m_openedIndex) m_complete = true;
}

} // namespace pw::cli

#pragma once
// The output pass behind "输出(&O)": from the last scan's heading table and the excluded
// list rows it copies the analysed file into numbered chapter files. Front ends run
// precheckSplit, then their option intake, then runSplit; all questions, refusals and
// progress go through the UI port.
#include <cstdint>
#include <vector>

#include "options/working_state.h"
#include "platform/line_reader.h"
#include "platform/ui_port.h"

namespace pw {

enum class SplitEnd {
    Done,    // every line copied; the final status names the file count
    Refused, // a check said no before any output file was touched
    Shrunk,  // the input ended before the lines the scan counted
    Failed,  // a file could not be read, deleted, created or written
    Stopped, // the window closed during the pass
};

struct SplitResult {
    SplitEnd end = SplitEnd::Refused;
    // Output files this run created or appended to.
    std::int64_t files = 0;
};

// The checks that come before the option intake: a finished scan, and a list with
// entries (`listEntries` is the number of rows the user sees). False after the refusal.
bool precheckSplit(const WorkingState& st, std::int64_t listEntries, UiPort& ui);

// The rest of the run, once the options are taken: the file and size checks, the kept
// table, then the copy. `excludedRows` are the selected list rows, counted from 0.
// `readCapacity` is the line reader's block size (tests use tiny ones).
SplitResult runSplit(WorkingState& st, const std::vector<std::int64_t>& excludedRows, UiPort& ui,
                     std::size_t readCapacity = LineReader::kDefaultCapacity);

} // namespace pw

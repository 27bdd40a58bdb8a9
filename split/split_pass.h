#pragma once
// The output pass behind "输出(&O)": from the last scan's heading table and the excluded
// list rows it copies the analysed file into numbered chapter files. Front ends run
// precheckSplit, then their option intake, then runSplit; all questions, refusals and
// the status go through the UI port, and what the pass does goes to a receiver as well.
#include <cstdint>
#include <vector>

#include "options/working_state.h"
#include "platform/line_reader.h"
#include "platform/ui_port.h"
#include "split/output_plan.h"

namespace pw {

enum class SplitEnd {
    Done,    // every line copied; the final status names the file count
    Refused, // a check or the front end said no (an answer of Cancel)
    Shrunk,  // the input ended before the lines the scan counted
    Failed,  // a file could not be read, deleted, created or written, or was not ours to write
    Stopped, // the window closed (the command line was interrupted) during the pass
};

struct SplitResult {
    SplitEnd end = SplitEnd::Refused;
    // Output files this run created or appended to.
    std::int64_t files = 0;
    // Byte sequences that did not decode and went out as U+FFFD (UTF-8 output only).
    std::int64_t replaced = 0;
};

// What the split pass does, for a front end that wants more than the status line.
class SplitReceiver {
public:
    virtual ~SplitReceiver() = default;
    // A run that scans as it writes has scanned the whole input and found this many headings;
    // the kept table is not built yet. Returning false refuses the run here (the receiver has
    // told the user why), and what it wrote is removed.
    virtual bool scanned(std::int64_t /*headings*/) { return true; }
    // Every check passed and nothing is touched yet. Returning false refuses the run here:
    // the receiver has told the user why.
    virtual bool planned(const OutputPlan& /*plan*/) { return true; }
    // An output file is open: made new (an existing one deleted first), or appended to.
    virtual void fileOpened(std::int64_t /*index*/, TextView /*path*/, bool /*appended*/) {}
    // The file holds every chapter meant for it and is closed. The last file has no such
    // call: it is complete when the run is finished.
    virtual void fileComplete(std::int64_t /*index*/) {}
    // Per cent of the heading lines passed, as each file opens.
    virtual void progress(int /*percent*/) {}
    virtual void finished(std::int64_t /*files*/) {}
    // The run ended on this message (a refusal, a failure, or a question answered Cancel).
    virtual void refused(MsgId /*why*/) {}
};

// The checks that come before the option intake: a finished scan, and a list with
// entries (`listEntries` is the number of rows the user sees). False after the refusal.
bool precheckSplit(const WorkingState& st, std::int64_t listEntries, UiPort& ui);

// The rest of the run, once the options are taken: the file and size checks, the kept
// table, then the copy. `excludedRows` are the selected list rows, counted from 0.
// `readCapacity` is the line reader's block size (tests use tiny ones).
SplitResult runSplit(WorkingState& st, const std::vector<std::int64_t>& excludedRows, UiPort& ui,
                     SplitReceiver& receiver, std::size_t readCapacity = LineReader::kDefaultCapacity);
// For a front end that shows everything through the UI port (the window).
inline SplitResult runSplit(WorkingState& st, const std::vector<std::int64_t>& excludedRows, UiPort& ui,
                            std::size_t readCapacity = LineReader::kDefaultCapacity) {
    SplitReceiver none;
    return runSplit(st, excludedRows, ui, none, readCapacity);
}

} // namespace pw

#pragma once
// An output run behind "输出(&O)" (and the command line's split): the kept chapters of the
// analysed file, walked once and handed to an output format's sink. Two feeds serve it:
//  - ScanFirst: a finished scan's heading table, read again from the file (the window, and
//    the command line when the exclusions need the whole scan, as the suspects do);
//  - OneRead: the scan and the walk take each block in turn, in one read, for a front end
//    that knows before the scan which headings to leave out. Its files are written under
//    temporary names and put in place only when the whole input has been read and every check
//    of a scan-first run has passed: a refusal, failure or stop on the way leaves the folder
//    as it was; after that the files are put in place one by one, with the same questions,
//    in the same order and with the same outcome as the scan-first run opening them.
// Both make the same checks before they write, through the same refusals (refusals.h), and
// the same plan, folder lock and existing-file rules serve every format.
#include <cstdint>
#include <memory>
#include <vector>

#include "encoders/output_encoder.h"
#include "options/working_state.h"
#include "output/format.h"
#include "output/output_files.h"
#include "output/output_plan.h"
#include "output/run_undo.h"
#include "platform/encoding.h"
#include "platform/line_reader.h"
#include "platform/ui_port.h"
#include "scan/scan_pass.h"
#include "stages/stage.h"
#include "walk/exclusions.h"

namespace pw {

enum class SplitFeed { ScanFirst, OneRead };

enum class SplitEnd {
    Done,    // every line written; the final status names what was made
    Refused, // a check or the front end said no (an answer of Cancel)
    Shrunk,  // the input ended before the lines the scan counted
    Failed,  // a file could not be read, deleted, created or written, or was not ours to write
    Stopped, // the window closed (the command line was interrupted) during the run
};

struct SplitResult {
    SplitEnd end = SplitEnd::Refused;
    // Output files this run created or appended to.
    std::int64_t files = 0;
    // Byte sequences that did not decode and went out as U+FFFD (decoded output only).
    std::int64_t replaced = 0;
    // Characters the output's encoding could not hold, written as 〓.
    std::int64_t unmappable = 0;
    // What the format made (a finished run).
    OutputFigures figures;
    // A run that had appended and did not finish: what it took back (run_undo.h).
    Undone undone{};
};

// The checks that come before the option intake: a finished scan, and a list with
// entries (`listEntries` is the number of rows the user sees). False after the refusal.
bool precheckSplit(const WorkingState& st, std::int64_t listEntries, UiPort& ui);

SplitInput analysedInput(const WorkingState& st, Encoding encoding);

// ScanFirst: once the options are taken, the file and size checks, the kept table, then the
// walk. `st` gives the options (and strInFile, the file the field names now).
// `readCapacity` is the line reader's block size (tests use tiny ones).
SplitResult runSplit(const WorkingState& st, const SplitInput& input, const RowRanges& excluded,
                     const OutputFormat& format, UiPort& ui, SplitReceiver& receiver,
                     std::size_t readCapacity = LineReader::kDefaultCapacity, const StageList& stages = {});

struct OneReadResult {
    ScanResult scan;   // not Finished: the run ended during the read, and wrote nothing
    SplitResult split; // for a finished scan
};

// OneRead: takes what runScan takes (strInFile, strFindStr) and the output options of `st`;
// the scan's results land in `st` as a scan's do. A front end whose exclusions name
// headings that the scan did not find refuses the run in its receiver's scanned().
OneReadResult runOneReadSplit(WorkingState& st, const RowRanges& excluded, const OutputFormat& format, UiPort& ui,
                              ScanReceiver& scanReceiver, SplitReceiver& receiver, const ScanOptions& options = {},
                              const StageList& stages = {});

} // namespace pw

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

#include "options/working_state.h"
#include "platform/encoding.h"
#include "platform/line_reader.h"
#include "platform/ui_port.h"
#include "scan/scan_pass.h"
#include "split/chapter_walk.h"
#include "split/exclusions.h"
#include "split/output_encoder.h"
#include "split/output_files.h"
#include "split/output_plan.h"

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
    // Byte sequences that did not decode and went out as U+FFFD (converted output only).
    std::int64_t replaced = 0;
};

// What the run does, for a front end that wants more than the status line.
class SplitReceiver {
public:
    virtual ~SplitReceiver() = default;
    // A one-read run has scanned the whole input and found this many headings; nothing is in
    // place yet. Returning false refuses the run here (the receiver has told the user why).
    virtual bool scanned(std::int64_t /*headings*/) { return true; }
    // Every check passed and nothing is touched yet. Returning false refuses the run here:
    // the receiver has told the user why.
    virtual bool planned(const OutputPlan& /*plan*/) { return true; }
    // An output file is open: made new (an existing one deleted first), or appended to.
    virtual void fileOpened(std::int64_t /*index*/, TextView /*path*/, bool /*appended*/) {}
    // The file holds everything meant for it and is closed. The last file has no such call:
    // it is complete when the run is finished.
    virtual void fileComplete(std::int64_t /*index*/) {}
    // Per cent of the run, as each file opens.
    virtual void progress(int /*percent*/) {}
    virtual void finished(std::int64_t /*files*/) {}
    // The run ended on this message (a refusal, a failure, or a question answered Cancel).
    virtual void refused(MsgId /*why*/) {}
};

// What an output is made of: which files, named how, written by which sink. The numbered
// text files are one format (text_files.h); another is another class beside it.
class OutputFormat {
public:
    virtual ~OutputFormat() = default;
    // The folder its files go into: locked for the run, and where temporary files are made.
    virtual Text folder() const = 0;
    // Output file `index`, named (path and name only).
    virtual PlannedFile file(std::int64_t index) const = 0;
    // The files it writes for a closed kept table, in the order it opens them.
    virtual std::vector<std::int64_t> fileIndexes(const KeptTable& kept) const = 0;
    // Whether a file of it is useful only whole (a book): then it is written under a temporary
    // name and put in place at the end whichever the feed, so a stop leaves nothing.
    virtual bool placesWhenDone() const { return false; }
    // Whether a file that exists may be appended to (the answer No to "已存在，删除？").
    virtual bool appendable() const { return true; }
    // The bytes it writes, from the user's choice and the input's encoding.
    virtual std::unique_ptr<OutputEncoder> encoder(OutputEncoding choice, Encoding input) const {
        return makeOutputEncoder(choice, input);
    }
    // A sink writing into `files` through `encoder`. `kept` may still grow (one read).
    virtual std::unique_ptr<ChapterSink> sink(OutputFiles& files, OutputEncoder& encoder, const KeptTable& kept,
                                              UiPort& ui, SplitReceiver& receiver) const = 0;
    // The status a finished run leaves, having made `files` files.
    virtual Text doneStatus(std::int64_t files) const = 0;
};

// The checks that come before the option intake: a finished scan, and a list with
// entries (`listEntries` is the number of rows the user sees). False after the refusal.
bool precheckSplit(const WorkingState& st, std::int64_t listEntries, UiPort& ui);

// The analysed file, as its finished scan left it.
struct SplitInput {
    Text path;                                 // strAnalyzedFile
    std::int64_t size = 0;                     // lngFileSize at scan time
    Encoding encoding = Encoding::Gb18030;     // what the scan decided
    const std::vector<std::int64_t>* headings; // lngMatchLines
};
SplitInput analysedInput(const WorkingState& st, Encoding encoding);

// ScanFirst: once the options are taken, the file and size checks, the kept table, then the
// walk. `st` gives the options (and strInFile, the file the field names now).
// `readCapacity` is the line reader's block size (tests use tiny ones).
SplitResult runSplit(const WorkingState& st, const SplitInput& input, const RowRanges& excluded,
                     const OutputFormat& format, UiPort& ui, SplitReceiver& receiver,
                     std::size_t readCapacity = LineReader::kDefaultCapacity);

struct OneReadResult {
    ScanResult scan;   // not Finished: the run ended during the read, and wrote nothing
    SplitResult split; // for a finished scan
};

// OneRead: takes what runScan takes (strInFile, strFindStr) and the output options of `st`;
// the scan's results land in `st` as a scan's do. A front end whose exclusions name
// headings that the scan did not find refuses the run in its receiver's scanned().
OneReadResult runOneReadSplit(WorkingState& st, const RowRanges& excluded, const OutputFormat& format, UiPort& ui,
                              ScanReceiver& scanReceiver, SplitReceiver& receiver, const ScanOptions& options = {});

} // namespace pw

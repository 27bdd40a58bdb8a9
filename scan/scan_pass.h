#pragma once
// The heading scan: reads the input once, tests every line against the heading pattern,
// and fills the heading table of the working state. What it finds goes to a receiver, so
// the window, the command line and the tests each take it their own way; questions and
// refusals go through the UI port.
#include <cstdint>
#include <memory>
#include <optional>

#include "options/working_state.h"
#include "platform/encoding.h"
#include "platform/line_reader.h"
#include "platform/regex.h"
#include "platform/ui_port.h"
#include "scan/heading_analysis.h"

namespace pw {

struct HeadingFound {
    std::int64_t number = 0; // k, from 1
    std::int64_t line = 0;   // line number, from 1
    std::int64_t offset = 0; // byte offset of the line in the file
    TextView text;           // the decoded line, valid during the call only
};

class ScanReceiver {
public:
    virtual ~ScanReceiver() = default;
    // The file is open and the earlier results are being replaced: drop what you show.
    virtual void started(Encoding /*encoding*/, std::int64_t /*fileSize*/) {}
    virtual void heading(const HeadingFound& h) = 0;
    // Comes before every turn of the event loop and at the end: show what you hold back.
    virtual void flush() {}
    // How far the scan has read, in bytes, before each turn of the event loop.
    virtual void progress(std::int64_t /*bytesRead*/) {}
};

struct ScanOptions {
    // Off only to prove in tests that the byte prefilter changes nothing.
    bool prefilter = true;
    // Off only for the benchmark that tells what the heading analysis adds to a scan's time:
    // the result then holds no analysis.
    bool analysis = true;
    std::size_t readCapacity = LineReader::kDefaultCapacity;
    std::uint32_t matchLimit = Regex::kDefaultMatchLimit;
    // Decode as this encoding instead of deciding from the file's first bytes.
    std::optional<Encoding> encoding;
};

enum class ScanOutcome {
    Finished, // all results replaced, blnAnalyzed set
    Refused,  // stopped before anything changed (missing file, bad pattern, open failure)
    Aborted,  // stopped half-way (runaway pattern, read error, window closing); file closed
};

struct ScanResult {
    ScanOutcome outcome = ScanOutcome::Refused;
    std::int64_t lines = 0; // lines read
    Encoding encoding = Encoding::Gb18030;
    // What the headings of a finished scan look like: numbers, chapter sizes, suspects, gaps.
    HeadingAnalysis analysis;
    bool encodingDetected = true; // false when ScanOptions named it
};

// The scan from the existence test on; the caller has taken the options in already.
// Reads state.strInFile, strFindStr and blnDoEvents.
ScanResult runScan(WorkingState& state, UiPort& ui, ScanReceiver& receiver, const ScanOptions& options = {});

// The scan with its caller reading the blocks: the command line's one-read split hands
// each block to the scan and then to the writer, so the file is read once. runScan is
// start, turn, scan for every block, finish.
class ScanFeed {
public:
    // Everything the scan does before its first block: the file and pattern checks, the
    // encoding, the earlier results cleared. Empty after a refusal, which has been shown and
    // left the earlier results whole.
    static std::unique_ptr<ScanFeed> start(WorkingState& state, UiPort& ui, ScanReceiver& receiver,
                                           const ScanOptions& options = {});
    ~ScanFeed();
    ScanFeed(const ScanFeed&) = delete;
    ScanFeed& operator=(const ScanFeed&) = delete;

    // Reads the file that start opened.
    LineReader& reader();
    Encoding encoding() const;
    // A turn of the event loop when due; false once the front end asked to stop.
    bool turn();
    // Tests the lines of the next block from reader(). False: the scan cannot go on (the
    // message has been shown) or the front end asked to stop.
    bool scan(const LineBlock& block);
    // Ends the scan after the last block, or with `complete` false after a stop.
    ScanResult finish(bool complete);

private:
    ScanFeed();
    struct Impl;
    InputFile m_in;
    std::unique_ptr<Impl> m;
};

// The status line of a finished scan: size in whole KB (remainder dropped) and the count.
Text scanDoneStatus(std::int64_t fileSize, std::int64_t matchCount);

} // namespace pw

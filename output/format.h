#pragma once
// What an output format is to a run: which files, named how, written by which sink. The
// numbered text files are one format (formats/text/), the book another (formats/epub/); a
// new one is a class beside them. A format gets everything it needs for a run in one
// context, and says what it made in the figures its sink returns when it closes.
#include <cstdint>
#include <memory>
#include <vector>

#include "encoders/output_encoder.h"
#include "options/output_encoding.h"
#include "output/output_files.h"
#include "output/output_plan.h"
#include "platform/encoding.h"
#include "platform/messages.h"
#include "platform/ui_port.h"
#include "walk/kept_table.h"
#include "walk/line_walk.h"

namespace pw {

// The analysed file, as its finished scan left it.
struct SplitInput {
    Text path;                                           // strAnalyzedFile
    std::int64_t size = 0;                               // lngFileSize at scan time
    Encoding encoding = Encoding::Gb18030;               // what the scan decided
    const std::vector<std::int64_t>* headings = nullptr; // lngMatchLines
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

// Everything a format's sink works with during one run.
struct FormatContext {
    TextView inputPath;
    Encoding input;          // the input's encoding, as the scan decided
    OutputFiles& files;      // where its files go
    OutputEncoder& encoder;  // the bytes it writes
    const KeptTable& kept;   // may still grow (one read)
    UiPort& ui;
    SplitReceiver& receiver;
};

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
    // The pattern of the headings that are volumes, for a sink that tells them apart (a
    // book's two levels); empty when it does not.
    virtual Text volumePattern() const { return {}; }
    // The sink that writes one run.
    virtual std::unique_ptr<ChapterSink> sink(const FormatContext& context) const = 0;
    // The status a finished run leaves.
    virtual Text doneStatus(const OutputFigures& made) const = 0;
};

} // namespace pw

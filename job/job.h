#pragma once
// One job: what a front end asks of a novel, in one value, and the one function that does it.
// The command line's commands, its batch and the window's dialogs each translate what the user
// gave into a Job and print or show its JobResult; the stage order, the loading of clean-up
// rules and of the converter, the book's title, author and language, books per volume, the
// choice between one read and scan-first, and the figures of the report live here alone, so
// the front ends cannot drift apart.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "convert/chinese_converter.h"
#include "formats/epub/book_settings.h"
#include "options/working_state.h"
#include "output/split_run.h"
#include "scan/scan_pass.h"
#include "stages/clean_rules.h"
#include "stages/paragraphs.h"
#include "walk/exclusions.h"

namespace pw {

// What the job makes of the novel's text besides cutting it: one request, whatever the format.
struct StageRequest {
    // Text files keep every line unless asked; a book rebuilds paragraphs unless told not to.
    std::optional<ParagraphMode> paragraphs;
    bool clean = false;                   // the built-in clean-up set
    std::vector<std::string> cleanRules;  // legado replace-rule files, in the order given
    std::optional<std::string> convert;   // an OpenCC configuration's name
};

// The rules and the converter a request names, loaded once before anything is read, so that a
// file that cannot be read or a configuration that is missing is told at once. Shared by every
// book of a job (a book per volume) and read only.
struct LoadedStages {
    std::shared_ptr<const CleanRuleSet> clean; // none without clean-up
    std::shared_ptr<CleanTally> tally = std::make_shared<CleanTally>();
    std::shared_ptr<const ChineseConverter> converter; // none without conversion
    std::vector<std::string> skippedRules; // "name：why" for each rule that could not be compiled
};

struct StagesLoad {
    std::optional<LoadedStages> loaded;
    std::string error;  // why not, one line
    bool usage = false; // the request itself is wrong (a rule file's field), not the system
};
StagesLoad loadStages(const StageRequest& r);

// The book's settings from what the user gave and what the novel says, in its own words as
// its text will be: the title and the author converted when the text is, and the language the
// conversion makes unless the user named one.
EpubSettings settleBook(const BookRequest& request, const LoadedStages& stages);

enum class JobFormat { TextFiles, Book };

struct Job {
    JobFormat format = JobFormat::TextFiles;
    // The options as the intake left them (strInFile, strFindStr, the output folder and name…);
    // the scan's results land here.
    WorkingState* state = nullptr;
    std::optional<Encoding> encoding; // as the user named it; else found as the scan finds it
    // A finished scan of the analysed file that the front end already holds (the window's
    // list): the job then walks that file again instead of scanning.
    const HeadingAnalysis* scanned = nullptr;
    Encoding scannedEncoding = Encoding::Gb18030;
    RowRanges excluded;          // list rows the user leaves out
    bool excludeSuspects = false; // and the rows the analysis flags
    // And the rows no reader wants as chapters: a table of contents' lines, and the suspects the
    // analysis is sure of (a line that goes on with a sentence).
    bool leaveOutByDefault = false;
    std::optional<EpubSettings> book; // settled and checked, with JobFormat::Book
    bool perVolume = false;           // a book per volume (the book's volume pattern finds them)
    StageRequest stages;
    const LoadedStages* loaded = nullptr; // what loadStages made of `stages`
    // Questions the front end asked the user before the job, answered Yes: not asked again.
    std::vector<MsgId> confirmed;
    bool dropBlank() const { return state && state->blnDeleteSpc; }
};

enum class JobEnd { Done, Refused, Failed, Stopped, NoVolumes };

struct JobResult {
    JobEnd end = JobEnd::Refused;
    std::optional<ScanResult> scan; // the job's own scan, when it made one
    SplitResult split;
    std::vector<Text> outputs;  // the files made, or the books
    std::int64_t chapters = 0;  // chapters written
    std::int64_t keptSuspects = 0; // flagged headings that still start chapters
    // How the paragraphs were rebuilt, stretch by stretch, when they were (the run's summary
    // says it); null when every line stayed a paragraph.
    std::shared_ptr<ParagraphTally> paragraphs;
};

// The receivers a job reports to: the scan's (the command line's listing) and the writer's.
struct JobReceivers {
    ScanReceiver& scan;
    SplitReceiver& split;
};

// Scans when the front end has no scan (in one read with the writing when nothing waits for
// the whole scan), then writes the format. Questions and refusals go through `ui`.
JobResult run(const Job& job, UiPort& ui, JobReceivers receivers);

// The flagged rows that a job keeps as chapters.
std::int64_t keptSuspectCount(const HeadingAnalysis& a, const RowRanges& excluded);

} // namespace pw

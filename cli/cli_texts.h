#pragma once
// Everything the command line says on stderr about a job, in one place. The core's messages
// are the window's, and some are questions ("…已存在，删除？") that nobody is here to answer:
// chosen by the message's id, each is said as what happened and what to do about it.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "output/run_undo.h"
#include "platform/messages.h"

namespace pw::cli {

// The line for a message of the core (without the program's name in front).
std::string cliText(const Message& msg, const CliOptions& opts);

// A signal stopped the scan: nothing was written (`listing`: the scan was the job).
std::string scanInterruptedText(bool listing);
// A signal stopped the split. `incomplete` is the file left half-written, if one was;
// `wroteAny` whether any file was opened at all.
// `undone`: what a run that had appended took back; `appending`: --existing append, whose
// files an overwrite would destroy, so it is never the advice.
std::string splitInterruptedText(const std::optional<Text>& incomplete, bool wroteAny, const Undone& undone = {},
                                 bool appending = false);

// A batch of novels (batch.h). Refusals of the whole batch, before anything is written:
std::string batchSharedPlaceText(const std::string& first, const std::string& second, const Text& place, bool book);
std::string batchBookFolderText(const Text& dir);
// A split or book kept headings that the analysis flags: how many, how to see and leave them out.
std::string keptSuspectsText(std::int64_t suspects);
// --per-volume without a volume pattern; a file where the pattern finds no volume.
std::string perVolumeNeedsPatternText();
std::string noVolumesText();
// A book over 50 MB, which Send-to-Kindle's e-mail does not take.
std::string bookTooBigForMailText();
// --create-dir made more than the folder named: all it made, outermost first.
std::string madeFoldersText(const std::vector<Text>& made);
std::string batchNotAFolderText(const Text& dir);
// A novel's own folder is a link: the run would write wherever it points.
std::string batchPlaceIsLinkText(const Text& place);
// A run that could not be started, or that ended without saying why.
std::string batchStartFailedText(const Text& reason);
std::string batchRunKilledText(int signal);
// The summary: a line per novel, then the totals. `what` counts files, or books.
struct BatchTotals {
    std::int64_t novels = 0, done = 0, failed = 0, interrupted = 0, notStarted = 0;
    std::int64_t outputs = 0, chapters = 0;
    std::int64_t keptSuspects = 0; // flagged headings that went in as chapters
};
std::string batchDoneLine(const std::string& file, const Text& place, std::int64_t outputs, std::int64_t chapters,
                          bool book, std::int64_t keptSuspects = 0);
std::string batchFailedLine(const std::string& file, const std::string& why);
std::string batchInterruptedLine(const std::string& file, const std::string& why);
std::string batchNotStartedLine(const std::string& file);
std::string batchTotalsLine(const BatchTotals& t, bool book);
// The width a terminal gives a UTF-8 text, taking CJK and full-width characters as two.
std::size_t terminalColumns(const std::string& s);
// `s` in at most `width` columns: if it is wider, its start and its end with "…" between,
// since the end of a file's name (a volume's number, the extension) tells novels apart.
std::string shortenedInMiddle(const std::string& s, std::size_t width);
// The names of the novels in flight, every one of them, in at most `width` columns: each
// shortened in the middle as far as it must, or, when there is no room for all, those that fit
// and how many more.
std::string inFlightText(const std::vector<std::string>& names, std::size_t width);
// The progress line on a terminal: novels done of all, megabytes read of all, those in flight.
std::string batchProgressText(std::int64_t done, std::int64_t all, std::int64_t bytesDone, std::int64_t bytesAll,
                              const std::string& inFlight);

// Usage errors, each one line: `kind` is the parser's name for the error ("ExtrasError",
// "RequiredError"…) and `what` its English text, from which the names and values are taken;
// `commands` are the names of the commands, in the order of the help.
std::string usageErrorText(const std::string& kind, const std::string& what, const std::vector<std::string>& commands);

} // namespace pw::cli

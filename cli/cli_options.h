#pragma once
// What the command line says, before any of it is checked against the file system.
#include <optional>
#include <string>
#include <vector>

#include "options/working_state.h"
#include "platform/encoding.h"
#include "stages/paragraphs.h"

namespace pw::cli {

class Command; // command.h
enum class Existing { Fail, Overwrite, Append };

struct CliOptions {
    const Command* command = nullptr; // the one the command line names
    std::string file;                 // the one input of a run
    // split and epub: every input given; more than one makes a batch (batch.h), whose runs
    // each take one of them as `file`.
    std::vector<std::string> files;
    int jobs = 0; // a batch's runs at once; 0: one per core
    std::optional<std::string> pattern;
    std::optional<std::string> preset; // a preset's id, "auto", or a rule's name from --rules
    std::optional<std::string> rules;  // a shared rule list (legado's txtTocRule JSON)
    std::optional<std::string> out;
    std::optional<std::string> name;
    std::optional<std::string> chapters;
    bool keepBlankLines = false;
    std::string exclude;
    Existing existing = Existing::Fail;
    bool createDir = false;
    std::optional<Encoding> encoding; // none: decided from the file
    OutputEncoding outputEncoding = OutputEncoding::Keep;
    bool json = false;            // scan: the whole result; split and epub: one line per novel (JSON Lines)
    bool check = false;           // scan: report suspects, gaps and repeats instead of the list
    bool excludeSuspects = false; // split: leave out what the analysis finds suspect
    // split and epub: keep a table of contents' lines and the sure suspects as chapters, which
    // a run whose rule was chosen for the user leaves out.
    bool keepContents = false;
    bool chosenForUser = false; // no pattern was given: the rule is the one chosen for the novel
    std::string chosenReason;   // which rule that is and why, one line
    bool quiet = false;
    // epub: the book's own settings; empty ones are taken from the file's name.
    std::optional<std::string> volumePattern;
    std::optional<std::string> title;
    std::optional<std::string> author;
    std::optional<std::string> language;
    std::optional<std::string> cover;
    bool vertical = false;
    bool perVolume = false; // epub: a book per volume
    // split and epub: how paragraphs are rebuilt; none: a book chooses, text files keep every line.
    std::optional<ParagraphMode> paragraphs;
    // split, epub and scan --check: clean-up rules (the built-in set, and legado rule files).
    bool clean = false;
    std::vector<std::string> cleanRules;
    // split and epub: an OpenCC configuration's name (s2t, t2s…), checked to be installed.
    std::optional<std::string> convert;
    // The options a batch gives each novel's run, as the user wrote them: those its command's
    // table marks InBatch::EachRun (option_rows.h), in the table's order.
    std::vector<std::string> forwarded;

    bool batch() const { return files.size() > 1; }
    bool operator==(const CliOptions&) const = default;
};

// Exit statuses: 0 done, 1 a refused job, 2 a usage error (128 + a signal: interrupt.h).
constexpr int kExitRefused = 1;
constexpr int kExitUsage = 2;

} // namespace pw::cli

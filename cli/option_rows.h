#pragma once
// The options of a command as rows of a table. A row says the option's names, its help, the
// member of CliOptions it fills and how it is checked, and whether a batch gives it on to each
// novel's run (the default) or keeps it for itself. The parser, the help and the batch's
// forwarding are all read from the same rows, so an option is added in one place.
#include <algorithm>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "cli/cli_options.h"

namespace CLI {
class App;
class Option;
} // namespace CLI

namespace pw::cli {

enum class InBatch {
    EachRun, // given on to every novel's run of a batch, as the user wrote it
    Batch,   // the batch's own: it takes it itself, or gives each run its own (inputs, -o, -j, --json)
};

// Checks on a value, besides any the row's kind implies.
enum Check : unsigned { NoCheck = 0, Utf8 = 1, WholeCount = 2, KnownPreset = 4, LanguageTag = 8 };

struct OptionRow {
    std::string names; // as the parser takes them: "-p,--pattern", or "FILE" for the inputs
    // Puts the option on a command's parser, filling `o`.
    std::function<CLI::Option*(CLI::App& command, CliOptions& o)> add;
    InBatch inBatch = InBatch::EachRun;
    std::string excludes{};           // an option of the same command that cannot be given with this one
    std::vector<std::string> words{}; // a choice's words

    OptionRow batchOwn() && {
        inBatch = InBatch::Batch;
        return std::move(*this);
    }
    OptionRow excluding(std::string other) && {
        excludes = std::move(other);
        return std::move(*this);
    }
};

// The kinds of row. `typeName` is what the help shows for the value, in Chinese like the rest.
OptionRow flagRow(std::string names, bool CliOptions::*target, std::string help);
OptionRow textRow(std::string names, std::optional<std::string> CliOptions::*target, std::string help,
                  std::string typeName = "文本", unsigned checks = NoCheck);
OptionRow textRow(std::string names, std::string CliOptions::*target, std::string help, std::string typeName);
OptionRow countRow(std::string names, int CliOptions::*target, std::string help);
// The inputs: one file, or several.
OptionRow inputRow(std::string CliOptions::*target, std::string help);
OptionRow inputsRow(std::vector<std::string> CliOptions::*target, std::string help);

// An option that takes one of a few words, in any case.
CLI::Option* addChoice(CLI::App& command, const std::string& names, std::vector<std::string> words,
                       std::function<void(const std::string& word)> set, const std::string& help);
template <typename E>
OptionRow choiceRow(std::string names, E CliOptions::*target, std::vector<std::pair<std::string, E>> words,
                    std::string help) {
    auto add = [names, target, words, help](CLI::App& command, CliOptions& o) {
        std::vector<std::string> list;
        for (const auto& w : words)
            list.push_back(w.first);
        const auto set = [&o, target, words](const std::string& word) {
            for (const auto& w : words)
                if (w.first == word) o.*target = w.second;
        };
        return addChoice(command, names, list, set, help);
    };
    OptionRow row{names, add};
    for (const auto& w : words)
        row.words.push_back(w.first);
    return row;
}

// Whether the option `name` ("--existing") of a table takes the word `word`: what a message
// may advise.
bool takesWord(const std::vector<OptionRow>& rows, const std::string& name, const std::string& word);

// The rows that several commands share.
OptionRow patternRow();
OptionRow presetRow(); // cannot go with the pattern
OptionRow rulesRow();  // shared rule lists, as extra presets

// The refusal of a name that is no preset's, after the option's name.
std::string unknownPresetText(const std::string& value, const std::string& ids);
OptionRow encodingRow();
OptionRow quietRow();
OptionRow excludeRow();
OptionRow excludeSuspectsRow();
OptionRow keepContentsRow();
// How paragraphs are rebuilt: a book rebuilds them unless told not to, text files only when asked.
OptionRow paragraphsRow(bool book);
OptionRow keepBlankLinesRow();
OptionRow createDirRow(); // the batch makes the folder itself
OptionRow jobsRow();      // with jsonLinesRow: what a batch takes besides the runs' options
OptionRow jsonLinesRow();
// Clean-up rules and conversion (the job's stage request), for the commands that write text.
OptionRow cleanRow();
OptionRow cleanRulesRow();
OptionRow convertRow();

// The rows every command that writes a novel has, in groups: a command lists the groups and
// its own rows in the order its help shows them (rowsOf). `book`: the command makes a book.
struct NovelRows {
    std::vector<OptionRow> input;   // the inputs, how headings are found, the input's encoding, -q
    std::vector<OptionRow> kept;    // which headings are kept
    std::vector<OptionRow> lines;   // blank lines and paragraphs
    std::vector<OptionRow> stages;  // clean-up and conversion
    std::vector<OptionRow> written; // an output already there, a folder not yet there
    std::vector<OptionRow> batch;   // what a batch takes besides the runs' options
};
NovelRows novelRows(bool book);
std::vector<OptionRow> rowsOf(std::initializer_list<std::vector<OptionRow>> parts);

} // namespace pw::cli

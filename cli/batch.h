#pragma once
// A whole library at once: `split FILE... -o DIR` and `epub FILE... -o DIR`. Each novel goes
// to a place of its own (DIR/<stem>/ for the files, DIR/<title>.epub for the book), up to -j
// of them at once; one novel's failure does not stop the others, and a summary ends it.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "platform/text.h"

namespace pw::cli {

// The name of a novel's own folder inside the batch's, made from its file's stem as an
// output file's name is: never empty, never "." or "..", never a path of more than one step.
Text batchFolderName(TextView stem);

// Where the run for `file` writes: the folder of its files, or its book. `dir` is the batch's
// output folder.
Text batchPlace(const CliOptions& o, const std::string& file, const Text& dir);

// The arguments (after the program's name) of the single run for `file` into `place`, with
// every option of the batch that its command gives on to each run (option_rows.h), and --json.
std::vector<std::string> singleRunArguments(const CliOptions& o, const std::string& file, const Text& place);

// Runs the batch and returns the exit status: 0 all done, 1 any failed or the batch refused,
// 2 a usage error, 128 + the signal that stopped it. `self` is how the program was called.
int runBatch(const CliOptions& o, const char* self, std::FILE* out, std::FILE* err, bool errIsTerminal,
             bool outIsTerminal);

} // namespace pw::cli

#pragma once
// pagewright-cli as a whole: the command line parsed, then its command run, once or as a batch.
#include <cstdio>
#include <optional>
#include <ostream>

#include "cli/cli_options.h"

namespace pw::cli {

// Parses argv against the commands' tables (command.h). Returns an exit status when the
// program should end right away (--help, --version, a usage error, each already printed), or
// nothing when `opts` holds a job.
std::optional<int> parseCommandLine(int argc, const char* const* argv, CliOptions& opts, std::ostream& out,
                                    std::ostream& err);

// Runs the command line and returns the exit status (0 done, 1 refused, 2 usage, 128 + the
// signal that stopped it).
int runCommandLine(int argc, const char* const* argv, std::FILE* out, std::FILE* err, bool errIsTerminal,
                   bool outIsTerminal);

} // namespace pw::cli

#pragma once
// pagewright-cli as a whole: the command line parsed, then its command run, once or as a batch.
#include <cstdio>

namespace pw::cli {

// Runs the command line and returns the exit status (0 done, 1 refused, 2 usage, 128 + the
// signal that stopped it).
int runCommandLine(int argc, const char* const* argv, std::FILE* out, std::FILE* err, bool errIsTerminal,
                   bool outIsTerminal);

} // namespace pw::cli

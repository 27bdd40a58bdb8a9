#pragma once
// One run of pagewright-cli: the same intake, scan and split writer as the window.
#include <cstdio>

#include "cli/cli_options.h"
#include "formats/epub/epub_book.h"

namespace pw::cli {

// Runs the command line and returns the exit status (0 done, 1 refused, 2 usage, 128 + the
// signal that stopped it).
int runCommandLine(int argc, const char* const* argv, std::FILE* out, std::FILE* err, bool errIsTerminal,
                   bool outIsTerminal);

// The book's settings from the options, the rest from the input's name: 《书名》作者：某某.txt
// gives both; the book goes to -o, or into the folder -o names, or the current folder.
EpubSettings bookSettings(const CliOptions& o, const Text& cwd);

} // namespace pw::cli

#pragma once
// The book's settings as the command line gives them: both a single epub run and a batch,
// which places each novel's book before its run, take them from here.
#include "cli/cli_options.h"
#include "formats/epub/book_settings.h"

namespace pw::cli {

// The book's settings from the options, the rest from the input's name: 《书名》作者：某某.txt
// gives both; the book goes to -o, or into the folder -o names, or the current folder.
EpubSettings bookSettings(const CliOptions& o, const Text& cwd);

} // namespace pw::cli

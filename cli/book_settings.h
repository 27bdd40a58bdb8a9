#pragma once
// The book that epub's options ask for.
#include "cli/cli_options.h"
#include "formats/epub/book_settings.h"

namespace pw::cli {

// What the options ask of the book; `cwd` stands where the window has its output folder.
BookRequest bookRequest(const CliOptions& o, const Text& cwd);
// The same, settled from the novel's file name (a batch places each novel's book by it).
EpubSettings bookSettings(const CliOptions& o, const Text& cwd);

} // namespace pw::cli

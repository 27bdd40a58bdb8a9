#pragma once
// One novel's run: the same intake, scan and split writer as the window. The scan lists the
// headings; split and epub write them out (by their command's output(), command.h).
#include "cli/cli_options.h"
#include "cli/command.h"

namespace pw::cli {

// Runs the job of `o` on its one input and returns the exit status (0 done, 1 refused,
// 2 usage, 128 + the signal that stopped it). With --json, split and epub end with the run's
// JSON line.
int runNovel(const CliOptions& o, const Streams& streams);

} // namespace pw::cli

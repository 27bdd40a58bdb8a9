#pragma once
// One novel's run: the same intake, scan and job as the window. scan lists the headings;
// split and epub (NovelCommand, command.h) make their options into a job and run it.
#include "cli/cli_options.h"
#include "cli/command.h"
#include "job/job.h"

namespace pw::cli {

// scan: runs `o` on its one input and returns the exit status (0 done, 1 refused,
// 2 usage, 128 + the signal that stopped it). With --json, split and epub end with the run's
// JSON line.
int runScan(const CliOptions& o, const Streams& streams);

// What the options ask of the text besides cutting it.
StageRequest stageRequest(const CliOptions& o);

} // namespace pw::cli

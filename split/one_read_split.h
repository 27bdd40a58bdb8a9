#pragma once
// Scan and split in one read of the input, for a front end that knows before the scan which
// headings to leave out (none, or heading numbers): each block is scanned, then copied.
//
// The files are written under temporary names in the output folder and given their own names
// only when the whole input has been read and every check that a scan-then-split run makes
// before writing has passed: until then nothing of the user's is touched. A refusal, a
// failure or a stop during the read removes the temporary files and leaves the folder as it
// was; after that the files are put in place one by one, with the same questions, in the same
// order and with the same outcome as the two-pass run opening them.
//
// The size check of the two-pass run has nothing to compare here and is not made.
#include <cstdint>
#include <functional>

#include "options/working_state.h"
#include "platform/ui_port.h"
#include "scan/scan_pass.h"
#include "split/split_pass.h"

namespace pw {

struct OneReadResult {
    ScanResult scan;   // not Finished: the run ended during the read, and wrote nothing
    SplitResult split; // for a finished scan
};

// Takes what runScan and runSplit take: strInFile, strFindStr and the output options of
// `st`. `excluded` answers for each heading as it is found, by its list row counted from 0;
// a front end whose exclusions name headings that the scan did not find refuses the run in
// its receiver's scanned().
OneReadResult runOneReadSplit(WorkingState& st, const std::function<bool(std::int64_t row)>& excluded, UiPort& ui,
                              ScanReceiver& scanReceiver, SplitReceiver& receiver, const ScanOptions& options = {});

} // namespace pw

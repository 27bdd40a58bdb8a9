#pragma once
// Ctrl-C (SIGINT) and a plain kill (SIGTERM) ask the running pass to stop at its next turn,
// as closing the window does: the open file is closed and named, nothing is cut mid-write.
// A second signal ends the program at once, for a pass stuck where it cannot turn.
namespace pw::cli {

void catchStopSignals();
// A batch's own way: no signal ends it, each is counted, and the batch passes each on to the
// runs it started (the second then ends them at once, as it ends a single run).
void catchRepeatedStopSignals();
// The signal that asked to stop first, or 0.
int stopSignal();
// How many stop signals came (counted under catchRepeatedStopSignals only).
int stopSignalCount();
// The exit status of a run that a signal stopped: 128 + the signal, as shells report it.
inline int interruptedStatus() {
    return 128 + stopSignal();
}

} // namespace pw::cli

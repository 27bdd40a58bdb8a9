#pragma once
// How the split pass opens one planned file: what is there now, what the user says about
// it, and what the system allows. A file the plan found missing is made exclusively, and
// nothing is opened through a link, so the text never lands outside the output folder and
// never in a file that another program made meanwhile.
#include <optional>

#include "output/output_plan.h"
#include "output/run_undo.h"
#include "platform/files.h"
#include "platform/ui_port.h"

namespace pw {

struct OpenedOutput {
    bool opened = false;
    bool appended = false;          // opened after its old content
    bool refused = false;           // the question about it was answered Cancel
    std::optional<Message> failure; // when not opened: the failure, or the question refused
};

// `output` is the encoding the run writes: an append that would mix it with another is refused.
// `folder`: the run's hold on the output folder, through which every file of it is reached.
// `undo` (when given) hears of each file made or appended to, before its first byte.
OpenedOutput openPlannedFile(const PlannedFile& f, Encoding output, UiPort& ui, OutputFile& out,
                             const FolderLock* folder, RunUndo* undo = nullptr);

// The same choices for a file written whole under another name in the same folder: it takes
// the planned name, replaces what is there, or is appended to it and removed (leaving out
// its first `bomLength` bytes, its own byte-order mark, when the old file has one).
// `opened` means it is in place.
OpenedOutput placeFinishedFile(const PlannedFile& f, TextView finished, std::size_t bomLength, Encoding output,
                               UiPort& ui, const FolderLock* folder, RunUndo* undo = nullptr);

} // namespace pw

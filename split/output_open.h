#pragma once
// How the split pass opens one planned file: what is there now, what the user says about
// it, and what the system allows. A file the plan found missing is made exclusively, and
// nothing is opened through a link, so the text never lands outside the output folder and
// never in a file that another program made meanwhile.
#include <optional>

#include "platform/files.h"
#include "platform/ui_port.h"
#include "split/output_plan.h"

namespace pw {

struct OpenedOutput {
    bool opened = false;
    bool appended = false;          // opened after its old content
    bool refused = false;           // the question about it was answered Cancel
    std::optional<Message> failure; // when not opened: the failure, or the question refused
};

OpenedOutput openPlannedFile(const PlannedFile& f, UiPort& ui, OutputFile& out);

} // namespace pw

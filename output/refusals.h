#pragma once
// Every way an output run can decline, built in one place: the message (its id decides the
// box's style), and the status line it leaves. A run, whichever feed and sink it has, says
// no only through these.
#include "platform/files.h"
#include "platform/messages.h"
#include "platform/text.h"

namespace pw {

struct Refusal {
    Message message;
    Text status;
};

namespace refusal {

Refusal notAnalyzed();
Refusal noHeadings();
Refusal notCurrentFile(); // the question, declined
Refusal inputMissing();
Refusal sizeChanged(); // the question, declined
Refusal allExcluded();
Refusal outputBusy(TextView folder);
Refusal outputIsInput(TextView path);
Refusal inputShrank();
// The one read's input changed under it (nothing was put in place).
Refusal inputChanged();
Refusal readFailed(const FileError& e);
// A failure met on the way (a file that cannot be made, written or deleted).
Refusal failed(Message m);
// Appending to `path` would put this run's encoding after text in `existing`.
Refusal appendMixes(TextView path, TextView existing, TextView output);
// A question answered Cancel, or the window closing: the front end has said why.
Refusal stopped(Message m);

} // namespace refusal

} // namespace pw

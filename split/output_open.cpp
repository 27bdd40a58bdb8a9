#include "split/output_open.h"

#include <cerrno>

#include "platform/paths.h"
#include "split/split_texts.h"

namespace pw {

namespace {

namespace t = split_text;

OpenedOutput failed(Message msg) {
    OpenedOutput r;
    r.failure = std::move(msg);
    return r;
}

Message appeared(const PlannedFile& f) {
    return {MsgId::OutputAppeared, Text(t::kOutputAppeared) + f.path, f.path};
}
Message throughLink(const PlannedFile& f) {
    return {MsgId::OutputIsLink, Text(t::kOutputIsLink) + f.path, f.path};
}

} // namespace

OpenedOutput openPlannedFile(const PlannedFile& f, UiPort& ui, OutputFile& out) {
    // Looked at again now, not taken from the plan: the files before it took time, and
    // another program may have made or removed it since.
    const EntryKind now = entryAt(f.path);
    if (now == EntryKind::Folder) // no file to delete or append to
        return failed({MsgId::CreateFailed, failureText(t::kCreateFailed, {f.path, reasonFromErrno(EISDIR)}), f.path});
    OutputMode mode = OutputMode::Create;
    bool appended = false;
    if (now != EntryKind::None) {
        // The plan found nothing here: whoever made it is writing into this folder too, and
        // appending to (or deleting) their file would mix two outputs.
        if (!f.exists) return failed(appeared(f));
        const Message question{MsgId::OutputExists, f.path + t::kExistsDelete, f.path};
        switch (ui.messageBox(question)) {
        case MsgAnswer::Yes:
            // A link goes itself; what it points to stays as it is.
            if (auto e = removeFile(f.path)) return failed({MsgId::DeleteFailed, failureText(t::kDeleteFailed, *e)});
            break;
        case MsgAnswer::Cancel: {
            OpenedOutput r = failed(question);
            r.refused = true;
            return r;
        }
        default:
            if (now == EntryKind::Link) return failed(throughLink(f));
            mode = OutputMode::Append;
            appended = true;
            break;
        }
    }
    if (auto e = out.open(f.path, mode)) {
        switch (e->fault) {
        case FileFault::Exists:
            return failed(appeared(f));
        case FileFault::Link:
            return failed(throughLink(f));
        case FileFault::Other:
            break;
        }
        return failed({MsgId::CreateFailed, failureText(t::kCreateFailed, *e), f.path});
    }
    OpenedOutput r;
    r.opened = true;
    r.appended = appended;
    return r;
}

} // namespace pw

#include "output/output_open.h"

#include <algorithm>
#include <cerrno>
#include <vector>

#include "platform/paths.h"
#include "output/refusals.h"
#include "output/split_texts.h"

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
Message folderInTheWay(const PlannedFile& f) { // no file to delete or append to
    return {MsgId::CreateFailed, failureText(t::kCreateFailed, {f.path, reasonFromErrno(EISDIR)}), f.path};
}

enum class Way { New, Replace, Append };

// What is at the path now and what the user says about it; nothing, with the failure in `r`,
// when the file is not to be written.
std::optional<Way> decide(const PlannedFile& f, Encoding output, UiPort& ui, OpenedOutput& r,
                          const FolderLock* folder) {
    // Looked at again now, not taken from the plan: the files before it took time, and
    // another program may have made or removed it since.
    const EntryKind now = entryAt(f.path, folder);
    if (now == EntryKind::Folder) {
        r = failed(folderInTheWay(f));
        return std::nullopt;
    }
    if (now == EntryKind::None) return Way::New;
    // The plan found nothing here: whoever made it is writing into this folder too, and
    // appending to (or deleting) their file would mix two outputs.
    if (!f.exists) {
        r = failed(appeared(f));
        return std::nullopt;
    }
    const Message question{MsgId::OutputExists, f.path + t::kExistsDelete, f.path};
    switch (ui.messageBox(question)) {
    case MsgAnswer::Yes:
        return Way::Replace;
    case MsgAnswer::Cancel:
        r = failed(question);
        r.refused = true;
        return std::nullopt;
    default:
        // A book cannot take more after its end: declining the delete declines the file.
        if (!f.appendable) {
            r = failed(question);
            r.refused = true;
            return std::nullopt;
        }
        if (now == EntryKind::Link) {
            r = failed(throughLink(f));
            return std::nullopt;
        }
        // Looked at now too: the plan's look may be old.
        if (const auto mixes = encodingThatWouldMix(f.path, output, folder)) {
            r = failed(refusal::appendMixes(f.path, *mixes, fromUtf8(encodingName(output))).message);
            return std::nullopt;
        }
        return Way::Append;
    }
}

OpenedOutput openFailed(const PlannedFile& f, const FileError& e) {
    switch (e.fault) {
    case FileFault::Exists:
        return failed(appeared(f));
    case FileFault::Link:
        return failed(throughLink(f));
    case FileFault::Other:
        break;
    }
    return failed({MsgId::CreateFailed, failureText(t::kCreateFailed, {f.path, e.reason}), f.path});
}

// The finished file's bytes after the old content of the planned one.
OpenedOutput appendFinished(const PlannedFile& f, TextView finished, std::size_t bomLength, const FolderLock* folder,
                            RunUndo* undo) {
    OutputFile out;
    if (auto e = out.open(f.path, OutputMode::Append, folder)) return openFailed(f, *e);
    const std::int64_t oldSize = out.sizeOnDisk();
    if (undo) undo->appended(f.path, oldSize, folder);
    // A file appended to has its mark already, unless it was empty.
    std::size_t skip = oldSize > 0 ? bomLength : 0;
    InputFile in;
    std::optional<FileError> readError = in.open(finished, folder);
    std::vector<char> buf(1 << 20);
    while (!readError) {
        const auto n = in.read(buf.data(), buf.size());
        if (!n) {
            readError = in.error();
            break;
        }
        if (*n == 0) break;
        const std::size_t from = std::min(skip, *n);
        skip -= from;
        if (!out.write(buf.data() + from, *n - from)) break;
    }
    in.close();
    if (readError) return failed({MsgId::ReadFailed, failureText(kReadFailedText, *readError)});
    if (auto e = out.close()) return failed({MsgId::WriteFailed, failureText(t::kWriteFailed, {f.path, e->reason})});
    (void)removeFile(finished, folder);
    OpenedOutput r;
    r.opened = r.appended = true;
    return r;
}

// Something appeared where the plan found nothing: a folder cannot be written over, anything
// else is another writer's.
OpenedOutput appearedSince(const PlannedFile& f, const FileError& e, const FolderLock* folder) {
    if (e.fault == FileFault::Exists && entryAt(f.path, folder) == EntryKind::Folder) return failed(folderInTheWay(f));
    return openFailed(f, e);
}

} // namespace

OpenedOutput openPlannedFile(const PlannedFile& f, Encoding output, UiPort& ui, OutputFile& out,
                             const FolderLock* folder, RunUndo* undo) {
    OpenedOutput r;
    // Nothing was there when planned: the exclusive create itself tells whether that still
    // holds, which spares a look per file (a pass makes thousands of them).
    if (!f.exists) {
        if (auto e = out.open(f.path, OutputMode::Create, folder)) return appearedSince(f, *e, folder);
        if (undo) undo->created(f.path, folder);
        r.opened = true;
        return r;
    }
    const std::optional<Way> way = decide(f, output, ui, r, folder);
    if (!way) return r;
    // A link goes itself; what it points to stays as it is.
    if (*way == Way::Replace) {
        if (auto e = removeFile(f.path, folder))
            return failed({MsgId::DeleteFailed, failureText(t::kDeleteFailed, *e)});
    }
    if (auto e = out.open(f.path, *way == Way::Append ? OutputMode::Append : OutputMode::Create, folder))
        return openFailed(f, *e);
    if (undo && *way == Way::Append) undo->appended(f.path, out.sizeOnDisk(), folder);
    if (undo && *way == Way::New) undo->created(f.path, folder);
    r.opened = true;
    r.appended = *way == Way::Append;
    return r;
}

OpenedOutput placeFinishedFile(const PlannedFile& f, TextView finished, std::size_t bomLength, Encoding output,
                               UiPort& ui, const FolderLock* folder, RunUndo* undo) {
    OpenedOutput r;
    if (!f.exists) { // as in openPlannedFile: the move that never replaces is the look
        if (auto e = moveFile(finished, f.path, false, folder)) return appearedSince(f, *e, folder);
        if (undo) undo->created(f.path, folder);
        r.opened = true;
        return r;
    }
    const std::optional<Way> way = decide(f, output, ui, r, folder);
    if (!way) return r;
    if (*way == Way::Append) return appendFinished(f, finished, bomLength, folder, undo);
    // Replacing takes the entry there away in the same step, a link itself as a delete would.
    if (auto e = moveFile(finished, f.path, *way == Way::Replace, folder)) return openFailed(f, *e);
    if (undo && *way == Way::New) undo->created(f.path, folder);
    r.opened = true;
    return r;
}

} // namespace pw

#include "output/run_undo.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "output/split_texts.h"
#include "platform/messages.h"
#include "platform/paths.h"

namespace pw {

namespace {

constexpr char16_t kChangedMeanwhile[] = u"文件已被别的程序改动";

FolderLock::At whereIs(TextView path, const FolderLock* folder) {
    return folder ? folder->at(path) : FolderLock::At{AT_FDCWD, toPath(path).native()};
}

} // namespace

Text undoneText(const Undone& u) {
    namespace t = split_text;
    Text text = u.restored > 0 || u.removed > 0 ? t::kUndoneBefore : t::kUndoneNothing;
    if (u.restored > 0) text += decimal(u.restored) + t::kUndoneRestored;
    if (u.removed > 0)
        text +=
            Text(u.restored > 0 ? u"，" : u"") + t::kUndoneRemovedBefore + decimal(u.removed) + t::kUndoneRemovedAfter;
    if (u.left.empty()) return text + t::kUndoneWhole;
    text += u.restored > 0 || u.removed > 0 ? Text(t::kUndoneLeft) : Text(t::kUndoneNone);
    for (std::size_t i = 0; i < u.left.size(); ++i)
        text += (i ? u"、" : u"") + failureText(u"", u.left[i]);
    return text + t::kUndoneLeftAfter;
}

void RunUndo::note(TextView path, std::int64_t oldSize, const FolderLock* folder) {
    Entry e{Text(path), oldSize};
    // Who the file is, so that a file put in its place meanwhile is never the one cut or removed.
    const FolderLock::At at = whereIs(path, folder);
    struct stat st {};
    if (::fstatat(at.dir, at.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode)) {
        e.device = static_cast<std::uint64_t>(st.st_dev);
        e.inode = static_cast<std::uint64_t>(st.st_ino);
        e.known = true;
    }
    m_entries.push_back(std::move(e));
}

void RunUndo::appended(TextView path, std::int64_t oldSize, const FolderLock* folder) {
    m_appendedAny = true;
    note(path, oldSize < 0 ? 0 : oldSize, folder);
}

void RunUndo::created(TextView path, const FolderLock* folder) {
    note(path, -1, folder);
}

Undone RunUndo::takeBack(const FolderLock* folder) {
    Undone u;
    if (!m_appendedAny) return u;
    for (auto it = m_entries.rbegin(); it != m_entries.rend(); ++it) {
        const Entry& e = *it;
        const FolderLock::At at = whereIs(e.path, folder);
        const int fd = ::openat(at.dir, at.name.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0) {
            if (errno != ENOENT || e.oldSize >= 0) u.left.push_back({e.path, reasonFromErrno(errno)});
            continue;
        }
        struct stat st {};
        Text why;
        if (::fstat(fd, &st) != 0) {
            why = reasonFromErrno(errno);
        } else if (!e.known || static_cast<std::uint64_t>(st.st_dev) != e.device ||
                   static_cast<std::uint64_t>(st.st_ino) != e.inode || (e.oldSize >= 0 && st.st_size < e.oldSize)) {
            why = kChangedMeanwhile; // not the file this run wrote: not ours to cut or remove
        } else if (e.oldSize >= 0 && ::ftruncate(fd, static_cast<off_t>(e.oldSize)) != 0) {
            why = reasonFromErrno(errno);
        }
        ::close(fd);
        if (why.empty() && e.oldSize < 0)
            if (const auto removed = removeFile(e.path, folder)) why = removed->reason;
        if (!why.empty()) {
            u.left.push_back({e.path, why});
            continue;
        }
        ++(e.oldSize >= 0 ? u.restored : u.removed);
    }
    m_entries.clear();
    m_appendedAny = false;
    return u;
}

} // namespace pw

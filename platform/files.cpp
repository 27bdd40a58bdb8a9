#include "platform/files.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <stdio.h> // renameat2
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/paths.h"
#include "platform/write_behind.h"

namespace pw {

namespace {

constexpr std::size_t kWriteBuffer = 1 << 20;
// Below this, a file written behind is written and closed where it was filled.
constexpr std::size_t kSmallFile = 256 << 10;

std::FILE* openFile(TextView path, const char* mode) {
    return std::fopen(toPath(path).c_str(), mode);
}

FileError errnoError(TextView path, int err) {
    return FileError{Text(path), reasonFromErrno(err)};
}

} // namespace

bool isNonRegularEntry(TextView path) {
    if (path.empty()) return false;
    struct stat st {};
    if (::stat(toPath(path).c_str(), &st) != 0) return errno == ELOOP;
    return !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode);
}

std::optional<FileError> readSmallFile(TextView path, std::int64_t limit, std::string& into) {
    into.clear();
    const Text notRegular = u"不是普通文件";
    const auto tooLarge = [&] {
        return FileError{Text(path), u"文件太大（超过 " + fromUtf8(std::to_string(limit >> 20)) + u" MB）"};
    };
    // O_NONBLOCK: a named pipe opens at once instead of waiting for a writer, and is then refused.
    // What is opened is what is measured and read: nothing can be put in its place between.
    int fd;
    do
        fd = ::open(toPath(path).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        const int err = errno;
        return FileError{Text(path), err == ELOOP ? notRegular + u"（链接循环）" : reasonFromErrno(err)};
    }
    struct stat st {};
    std::optional<FileError> failure;
    if (fstat(fd, &st) != 0)
        failure = errnoError(path, errno);
    else if (S_ISDIR(st.st_mode))
        failure = errnoError(path, EISDIR);
    else if (!S_ISREG(st.st_mode))
        failure = FileError{Text(path), notRegular};
    else if (st.st_size > limit)
        failure = tooLarge();
    if (!failure) {
        // Never more than the limit, whatever the file grew to since it was measured.
        into.resize(static_cast<std::size_t>(st.st_size));
        std::size_t got = 0;
        while (got < into.size()) {
            const ssize_t n = ::read(fd, into.data() + got, into.size() - got);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                failure = errnoError(path, errno);
                break;
            }
            if (n == 0) break;
            got += static_cast<std::size_t>(n);
        }
        into.resize(got);
    }
    ::close(fd);
    if (failure) into.clear();
    return failure;
}

std::optional<FileError> InputFile::open(TextView path, const FolderLock* folder) {
    close();
    m_error.reset();
    m_opened.reset();
    m_left = -1;
    m_path = Text(path);
    errno = 0;
    if (folder) {
        const FolderLock::At at = folder->at(path);
        const int fd = ::openat(at.dir, at.name.c_str(), O_RDONLY | O_CLOEXEC);
        m_file = fd >= 0 ? fdopen(fd, "rb") : nullptr;
        if (fd >= 0 && !m_file) ::close(fd);
    } else {
        m_file = openFile(path, "rb");
    }
    if (!m_file) return m_error = errnoError(path, errno ? errno : EIO);
    std::setvbuf(m_file, nullptr, _IONBF, 0);
    struct stat st {};
    if (fstat(fileno(m_file), &st) == 0) {
        m_opened = Identity{static_cast<std::int64_t>(st.st_size),
                            static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec,
                            static_cast<std::uint64_t>(st.st_ino), static_cast<std::uint64_t>(st.st_dev)};
        // Only a regular file has a length to hold to; a pipe or a device reads to its end.
        if (S_ISREG(st.st_mode)) m_left = m_opened->size;
    }
    return std::nullopt;
}

std::int64_t InputFile::size() const {
    // The open file's own length: the path may name another file by now.
    struct stat st {};
    if (m_file) return fstat(fileno(m_file), &st) == 0 ? static_cast<std::int64_t>(st.st_size) : -1;
    std::error_code ec;
    const auto n = std::filesystem::file_size(toPath(m_path), ec);
    return ec ? -1 : static_cast<std::int64_t>(n);
}

std::optional<std::size_t> InputFile::read(char* dst, std::size_t n) {
    if (!m_file || m_error) return std::nullopt;
    if (m_left >= 0) n = static_cast<std::size_t>(std::min<std::int64_t>(m_left, static_cast<std::int64_t>(n)));
    if (n == 0) return 0;
    errno = 0;
    const std::size_t got = std::fread(dst, 1, n, m_file);
    if (got < n && std::ferror(m_file)) {
        m_error = errnoError(m_path, errno ? errno : EIO);
        return std::nullopt;
    }
    if (m_left >= 0) m_left -= static_cast<std::int64_t>(got);
    return got;
}

void InputFile::close() {
    if (m_file) std::fclose(m_file);
    m_file = nullptr;
}

std::optional<InputFile::Identity> InputFile::identityOf(TextView path) {
    struct stat st {};
    if (::stat(toPath(path).c_str(), &st) != 0) return std::nullopt;
    return Identity{static_cast<std::int64_t>(st.st_size),
                    static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec,
                    static_cast<std::uint64_t>(st.st_ino), static_cast<std::uint64_t>(st.st_dev)};
}

bool InputFile::changedSinceOpen() const {
    if (!m_opened) return false; // nothing was measured to compare with
    // The open file itself, cut or rewritten in place...
    struct stat st {};
    if (m_file && fstat(fileno(m_file), &st) == 0 &&
        (st.st_size != m_opened->size ||
         static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec != m_opened->mtimeNs))
        return true;
    // ...and the file the path names now: another one put in its place is a change too.
    const auto now = identityOf(m_path);
    return !now || !(*now == *m_opened);
}

EntryKind entryAt(TextView path, const FolderLock* folder) {
    namespace fs = std::filesystem;
    if (folder) {
        const FolderLock::At at = folder->at(path);
        struct stat st {};
        if (::fstatat(at.dir, at.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
            return errno == ENOENT || errno == ENOTDIR ? EntryKind::None : EntryKind::Other;
        if (S_ISREG(st.st_mode)) return EntryKind::File;
        if (S_ISDIR(st.st_mode)) return EntryKind::Folder;
        if (S_ISLNK(st.st_mode)) return EntryKind::Link;
        return EntryKind::Other;
    }
    std::error_code ec;
    switch (fs::symlink_status(toPath(path), ec).type()) {
    case fs::file_type::not_found:
        return EntryKind::None;
    case fs::file_type::none: // it could not be told (no access to the folder): maybe something
        return ec ? EntryKind::Other : EntryKind::None;
    case fs::file_type::regular:
        return EntryKind::File;
    case fs::file_type::directory:
        return EntryKind::Folder;
    case fs::file_type::symlink:
        return EntryKind::Link;
    default:
        return EntryKind::Other;
    }
}

std::optional<FileError> OutputFile::open(TextView path, OutputMode mode, const FolderLock* folder) {
    (void)close();
    m_error.reset();
    m_path = Text(path);
    m_name = m_path;
    // The buffer first: out of memory, nothing has been made that nobody knows of.
    m_buf.clear();
    m_buf.reserve(kWriteBuffer);
    // O_NOFOLLOW: a link planted where an output file goes must not carry the text elsewhere.
    // O_NONBLOCK: a named pipe there fails at once instead of waiting for a reader.
    // A new file is written from its start anyway; only an append needs O_APPEND, and without
    // it a writer may go back and mend what it wrote (a zip archive's entry headers).
    int flags = O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    flags |= mode == OutputMode::Create ? O_EXCL : O_APPEND;
    const FolderLock::At at = folder ? folder->at(path) : FolderLock::At{AT_FDCWD, toPath(path).native()};
    do
        m_fd = ::openat(at.dir, at.name.c_str(), flags, 0666);
    while (m_fd < 0 && errno == EINTR);
    if (m_fd < 0) {
        const int err = errno;
        m_error = errnoError(path, err);
        // O_EXCL reports a link as there already; O_NOFOLLOW alone answers ELOOP.
        if (err == EEXIST) m_error->fault = FileFault::Exists;
        if (err == ELOOP) m_error->fault = FileFault::Link;
        return m_error;
    }
    // A file made here with O_EXCL is a new regular file: only an append may have opened
    // something else (a device, a named pipe).
    struct stat st {};
    if (mode == OutputMode::Append && (fstat(m_fd, &st) != 0 || !S_ISREG(st.st_mode))) {
        ::close(m_fd);
        m_fd = -1;
        return m_error = FileError{Text(path), u"不是普通文件"};
    }
    m_written = 0;
    m_handedOff = false;
    m_mode = mode;
    return std::nullopt;
}

std::int64_t OutputFile::sizeOnDisk() const {
    if (m_fd < 0) return -1;
    if (m_behind) m_behind->drain();
    struct stat st {};
    return fstat(m_fd, &st) == 0 ? static_cast<std::int64_t>(st.st_size) : -1;
}

bool OutputFile::write(const char* data, std::size_t n) {
    if (m_fd < 0 || m_error) return false;
    if (m_behind) return queue(data, n);
    m_written += static_cast<std::int64_t>(n);
    if (m_buf.size() + n > kWriteBuffer && !flush()) return false;
    if (n >= kWriteBuffer) return writeAll(data, n);
    m_buf.insert(m_buf.end(), data, data + n);
    return true;
}

bool OutputFile::queue(const char* data, std::size_t n) {
    if (failedBehind()) return false;
    m_written += static_cast<std::int64_t>(n);
    // Copied even when large: the caller's buffer is read into again while the thread writes.
    while (n > 0) {
        const std::size_t take = std::min(n, kWriteBuffer - std::min(m_buf.size(), kWriteBuffer));
        m_buf.insert(m_buf.end(), data, data + take);
        data += take;
        n -= take;
        if (m_buf.size() >= kWriteBuffer) handOff();
    }
    return true;
}

void OutputFile::handOff() {
    if (m_buf.empty()) return;
    m_handedOff = true;
    m_behind->write(m_fd, std::move(m_buf), m_name);
    m_buf = m_behind->spare();
    m_buf.reserve(kWriteBuffer);
}

bool OutputFile::failedBehind() {
    if (!m_behind->failed()) return false;
    if (!m_error) m_error = m_behind->failure();
    return true;
}

bool OutputFile::writeAll(const char* data, std::size_t n, std::int64_t at) {
    if (const int err = writeDescriptor(m_fd, data, n, at)) {
        m_error = errnoError(m_name, err);
        return false;
    }
    return true;
}

bool OutputFile::writeAt(std::int64_t offset, const char* data, std::size_t n) {
    if (m_fd < 0 || m_error) return false;
    if (m_mode != OutputMode::Create || offset < 0 || offset + static_cast<std::int64_t>(n) > m_written) {
        m_error = errnoError(m_name, EINVAL);
        return false;
    }
    if (!flush() || !writeAll(data, n, offset)) return false;
    return !m_error;
}

bool OutputFile::flush() {
    if (m_behind && m_handedOff) {
        // Whatever is queued goes before the bytes written here next.
        handOff();
        m_behind->drain();
        return !failedBehind();
    }
    if (m_buf.empty()) return true;
    if (!writeAll(m_buf.data(), m_buf.size())) return false;
    m_buf.clear();
    return true;
}

std::optional<FileError> OutputFile::close() {
    if (m_fd < 0) return m_error;
    // A small file whose bytes all wait here is written and closed at once: queueing it would
    // cost more than the write (a run may make tens of thousands of them).
    if (m_behind && (m_handedOff || m_buf.size() >= kSmallFile)) {
        if (!m_error) handOff();
        m_behind->close(m_fd, m_name);
        m_fd = -1;
        m_buf.clear();
        (void)failedBehind();
        return m_error;
    }
    if (!m_error) flush();
    if (const int err = closeDescriptor(m_fd); err != 0 && !m_error) m_error = errnoError(m_name, err);
    if (m_behind) (void)failedBehind(); // an earlier file's, written behind
    m_fd = -1;
    m_buf.clear(); // the capacity stays for the next file: a pass opens thousands of them
    return m_error;
}

std::optional<FileError> removeFile(TextView path, const FolderLock* folder) {
    if (folder) {
        // unlinkat() removes a link itself, as it removes a file.
        const FolderLock::At at = folder->at(path);
        if (::unlinkat(at.dir, at.name.c_str(), 0) != 0 && errno != ENOENT) return errnoError(path, errno);
        return std::nullopt;
    }
    // remove() unlinks a link itself, as it unlinks a file.
    std::error_code ec;
    if (!std::filesystem::remove(toPath(path), ec) && ec) return FileError{Text(path), reasonText(ec)};
    return std::nullopt;
}

namespace {

// 0 when held now, else why not: EWOULDBLOCK when another holds it.
int hold(int fd) {
    int rc;
    do
        rc = flock(fd, LOCK_EX | LOCK_NB);
    while (rc != 0 && errno == EINTR);
    return rc == 0 ? 0 : errno;
}

} // namespace

std::optional<FileError> moveFile(TextView from, TextView to, bool replace, const FolderLock* folder) {
    const auto where = [folder](TextView p) {
        return folder ? folder->at(p) : FolderLock::At{AT_FDCWD, toPath(p).native()};
    };
    const FolderLock::At src = where(from), dst = where(to);
    const auto fail = [&](int err) {
        FileError e = errnoError(to, err);
        if (err == EEXIST) e.fault = FileFault::Exists;
        return e;
    };
    if (replace) {
        if (::renameat(src.dir, src.name.c_str(), dst.dir, dst.name.c_str()) != 0) return fail(errno);
        return {};
    }
#ifdef RENAME_NOREPLACE
    if (::renameat2(src.dir, src.name.c_str(), dst.dir, dst.name.c_str(), RENAME_NOREPLACE) == 0) return {};
    // Some file systems cannot promise it; a hard link fails on an existing name just as well.
    if (errno != EINVAL && errno != ENOSYS) return fail(errno);
#endif
    if (::linkat(src.dir, src.name.c_str(), dst.dir, dst.name.c_str(), 0) == 0) {
        ::unlinkat(src.dir, src.name.c_str(), 0);
        return {};
    }
    if (errno == EEXIST) return fail(EEXIST);
    // No hard links here either (FAT, some network shares): look, then rename. The folder
    // lock keeps every other Pagewright out of the gap between the two.
    struct stat st {};
    if (::fstatat(dst.dir, dst.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) return fail(EEXIST);
    if (::renameat(src.dir, src.name.c_str(), dst.dir, dst.name.c_str()) != 0) return fail(errno);
    return {};
}

bool FolderLock::tryLock(TextView folder) {
    release();
    m_folder = Text(folder);
    if (!endsWithSeparator(m_folder)) m_folder.push_back(kSeparator);
    // The folder itself is locked, not a lock file in it: nothing is added to the user's
    // folder, and nothing stays behind when the program is killed.
    const int fd = ::open(toPath(folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return true;
    if (const int err = hold(fd); err != 0) {
        ::close(fd);
        return err != EWOULDBLOCK;
    }
    m_fd = fd;
    m_locked = true;
    return true;
}

void FolderLock::unlock() {
    if (m_fd >= 0 && m_locked) (void)flock(m_fd, LOCK_UN);
    m_locked = false;
}

bool FolderLock::relock() {
    if (m_fd < 0 || m_locked) return true;
    // Anything but another holder: go on without the lock, as tryLock does.
    m_locked = hold(m_fd) != EWOULDBLOCK;
    return m_locked;
}

void FolderLock::release() {
    if (m_fd >= 0) ::close(m_fd); // closing the last descriptor drops the lock
    m_fd = -1;
    m_locked = false;
}

FolderLock::At FolderLock::at(TextView path) const {
    // Only a name right in the folder: anything further is not the folder's own entry.
    if (m_fd >= 0 && path.size() > m_folder.size() && path.starts_with(m_folder) &&
        path.find(kSeparator, m_folder.size()) == TextView::npos)
        return {m_fd, toPath(path.substr(m_folder.size())).native()};
    return {AT_FDCWD, toPath(path).native()};
}

namespace {

// Whether `fd` is still the regular file that the name leads to.
bool sameFile(int fd, const FolderLock::At& at) {
    struct stat a {
    }, b{};
    return ::fstat(fd, &a) == 0 && ::fstatat(at.dir, at.name.c_str(), &b, AT_SYMLINK_NOFOLLOW) == 0 &&
           S_ISREG(a.st_mode) && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

FolderLock::At whereIs(TextView path, const FolderLock* folder) {
    return folder ? folder->at(path) : FolderLock::At{AT_FDCWD, toPath(path).native()};
}

} // namespace

std::optional<FileError> HeldFile::create(TextView path, const FolderLock* folder) {
    release();
    const FolderLock::At at = whereIs(path, folder);
    const int fd = ::openat(at.dir, at.name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) {
        FileError e = errnoError(path, errno);
        if (errno == EEXIST) e.fault = FileFault::Exists;
        return e;
    }
    // Between making the file and holding it, another run may have found it free and removed
    // it: a file held under no name would protect nothing, so the name is checked after.
    // A file system without locks (a few network ones) cannot say who is alive: the file is
    // kept without a hold, as the folder itself is then taken without a lock.
    if (hold(fd) == EWOULDBLOCK || !sameFile(fd, at)) {
        ::close(fd);
        FileError e = errnoError(path, EEXIST);
        e.fault = FileFault::Exists;
        return e;
    }
    m_fd = fd;
    m_path = Text(path);
    m_folder = folder;
    return std::nullopt;
}

bool HeldFile::held() const {
    return m_fd >= 0;
}

void HeldFile::release() {
    if (m_fd < 0) return;
    // Removed while still held, so no other run ever sees it free under this name.
    const FolderLock::At at = whereIs(m_path, m_folder);
    if (sameFile(m_fd, at)) (void)::unlinkat(at.dir, at.name.c_str(), 0);
    ::close(m_fd);
    m_fd = -1;
    m_path.clear();
}

HeldFile::State HeldFile::stateOf(TextView path, const FolderLock* folder) {
    const FolderLock::At at = whereIs(path, folder);
    const int fd = ::openat(at.dir, at.name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return errno == ENOENT ? State::Missing : State::Free;
    // Where nothing can be held, nobody can be told dead: the files stay.
    const bool free = hold(fd) == 0;
    ::close(fd);
    return free ? State::Free : State::Held;
}

bool HeldFile::removeIfFree(TextView path, const FolderLock* folder) {
    const FolderLock::At at = whereIs(path, folder);
    const int fd = ::openat(at.dir, at.name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    bool removed = false;
    if (hold(fd) == 0 && sameFile(fd, at)) removed = ::unlinkat(at.dir, at.name.c_str(), 0) == 0;
    ::close(fd);
    return removed;
}

std::vector<Text> FolderLock::names(std::size_t most, TextView skipping) const {
    std::vector<Text> out;
    const std::string skip = toUtf8(skipping); // names on this system are UTF-8 bytes
    const int fd = m_fd >= 0 ? ::dup(m_fd) : ::open(toPath(m_folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return out;
    DIR* dir = fdopendir(fd); // owns fd from here
    if (!dir) {
        ::close(fd);
        return out;
    }
    rewinddir(dir); // the duplicate shares the folder's offset with the lock's descriptor
    while (out.size() < most) {
        const dirent* e = readdir(dir);
        if (!e) break;
        const std::string_view name = e->d_name;
        if (name != "." && name != ".." && (skip.empty() || !name.starts_with(skip)))
            out.push_back(fromPath(std::filesystem::path(name)));
    }
    closedir(dir);
    return out;
}

} // namespace pw

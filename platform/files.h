#pragma once
// Raw byte files. Errors are values carrying the path and the system's reason, never
// exceptions: the front end turns them into a message box or a line on stderr.
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "platform/text.h"

namespace pw {

// The failures a caller must tell apart from any other.
enum class FileFault {
    Other,
    Exists, // a file to be made new was there already (a file, a folder or a link)
    Link,   // the path is a symbolic link, and nothing is written through one
};

struct FileError {
    Text path;
    Text reason;
    FileFault fault = FileFault::Other;
};

// What is at a path: the entry itself, so a link counts as a link whether or not what it
// points to exists.
enum class EntryKind { None, File, Folder, Link, Other };
class FolderLock;
// With `folder`, a path right inside the locked folder is looked up through the folder's own
// descriptor (as are the other operations below that take one): a run keeps to the folder it
// locked even when that folder is moved or another takes its name.
EntryKind entryAt(TextView path, const FolderLock* folder = nullptr);

// Whether what stands at the path is something other than a regular file or a folder: a named
// pipe, a device, a socket, a loop of links. Such an entry is there, yet holds no text to read.
bool isNonRegularEntry(TextView path);

// A small file read whole (a rule list, a cover): a regular file only, refused at once as
// "不是普通文件" otherwise (a named pipe waits for a writer, a device never ends), and refused
// when longer than `limit` bytes before anything is read. A link to a regular file is read.
std::optional<FileError> readSmallFile(TextView path, std::int64_t limit, std::string& into);

// A file opened for reading raw bytes, unbuffered: the line reader keeps its own buffer.
class InputFile {
public:
    InputFile() = default;
    ~InputFile() { close(); }
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    std::optional<FileError> open(TextView path, const FolderLock* folder = nullptr);
    // Length in bytes of the open file, or -1 when it cannot be told.
    std::int64_t size() const;
    // Reads up to `n` bytes; 0 at the end; nothing and an error when the read fails. Never
    // past the length the file had when it was opened: a file that grows while it is read
    // (a log, a download) gives what it held then, and what is read matches what was measured.
    std::optional<std::size_t> read(char* dst, std::size_t n);
    const std::optional<FileError>& error() const { return m_error; }
    void close();
    const Text& path() const { return m_path; }
    // Whether the file at the path is no longer the one opened as it was then: another length,
    // another modification time, another file put in its place, or gone. A reader that got
    // to the end of a file cut short or rewritten meanwhile read a text that never existed.
    bool changedSinceOpen() const;

private:
    struct Identity {
        std::int64_t size = -1;
        std::int64_t mtimeNs = 0;
        std::uint64_t inode = 0;
        std::uint64_t device = 0;
        bool operator==(const Identity&) const = default;
    };
    static std::optional<Identity> identityOf(TextView path);
    std::FILE* m_file = nullptr;
    Text m_path;
    std::optional<FileError> m_error;
    std::optional<Identity> m_opened;
    std::int64_t m_left = -1; // bytes still to read of the length at open; -1: not known
};

enum class OutputMode {
    Create, // a new file: anything already at the path is a failure (FileFault::Exists)
    Append, // written after the old content of a regular file (made when missing)
};

class WriteBehind;

// An output file, with its own write buffer: one call to the system per line would be far
// too slow. Neither mode opens through a symbolic link (FileFault::Link), so nothing is
// written outside the folder the path names. Every write and the close are checked; the
// first failure is kept and later writes do nothing.
class OutputFile {
public:
    OutputFile() = default;
    ~OutputFile() { (void)close(); }
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    std::optional<FileError> open(TextView path, OutputMode mode, const FolderLock* folder = nullptr);
    bool isOpen() const { return m_fd >= 0; }
    // Length in bytes on disk of the open file, before what is still buffered; -1 when unknown.
    std::int64_t sizeOnDisk() const;
    // Returns false once a write has failed; error() then says why.
    bool write(const char* data, std::size_t n);
    // Bytes written since the open (an append's old content not counted).
    std::int64_t written() const { return m_written; }
    // Writes again over bytes this open wrote already, at `offset` from the file's start; the
    // next write() still goes at the end. Only for a file made new (OutputMode::Create).
    bool writeAt(std::int64_t offset, const char* data, std::size_t n);
    std::optional<FileError> close();
    const std::optional<FileError>& error() const { return m_error; }
    // What a failure of a write or the close calls the file (the path opened, until said
    // otherwise): a file written under a stand-in name is named as the user knows it.
    void nameInErrors(TextView name) { m_name = Text(name); }
    // From the next open on, full buffers and the close go to `behind`'s thread (none: written
    // here). A failure there is told by a later write or close, of this file or the next,
    // naming the file it hit.
    void writeBehind(WriteBehind* behind) { m_behind = behind; }

private:
    bool flush();
    bool queue(const char* data, std::size_t n);
    void handOff();
    bool failedBehind();
    // At the end, or from `at` on (a byte offset from the start) when it is not negative.
    bool writeAll(const char* data, std::size_t n, std::int64_t at = -1);
    int m_fd = -1;
    Text m_path;
    Text m_name;
    WriteBehind* m_behind = nullptr;
    bool m_handedOff = false; // some of this file's bytes went to m_behind
    OutputMode m_mode = OutputMode::Create;
    std::int64_t m_written = 0;
    std::vector<char> m_buf;
    std::optional<FileError> m_error;
};

// Deletes a file; a link is removed itself, never what it points to. An error names the
// path and the reason.
std::optional<FileError> removeFile(TextView path, const FolderLock* folder = nullptr);

// Gives the file at `from` the name `to`, in the same folder. With `replace` whatever entry
// has that name goes, a link itself and never what it points to; without, an entry there is
// a failure (FileFault::Exists) and nothing changes.
std::optional<FileError> moveFile(TextView from, TextView to, bool replace, const FolderLock* folder = nullptr);

// Keeps a second output pass out of a folder while this one writes there, so that two
// passes cannot both find a file missing and then both write it. Advisory: it binds every
// Pagewright (both front ends), and the system drops it when the process ends, however it
// ends, so no stale lock is ever left behind.
class FolderLock {
public:
    FolderLock() = default;
    ~FolderLock() { release(); }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    // False only when another pass holds the folder. A folder the system cannot lock (a file
    // system without locks, a folder that cannot be opened) is taken without one: each file
    // is still made exclusively, so what another program made meanwhile is refused, and a
    // folder that is unusable fails at the first file with the system's reason.
    bool tryLock(TextView folder);
    // Lets other runs in while this one keeps the folder it holds (its descriptor stays),
    // and tries to take it again: false while another run holds it.
    void unlock();
    bool relock();
    void release();
    // The folder named to tryLock, with its separator.
    const Text& folder() const { return m_folder; }

    // The names of the entries in the locked folder (`most` of them at most), read through
    // its descriptor (by its path when it is not locked); names that start with
    // `skipping`, when given, are passed over.
    std::vector<Text> names(std::size_t most = SIZE_MAX, TextView skipping = {}) const;

    // Where the operations that take this folder find `path`: through the folder's descriptor
    // when it lies right in the folder, else the path as it is.
    struct At {
        int dir;          // a descriptor, or AT_FDCWD
        std::string name; // relative to `dir`, in the system's bytes
    };
    At at(TextView path) const;

private:
    Text m_folder; // with its separator
    int m_fd = -1;
    bool m_locked = false;
};

// A file that says "this run is alive": made in a folder and held for the run's life, so
// that another run can tell its files from those of a run that was killed. The system lets
// go of it when the process ends, however it ends; a file left behind is then held by no one.
class HeldFile {
public:
    HeldFile() = default;
    ~HeldFile() { release(); }
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;

    // Makes `path` (never there before) and holds it. Nullopt when held; FileFault::Exists
    // when the name is taken.
    std::optional<FileError> create(TextView path, const FolderLock* folder = nullptr);
    bool held() const;
    // Removes the file and lets go of it.
    void release();

    enum class State { Missing, Held, Free };
    // Whether a live run holds the file at `path`.
    static State stateOf(TextView path, const FolderLock* folder = nullptr);
    // Removes the file at `path` when nobody holds it; true when it went.
    static bool removeIfFree(TextView path, const FolderLock* folder = nullptr);

private:
    Text m_path;
    const FolderLock* m_folder = nullptr;
    int m_fd = -1;
};

} // namespace pw

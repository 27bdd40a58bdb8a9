#pragma once
// Raw byte files. Errors are values carrying the path and the system's reason, never
// exceptions: the front end turns them into a message box or a line on stderr.
#include <cstdint>
#include <cstdio>
#include <optional>
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
EntryKind entryAt(TextView path);

// A file opened for reading raw bytes, unbuffered: the line reader keeps its own buffer.
class InputFile {
public:
    InputFile() = default;
    ~InputFile() { close(); }
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    std::optional<FileError> open(TextView path);
    // Length in bytes of the open file, or -1 when it cannot be told.
    std::int64_t size() const;
    // Reads up to `n` bytes; 0 at the end; nothing and an error when the read fails.
    std::optional<std::size_t> read(char* dst, std::size_t n);
    const std::optional<FileError>& error() const { return m_error; }
    void close();
    const Text& path() const { return m_path; }

private:
    std::FILE* m_file = nullptr;
    Text m_path;
    std::optional<FileError> m_error;
};

enum class OutputMode {
    Create, // a new file: anything already at the path is a failure (FileFault::Exists)
    Append, // written after the old content of a regular file (made when missing)
};

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

    std::optional<FileError> open(TextView path, OutputMode mode);
    bool isOpen() const { return m_fd >= 0; }
    // Returns false once a write has failed; error() then says why.
    bool write(const char* data, std::size_t n);
    // Bytes written since the open (an append's old content not counted).
    std::int64_t written() const { return m_written; }
    // Writes again over bytes this open wrote already, at `offset` from the file's start; the
    // next write() still goes at the end. Only for a file made new (OutputMode::Create).
    bool writeAt(std::int64_t offset, const char* data, std::size_t n);
    std::optional<FileError> close();
    const std::optional<FileError>& error() const { return m_error; }

private:
    bool flush();
    bool writeAll(const char* data, std::size_t n);
    int m_fd = -1;
    Text m_path;
    OutputMode m_mode = OutputMode::Create;
    std::int64_t m_written = 0;
    std::vector<char> m_buf;
    std::optional<FileError> m_error;
};

// Deletes a file; a link is removed itself, never what it points to. An error names the
// path and the reason.
std::optional<FileError> removeFile(TextView path);

// Gives the file at `from` the name `to`, in the same folder. With `replace` whatever entry
// has that name goes, a link itself and never what it points to; without, an entry there is
// a failure (FileFault::Exists) and nothing changes.
std::optional<FileError> moveFile(TextView from, TextView to, bool replace);

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
    void release();

private:
#ifdef _WIN32
    void* m_handle = nullptr;
#else
    int m_fd = -1;
#endif
};

} // namespace pw

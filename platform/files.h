#pragma once
// Raw byte files. Errors are values carrying the path and the system's reason, never
// exceptions: the front end turns them into a message box or a line on stderr.
#include <cstdint>
#include <cstdio>
#include <optional>
#include <vector>

#include "platform/text.h"

namespace pw {

struct FileError {
    Text path;
    Text reason;
};

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

// A file opened for appending (created when missing), with its own write buffer:
// one call to the system per line would be far too slow. Every write and the close
// are checked; the first failure is kept and later writes do nothing.
class OutputFile {
public:
    OutputFile() = default;
    ~OutputFile() { (void)close(); }
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    std::optional<FileError> openAppend(TextView path);
    bool isOpen() const { return m_file != nullptr; }
    // Returns false once a write has failed; error() then says why.
    bool write(const char* data, std::size_t n);
    std::optional<FileError> close();
    const std::optional<FileError>& error() const { return m_error; }

private:
    bool flush();
    std::FILE* m_file = nullptr;
    Text m_path;
    std::vector<char> m_buf;
    std::optional<FileError> m_error;
};

// Deletes a file; an error names the path and the reason.
std::optional<FileError> removeFile(TextView path);

} // namespace pw

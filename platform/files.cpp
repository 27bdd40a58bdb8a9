#include "platform/files.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "platform/paths.h"

namespace pw {

namespace {

constexpr std::size_t kWriteBuffer = 1 << 20;

std::FILE* openFile(TextView path, const char* mode) {
#ifdef _WIN32
    std::wstring wmode(mode, mode + std::strlen(mode));
    return _wfopen(toPath(path).c_str(), wmode.c_str());
#else
    return std::fopen(toPath(path).c_str(), mode);
#endif
}

FileError errnoError(TextView path, int err) { return FileError{Text(path), reasonFromErrno(err)}; }

} // namespace

std::optional<FileError> InputFile::open(TextView path) {
    close();
    m_error.reset();
    m_path = Text(path);
    errno = 0;
    m_file = openFile(path, "rb");
    if (!m_file) return m_error = errnoError(path, errno ? errno : EIO);
    std::setvbuf(m_file, nullptr, _IONBF, 0);
    return std::nullopt;
}

std::int64_t InputFile::size() const {
#ifndef _WIN32
    // The open file's own length: the path may name another file by now.
    struct stat st {};
    if (m_file) return fstat(fileno(m_file), &st) == 0 ? static_cast<std::int64_t>(st.st_size) : -1;
#endif
    std::error_code ec;
    const auto n = std::filesystem::file_size(toPath(m_path), ec);
    return ec ? -1 : static_cast<std::int64_t>(n);
}

std::optional<std::size_t> InputFile::read(char* dst, std::size_t n) {
    if (!m_file || m_error) return std::nullopt;
    errno = 0;
    const std::size_t got = std::fread(dst, 1, n, m_file);
    if (got < n && std::ferror(m_file)) {
        m_error = errnoError(m_path, errno ? errno : EIO);
        return std::nullopt;
    }
    return got;
}

void InputFile::close() {
    if (m_file) std::fclose(m_file);
    m_file = nullptr;
}

std::optional<FileError> OutputFile::openAppend(TextView path) {
    (void)close();
    m_error.reset();
    m_path = Text(path);
    errno = 0;
    m_file = openFile(path, "ab");
    if (!m_file) return m_error = errnoError(path, errno ? errno : EIO);
    std::setvbuf(m_file, nullptr, _IONBF, 0);
    m_buf.clear();
    m_buf.reserve(kWriteBuffer);
    return std::nullopt;
}

bool OutputFile::write(const char* data, std::size_t n) {
    if (!m_file || m_error) return false;
    if (m_buf.size() + n > kWriteBuffer && !flush()) return false;
    if (n >= kWriteBuffer) {
        errno = 0;
        if (std::fwrite(data, 1, n, m_file) != n) {
            m_error = errnoError(m_path, errno ? errno : EIO);
            return false;
        }
        return true;
    }
    m_buf.insert(m_buf.end(), data, data + n);
    return true;
}

bool OutputFile::flush() {
    if (m_buf.empty()) return true;
    errno = 0;
    const std::size_t put = std::fwrite(m_buf.data(), 1, m_buf.size(), m_file);
    if (put != m_buf.size()) {
        m_error = errnoError(m_path, errno ? errno : EIO);
        return false;
    }
    m_buf.clear();
    return true;
}

std::optional<FileError> OutputFile::close() {
    if (!m_file) return m_error;
    if (!m_error) flush();
    errno = 0;
    if (std::fclose(m_file) != 0 && !m_error) m_error = errnoError(m_path, errno ? errno : EIO);
    m_file = nullptr;
    m_buf.clear(); // the capacity stays for the next file: a pass opens thousands of them
    return m_error;
}

std::optional<FileError> removeFile(TextView path) {
    std::error_code ec;
    if (!std::filesystem::remove(toPath(path), ec) && ec) return FileError{Text(path), reasonText(ec)};
    return std::nullopt;
}

} // namespace pw

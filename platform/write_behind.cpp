#include "platform/write_behind.h"

#include <cerrno>
#include <new>
#include <system_error>
#include <unistd.h>

#include "platform/paths.h"

namespace pw {

int writeDescriptor(int fd, const char* data, std::size_t n, std::int64_t at) {
    // A signal (Ctrl-C asks the pass to stop) may cut a write short or interrupt it.
    while (n > 0) {
        const ssize_t put = at < 0 ? ::write(fd, data, n) : ::pwrite(fd, data, n, static_cast<off_t>(at));
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return put < 0 && errno ? errno : EIO;
        data += put;
        n -= static_cast<std::size_t>(put);
        if (at >= 0) at += put;
    }
    return 0;
}

int closeDescriptor(int fd) {
    return ::close(fd) == 0 || errno == EINTR ? 0 : (errno ? errno : EIO);
}

WriteBehind::~WriteBehind() {
    {
        std::lock_guard lock(m_mutex);
        m_ending = true;
    }
    m_wake.notify_one();
    if (m_thread.joinable()) m_thread.join();
}

void WriteBehind::write(int fd, std::vector<char>&& bytes, const Text& name) {
    if (bytes.empty()) return;
    queue({fd, std::move(bytes), false, name});
}

void WriteBehind::close(int fd, const Text& name) {
    queue({fd, {}, true, name});
}

void WriteBehind::queue(Job job) {
    std::unique_lock lock(m_mutex);
    if (!m_inline && !m_thread.joinable()) {
        try {
            m_spares.reserve(kMostSpares); // so that the thread never allocates to keep one
            m_thread = std::thread([this] { work(); });
        } catch (const std::system_error&) {
            // No thread to be had (a limit on threads, or on memory): the bytes are written
            // here, as a run without the other core would write them.
            m_inline = true;
        }
    }
    if (m_inline) {
        const bool skip = m_failure.has_value();
        lock.unlock();
        const int err = perform(job, skip);
        lock.lock();
        noteFailure(err, job.name);
        return;
    }
    // One buffer always goes in, however large, or a buffer above the bound would wait forever.
    m_freed.wait(lock, [&] { return m_queuedBytes == 0 || m_queuedBytes + job.bytes.size() <= m_mostQueued; });
    m_queuedBytes += job.bytes.size();
    m_jobs.push_back(std::move(job));
    lock.unlock();
    m_wake.notify_one();
}

int WriteBehind::perform(const Job& job, bool skip) {
    if (job.close) return closeDescriptor(job.fd);
    return skip ? 0 : writeDescriptor(job.fd, job.bytes.data(), job.bytes.size());
}

void WriteBehind::noteFailure(int err, Text& name) {
    if (err == 0 || m_failure) return;
    // Out of memory, the reason goes unsaid rather than end the program from this thread.
    Text reason;
    try {
        reason = reasonFromErrno(err);
    } catch (const std::bad_alloc&) {
    }
    m_failure = FileError{std::move(name), std::move(reason)};
    m_failed.store(true, std::memory_order_release);
}

std::vector<char> WriteBehind::spare() {
    std::lock_guard lock(m_mutex);
    if (m_spares.empty()) return {};
    std::vector<char> b = std::move(m_spares.back());
    m_spares.pop_back();
    return b;
}

void WriteBehind::drain() {
    std::unique_lock lock(m_mutex);
    m_freed.wait(lock, [&] { return m_jobs.empty() && !m_busy; });
}

std::optional<FileError> WriteBehind::failure() const {
    std::lock_guard lock(m_mutex);
    return m_failure;
}

void WriteBehind::work() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [&] { return !m_jobs.empty() || m_ending; });
        if (m_jobs.empty()) return; // ending, and nothing left
        Job job = std::move(m_jobs.front());
        m_jobs.pop_front();
        m_busy = true;
        const bool skip = m_failure.has_value();
        lock.unlock();
        const int err = perform(job, skip);
        lock.lock();
        noteFailure(err, job.name);
        m_queuedBytes -= job.bytes.size();
        if (job.bytes.capacity() > 0 && m_spares.size() < kMostSpares) {
            job.bytes.clear();
            m_spares.push_back(std::move(job.bytes));
        }
        m_busy = false;
        m_freed.notify_all();
    }
}

} // namespace pw

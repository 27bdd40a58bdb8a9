#pragma once
// Output files' bytes written on a thread of their own. Cutting a novel into files costs two
// copies of every byte in the system (the read into the buffer, the write out of it) besides
// the cutting itself; with the writes on the other core, the next part of the input is read and
// cut while the last one is written. Only for files that nobody sees before the run is over
// (written under temporary names and put in place at the end): a failure is known only a little
// later than the write that met it, and by then later files may have been begun.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "platform/files.h"

namespace pw {

class WriteBehind {
public:
    // At most `mostQueued` bytes wait to be written; whoever queues more waits for the thread.
    explicit WriteBehind(std::size_t mostQueued = 8u << 20) : m_mostQueued(mostQueued) {}
    ~WriteBehind(); // writes and closes whatever is still queued
    WriteBehind(const WriteBehind&) = delete;
    WriteBehind& operator=(const WriteBehind&) = delete;

    // `bytes` go after what was queued for the descriptor before; `name` is what a failure
    // calls the file.
    void write(int fd, std::vector<char>&& bytes, const Text& name);
    // Closes the descriptor once everything queued for it is written.
    void close(int fd, const Text& name);
    // A buffer that has been written out, emptied, to fill next: its capacity is kept.
    std::vector<char> spare();
    // Returns once everything queued is written and closed.
    void drain();
    bool failed() const { return m_failed.load(std::memory_order_acquire); }
    // The first write or close that failed; nothing is written after it, every descriptor is
    // still closed.
    std::optional<FileError> failure() const;

private:
    struct Job {
        int fd = -1;
        std::vector<char> bytes;
        bool close = false;
        Text name;
    };
    void queue(Job job);
    void work();
    static int perform(const Job& job, bool skip);
    void noteFailure(int err, Text& name); // under the lock
    static constexpr std::size_t kMostSpares = 4;

    const std::size_t m_mostQueued;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;  // the thread: a job came, or the end
    std::condition_variable m_freed; // the queuer: room, or all done
    std::deque<Job> m_jobs;
    std::size_t m_queuedBytes = 0;
    bool m_busy = false; // the thread holds a job taken from the queue
    bool m_ending = false;
    std::vector<std::vector<char>> m_spares;
    std::optional<FileError> m_failure;
    std::atomic<bool> m_failed{false};
    std::thread m_thread; // started with the first job
    bool m_inline = false; // no thread could be started: every job is done by its queuer
};

// A whole buffer written at the end of the descriptor's file (at `at`, a byte offset from its
// start, when not negative), through interrupted and partial writes; 0 or the errno value.
int writeDescriptor(int fd, const char* data, std::size_t n, std::int64_t at = -1);
// Closes the descriptor; 0 or the errno value. Never retried: Linux closes it even on EINTR.
int closeDescriptor(int fd);

} // namespace pw

#include "scan/analysis_behind.h"

#include <system_error>
#include <utility>

namespace pw {

AnalysisBehind::~AnalysisBehind() {
    {
        std::lock_guard lock(m_mutex);
        m_ending = true;
        if (!m_busy) m_handed.reset(); // a batch not begun is not needed any more
    }
    m_changed.notify_all();
    if (m_thread.joinable()) m_thread.join();
}

void AnalysisBehind::add(TextView line, std::size_t matchStart, std::int64_t lineNumber, std::int64_t offset) {
    m_filling.entries.push_back({m_filling.text.size(), line.size(), matchStart, lineNumber, offset});
    m_filling.text.append(line);
    if (m_filling.entries.size() < kBatch) return;
    if (!m_inline && !m_thread.joinable()) {
        try {
            m_thread = std::thread([this] { work(); });
        } catch (const std::system_error&) {
            // No thread to be had (a limit on threads, or on memory): the scan's own thread
            // judges the lines, as it does for a novel of few headings.
            m_inline = true;
        }
    }
    if (m_inline) {
        analyse(m_filling);
        m_filling.clear();
        return;
    }
    std::unique_lock lock(m_mutex);
    // One batch out at a time: the thread is never more than a batch behind, and memory stays bounded.
    m_changed.wait(lock, [&] { return !m_handed; });
    // Out of memory on the thread: said on this one, where the scan can give up cleanly.
    if (m_failure) std::rethrow_exception(std::exchange(m_failure, nullptr));
    m_handed.emplace(std::move(m_filling));
    // The batch before, done with: its buffers are filled again rather than made anew.
    m_filling = std::move(m_spare);
    m_filling.clear();
    lock.unlock();
    m_changed.notify_all();
}

void AnalysisBehind::analyse(const Batch& b) {
    const TextView text = b.text;
    for (const Entry& e : b.entries)
        m_analyzer.add(text.substr(e.from, e.length), e.matchStart, e.line, e.offset);
}

void AnalysisBehind::work() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [&] { return m_handed || m_ending; });
        if (!m_handed) return;
        m_busy = true;
        lock.unlock();
        std::exception_ptr failure;
        try {
            if (!m_failure) analyse(*m_handed);
        } catch (...) {
            failure = std::current_exception();
        }
        lock.lock();
        if (failure && !m_failure) m_failure = failure;
        m_busy = false;
        m_spare = std::move(*m_handed);
        m_handed.reset();
        m_changed.notify_all();
    }
}

HeadingAnalysis AnalysisBehind::finish(std::int64_t fileSize, std::int64_t linesRead) {
    if (m_thread.joinable()) {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return !m_handed; });
        if (m_failure) std::rethrow_exception(std::exchange(m_failure, nullptr));
    }
    // The thread is idle now (or was never started): the analyzer is this thread's again.
    analyse(m_filling);
    m_filling.clear();
    return m_analyzer.finish(fileSize, linesRead);
}

} // namespace pw

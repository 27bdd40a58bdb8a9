#pragma once
// The heading analysis of a scan, on a thread of its own once a file shows thousands of
// headings: judging each matched line costs some 50 ns, which a file of 300,000 headings adds
// to the scan's time unless another core does it while the scan reads on. Nothing reads the
// analysis before the scan ends, and the lines reach it in their order, so it comes out as it
// would on the scan's own thread. A novel of a few thousand headings never starts the thread.
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "scan/heading_analysis.h"

namespace pw {

class AnalysisBehind {
public:
    AnalysisBehind() = default;
    ~AnalysisBehind(); // a scan given up: the thread ends after the batch in hand
    AnalysisBehind(const AnalysisBehind&) = delete;
    AnalysisBehind& operator=(const AnalysisBehind&) = delete;

    // As HeadingAnalyzer::add; the line is copied.
    void add(TextView line, std::size_t matchStart, std::int64_t lineNumber, std::int64_t offset);
    // Waits for the batches still out, then as HeadingAnalyzer::finish.
    HeadingAnalysis finish(std::int64_t fileSize, std::int64_t linesRead);

    // Headings gathered before a batch goes to the thread.
    static constexpr std::size_t kBatch = 4096;

private:
    struct Entry {
        std::size_t from, length, matchStart;
        std::int64_t line, offset;
    };
    struct Batch {
        Text text; // the lines one after another
        std::vector<Entry> entries;
        void clear() {
            text.clear();
            entries.clear();
        }
    };
    void analyse(const Batch& b);
    void work();

    HeadingAnalyzer m_analyzer; // the thread's alone while it runs
    Batch m_filling;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::optional<Batch> m_handed; // waiting for the thread, or in its hands
    Batch m_spare;                 // the last batch the thread finished
    bool m_busy = false;           // the thread works on m_handed
    bool m_ending = false;
    std::thread m_thread;
    bool m_inline = false;        // no thread could be started: the lines are judged on add()
    std::exception_ptr m_failure; // what the thread met (out of memory), for the scan's thread
};

} // namespace pw

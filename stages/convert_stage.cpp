#include "stages/convert_stage.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace pw {

namespace {

// Large enough that handing a piece over costs nothing next to converting it, small enough
// that every thread has one while the walk reads on.
constexpr std::size_t kPieceBytes = 256 * 1024;

} // namespace

struct ConvertStage::Piece {
    enum class Kind { Begin, Line, End };
    struct Event {
        Kind kind;
        ChapterStart start;
        Line line;
        std::size_t from = 0, size = 0; // its bytes in `raw`
    };
    std::vector<Event> events;
    std::string raw, mark;
    std::vector<std::string> converted; // one per Line event
    std::size_t textBytes = 0;
    bool done = false;

    void convert(const ChineseConverter& c) {
        // Joined by line ends, which OpenCC passes as they are and no phrase crosses: one
        // call for the whole piece.
        std::string joined;
        joined.reserve(textBytes + events.size());
        std::size_t lines = 0;
        for (const Event& e : events)
            if (e.kind == Kind::Line) {
                joined.append(e.line.text()).push_back('\n');
                ++lines;
            }
        const std::string out = c.convert(joined);
        converted.reserve(lines);
        for (std::size_t at = 0; at < out.size();) {
            const std::size_t end = out.find('\n', at);
            if (end == std::string::npos) break;
            converted.emplace_back(out, at, end - at);
            at = end + 1;
        }
        if (converted.size() != lines) { // not expected of OpenCC; line by line then
            converted.clear();
            for (const Event& e : events)
                if (e.kind == Kind::Line) converted.push_back(c.convert(e.line.text()));
        }
    }
};

struct ConvertStage::Pool {
    std::shared_ptr<const ChineseConverter> converter;
    std::mutex mutex;
    std::condition_variable work, finished;
    std::deque<Piece*> waiting;            // for the threads
    std::deque<std::unique_ptr<Piece>> inOrder; // every piece not yet handed on
    std::vector<std::thread> threads;
    bool stopping = false;

    void run() {
        for (;;) {
            Piece* p = nullptr;
            {
                std::unique_lock lock(mutex);
                work.wait(lock, [&] { return stopping || !waiting.empty(); });
                if (waiting.empty()) return;
                p = waiting.front();
                waiting.pop_front();
            }
            p->convert(*converter);
            {
                std::lock_guard lock(mutex);
                p->done = true;
            }
            finished.notify_all();
        }
    }
};

ConvertStage::ConvertStage(ChapterSink& next, std::shared_ptr<const ChineseConverter> converter, unsigned threads)
    : Stage(next), m_pool(std::make_unique<Pool>()), m_piece(std::make_unique<Piece>()) {
    m_pool->converter = std::move(converter);
    if (threads == 0) threads = std::max(1u, std::thread::hardware_concurrency());
    for (unsigned i = 0; i < threads; ++i)
        m_pool->threads.emplace_back([this] { m_pool->run(); });
}

ConvertStage::~ConvertStage() {
    {
        std::lock_guard lock(m_pool->mutex);
        m_pool->stopping = true;
        m_pool->waiting.clear();
    }
    m_pool->work.notify_all();
    for (std::thread& t : m_pool->threads)
        t.join();
}

bool ConvertStage::beginChapter(const ChapterStart& c) {
    m_piece->events.push_back({Piece::Kind::Begin, c, {}, 0, 0});
    return m_going;
}

bool ConvertStage::line(const Line& l) {
    const std::string& text = l.text(); // decoded here, so the copy carries its text
    Piece::Event e{Piece::Kind::Line, {}, l, m_piece->raw.size(), l.bytes().size()};
    m_piece->raw.append(l.bytes());
    if (!l.mark().empty()) m_piece->mark = l.mark();
    m_piece->textBytes += text.size();
    m_piece->events.push_back(std::move(e));
    if (m_piece->textBytes + m_piece->raw.size() >= kPieceBytes) return submit(false);
    return m_going;
}

bool ConvertStage::endChapter() {
    m_piece->events.push_back({Piece::Kind::End, {}, {}, 0, 0});
    return m_going;
}

bool ConvertStage::close(bool complete) {
    if (complete && m_going) submit(true);
    return pass(next().close(complete && m_going)) && m_going;
}

bool ConvertStage::submit(bool all) {
    {
        std::lock_guard lock(m_pool->mutex);
        m_pool->waiting.push_back(m_piece.get());
        m_pool->inOrder.push_back(std::move(m_piece));
    }
    m_pool->work.notify_one();
    m_piece = std::make_unique<Piece>();
    // Enough pieces ahead to keep every thread busy; beyond that the walk waits.
    const std::size_t ahead = all ? 0 : 2 * m_pool->threads.size() + 1;
    return handOn(true, ahead);
}

// Hands on the finished pieces at the front, in order; with `wait`, waits for them until no
// more than `keep` pieces are left.
bool ConvertStage::handOn(bool wait, std::size_t keep) {
    for (;;) {
        std::unique_ptr<Piece> p;
        {
            std::unique_lock lock(m_pool->mutex);
            if (m_pool->inOrder.empty()) return m_going;
            if (!m_pool->inOrder.front()->done) {
                if (!wait || m_pool->inOrder.size() <= keep) return m_going;
                m_pool->finished.wait(lock, [&] { return m_pool->inOrder.front()->done; });
            }
            p = std::move(m_pool->inOrder.front());
            m_pool->inOrder.pop_front();
        }
        std::size_t k = 0;
        for (Piece::Event& e : p->events) {
            if (!m_going) break;
            switch (e.kind) {
            case Piece::Kind::Begin:
                m_going = pass(next().beginChapter(e.start));
                break;
            case Piece::Kind::End:
                m_going = pass(next().endChapter());
                break;
            case Piece::Kind::Line: {
                Line& l = e.line;
                l.setBytes(std::string_view(p->raw).substr(e.from, e.size));
                if (!l.mark().empty()) l.setMark(p->mark);
                std::string& converted = p->converted[k++];
                if (converted != l.text()) l.setText(std::move(converted));
                m_going = pass(next().line(l));
                break;
            }
            }
        }
        if (!m_going) return false;
    }
}

StageMaker convertStage(std::shared_ptr<const ChineseConverter> converter, unsigned threads) {
    return [converter, threads](ChapterSink& next) {
        return std::make_unique<ConvertStage>(next, converter, threads);
    };
}

} // namespace pw

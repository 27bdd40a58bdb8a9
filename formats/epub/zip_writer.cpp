#include "formats/epub/zip_writer.h"

#include <zlib.h>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace pw {

namespace {

constexpr std::uint32_t kLocalHeader = 0x04034b50;
constexpr std::uint32_t kCentralHeader = 0x02014b50;
constexpr std::uint32_t kEnd = 0x06054b50;
constexpr std::uint32_t kZip64End = 0x06064b50;
constexpr std::uint32_t kZip64Locator = 0x07064b50;
constexpr std::uint16_t kVersion = 20;   // deflate
constexpr std::uint16_t kVersion64 = 45; // zip64 records
constexpr std::uint64_t kMax32 = 0xFFFFFFFF;

void put16(std::string& s, std::uint32_t v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>((v >> 8) & 0xFF);
}
void put32(std::string& s, std::uint32_t v) {
    put16(s, v & 0xFFFF);
    put16(s, v >> 16);
}
void put64(std::string& s, std::uint64_t v) {
    put32(s, static_cast<std::uint32_t>(v & kMax32));
    put32(s, static_cast<std::uint32_t>(v >> 32));
}

// The compressor a thread keeps from entry to entry: a reset is cheaper than a new one, and
// gives the same bytes.
class Deflater {
public:
    ~Deflater() {
        if (m_level) deflateEnd(&m_z);
    }
    // Deflates all of `in` into `out` in one call; false when zlib fails.
    bool run(std::string_view in, int level, std::string& out) {
        if (m_level != level) {
            if (m_level) deflateEnd(&m_z);
            m_z = z_stream{};
            m_level = 0;
            // Raw deflate, as zip wants it; the window and memory zlib's own tools use.
            if (deflateInit2(&m_z, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) return false;
            m_level = level;
        } else if (deflateReset(&m_z) != Z_OK) {
            return false;
        }
        out.resize(deflateBound(&m_z, static_cast<uLong>(in.size())));
        m_z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
        m_z.avail_in = static_cast<uInt>(in.size());
        m_z.next_out = reinterpret_cast<Bytef*>(out.data());
        m_z.avail_out = static_cast<uInt>(out.size());
        const int rc = deflate(&m_z, Z_FINISH);
        out.resize(out.size() - m_z.avail_out);
        return rc == Z_STREAM_END;
    }

private:
    z_stream m_z{};
    int m_level = 0;
};

} // namespace

struct ZipWriter::Entry {
    std::string name;
    bool deflate = false;
    int level = 6;
    std::string data;   // as written; deflated in place of itself once done
    std::uint32_t crc = 0;
    std::uint64_t size = 0; // before deflating
    bool done = false;
    bool ok = true;

    void pack(Deflater& d) {
        crc = static_cast<std::uint32_t>(crc32_z(0, reinterpret_cast<const Bytef*>(data.data()), data.size()));
        size = data.size();
        if (!deflate) return;
        std::string packed;
        ok = d.run(data, level, packed);
        data = std::move(packed);
    }
};

struct ZipWriter::Impl {
    struct Central {
        std::string name;
        std::uint16_t flags, method;
        std::uint32_t crc;
        std::uint64_t packed, size, offset;
    };
    std::uint16_t time = 0, date = 0;
    std::unique_ptr<Entry> current;
    std::vector<Central> central;
    Deflater deflater; // the caller's, without workers

    // Entries begun and not yet written, in order; the workers take those not yet deflated.
    std::mutex mutex;
    std::condition_variable work, done;
    std::deque<std::unique_ptr<Entry>> queue;
    std::deque<Entry*> todo;
    std::vector<std::thread> threads;
    bool stopping = false;
    std::size_t maxQueued = 0;

    void worker() {
        Deflater d;
        std::unique_lock lock(mutex);
        for (;;) {
            work.wait(lock, [&] { return stopping || !todo.empty(); });
            if (todo.empty()) return;
            Entry* e = todo.front();
            todo.pop_front();
            lock.unlock();
            e->pack(d);
            lock.lock();
            e->done = true;
            done.notify_all();
        }
    }

    void stop() {
        {
            std::lock_guard lock(mutex);
            stopping = true;
        }
        work.notify_all();
        for (std::thread& t : threads) t.join();
        threads.clear();
    }
};

std::tm utcTime(std::int64_t seconds) {
    const auto t = static_cast<std::time_t>(seconds);
    std::tm tm{};
    gmtime_r(&t, &tm);
    return tm;
}

int ZipWriter::defaultWorkers() {
    return static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 8u));
}

ZipWriter::ZipWriter(OutputFile& out, std::int64_t mtime, int workers)
    : m_mtime(mtime), m_out(out), m_impl(std::make_unique<Impl>()) {
    std::tm tm = utcTime(m_mtime);
    // The zip format counts from 1980.
    if (tm.tm_year < 80) {
        tm = std::tm{};
        tm.tm_mday = 1;
        tm.tm_year = 80;
    }
    m_impl->time = static_cast<std::uint16_t>(tm.tm_hour << 11 | tm.tm_min << 5 | tm.tm_sec / 2);
    m_impl->date = static_cast<std::uint16_t>((tm.tm_year - 80) << 9 | (tm.tm_mon + 1) << 5 | tm.tm_mday);
    // Enough entries in hand to keep every worker busy; few enough that memory stays flat.
    m_impl->maxQueued = static_cast<std::size_t>(2 * std::max(workers, 0) + 2);
    for (int i = 0; i < workers; ++i)
        m_impl->threads.emplace_back([impl = m_impl.get()] { impl->worker(); });
}

ZipWriter::~ZipWriter() {
    m_impl->stop();
}

bool ZipWriter::begin(std::string_view name, bool deflate, int level) {
    if (m_failed || (m_impl->current && !end())) return false;
    m_impl->current = std::make_unique<Entry>();
    m_impl->current->name = name;
    m_impl->current->deflate = deflate;
    m_impl->current->level = level;
    return true;
}

bool ZipWriter::write(std::string_view bytes) {
    if (m_failed || !m_impl->current) return false;
    m_impl->current->data.append(bytes);
    return true;
}

bool ZipWriter::end() {
    if (!m_impl->current) return !m_failed;
    std::unique_ptr<Entry> e = std::move(m_impl->current);
    if (m_failed) return false;
    if (m_impl->threads.empty()) {
        e->pack(m_impl->deflater);
        return writeEntry(*e);
    }
    {
        std::lock_guard lock(m_impl->mutex);
        m_impl->todo.push_back(e.get());
        m_impl->queue.push_back(std::move(e));
    }
    m_impl->work.notify_one();
    return writeReady(false);
}

// Writes the entries at the head of the queue that are deflated; with `wait`, all of them,
// else waits only while more are in hand than the bound allows.
bool ZipWriter::writeReady(bool wait) {
    Impl& m = *m_impl;
    for (;;) {
        std::unique_ptr<Entry> e;
        {
            std::unique_lock lock(m.mutex);
            if (m.queue.empty()) return !m_failed;
            if (wait || m.queue.size() > m.maxQueued)
                m.done.wait(lock, [&] { return m.queue.front()->done; });
            else if (!m.queue.front()->done)
                return !m_failed;
            e = std::move(m.queue.front());
            m.queue.pop_front();
        }
        if (!m_failed && !writeEntry(*e)) m_failed = true;
    }
}

bool ZipWriter::writeEntry(Entry& e) {
    if (!e.ok || e.size >= kMax32 || e.data.size() >= kMax32 || e.name.size() > 0xFFFF) {
        m_failed = true;
        return false;
    }
    Impl::Central c{std::move(e.name),
                    0,
                    static_cast<std::uint16_t>(e.deflate ? Z_DEFLATED : 0),
                    e.crc,
                    e.data.size(),
                    e.size,
                    static_cast<std::uint64_t>(m_out.written())};
    // Bits 1 and 2 tell the deflate level's kind, as zip tools set them.
    if (e.deflate) c.flags = e.level >= 8 ? 2 : e.level == 2 ? 4 : e.level == 1 ? 6 : 0;
    std::string h;
    put32(h, kLocalHeader);
    put16(h, kVersion);
    put16(h, c.flags);
    put16(h, c.method);
    put16(h, m_impl->time);
    put16(h, m_impl->date);
    put32(h, c.crc);
    put32(h, static_cast<std::uint32_t>(c.packed));
    put32(h, static_cast<std::uint32_t>(c.size));
    put16(h, static_cast<std::uint32_t>(c.name.size()));
    put16(h, 0);
    h += c.name;
    if (!m_out.write(h.data(), h.size()) || !m_out.write(e.data.data(), e.data.size())) {
        m_failed = true;
        return false;
    }
    m_impl->central.push_back(std::move(c));
    return true;
}

bool ZipWriter::finish() {
    if (!end() || !writeReady(true)) {
        m_failed = true;
        return false;
    }
    m_impl->stop();
    const std::uint64_t start = static_cast<std::uint64_t>(m_out.written());
    std::string d;
    for (const Impl::Central& c : m_impl->central) {
        // An offset past 4 GiB goes in a zip64 extra field, the only one this writer makes.
        const bool far = c.offset >= kMax32;
        put32(d, kCentralHeader);
        put16(d, far ? kVersion64 : kVersion);
        put16(d, far ? kVersion64 : kVersion);
        put16(d, c.flags);
        put16(d, c.method);
        put16(d, m_impl->time);
        put16(d, m_impl->date);
        put32(d, c.crc);
        put32(d, static_cast<std::uint32_t>(c.packed));
        put32(d, static_cast<std::uint32_t>(c.size));
        put16(d, static_cast<std::uint32_t>(c.name.size()));
        put16(d, far ? 12 : 0);
        put16(d, 0); // comment
        put16(d, 0); // disk
        put16(d, 0); // internal attributes
        put32(d, 0); // external attributes
        put32(d, far ? static_cast<std::uint32_t>(kMax32) : static_cast<std::uint32_t>(c.offset));
        d += c.name;
        if (far) {
            put16(d, 1);
            put16(d, 8);
            put64(d, c.offset);
        }
    }
    const std::uint64_t count = m_impl->central.size();
    const std::uint64_t size = d.size();
    if (count >= 0xFFFF || start >= kMax32 || size >= kMax32) {
        const std::uint64_t at = start + size;
        put32(d, kZip64End);
        put64(d, 44);
        put16(d, kVersion64);
        put16(d, kVersion64);
        put32(d, 0);
        put32(d, 0);
        put64(d, count);
        put64(d, count);
        put64(d, size);
        put64(d, start);
        put32(d, kZip64Locator);
        put32(d, 0);
        put64(d, at);
        put32(d, 1);
    }
    put32(d, kEnd);
    put16(d, 0);
    put16(d, 0);
    put16(d, static_cast<std::uint32_t>(std::min<std::uint64_t>(count, 0xFFFF)));
    put16(d, static_cast<std::uint32_t>(std::min<std::uint64_t>(count, 0xFFFF)));
    put32(d, static_cast<std::uint32_t>(std::min(size, kMax32)));
    put32(d, static_cast<std::uint32_t>(std::min(start, kMax32)));
    put16(d, 0);
    if (!m_out.write(d.data(), d.size())) m_failed = true;
    return !m_failed;
}

} // namespace pw

#pragma once
// A zip archive written entry by entry into an output file. Each entry is held whole until it
// ends (a book's page is at most a few hundred KB), then deflated in one call, on a worker
// thread while the caller goes on with the next; entries still go out in the order they were
// begun, each with its sizes in its local header (no data descriptor, no extra field: an
// EPUB's mimetype entry must have neither). One call per entry makes the archive the same,
// byte for byte, whatever the number of workers.
#include <cstdint>
#include <ctime>
#include <memory>
#include <string_view>

#include "platform/files.h"

namespace pw {

// A time in seconds since 1970 as UTC calendar fields: what the archive's entries and the
// book's modification date say.
std::tm utcTime(std::int64_t seconds);

class ZipWriter {
public:
    // `out` is open (OutputMode::Create) and empty; `mtime` stamps every entry, so that the same
    // content gives the same archive. `workers` threads deflate the entries; with 0, end()
    // deflates each entry itself.
    ZipWriter(OutputFile& out, std::int64_t mtime, int workers = defaultWorkers());
    ~ZipWriter();
    ZipWriter(const ZipWriter&) = delete;
    ZipWriter& operator=(const ZipWriter&) = delete;

    // One worker per core: the caller's own work is light beside the deflating.
    static int defaultWorkers();

    // Starts an entry, stored as it is or deflated at `level` (1 to 9). Ends the one before.
    bool begin(std::string_view name, bool deflate, int level = 6);
    bool write(std::string_view bytes);
    bool end();
    // Writes what is still being deflated, then the central directory. False when anything
    // failed on the way (the output file's error() says why when the writing failed).
    bool finish();
    bool failed() const { return m_failed; }

private:
    struct Entry;
    struct Impl;
    bool writeReady(bool wait);
    bool writeEntry(Entry& e);
    std::int64_t m_mtime;
    OutputFile& m_out;
    std::unique_ptr<Impl> m_impl;
    bool m_failed = false;
};

} // namespace pw

#pragma once
// A zip archive written entry by entry into an output file, through minizip: each entry is
// compressed as it is written, so memory stays flat however large the archive. An entry's
// header is mended in place once its size is known (OutputFile::writeAt), so no data
// descriptor and no extra field is written: an EPUB's mimetype entry must have neither.
#include <cstdint>
#include <ctime>
#include <string_view>

#include "platform/files.h"

namespace pw {

// A time in seconds since 1970 as UTC calendar fields: what the archive's entries and the
// book's modification date say.
std::tm utcTime(std::int64_t seconds);

class ZipWriter {
public:
    // `out` is open (OutputMode::Create) and empty; `mtime` stamps every entry, so that the same
    // content gives the same archive.
    ZipWriter(OutputFile& out, std::int64_t mtime);
    ~ZipWriter();
    ZipWriter(const ZipWriter&) = delete;
    ZipWriter& operator=(const ZipWriter&) = delete;

    // Starts an entry, stored as it is or deflated at `level` (1 to 9). Ends the one before.
    bool begin(std::string_view name, bool deflate, int level = 6);
    bool write(std::string_view bytes);
    bool end();
    // Writes the central directory. False when anything failed on the way (the output file's
    // error() says why when the writing failed).
    bool finish();
    bool failed() const { return m_failed; }

private:
    struct Io;
    std::int64_t m_mtime;
    void* m_zip = nullptr;
    Io* m_io = nullptr;
    bool m_inEntry = false;
    bool m_failed = false;
};

} // namespace pw

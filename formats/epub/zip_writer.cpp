#include "formats/epub/zip_writer.h"

#include <minizip/zip.h>

#include <ctime>
#include <string>

namespace pw {

// minizip's file functions over the output file: appends go through its buffer; a seek back
// (to mend an entry's header) and the writes there go through writeAt.
struct ZipWriter::Io {
    OutputFile& out;
    std::int64_t pos = 0;
    bool error = false;

    static voidpf open(voidpf opaque, const void*, int) { return opaque; }
    static uLong read(voidpf, voidpf, void*, uLong) { return 0; }
    static uLong write(voidpf, voidpf stream, const void* buf, uLong size) {
        auto& io = *static_cast<Io*>(stream);
        const char* data = static_cast<const char*>(buf);
        const std::int64_t end = io.out.written();
        bool ok;
        if (io.pos == end) {
            ok = io.out.write(data, size);
        } else if (io.pos + static_cast<std::int64_t>(size) <= end) {
            ok = io.out.writeAt(io.pos, data, size);
        } else {
            ok = false;
        }
        if (!ok) {
            io.error = true;
            return 0;
        }
        io.pos += static_cast<std::int64_t>(size);
        return size;
    }
    static ZPOS64_T tell(voidpf, voidpf stream) { return static_cast<ZPOS64_T>(static_cast<Io*>(stream)->pos); }
    static long seek(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
        auto& io = *static_cast<Io*>(stream);
        const std::int64_t end = io.out.written();
        std::int64_t to = static_cast<std::int64_t>(offset);
        if (origin == ZLIB_FILEFUNC_SEEK_CUR) to += io.pos;
        if (origin == ZLIB_FILEFUNC_SEEK_END) to += end;
        if (to < 0 || to > end) return -1;
        io.pos = to;
        return 0;
    }
    static int close(voidpf, voidpf) { return 0; }
    static int testError(voidpf, voidpf stream) { return static_cast<Io*>(stream)->error ? 1 : 0; }
};

std::tm utcTime(std::int64_t seconds) {
    const auto t = static_cast<std::time_t>(seconds);
    std::tm tm{};
#ifdef _WIN32
    gmtime_s(&tm, &t);
#else
    gmtime_r(&t, &tm);
#endif
    return tm;
}

ZipWriter::ZipWriter(OutputFile& out, std::int64_t mtime) : m_mtime(mtime), m_io(new Io{out}) {
    zlib_filefunc64_def f{};
    f.zopen64_file = &Io::open;
    f.zread_file = &Io::read;
    f.zwrite_file = &Io::write;
    f.ztell64_file = &Io::tell;
    f.zseek64_file = &Io::seek;
    f.zclose_file = &Io::close;
    f.zerror_file = &Io::testError;
    f.opaque = m_io;
    m_zip = zipOpen2_64("", APPEND_STATUS_CREATE, nullptr, &f);
    if (!m_zip) m_failed = true;
}

ZipWriter::~ZipWriter() {
    if (m_zip) zipClose(static_cast<zipFile>(m_zip), nullptr);
    delete m_io;
}

bool ZipWriter::begin(std::string_view name, bool deflate, int level) {
    if (m_failed || (m_inEntry && !end())) return false;
    zip_fileinfo info{};
    std::tm tm = utcTime(m_mtime);
    // The zip format counts from 1980.
    if (tm.tm_year < 80) {
        tm = std::tm{};
        tm.tm_mday = 1;
        tm.tm_year = 80;
    }
    info.tmz_date = {static_cast<uInt>(tm.tm_sec),  static_cast<uInt>(tm.tm_min), static_cast<uInt>(tm.tm_hour),
                     static_cast<uInt>(tm.tm_mday), static_cast<uInt>(tm.tm_mon), static_cast<uInt>(tm.tm_year + 1900)};
    const std::string entry(name);
    // The non-64 form: no zip64 extra field in the local header, which a book never needs.
    const int rc = zipOpenNewFileInZip3(static_cast<zipFile>(m_zip), entry.c_str(), &info, nullptr, 0, nullptr, 0,
                                        nullptr, deflate ? Z_DEFLATED : 0, deflate ? level : 0, 0, -MAX_WBITS,
                                        DEF_MEM_LEVEL, Z_DEFAULT_STRATEGY, nullptr, 0);
    m_failed = rc != ZIP_OK;
    m_inEntry = !m_failed;
    return !m_failed;
}

bool ZipWriter::write(std::string_view bytes) {
    if (m_failed || !m_inEntry) return false;
    while (!bytes.empty()) {
        const auto n = static_cast<unsigned>(std::min<std::size_t>(bytes.size(), 1u << 30));
        if (zipWriteInFileInZip(static_cast<zipFile>(m_zip), bytes.data(), n) != ZIP_OK) {
            m_failed = true;
            return false;
        }
        bytes.remove_prefix(n);
    }
    return true;
}

bool ZipWriter::end() {
    if (!m_inEntry) return !m_failed;
    m_inEntry = false;
    if (zipCloseFileInZip(static_cast<zipFile>(m_zip)) != ZIP_OK) m_failed = true;
    return !m_failed;
}

bool ZipWriter::finish() {
    if (!end() || !m_zip) return false;
    const int rc = zipClose(static_cast<zipFile>(m_zip), nullptr);
    m_zip = nullptr;
    if (rc != ZIP_OK || m_io->error) m_failed = true;
    return !m_failed;
}

} // namespace pw

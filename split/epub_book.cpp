#include "split/epub_book.h"

#include <xxhash.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <variant>

#include "platform/files.h"
#include "platform/paths.h"
#include "scan/heading_vocabulary.h"
#include "split/epub_text.h"
#include "split/split_texts.h"
#include "split/zip_writer.h"

namespace pw {

namespace {

namespace t = split_text;

// A page file of about this many bytes of XHTML is long enough: readers stall on larger ones,
// so a longer chapter goes on in a further file.
constexpr std::size_t kPageBytes = 256 * 1024;
// Written to the archive in pieces of this size.
constexpr std::size_t kFlushBytes = 64 * 1024;

std::string xml(TextView text) {
    std::string out;
    std::int64_t dropped = 0;
    appendXmlText(out, toUtf8(text), dropped);
    return out;
}

std::string isoTime(std::int64_t seconds) {
    const std::tm tm = utcTime(seconds);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%SZ", &tm);
    return buf;
}

enum class Image { None, Jpeg, Png };

Image imageKind(std::string_view head) {
    if (head.starts_with("\xFF\xD8\xFF")) return Image::Jpeg;
    if (head.starts_with("\x89PNG\r\n\x1A\n")) return Image::Png;
    return Image::None;
}

// The whole of a small file (a cover), or the reason it cannot be read.
std::variant<std::string, FileError> readWhole(TextView path) {
    InputFile in;
    if (auto e = in.open(path)) return *e;
    std::string bytes;
    char buf[1 << 16];
    for (;;) {
        const auto n = in.read(buf, sizeof buf);
        if (!n) return in.error().value_or(FileError{Text(path), u"读取失败"});
        if (*n == 0) break;
        bytes.append(buf, *n);
    }
    return bytes;
}

struct TocEntry {
    int level = 0;     // 0 at the top, 1 under a volume
    std::string title; // XML already
    std::string href;  // from the package's folder
};

class EpubSink : public ChapterSink, private ByteWriter {
public:
    EpubSink(OutputFiles& files, OutputEncoder& utf8, const EpubSettings& s, Encoding input, BookStats& stats,
             UiPort& ui, SplitReceiver& receiver)
        : m_files(files), m_encoder(utf8), m_s(s), m_stats(stats), m_ui(ui), m_receiver(receiver) {
        m_language = !s.language.empty() ? pw::toUtf8(s.language) : input == Encoding::Big5 ? "zh-TW" : "zh-CN";
        if (!s.volumePattern.empty()) {
            auto compiled = Regex::compile(s.volumePattern);
            if (auto* r = std::get_if<Regex>(&compiled)) m_volume.emplace(std::move(*r));
        }
        XXH3_128bits_reset(m_hash);
        m_stats = {};
    }
    ~EpubSink() override { XXH3_freeState(m_hash); }

    bool beginChapter(const ChapterStart& c) override {
        if (!m_zip && !openBook()) return false;
        m_chapter = c.chapter;
        m_expectHeading = c.chapter > 0;
        m_blankBefore = 0;
        if (c.percent != m_percent) {
            m_percent = c.percent;
            m_ui.setStatus(Text(t::kWorking) + m_files.file(1).name + t::kWorkingDone + decimal(c.percent) + u"%");
            m_ui.setProgress(c.percent);
            m_receiver.progress(c.percent);
        }
        return true;
    }

    bool text(std::string_view bytes) override {
        if (m_encoder.put(bytes, *this)) return true;
        if (!failure()) failWriting(u"无法转换为 UTF-8");
        return false;
    }

    bool lineEnd() override {
        const bool ok = line(m_pending);
        m_pending.clear();
        return ok;
    }

    bool endChapter() override { return endPage(); }

    bool close(bool complete) override {
        if (!m_zip) return !failure() && m_out.close() == std::nullopt;
        bool ok = !failure();
        if (complete && ok) ok = endPage() && finishBook();
        m_zip.reset();
        if (auto e = m_out.close(); e && ok) {
            failWriting(e->reason);
            ok = false;
        }
        return ok;
    }

    std::int64_t outputs() const override { return m_zip || m_opened ? 1 : 0; }
    std::int64_t dropped() const override { return m_dropped; }

private:
    // UTF-8 from the encoder: whole lines end in CR LF; a line's end may also come as lineEnd().
    bool write(std::string_view bytes) override {
        std::size_t from = 0;
        for (std::size_t nl; (nl = bytes.find('\n', from)) != std::string_view::npos; from = nl + 1) {
            std::string_view piece = bytes.substr(from, nl - from);
            if (m_pending.empty()) {
                if (piece.ends_with('\r')) piece.remove_suffix(1);
                if (!line(piece)) return false;
            } else {
                m_pending.append(piece);
                if (m_pending.ends_with('\r')) m_pending.pop_back();
                const bool ok = line(m_pending);
                m_pending.clear();
                if (!ok) return false;
            }
        }
        m_pending.append(bytes.substr(from));
        return true;
    }

    bool openBook() {
        OpenedOutput opened = m_files.open(1, m_out);
        if (!opened.opened) {
            fail(std::move(*opened.failure), opened.refused);
            return false;
        }
        m_opened = true;
        m_zip = std::make_unique<ZipWriter>(m_out, m_s.modified);
        // First and stored as it is: a reader knows the book by these bytes at offset 38.
        if (!entry("mimetype", "application/epub+zip", false)) return false;
        return entry("META-INF/container.xml",
                     "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                     "<container version=\"1.0\" xmlns=\"urn:oasis:names:tc:opendocument:xmlns:container\">\n"
                     "  <rootfiles>\n"
                     "    <rootfile full-path=\"OEBPS/content.opf\" media-type=\"application/oebps-package+xml\"/>\n"
                     "  </rootfiles>\n"
                     "</container>\n") &&
               entry("OEBPS/style.css", css());
    }

    std::string css() const {
        // No font and no colour: the reader's own settings win.
        std::string c = "html {\n  line-height: 1.5;\n";
        if (m_s.vertical) c += "  writing-mode: vertical-rl;\n  -epub-writing-mode: vertical-rl;\n";
        c += "}\nh1, h2 {\n  text-align: center;\n}\np {\n  text-indent: 2em;\n  margin: 0;\n}\n";
        return c;
    }

    // One line of the chapter's text.
    bool line(std::string_view s) {
        if (m_expectHeading) {
            m_expectHeading = false;
            return heading(s);
        }
        const std::string_view text = withoutLeadingSpaces(s);
        // Blank lines reach here only when they are kept: as empty paragraphs, though the text
        // before the first heading is left out while it holds nothing else.
        if (text.empty() && !m_pageOpen) {
            ++m_blankBefore;
            return true;
        }
        if (!m_pageOpen && !startPreface()) return false;
        for (; m_blankBefore > 0; --m_blankBefore)
            m_page += "<p><br/></p>\n";
        if (text.empty()) {
            m_page += "<p><br/></p>\n";
        } else {
            m_page += "<p>";
            appendXmlText(m_page, text, m_dropped);
            m_page += "</p>\n";
        }
        return flushPage(false);
    }

    bool heading(std::string_view s) {
        std::string title;
        appendXmlText(title, withoutSurroundingSpaces(s), m_dropped);
        bool volume = false;
        if (m_volume) volume = m_volume->test(fromUtf8(s)) == MatchResult::Match;
        if (volume) {
            ++m_stats.volumes;
            m_inVolume = true;
        } else {
            ++m_stats.chapters;
        }
        char name[32];
        std::snprintf(name, sizeof name, volume ? "v%05lld" : "c%05lld", static_cast<long long>(m_chapter));
        if (!startPage(name, title)) return false;
        m_toc.push_back({volume || !m_inVolume ? 0 : 1, title, m_spine.back()});
        m_page += volume ? "<h1>" : "<h2>";
        m_page += title;
        m_page += volume ? "</h1>\n" : "</h2>\n";
        return flushPage(false);
    }

    bool startPreface() {
        m_stats.preface = true;
        if (!startPage("preface", "前言")) return false;
        m_toc.push_back({0, "前言", m_spine.back()});
        return true;
    }

    bool startPage(const std::string& base, const std::string& title) {
        m_pageBase = base;
        m_pageTitle = title;
        m_part = 1;
        return openPage();
    }

    bool openPage() {
        std::string file = "text/" + m_pageBase;
        if (m_part > 1) {
            file += '-';
            file += std::to_string(m_part);
        }
        file += ".xhtml";
        m_spine.push_back(file);
        if (!m_zip->begin("OEBPS/" + file, true, m_s.level)) return zipFailed();
        m_pageOpen = true;
        m_pageBytes = 0;
        m_page += pageHead(m_pageTitle, "../");
        m_page += "<body>\n";
        return true;
    }

    std::string pageHead(const std::string& title, const std::string& up) const {
        return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<!DOCTYPE html>\n"
               "<html xmlns=\"http://www.w3.org/1999/xhtml\" xmlns:epub=\"http://www.idpf.org/2007/ops\" xml:lang=\"" +
               m_language + "\" lang=\"" + m_language + "\">\n<head>\n<meta charset=\"utf-8\"/>\n<title>" + title +
               "</title>\n<link rel=\"stylesheet\" type=\"text/css\" href=\"" + up + "style.css\"/>\n</head>\n";
    }

    // Writes out what the page holds so far; a page grown past its size goes on in a new file.
    bool flushPage(bool all) {
        if (!all && m_page.size() < kFlushBytes) return true;
        m_pageBytes += m_page.size();
        if (!put(m_page)) return false;
        m_page.clear();
        if (!all && m_pageBytes >= kPageBytes) {
            if (!endPage()) return false;
            ++m_part;
            return openPage();
        }
        return true;
    }

    bool endPage() {
        if (!m_pageOpen) return true;
        m_page += "</body>\n</html>\n";
        if (!flushPage(true)) return false;
        m_pageOpen = false;
        return m_zip->end() || zipFailed();
    }

    bool put(std::string_view bytes) {
        XXH3_128bits_update(m_hash, bytes.data(), bytes.size());
        return m_zip->write(bytes) || zipFailed();
    }

    bool entry(const std::string& name, std::string_view bytes, bool deflate = true) {
        return (m_zip->begin(name, deflate, m_s.level) || zipFailed()) && put(bytes) && (m_zip->end() || zipFailed());
    }

    // The pages are written: the cover, both tables of contents and the package, which name
    // the book by all that came before.
    bool finishBook() {
        std::string coverBytes;
        Image cover = Image::None;
        if (!m_s.cover.empty()) {
            auto read = readWhole(m_s.cover);
            if (auto* e = std::get_if<FileError>(&read)) {
                fail({MsgId::ReadFailed, failureText(kReadFailedText, *e)});
                return false;
            }
            coverBytes = std::move(std::get<std::string>(read));
            cover = imageKind(coverBytes);
        }
        const std::string meta = xml(m_s.title) + '\n' + xml(m_s.author) + '\n' + m_language + '\n' +
                                 (m_s.vertical ? "v" : "h") + '\n' + coverBytes;
        XXH3_128bits_update(m_hash, meta.data(), meta.size());
        const std::string id = "urn:uuid:" + uuidOf(XXH3_128bits_digest(m_hash));
        const std::string coverFile = cover == Image::Png ? "images/cover.png" : "images/cover.jpg";
        if (cover != Image::None) {
            if (!entry("OEBPS/" + coverFile, coverBytes, false)) return false;
            if (!entry("OEBPS/text/cover.xhtml", pageHead(xml(m_s.title), "../") +
                                                     "<body>\n<section epub:type=\"cover\">\n<img src=\"../" +
                                                     coverFile + "\" alt=\"封面\"/>\n</section>\n</body>\n</html>\n"))
                return false;
        }
        return entry("OEBPS/nav.xhtml", nav()) && entry("OEBPS/toc.ncx", ncx(id)) &&
               entry("OEBPS/content.opf", opf(id, cover, coverFile)) && (m_zip->finish() || zipFailed());
    }

    static std::string uuidOf(XXH128_hash_t h) {
        unsigned char b[16];
        for (int i = 0; i < 8; ++i) {
            b[i] = static_cast<unsigned char>(h.high64 >> (56 - 8 * i));
            b[8 + i] = static_cast<unsigned char>(h.low64 >> (56 - 8 * i));
        }
        // A name-based UUID of our own hash: version 8, the RFC's variant.
        b[6] = static_cast<unsigned char>((b[6] & 0x0F) | 0x80);
        b[8] = static_cast<unsigned char>((b[8] & 0x3F) | 0x80);
        static constexpr char hex[] = "0123456789abcdef";
        std::string s;
        for (int i = 0; i < 16; ++i) {
            if (i == 4 || i == 6 || i == 8 || i == 10) s += '-';
            s += hex[b[i] >> 4];
            s += hex[b[i] & 15];
        }
        return s;
    }

    // The entries nest one level under a volume.
    template <class Open, class Close> void walkToc(Open open, Close close) const {
        for (std::size_t i = 0; i < m_toc.size(); ++i) {
            const bool hasChildren = i + 1 < m_toc.size() && m_toc[i + 1].level > m_toc[i].level;
            open(m_toc[i], hasChildren);
            if (!hasChildren) close(m_toc[i].level, i + 1 == m_toc.size() || m_toc[i + 1].level < m_toc[i].level);
        }
    }

    std::string nav() const {
        std::string s = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<!DOCTYPE html>\n"
                        "<html xmlns=\"http://www.w3.org/1999/xhtml\" xmlns:epub=\"http://www.idpf.org/2007/ops\" "
                        "xml:lang=\"" +
                        m_language + "\" lang=\"" + m_language +
                        "\">\n<head>\n<meta charset=\"utf-8\"/>\n<title>目录</title>\n</head>\n<body>\n"
                        "<nav epub:type=\"toc\" id=\"toc\">\n<h1>目录</h1>\n<ol>\n";
        walkToc(
            [&](const TocEntry& e, bool children) {
                s += "<li><a href=\"" + e.href + "\">" + e.title + "</a>";
                s += children ? "\n<ol>\n" : "";
            },
            [&](int level, bool lastOfLevel) {
                s += "</li>\n";
                if (level > 0 && lastOfLevel) s += "</ol>\n</li>\n";
            });
        s += "</ol>\n</nav>\n</body>\n</html>\n";
        return s;
    }

    std::string ncx(const std::string& id) const {
        const bool nested = std::any_of(m_toc.begin(), m_toc.end(), [](const TocEntry& e) { return e.level > 0; });
        std::string s = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                        "<ncx xmlns=\"http://www.daisy.org/z3986/2005/ncx/\" version=\"2005-1\" xml:lang=\"" +
                        m_language + "\">\n<head>\n<meta name=\"dtb:uid\" content=\"" + id +
                        "\"/>\n<meta name=\"dtb:depth\" content=\"" + (nested ? "2" : "1") +
                        "\"/>\n<meta name=\"dtb:totalPageCount\" content=\"0\"/>\n"
                        "<meta name=\"dtb:maxPageNumber\" content=\"0\"/>\n</head>\n<docTitle><text>" +
                        xml(m_s.title) + "</text></docTitle>\n<navMap>\n";
        std::size_t order = 0;
        walkToc(
            [&](const TocEntry& e, bool) {
                ++order;
                s += "<navPoint id=\"n" + std::to_string(order) + "\" playOrder=\"" + std::to_string(order) +
                     "\"><navLabel><text>" + e.title + "</text></navLabel><content src=\"" + e.href + "\"/>\n";
            },
            [&](int level, bool lastOfLevel) {
                s += "</navPoint>\n";
                if (level > 0 && lastOfLevel) s += "</navPoint>\n";
            });
        s += "</navMap>\n</ncx>\n";
        return s;
    }

    std::string opf(const std::string& id, Image cover, const std::string& coverFile) const {
        std::string s = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                        "<package xmlns=\"http://www.idpf.org/2007/opf\" version=\"3.0\" unique-identifier=\"bookid\" "
                        "xml:lang=\"" +
                        m_language + "\">\n<metadata xmlns:dc=\"http://purl.org/dc/elements/1.1/\">\n" +
                        "<dc:identifier id=\"bookid\">" + id + "</dc:identifier>\n<dc:title>" + xml(m_s.title) +
                        "</dc:title>\n";
        if (!m_s.author.empty()) s += "<dc:creator>" + xml(m_s.author) + "</dc:creator>\n";
        s += "<dc:language>" + m_language + "</dc:language>\n<meta property=\"dcterms:modified\">" +
             isoTime(m_s.modified) + "</meta>\n";
        // Readers that know only the older package find the cover by this.
        if (cover != Image::None) s += "<meta name=\"cover\" content=\"cover-image\"/>\n";
        s += "</metadata>\n<manifest>\n"
             "<item id=\"nav\" href=\"nav.xhtml\" media-type=\"application/xhtml+xml\" properties=\"nav\"/>\n"
             "<item id=\"ncx\" href=\"toc.ncx\" media-type=\"application/x-dtbncx+xml\"/>\n"
             "<item id=\"css\" href=\"style.css\" media-type=\"text/css\"/>\n";
        if (cover != Image::None) {
            s += "<item id=\"cover-image\" href=\"" + coverFile + "\" media-type=\"" +
                 (cover == Image::Png ? "image/png" : "image/jpeg") + "\" properties=\"cover-image\"/>\n";
            s += "<item id=\"cover\" href=\"text/cover.xhtml\" media-type=\"application/xhtml+xml\"/>\n";
        }
        for (std::size_t i = 0; i < m_spine.size(); ++i)
            s += "<item id=\"p" + std::to_string(i + 1) + "\" href=\"" + m_spine[i] +
                 "\" media-type=\"application/xhtml+xml\"/>\n";
        s += "</manifest>\n<spine toc=\"ncx\"";
        if (m_s.vertical) s += " page-progression-direction=\"rtl\"";
        s += ">\n";
        if (cover != Image::None) s += "<itemref idref=\"cover\"/>\n";
        for (std::size_t i = 0; i < m_spine.size(); ++i)
            s += "<itemref idref=\"p" + std::to_string(i + 1) + "\"/>\n";
        s += "</spine>\n</package>\n";
        return s;
    }

    bool zipFailed() {
        failWriting(m_out.error() ? m_out.error()->reason : Text(u"无法写入电子书"));
        return false;
    }

    void failWriting(const Text& reason) {
        const PlannedFile& f = m_files.file(1);
        fail({MsgId::WriteFailed, failureText(t::kWriteFailed, {f.path, reason}), f.path});
    }

    OutputFiles& m_files;
    OutputEncoder& m_encoder;
    const EpubSettings& m_s;
    BookStats& m_stats;
    UiPort& m_ui;
    SplitReceiver& m_receiver;
    std::string m_language;
    std::optional<Regex> m_volume;
    XXH3_state_t* m_hash = XXH3_createState();
    OutputFile m_out;
    std::unique_ptr<ZipWriter> m_zip;
    bool m_opened = false;
    std::string m_pending; // a line's UTF-8 so far
    std::string m_page;    // XHTML not yet written
    std::size_t m_pageBytes = 0;
    std::string m_pageBase, m_pageTitle;
    int m_part = 1;
    bool m_pageOpen = false;
    bool m_expectHeading = false;
    bool m_inVolume = false;
    std::int64_t m_blankBefore = 0;
    std::int64_t m_chapter = 0;
    int m_percent = -1;
    std::int64_t m_dropped = 0;
    std::vector<TocEntry> m_toc;
    std::vector<std::string> m_spine;
};

} // namespace

Text defaultVolumePattern() {
    return vocabulary::volumeLinePattern();
}

std::optional<Refusal> checkEpubSettings(const EpubSettings& s) {
    namespace e = epub_text;
    if (s.title.empty()) return Refusal{{MsgId::BookTitleEmpty, e::kTitleEmpty}, e::kCheckStatus};
    if (!s.volumePattern.empty()) {
        auto compiled = Regex::compile(s.volumePattern);
        if (auto* err = std::get_if<RegexError>(&compiled))
            return Refusal{{MsgId::BadVolumePattern, Text(e::kBadVolumePattern) + err->message}, e::kCheckStatus};
    }
    if (!s.cover.empty()) {
        InputFile in;
        if (auto err = in.open(s.cover))
            return Refusal{{MsgId::CoverUnreadable, failureText(e::kCoverUnreadable, *err), s.cover}, e::kCheckStatus};
        char head[8] = {};
        std::size_t got = 0;
        while (got < sizeof head) {
            const auto n = in.read(head + got, sizeof head - got);
            if (!n)
                return Refusal{{MsgId::CoverUnreadable,
                                failureText(e::kCoverUnreadable, in.error().value_or(FileError{s.cover, u""})),
                                s.cover},
                               e::kCheckStatus};
            if (*n == 0) break;
            got += *n;
        }
        if (imageKind(std::string_view(head, got)) == Image::None)
            return Refusal{{MsgId::CoverNotImage, Text(e::kCoverNotImage) + s.cover, s.cover}, e::kCheckStatus};
    }
    const std::filesystem::path folder = toPath(s.path).parent_path();
    std::error_code ec;
    if (!folder.empty() && !std::filesystem::is_directory(folder, ec)) {
        const Text f = fromPath(folder);
        return Refusal{{MsgId::BookFolderMissing, Text(e::kFolderMissing) + f, f}, e::kCheckStatus};
    }
    return std::nullopt;
}

EpubBook::EpubBook(EpubSettings s) : m_s(std::move(s)) {}
EpubBook::~EpubBook() = default;

Text EpubBook::folder() const {
    const std::filesystem::path folder = toPath(m_s.path).parent_path();
    return folder.empty() ? Text(u".") : fromPath(folder);
}

PlannedFile EpubBook::file(std::int64_t index) const {
    return {index, m_s.path, fromPath(toPath(m_s.path).filename())};
}

std::vector<std::int64_t> EpubBook::fileIndexes(const KeptTable&) const {
    return {1};
}

std::unique_ptr<OutputEncoder> EpubBook::encoder(OutputEncoding, Encoding input) const {
    m_input = input;
    return makeOutputEncoder(OutputEncoding::Utf8, input);
}

std::unique_ptr<ChapterSink> EpubBook::sink(OutputFiles& files, OutputEncoder& encoder, const KeptTable&, UiPort& ui,
                                            SplitReceiver& receiver) const {
    return std::make_unique<EpubSink>(files, encoder, m_s, m_input, m_stats, ui, receiver);
}

Text EpubBook::doneStatus(std::int64_t) const {
    namespace e = epub_text;
    return Text(e::kDoneBefore) + file(1).name + e::kDoneChapters + decimal(m_stats.chapters) + e::kDoneAfter;
}

} // namespace pw

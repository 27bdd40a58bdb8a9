#include "formats/epub/epub_book.h"

#include <xxhash.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <variant>

#include "convert/script.h"
#include "formats/epub/cover_check.h"
#include "formats/epub/epub_package.h"
#include "formats/epub/epub_text.h"
#include "formats/epub/zip_writer.h"
#include "output/split_texts.h"
#include "platform/files.h"
#include "platform/paths.h"

namespace pw {

namespace {

namespace t = split_text;

// A page file holds at most this many bytes of XHTML: readers stall on larger ones (and some
// refuse them), so a longer chapter goes on in a further file, cut between two paragraphs.
constexpr std::size_t kPageBytes = 200 * 1024;
// What ends a page: "</body>\n</html>\n".
constexpr std::size_t kPageTail = 16;
constexpr std::string_view kBlankParagraph = "<p><br/></p>\n";
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

// A book's language when the user gave none: what the novel is written in. Big5 is Traditional
// by itself; a GB18030 or UTF-8 novel may be either, which its text tells.
std::string languageOf(const FormatContext& c) {
    if (c.input == Encoding::Big5 || scriptOfFile(c.inputPath, c.input) == Script::Traditional) return "zh-TW";
    return "zh-CN";
}

// Which of the CJK fonts' regional sets suits a book in `language`: their glyphs and the
// places of the punctuation differ.
std::string cjkRegion(const std::string& language) {
    if (language.starts_with("ja")) return "JP";
    if (language.starts_with("ko")) return "KR";
    if (language.find("HK") != std::string::npos || language.find("MO") != std::string::npos) return "HK";
    if (language.find("TW") != std::string::npos || language.find("Hant") != std::string::npos) return "TC";
    return "SC";
}

// Writes the pages as the lines come, and the files that describe the book at the end.
class EpubSink : public ChapterSink {
public:
    EpubSink(const FormatContext& c, const EpubSettings& s, std::int64_t index)
        : m_files(c.files), m_index(index), m_s(s), m_ui(c.ui), m_receiver(c.receiver),
          m_language(!s.language.empty() ? pw::toUtf8(s.language) : languageOf(c)) {
        XXH3_128bits_reset(m_hash);
    }
    ~EpubSink() override { XXH3_freeState(m_hash); }

    bool beginChapter(const ChapterStart& c) override {
        if (!m_zip && !openBook()) return false;
        m_chapter = c.chapter;
        m_blankBefore = 0;
        if (c.percent != m_percent) {
            m_percent = c.percent;
            m_ui.setStatus(Text(t::kWorking) + m_files.file(m_index).name + t::kWorkingDone + decimal(c.percent) + u"%");
            m_ui.setProgress(c.percent);
            m_receiver.progress(c.percent);
        }
        return true;
    }

    bool line(const Line& l) override {
        m_made.replaced += l.replaced();
        if (l.role() == LineRole::Heading) return heading(l.text(), l.volume(), l.number());
        if (l.role() == LineRole::Separator) return sceneBreak();
        return paragraph(l.role() == LineRole::Blank ? std::string_view() : withoutLeadingSpaces(l.text()));
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

    OutputFigures figures() const override {
        OutputFigures f = m_made;
        f.outputs = m_zip || m_opened ? 1 : 0;
        return f;
    }

private:
    bool openBook() {
        OpenedOutput opened = m_files.open(m_index, m_out);
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
        // No colour, and no font for a horizontal book: the reader's own settings win.
        std::string c = "html {\n  line-height: 1.5;\n";
        if (m_s.vertical) {
            // WenQuanYi, often the only CJK font installed, loses every ，。 and most 一 in
            // vertical text; Noto CJK draws them, so it goes first where the reader has it.
            const std::string r = cjkRegion(m_language);
            c += "  writing-mode: vertical-rl;\n  -epub-writing-mode: vertical-rl;\n";
            c += "  font-family: \"Noto Serif CJK " + r + "\", \"Noto Sans CJK " + r + "\", serif;\n";
        }
        c += "}\nh1, h2 {\n  text-align: center;\n}\np {\n  text-indent: 2em;\n  margin: 0;\n}\n";
        // A short rule across the lines, centred. Vertical lines run down the page, and so does
        // the rule, on the side the next line comes from.
        if (m_s.vertical)
            c +=
                "hr {\n  width: 0;\n  height: 20%;\n  margin: auto 1em;\n  border: 0;\n  border-right: 1px solid;\n}\n";
        else
            c += "hr {\n  width: 20%;\n  margin: 1em auto;\n  border: 0;\n  border-top: 1px solid;\n}\n";
        return c;
    }

    // One paragraph of the chapter's text; empty for a blank line that is kept.
    bool paragraph(std::string_view text) {
        // Blank lines reach here only when they are kept: as empty paragraphs, though the text
        // before the first heading is left out while it holds nothing else.
        if (text.empty() && !m_pageOpen) {
            ++m_blankBefore;
            return true;
        }
        if (!m_pageOpen && !startPreface()) return false;
        m_paragraph.clear();
        if (text.empty()) {
            m_paragraph += "<p><br/></p>\n";
        } else {
            m_paragraph += "<p>";
            appendXmlText(m_paragraph, text, m_made.dropped);
            m_paragraph += "</p>\n";
        }
        if (!roomFor(m_paragraph.size() + kBlankParagraph.size() * m_blankBefore)) return false;
        for (; m_blankBefore > 0; --m_blankBefore)
            m_page += kBlankParagraph;
        m_page += m_paragraph;
        return flushPage(false);
    }

    // A row of marks between two scenes, as a short rule.
    bool sceneBreak() {
        if (!m_pageOpen && !startPreface()) return false;
        if (!roomFor(kBlankParagraph.size() * (m_blankBefore + 1))) return false;
        for (; m_blankBefore > 0; --m_blankBefore)
            m_page += kBlankParagraph;
        m_page += "<hr/>\n";
        return flushPage(false);
    }

    bool heading(std::string_view s, bool volume, std::int64_t line) {
        // A volume found inside a chapter's text ends the page that holds it.
        if (!endPage()) return false;
        std::string title;
        appendXmlText(title, withoutSurroundingSpaces(s), m_made.dropped);
        if (volume) {
            ++m_made.volumes;
            m_inVolume = true;
        } else {
            ++m_made.chapters;
        }
        // Volumes are named by their line: one may stand inside any chapter, even two in one.
        char name[32];
        std::snprintf(name, sizeof name, volume ? "v%07lld" : "c%05lld",
                      static_cast<long long>(volume ? line : m_chapter));
        if (!startPage(name, title)) return false;
        m_toc.push_back({volume || !m_inVolume ? 0 : 1, title, m_book.spine.back()});
        m_page += volume ? "<h1>" : "<h2>";
        m_page += title;
        m_page += volume ? "</h1>\n" : "</h2>\n";
        return flushPage(false);
    }

    bool startPreface() {
        m_made.preface = true;
        if (!startPage("preface", "前言")) return false;
        m_toc.push_back({0, "前言", m_book.spine.back()});
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
        m_book.spine.push_back(file);
        if (!m_zip->begin("OEBPS/" + file, true, m_s.level)) return zipFailed();
        m_pageOpen = true;
        m_pageBytes = 0;
        m_page += pageHead(m_pageTitle, "../");
        m_page += "<body>\n";
        m_pageStart = m_page.size();
        return true;
    }

    std::string pageHead(const std::string& title, const std::string& up) const {
        return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<!DOCTYPE html>\n"
               "<html xmlns=\"http://www.w3.org/1999/xhtml\" xmlns:epub=\"http://www.idpf.org/2007/ops\" xml:lang=\"" +
               m_language + "\" lang=\"" + m_language + "\">\n<head>\n<meta charset=\"utf-8\"/>\n<title>" + title +
               "</title>\n<link rel=\"stylesheet\" type=\"text/css\" href=\"" + up + "style.css\"/>\n</head>\n";
    }

    // Writes out what the page holds so far.
    bool flushPage(bool all) {
        if (!all && m_page.size() < kFlushBytes) return true;
        m_pageBytes += m_page.size();
        if (!put(m_page)) return false;
        m_page.clear();
        return true;
    }

    // Before `bytes` more of the page: a page that cannot take them ends here and the chapter
    // goes on in a new file. A paragraph larger than a whole page still goes alone on one.
    bool roomFor(std::size_t bytes) {
        const std::size_t used = m_pageBytes + m_page.size();
        if (used + bytes + kPageTail <= kPageBytes || used <= m_pageStart) return true;
        if (!endPage()) return false;
        ++m_part;
        return openPage();
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
        if (!m_s.cover.empty()) {
            if (auto e = readCover(m_s.cover, coverBytes)) {
                fail({MsgId::ReadFailed, failureText(kReadFailedText, *e)});
                return false;
            }
            // Checked before the run; a cover replaced since by a broken one stays out.
            m_book.cover = checkCoverImage(coverBytes).whole() ? coverImageKind(coverBytes) : CoverImage::None;
        }
        m_book.title = xml(m_s.title);
        m_book.author = xml(m_s.author);
        m_book.language = m_language;
        m_book.vertical = m_s.vertical;
        m_book.modified = isoTime(m_s.modified);
        const std::string meta = m_book.title + '\n' + m_book.author + '\n' + m_language + '\n' +
                                 (m_s.vertical ? "v" : "h") + '\n' + coverBytes;
        XXH3_128bits_update(m_hash, meta.data(), meta.size());
        m_book.id = "urn:uuid:" + uuidOf(XXH3_128bits_digest(m_hash));
        m_book.coverFile = m_book.cover == CoverImage::Png ? "images/cover.png" : "images/cover.jpg";
        if (m_book.cover != CoverImage::None) {
            if (!entry("OEBPS/" + m_book.coverFile, coverBytes, false)) return false;
            if (!entry("OEBPS/text/cover.xhtml", pageHead(m_book.title, "../") +
                                                     "<body>\n<section epub:type=\"cover\">\n<img src=\"../" +
                                                     m_book.coverFile + "\" alt=\"封面\"/>\n</section>\n</body>\n</html>\n"))
                return false;
        }
        return entry("OEBPS/nav.xhtml", renderNav(m_toc, m_language)) && entry("OEBPS/toc.ncx", renderNcx(m_toc, m_book)) &&
               entry("OEBPS/content.opf", renderOpf(m_book)) && (m_zip->finish() || zipFailed());
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

    bool zipFailed() {
        failWriting(m_out.error() ? m_out.error()->reason : Text(u"无法写入电子书"));
        return false;
    }

    void failWriting(const Text& reason) {
        const PlannedFile& f = m_files.file(m_index);
        fail({MsgId::WriteFailed, failureText(t::kWriteFailed, {f.path, reason}), f.path});
    }

    OutputFiles& m_files;
    const std::int64_t m_index;
    const EpubSettings& m_s;
    UiPort& m_ui;
    SplitReceiver& m_receiver;
    const std::string m_language;
    XXH3_state_t* m_hash = XXH3_createState();
    OutputFile m_out;
    std::unique_ptr<ZipWriter> m_zip;
    bool m_opened = false;
    std::string m_page; // XHTML not yet written
    std::string m_paragraph;
    std::size_t m_pageBytes = 0;
    std::size_t m_pageStart = 0; // the bytes of a page before its first paragraph
    std::string m_pageBase, m_pageTitle;
    int m_part = 1;
    bool m_pageOpen = false;
    bool m_inVolume = false;
    std::int64_t m_blankBefore = 0;
    std::int64_t m_chapter = 0;
    int m_percent = -1;
    OutputFigures m_made;
    std::vector<TocEntry> m_toc;
    PackageInfo m_book;
};

} // namespace

EpubBook::EpubBook(EpubSettings s, std::int64_t index) : m_s(std::move(s)), m_index(index) {}
EpubBook::~EpubBook() = default;

Text EpubBook::folder() const {
    const std::filesystem::path folder = toPath(m_s.path).parent_path();
    return folder.empty() ? Text(u".") : fromPath(folder);
}

PlannedFile EpubBook::file(std::int64_t index) const {
    return {index, m_s.path, fromPath(toPath(m_s.path).filename())};
}

std::vector<std::int64_t> EpubBook::fileIndexes(const KeptTable&) const {
    return {m_index};
}

std::unique_ptr<OutputEncoder> EpubBook::encoder(OutputEncoding, Encoding input) const {
    return makeOutputEncoder(OutputEncoding::Utf8, input);
}

std::unique_ptr<ChapterSink> EpubBook::sink(const FormatContext& context) const {
    return std::make_unique<EpubSink>(context, m_s, m_index);
}

Text EpubBook::doneStatus(const OutputFigures& made) const {
    namespace e = epub_text;
    return Text(e::kDoneBefore) + file(m_index).name + e::kDoneChapters + decimal(made.chapters) + e::kDoneAfter;
}

} // namespace pw

#include "job/volume_books.h"

#include <algorithm>
#include <map>
#include <optional>

#include "formats/epub/epub_book.h"
#include "platform/paths.h"
#include "scan/scan_pass.h"
#include "stages/volumes.h"

namespace pw {

namespace {

// The volumes' own scan answers no question and shows nothing: only a stop reaches it.
class QuietUi : public UiPort {
public:
    explicit QuietUi(UiPort& ui) : m_ui(ui) {}
    MsgAnswer messageBox(const Message&) override { return MsgAnswer::Ok; }
    void setStatus(TextView) override {}
    void setProgress(int) override {}
    void pumpEvents() override { m_ui.pumpEvents(); }
    bool stopRequested() const override { return m_ui.stopRequested(); }

private:
    UiPort& m_ui;
};

struct VolumeLine {
    std::int64_t line;
    std::int64_t offset;
    Text text;
};

class VolumeLines : public ScanReceiver {
public:
    std::vector<VolumeLine> found;
    void heading(const HeadingFound& h) override { found.push_back({h.line, h.offset, trimSpaces(Text(h.text))}); }
    // As the book's volume stage has it: a volume line with neither a chapter nor much text before
    // the next one is a line of a list of volumes (a table of contents), with no book of its own.
    // `headings` are the analysed scan's lines (lngMatchLines).
    void dropListed(const std::vector<std::int64_t>& headings) {
        std::vector<VolumeLine> kept;
        for (std::size_t i = 0; i < found.size(); ++i) {
            bool holds = i + 1 == found.size() || found[i + 1].offset - found[i].offset > kListedVolumeText;
            auto v = found.begin() + static_cast<std::ptrdiff_t>(i) + 1;
            for (auto h = std::upper_bound(headings.begin(), headings.end(), found[i].line);
                 !holds && h != headings.end() && *h < found[i + 1].line; ++h) {
                while (v != found.end() && v->line < *h)
                    ++v;
                holds = v == found.end() || v->line != *h; // a heading that is no volume's line
            }
            if (holds) kept.push_back(std::move(found[i]));
        }
        found = std::move(kept);
    }
};

// Hands each volume's lines to its own book: the book changes at the first line of the next
// volume that reaches it. A chapter's start is passed on with its first line, so a chapter that
// a volume's line opens belongs to the volume's book alone.
class VolumeSink : public ChapterSink {
public:
    VolumeSink(const FormatContext& c, const std::vector<std::unique_ptr<EpubBook>>& books,
               const std::vector<std::int64_t>& starts)
        : m_context(c), m_books(books), m_starts(starts) {}

    bool beginChapter(const ChapterStart& c) override {
        m_start = c;
        m_begun = false;
        return true;
    }
    bool line(const Line& l) override {
        while (m_next < m_starts.size() && (m_next == 0 || l.number() >= m_starts[m_next]))
            if (!openNext()) return false;
        if (!m_begun && !forward(m_sink->beginChapter(m_start))) return false;
        m_begun = true;
        return forward(m_sink->line(l));
    }
    bool endChapter() override {
        if (!m_sink || !m_begun) return true;
        m_begun = false;
        return forward(m_sink->endChapter());
    }
    bool close(bool complete) override {
        bool ok = !failure();
        // A volume whose lines never came (the run stopped short) has no book; a complete run
        // gives every volume its book.
        while (ok && complete && m_next < m_starts.size())
            ok = openNext() && forward(m_sink->beginChapter(m_start));
        if (m_sink) ok = closeCurrent(complete) && ok;
        return ok;
    }
    OutputFigures figures() const override { return m_made; }

private:
    bool openNext() {
        if (m_sink && !closeCurrent(true)) return false;
        m_sink = m_books[m_next]->sink(m_context);
        ++m_next;
        m_begun = false;
        return true;
    }
    bool closeCurrent(bool complete) {
        const bool ok = forward(m_sink->close(complete));
        const OutputFigures f = m_sink->figures();
        m_made.outputs += f.outputs;
        m_made.dropped += f.dropped;
        m_made.replaced += f.replaced;
        m_made.chapters += f.chapters;
        m_made.volumes += f.volumes;
        m_made.preface = m_made.preface || f.preface;
        m_sink.reset();
        return ok;
    }
    bool forward(bool going) {
        if (!going && m_sink && m_sink->failure()) fail(*m_sink->failure(), m_sink->refused());
        return going;
    }

    FormatContext m_context;
    const std::vector<std::unique_ptr<EpubBook>>& m_books;
    const std::vector<std::int64_t>& m_starts;
    std::unique_ptr<ChapterSink> m_sink;
    std::size_t m_next = 0;
    ChapterStart m_start;
    bool m_begun = false;
    OutputFigures m_made;
};

class VolumeBooks : public OutputFormat {
public:
    VolumeBooks(const EpubSettings& book, std::vector<std::unique_ptr<EpubBook>> books,
                std::vector<std::int64_t> starts)
        : m_book(book), m_books(std::move(books)), m_starts(std::move(starts)) {}

    Text folder() const override { return m_books.front()->folder(); }
    PlannedFile file(std::int64_t index) const override { return m_books[index - 1]->file(index); }
    std::vector<std::int64_t> fileIndexes(const KeptTable&) const override {
        std::vector<std::int64_t> all;
        for (std::size_t i = 1; i <= m_books.size(); ++i)
            all.push_back(static_cast<std::int64_t>(i));
        return all;
    }
    bool placesWhenDone() const override { return true; }
    bool appendable() const override { return false; }
    std::unique_ptr<OutputEncoder> encoder(OutputEncoding choice, Encoding input) const override {
        return m_books.front()->encoder(choice, input);
    }
    Text volumePattern() const override { return m_book.volumePattern; }
    std::unique_ptr<ChapterSink> sink(const FormatContext& context) const override {
        return std::make_unique<VolumeSink>(context, m_books, m_starts);
    }
    Text doneStatus(const OutputFigures& made) const override {
        return u"处理完毕，已按卷生成 " + decimal(static_cast<std::int64_t>(m_books.size())) + u" 本电子书，共 " +
               decimal(made.chapters) + u" 章！";
    }

private:
    EpubSettings m_book;
    std::vector<std::unique_ptr<EpubBook>> m_books;
    std::vector<std::int64_t> m_starts;
};

// The longest file name most file systems hold, in bytes.
constexpr std::size_t kNameBytes = 255;

} // namespace

VolumeBooksPlan planVolumeBooks(const EpubSettings& book, const WorkingState& st, Encoding encoding,
                                const ChineseConverter* converter, UiPort& ui) {
    VolumeBooksPlan plan;
    WorkingState scratch = st;
    scratch.strFindStr = book.volumePattern;
    scratch.strInFile = st.strAnalyzedFile;
    QuietUi quiet(ui);
    VolumeLines volumes;
    ScanOptions so;
    so.encoding = encoding;
    so.analysis = false;
    const ScanOutcome scanned = runScan(scratch, quiet, volumes, so).outcome;
    volumes.dropListed(st.lngMatchLines);
    if (scanned != ScanOutcome::Finished && ui.stopRequested()) {
        plan.stopped = true;
        return plan;
    }
    if (scanned != ScanOutcome::Finished || volumes.found.empty()) {
        plan.noVolumes = true;
        ui.messageBox({MsgId::NoVolumes, u"没有符合卷标题条件的行，无法按卷分册，请检查卷标题条件。"});
        return plan;
    }

    const Text folder = fromPath(toPath(book.path).parent_path());
    std::vector<std::unique_ptr<EpubBook>> books;
    std::vector<std::int64_t> starts;
    std::map<Text, std::size_t> byName; // the books' names, as the file system compares them
    for (std::size_t i = 0; i < volumes.found.size(); ++i) {
        const VolumeLine& v = volumes.found[i];
        // The volume's line as the book's text has it: converted when the text is.
        const Text line = converter ? fromUtf8(converter->convert(toUtf8(v.text))) : v.text;
        EpubSettings one = book;
        one.title = book.title + u" " + line;
        one.path = bookPathIn(folder, one.title);
        const Text name = fromPath(toPath(one.path).filename());
        if (toNativeBytes(name).size() > kNameBytes) {
            ui.messageBox({MsgId::VolumeNames,
                           u"第 " + decimal(v.line) + u" 行的卷名太长，做成文件名超出了文件系统的限度，无法按卷分册：" +
                               line,
                           one.path});
            return plan;
        }
        if (const auto [it, fresh] = byName.emplace(name, i); !fresh) {
            ui.messageBox({MsgId::VolumeNames,
                           u"第 " + decimal(volumes.found[it->second].line) + u" 行和第 " + decimal(v.line) +
                               u" 行的卷会生成同名的电子书“" + name + u"”，无法按卷分册。",
                           one.path});
            return plan;
        }
        starts.push_back(i == 0 ? 1 : v.line);
        books.push_back(std::make_unique<EpubBook>(std::move(one), static_cast<std::int64_t>(i + 1)));
    }
    plan.books = std::make_unique<VolumeBooks>(book, std::move(books), std::move(starts));
    return plan;
}

} // namespace pw

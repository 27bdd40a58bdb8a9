#include "split/text_files.h"

#include <algorithm>
#include <filesystem>

#include "options/make_out_name.h"
#include "platform/paths.h"
#include "split/split_texts.h"

namespace pw {

namespace {

namespace t = split_text;

class TextFilesSink : public ChapterSink, private ByteWriter {
public:
    TextFilesSink(OutputFiles& files, OutputEncoder& encoder, std::int64_t n, UiPort& ui, SplitReceiver& receiver)
        : m_files(files), m_encoder(encoder), m_n(n), m_ui(ui), m_receiver(receiver) {}

    bool wantsInputMark() const override { return m_encoder.keepsInputMark(); }

    bool beginChapter(const ChapterStart& c) override {
        m_chapter = c.chapter;
        return !opensFile(c.chapter, m_n) || openFile(c.percent);
    }

    bool text(std::string_view bytes) override {
        if (m_encoder.put(bytes, *this)) return true;
        // A false from the writing has said why already; the encoder itself failing has not.
        fail({MsgId::WriteFailed,
              failureText(t::kWriteFailed, {path(), u"无法转换为 " + fromUtf8(encodingName(m_encoder.encoding()))})});
        return false;
    }

    bool lineEnd() override { return write(m_encoder.lineEnd()); }

    bool endChapter() override {
        // The last chapter of all has no such call: its file closes with the run.
        if (m_chapter % m_n != 0) return true;
        if (!closeFile()) return false;
        m_receiver.fileComplete(fileIndexOf(m_chapter, m_n));
        return true;
    }

    bool close(bool) override { return closeFile() && !failure(); }

    std::int64_t outputs() const override { return m_count; }

private:
    bool write(std::string_view bytes) override {
        if (m_out.write(bytes.data(), bytes.size())) return true;
        writeFailed();
        return false;
    }

    const Text& path() { return m_files.file(fileIndexOf(m_chapter, m_n)).path; }

    bool openFile(int percent) {
        const std::int64_t index = fileIndexOf(m_chapter, m_n);
        const PlannedFile& f = m_files.file(index);
        OpenedOutput opened = m_files.open(index, m_out);
        if (!opened.opened) {
            fail(std::move(*opened.failure), opened.refused);
            return false;
        }
        ++m_count;
        if (!startFile(opened.appended, f.path)) return false;
        m_receiver.fileOpened(f.index, f.path, opened.appended);
        m_ui.setStatus(Text(t::kWorking) + f.name + t::kWorkingDone + decimal(percent) + u"%");
        m_ui.setProgress(percent);
        m_receiver.progress(percent);
        return true;
    }

    // The mark every file of a UTF-16 output starts with; a file appended to has it already,
    // unless it was empty.
    bool startFile(bool appended, TextView at) {
        const std::string_view mark = m_encoder.fileMark();
        if (mark.empty()) return true;
        std::error_code ec;
        if (appended && std::filesystem::file_size(toPath(at), ec) != 0 && !ec) return true;
        return write(mark);
    }

    bool closeFile() {
        // The close flushes the last buffer: a full disk often shows only here.
        if (!m_out.isOpen() || !m_out.close()) return true;
        writeFailed();
        return false;
    }

    void writeFailed() {
        // Named as the user knows the file, whatever stands in for it while the run writes.
        FileError e = m_out.error().value_or(FileError{});
        e.path = path();
        fail({MsgId::WriteFailed, failureText(t::kWriteFailed, e)});
    }

    OutputFiles& m_files;
    OutputEncoder& m_encoder;
    const std::int64_t m_n;
    UiPort& m_ui;
    SplitReceiver& m_receiver;
    OutputFile m_out;
    std::int64_t m_chapter = 0;
    std::int64_t m_count = 0;
};

} // namespace

TextFiles::TextFiles(const WorkingState& st) : m_naming(st), m_n(std::max<std::int64_t>(st.lngChapsPerFile, 1)) {
    // Only the naming is needed: a copy of the heading table would cost memory for nothing.
    m_naming.lngMatchLines.clear();
}

PlannedFile TextFiles::file(std::int64_t index) const {
    return {index, MakeOutName(m_naming, index, false), MakeOutName(m_naming, index, true)};
}

std::vector<std::int64_t> TextFiles::fileIndexes(const KeptTable& kept) const {
    std::vector<std::int64_t> out;
    if (kept.lngKeptCount < 1) return out;
    if (!kept.startsWithHeading()) out.push_back(0);
    const std::int64_t last = fileIndexOf(kept.lngKeptCount, m_n);
    for (std::int64_t k = 1; k <= last; ++k)
        out.push_back(k);
    return out;
}

std::unique_ptr<ChapterSink> TextFiles::sink(OutputFiles& files, OutputEncoder& encoder, const KeptTable&, UiPort& ui,
                                             SplitReceiver& receiver) const {
    return std::make_unique<TextFilesSink>(files, encoder, m_n, ui, receiver);
}

Text TextFiles::doneStatus(std::int64_t files) const {
    return Text(t::kFinished) + decimal(files) + t::kFinishedFiles;
}

} // namespace pw

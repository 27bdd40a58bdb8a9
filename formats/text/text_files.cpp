#include "formats/text/text_files.h"

#include <algorithm>
#include <filesystem>

#include "options/make_out_name.h"
#include "platform/paths.h"
#include "platform/write_behind.h"
#include "output/split_texts.h"

namespace pw {

namespace {

namespace t = split_text;

class TextFilesSink : public ByteRunSink, private ByteWriter {
public:
    TextFilesSink(const FormatContext& c, std::int64_t n)
        : m_files(c.files), m_encoder(c.encoder), m_n(n), m_ui(c.ui), m_receiver(c.receiver),
          m_copies(c.encoder.copiesInput()) {
        // The writes on the other core while the walk reads and cuts on: files put in place only
        // at the end can fail a little late, since nothing of them is seen before.
        if (m_files.hiddenUntilDone()) m_out.writeBehind(&m_behind);
    }

    // Alone, it copies the input's bytes; after a stage it takes lines like any sink.
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

    // A line as a stage hands it on: its own bytes while they still stand for it and the
    // output keeps the input's encoding, else its text in the output's encoding. Every line
    // written ends with CR LF.
    bool line(const Line& l) override {
        if (!l.mark().empty() && m_encoder.keepsInputMark() && !write(l.mark())) return false;
        if (!l.changed() && m_copies) {
            if (!m_encoder.put(l.bytes(), *this)) return false;
        } else {
            m_replaced += l.replaced();
            if (!m_encoder.putText(l.text(), *this)) return false;
        }
        return lineEnd();
    }

    bool endChapter() override {
        // The last chapter of all has no such call: its file closes with the run.
        if (m_chapter % m_n != 0) return true;
        if (!closeFile()) return false;
        m_receiver.fileComplete(fileIndexOf(m_chapter, m_n));
        return true;
    }

    bool close(bool) override {
        if (!closeFile()) return false;
        // Every queued write has landed, or the run is not done.
        m_behind.drain();
        if (m_behind.failed() && !failure()) {
            fail({MsgId::WriteFailed, failureText(t::kWriteFailed, *m_behind.failure())});
            return false;
        }
        return !failure();
    }

    OutputFigures figures() const override {
        OutputFigures f;
        f.outputs = m_count;
        f.chapters = m_chapter;
        f.replaced = m_replaced;
        return f;
    }

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
        m_out.nameInErrors(f.path);
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
        // The error names the file as the user knows it, whatever stands in for it while the
        // run writes; with the writes behind, it may be a file before this one.
        FileError e = m_out.error().value_or(FileError{});
        if (e.path.empty()) e.path = path();
        fail({MsgId::WriteFailed, failureText(t::kWriteFailed, e)});
    }

    OutputFiles& m_files;
    OutputEncoder& m_encoder;
    const std::int64_t m_n;
    UiPort& m_ui;
    SplitReceiver& m_receiver;
    const bool m_copies; // the encoder writes the input's own bytes
    WriteBehind m_behind; // before m_out: its queue must outlive the file's last close
    OutputFile m_out;
    std::int64_t m_chapter = 0;
    std::int64_t m_count = 0;
    std::int64_t m_replaced = 0;
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

std::unique_ptr<ChapterSink> TextFiles::sink(const FormatContext& context) const {
    return std::make_unique<TextFilesSink>(context, m_n);
}

Text TextFiles::doneStatus(const OutputFigures& made) const {
    return Text(t::kFinished) + decimal(made.outputs) + t::kFinishedFiles;
}

} // namespace pw

#include "split/one_read_split.h"

#include <algorithm>
#include <map>
#include <random>
#include <utility>

#include "options/make_out_name.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "split/chapter_writer.h"
#include "split/kept_table.h"
#include "split/output_open.h"
#include "split/output_plan.h"
#include "split/split_texts.h"

namespace pw {

namespace {

namespace t = split_text;

// Each output file written whole under a hidden name of its own in the output folder, so
// that putting it in place is a rename on the same file system.
class TempFiles : public ChapterFiles {
public:
    explicit TempFiles(WorkingState& st) : m_st(st), m_tag(hex(std::random_device{}())) {}
    ~TempFiles() override { removeAll(); }

    const PlannedFile& file(std::int64_t index) override {
        auto it = m_files.find(index);
        if (it == m_files.end()) {
            Entry e;
            e.planned = {index, MakeOutName(m_st, index, false), MakeOutName(m_st, index, true), false};
            it = m_files.emplace(index, std::move(e)).first;
        }
        return it->second.planned;
    }

    OpenedOutput open(std::int64_t index, OutputFile& out) override {
        const PlannedFile& f = file(index); // also completes strOutDir's separator
        OpenedOutput r;
        // Made exclusively like every output file; a name taken already just means another.
        for (int attempt = 0; attempt < 100; ++attempt) {
            Text temp = m_st.strOutDir + u".pagewright-" + m_tag;
            temp.append(u"-").append(decimal(index));
            if (attempt > 0) temp.append(u"-").append(decimal(attempt));
            temp.append(u".part");
            const auto e = out.open(temp, OutputMode::Create);
            if (!e) {
                m_files[index].temp = temp;
                r.opened = true;
                return r;
            }
            if (e->fault == FileFault::Other) {
                r.failure = Message{MsgId::CreateFailed, failureText(t::kCreateFailed, {f.path, e->reason}), f.path};
                return r;
            }
        }
        r.failure = Message{MsgId::CreateFailed, failureText(t::kCreateFailed, {f.path, u"无法创建临时文件"}), f.path};
        return r;
    }

    // The temporary file written for this index; empty when there is none.
    Text take(std::int64_t index) {
        const auto it = m_files.find(index);
        if (it == m_files.end()) return {};
        return std::exchange(it->second.temp, Text());
    }

    void removeAll() {
        for (auto& [index, e] : m_files) {
            if (!e.temp.empty()) (void)removeFile(e.temp);
            e.temp.clear();
        }
    }

private:
    static Text hex(unsigned v) {
        static constexpr char16_t digits[] = u"0123456789abcdef";
        Text s;
        for (int i = 0; i < 8; ++i, v >>= 4)
            s.insert(s.begin(), digits[v & 15]);
        return s;
    }

    struct Entry {
        PlannedFile planned;
        Text temp;
    };
    WorkingState& m_st;
    const Text m_tag;
    std::map<std::int64_t, Entry> m_files;
};

// While the files are only temporary, the front end hears how far the run is, nothing else.
class ProgressOnly : public SplitReceiver {
public:
    explicit ProgressOnly(SplitReceiver& inner) : m_inner(inner) {}
    void progress(int percent) override { m_inner.progress(percent); }

private:
    SplitReceiver& m_inner;
};

SplitResult refuse(UiPort& ui, SplitReceiver& receiver, const Message& msg, TextView status,
                   SplitEnd end = SplitEnd::Refused) {
    if (msg.style() == MsgStyle::Refusal) ui.messageBox(msg);
    ui.setStatus(status);
    receiver.refused(msg.id);
    return {end, 0, 0};
}

// Puts the finished files in place, in the order the two-pass run would open them.
CopyOutcome placeAll(const OutputPlan& plan, TempFiles& temps, std::size_t bomLength, UiPort& ui,
                     SplitReceiver& receiver, const CopyOutcome& written) {
    CopyOutcome out{SplitEnd::Done, 0, std::nullopt, written.replaced};
    for (const PlannedFile& f : plan.files) {
        if (ui.stopRequested()) {
            out.end = SplitEnd::Stopped;
            return out;
        }
        const Text temp = temps.take(f.index);
        if (temp.empty()) { // every planned file has a line of the input: never expected
            out.end = SplitEnd::Failed;
            out.failure =
                Message{MsgId::CreateFailed, failureText(t::kCreateFailed, {f.path, u"没有写出内容"}), f.path};
            return out;
        }
        const OpenedOutput placed = placeFinishedFile(f, temp, bomLength, ui);
        if (!placed.opened) {
            (void)removeFile(temp);
            out.end = placed.refused ? SplitEnd::Refused : SplitEnd::Failed;
            out.failure = placed.failure;
            return out;
        }
        ++out.files;
        receiver.fileOpened(f.index, f.path, placed.appended);
        if (&f != &plan.files.back()) receiver.fileComplete(f.index);
    }
    return out;
}

} // namespace

OneReadResult runOneReadSplit(WorkingState& st, const std::function<bool(std::int64_t row)>& excluded, UiPort& ui,
                              ScanReceiver& scanReceiver, SplitReceiver& receiver, const ScanOptions& options) {
    OneReadResult result;
    const auto feed = ScanFeed::start(st, ui, scanReceiver, options);
    if (!feed) return result;
    // Held from before the first temporary file until the last file is in place.
    FolderLock lock;
    if (!lock.tryLock(st.strOutDir)) {
        result.scan = feed->finish(false);
        result.split = refuse(ui, receiver, {MsgId::OutputBusy, Text(t::kOutputBusy) + st.strOutDir, st.strOutDir},
                              t::kOutputBusyStatus);
        return result;
    }

    // The writer reads the encoding and the kept table from the state as the scan fills them.
    st.analyzedEncoding = feed->encoding();
    st.strAnalyzedFile = st.strInFile;
    st.lngKeptCount = 0;
    st.lngKeptLines.assign(1, 1);
    TempFiles temps(st);
    ProgressOnly progress(receiver);
    ChapterWriter writer(st, temps, ui, progress, true);
    bool going = feed->turn(), begun = false, writerStopped = false;
    LineBlock block;
    while (going && feed->reader().nextBlock(block)) {
        const std::int64_t before = st.lngMatchCount;
        if (!feed->scan(block)) {
            going = false;
            break;
        }
        for (std::int64_t row = before; row < st.lngMatchCount; ++row) {
            if (excluded && excluded(row)) continue;
            const std::int64_t line = st.lngMatchLines[static_cast<std::size_t>(row) + 1];
            st.lngKeptLines.push_back(line);
            ++st.lngKeptCount;
            writer.headingKept(line);
        }
        // Whether the text starts with a heading is known once the first block is scanned.
        if (!begun) writer.begin();
        begun = true;
        if (!writer.copy(block)) {
            going = false;
            writerStopped = true;
        }
    }
    if (!begun) writer.begin();
    const CopyOutcome written = writerStopped ? writer.stopped() : writer.end(feed->reader());
    result.scan = feed->finish(going);
    if (result.scan.outcome != ScanOutcome::Finished) {
        const bool stopRequested = ui.stopRequested(); // asked before anything changes again
        temps.removeAll();
        // The scan has said why it stopped; a stop or a failure of the writer is said here.
        if (writerStopped && written.end == SplitEnd::Failed)
            result.split = reportCopyEnd(st, written, ui, receiver);
        else
            result.split.end = stopRequested ? SplitEnd::Stopped : SplitEnd::Refused;
        return result;
    }
    if (written.end != SplitEnd::Done) {
        temps.removeAll();
        result.split = reportCopyEnd(st, written, ui, receiver);
        return result;
    }

    // The checks the two-pass run makes before it writes, in its order.
    if (st.lngMatchCount <= 0) {
        temps.removeAll();
        result.split = refuse(ui, receiver, {MsgId::NoHeadings, t::kNoHeadings}, t::kNoHeadingsStatus);
        return result;
    }
    if (!receiver.scanned(st.lngMatchCount)) {
        temps.removeAll();
        return result;
    }
    if (st.lngKeptCount == 0) {
        temps.removeAll();
        result.split = refuse(ui, receiver, {MsgId::AllExcluded, t::kAllExcluded}, t::kAllExcludedStatus);
        return result;
    }
    st.lngKeptLines.push_back(st.lngMatchLines.back());
    const OutputPlan plan = planOutput(st);
    if (plan.sameAsInput) {
        temps.removeAll();
        const Text& path = plan.files[*plan.sameAsInput].path;
        result.split =
            refuse(ui, receiver, {MsgId::OutputIsInput, Text(t::kOutputIsInput) + path, path}, t::kOutputIsInputStatus);
        return result;
    }
    if (!receiver.planned(plan)) {
        temps.removeAll();
        return result;
    }
    const CopyOutcome placed = placeAll(plan, temps, writer.fileBom().size(), ui, receiver, written);
    temps.removeAll();
    result.split = reportCopyEnd(st, placed, ui, receiver);
    return result;
}

} // namespace pw

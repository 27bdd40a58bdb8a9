#include "cli/cli_job.h"

#include <algorithm>
#include <functional>
#include <filesystem>
#include <limits>
#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/analysis_report.h"
#include "cli/clean_counts.h"
#include "cli/cli_texts.h"
#include "cli/command.h"
#include "cli/console_ui.h"
#include "cli/exclude_list.h"
#include "cli/folders.h"
#include "cli/interrupt.h"
#include "cli/novel_report.h"
#include "cli/preset_resolution.h"
#include "cli/split_watch.h"
#include "convert/script.h"
#include "stages/clean_preview.h"
#include "stages/titles.h"
#include "options/intake.h"
#include "options/make_out_name.h"
#include "options/settings.h"
#include "platform/paths.h"
#include "scan/preset_choice.h"
#include "scan/presets.h"
#include "scan/shared_rules.h"
#include "scan/scan_pass.h"
#include "output/heading_titles.h"
#include "job/job.h"
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

// What the finished scan says of the novel, for its JSON line.
void noteScan(NovelReport& report, const ScanResult& scan) {
    report.encoding = scan.encoding;
    report.headings = static_cast<std::int64_t>(scan.analysis.headings.size());
    report.suspects = scan.analysis.suspectCount();
    report.gaps = static_cast<std::int64_t>(scan.analysis.gaps.size());
}

// What the clean-up rules did, on stderr, and for the JSON line.
void noteClean(const CliOptions& o, const LoadedStages& ls, ConsoleUi& ui, NovelReport& report) {
    if (!ls.clean) return;
    for (const std::string& rule : ls.tally->switchedOff)
        ui.note(ruleSwitchedOffText(rule));
    report.clean = cleanCounts(*ls.tally);
    if (!o.quiet && !o.json) ui.note(cleanCountsText(*report.clean));
}

// scan --check with clean-up rules: every line they would change or take out, by line.
int previewCleanRules(const LoadedStages& ls, const WorkingState& st, const ScanResult& scan, ConsoleUi& ui,
                      std::FILE* out) {
    const CleanPreview p = previewClean(st.strAnalyzedFile, scan.encoding, st.lngMatchLines, ls.clean, ui);
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

// What a finished run tells besides its status: how it made paragraphs, and the flagged
// headings it kept.
void tellRun(const CliOptions& o, ConsoleUi& ui, const JobResult& r, bool book, NovelReport& report) {
    if (r.paragraphs) report.paragraphs = r.paragraphs->modeNames();
    report.keptSuspects = r.keptSuspects;
    if (o.quiet) return;
    if (!o.chosenReason.empty()) ui.note(o.chosenReason);
    if (r.paragraphs)
        ui.note(toUtf8((r.paragraphs->chosen ? u"段落（按排版自动选择）：" : u"段落：") + r.paragraphs->describe()));
    if (r.keptSuspects > 0) ui.note(keptSuspectsText(r.keptSuspects));
    // Send-to-Kindle takes no e-mail over 50 MB: the user should know before trying.
    constexpr std::uintmax_t kMailLimit = 50ull * 1024 * 1024;
    std::error_code ec;
    if (book && report.outputs.size() == 1 &&
        std::filesystem::file_size(toPath(report.outputs.front()), ec) > kMailLimit && !ec)
        ui.note(bookTooBigForMailText());
}

// A bare chapter number (第三回) takes its title from the line under it, as the book's contents do.
void addTitles(nlohmann::ordered_json& headings, const std::string& file, Encoding encoding) {
    std::vector<HeadingAt> at;
    for (const auto& h : headings)
        at.push_back({h["line"].get<std::int64_t>(), h["offset"].get<std::int64_t>(), h["text"].get<std::string>()});
    const std::map<std::int64_t, std::string> titles = headingTitles(std::filesystem::path(file), encoding, at);
    for (auto& h : headings) {
        const auto t = titles.find(h["line"].get<std::int64_t>());
        h["title"] = t != titles.end() ? t->second : tidyHeading(h["text"].get<std::string>());
    }
}

// The shipped settings, with the current folder where the window has its own folder.
bool loadDefaults(WorkingState& st, ConsoleUi& ui, Text& cwd) {
    std::error_code ec;
    cwd = fromPath(std::filesystem::current_path(ec));
    if (const auto e = loadSettings(shippedSettings(), cwd, st)) {
        ui.error(toUtf8(*e));
        return false;
    }
    return true;
}

// scan: the list, its JSON, or what looks wrong in it.
int listNovel(const CliOptions& o, ConsoleUi& ui, std::FILE* out, NovelReport& report, const LoadedStages& ls) {
    WorkingState st;
    Text cwd;
    if (!loadDefaults(st, ui, cwd)) return kExitRefused;
    OptionFields fields = fieldsFrom(o, st, cwd);
    FieldWriteBacks writeBacks;
    if (!CheckOptions(fields, 1, st, ui, writeBacks)) return kExitRefused;

    PrintingReceiver receiver(out, ui, !o.json && !o.check, o.json, o.check);
    ScanOptions so;
    so.encoding = o.encoding;
    const ScanResult scan = runScan(st, ui, receiver, so);
    if (scan.outcome != ScanOutcome::Finished && stopSignal()) {
        ui.error(scanInterruptedText(true));
        return interruptedStatus();
    }
    if (scan.outcome != ScanOutcome::Finished) return kExitRefused;
    noteScan(report, scan);
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
    } else if (o.check && ls.clean) {
        return previewCleanRules(ls, st, scan, ui, out);
    } else if (o.check) {
        for (const Text& line : checkReport(scan.analysis, receiver.texts()))
            printLine(out, ui, line);
    } else if (!o.quiet) {
        printLine(out, ui, ui.lastStatus());
    }
    return 0;
}

// split and epub: the options made into a job, the job run, its result told.
int writeNovel(const NovelCommand& command, const CliOptions& o, ConsoleUi& ui, std::FILE* out, NovelReport& report,
               const LoadedStages& ls) {
    WorkingState st;
    Text cwd;
    if (!loadDefaults(st, ui, cwd)) return kExitRefused;
    const ExcludeList exclude = parseExcludeList(o.exclude);
    if (!exclude.error.empty()) {
        ui.error(exclude.error);
        return kExitUsage;
    }
    Job job;
    job.state = &st;
    job.format = command.format();
    job.encoding = o.encoding;
    job.excluded = exclude.rows;
    job.excludeSuspects = o.excludeSuspects;
    job.leaveOutByDefault = o.chosenForUser && !o.keepContents;
    job.perVolume = o.perVolume;
    job.stages = stageRequest(o);
    job.loaded = &ls;
    OptionFields fields = fieldsFrom(o, st, cwd);
    // A book is checked before anything is read: a bad cover or pattern is told at once.
    if (const std::optional<BookRequest> request = command.book(o, cwd)) {
        const EpubSettings book = settleBook(*request, ls);
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
        job.book = book;
    }
    FieldWriteBacks writeBacks;
    // What --create-dir makes goes again, if still empty, when the run ends refused.
    MadeFolders made(o.createDir ? fields.txtOut : Text());
    if (!CheckOptions(fields, 1, st, ui, writeBacks)) return kExitRefused;
    // The folder named is what was asked for; the ones above it that were made too are told.
    if (made.missing().size() > 1 && !o.quiet) ui.note(madeFoldersText(made.missing()));

    report.pattern = toUtf8(st.strFindStr);
    PrintingReceiver receiver(out, ui, false, false, false);
    SplitWatch watch(o, exclude, ui);
    const JobResult r = run(job, ui, {receiver, watch});
    if (r.scan) noteScan(report, *r.scan);
    if (r.end == JobEnd::Stopped && !r.scan) {
        ui.error(scanInterruptedText(false));
        return interruptedStatus();
    }
    if (r.scan && r.scan->outcome != ScanOutcome::Finished) {
        if (!stopSignal()) return kExitRefused;
        ui.error(scanInterruptedText(false));
        return interruptedStatus();
    }
    if (watch.usageError()) return kExitUsage;
    // Files an append took back on the way out are no outputs of the run.
    if (!r.split.undone.any()) report.outputs = r.outputs;
    if (r.end == JobEnd::Stopped) {
        ui.error(splitInterruptedText(watch.incomplete(), watch.openedAny(), r.split.undone,
                                      o.existing == Existing::Append));
        return interruptedStatus();
    }
    if (r.end != JobEnd::Done) return kExitRefused;
    report.chapters = r.chapters;
    if (!o.quiet && !o.json) printLine(out, ui, ui.lastStatus());
    noteClean(o, ls, ui, report);
    tellRun(o, ui, r, job.format == JobFormat::Book, report);
    return 0;
}

// What every command that reads a novel does around its own part: the shared rules and the
// preset, the console, the clean-up rules and the converter; `end` has the last word, whatever
// the status (the options as the preset left them, the rules as loaded).
using NovelPart = std::function<int(const CliOptions&, ConsoleUi&, NovelReport&, const LoadedStages&)>;
using NovelEnd = std::function<void(const CliOptions&, ConsoleUi&, const NovelReport&, const SharedRules&, int status)>;
int withNovel(const CliOptions& given, const Streams& streams, const NovelPart& part, const NovelEnd& end) {
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
    // Rules and the converter are loaded before anything is read: a bad file is told at once.
    const StagesLoad stages = loadStages(stageRequest(o));
    int status = 0;
    if (!stages.loaded) {
        ui.error(stages.error);
        status = stages.usage ? kExitUsage : kExitRefused;
    } else {
        for (const std::string& skipped : stages.loaded->skippedRules)
            ui.note("净化规则无法使用，已跳过：" + skipped);
        status = part(o, ui, report, *stages.loaded);
    }
    end(o, ui, report, *rules, status);
    return status;
}

} // namespace

int runScan(const CliOptions& o, const Streams& streams) {
    return withNovel(
        o, streams,
        [&](const CliOptions& given, ConsoleUi& ui, NovelReport& report, const LoadedStages& ls) {
            return listNovel(given, ui, streams.out, report, ls);
        },
        [&](const CliOptions& given, ConsoleUi&, const NovelReport& report, const SharedRules& rules, int) {
            // Nothing found: name the presets that would find headings, as the window does.
            if (report.headings && *report.headings == 0 && report.encoding)
                namePresetsThatFind(given, rules, *report.encoding, streams.err);
        });
}

int NovelCommand::run(const CliOptions& o, const Streams& streams) const {
    return withNovel(
        o, streams,
        [&](const CliOptions& given, ConsoleUi& ui, NovelReport& report, const LoadedStages& ls) {
            return writeNovel(*this, given, ui, streams.out, report, ls);
        },
        [&](const CliOptions& given, ConsoleUi& ui, const NovelReport& told, const SharedRules&, int status) {
            if (!given.json) return;
            NovelReport report = told;
            report.status = statusOfExit(status);
            report.message = report.status == NovelStatus::Done ? toUtf8(ui.lastStatus()) : ui.lastError();
            ui.beforeOutput();
            std::fprintf(streams.out, "%s\n", novelJsonLine(report).c_str());
        });
}

StageRequest stageRequest(const CliOptions& o) {
    StageRequest r;
    r.paragraphs = o.paragraphs;
    r.clean = o.clean;
    r.cleanRules = o.cleanRules;
    r.convert = o.convert;
    return r;
}

} // namespace pw::cli

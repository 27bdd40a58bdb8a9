#include "cli/cli_job.h"

#include <algorithm>
#include <filesystem>
#include <limits>
#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/analysis_report.h"
#include "cli/batch.h"
#include "cli/cli_options.h"
#include "cli/cli_texts.h"
#include "cli/console_ui.h"
#include "cli/exclude_list.h"
#include "cli/interrupt.h"
#include "cli/novel_report.h"
#include "cli/split_watch.h"
#include "options/intake.h"
#include "options/make_out_name.h"
#include "options/settings.h"
#include "platform/paths.h"
#include "scan/preset_choice.h"
#include "scan/presets.h"
#include "scan/shared_rules.h"
#include "scan/scan_pass.h"
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
        ui.error(splitInterruptedText(watch.incomplete(), watch.openedAny()));
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

// Which headings to leave out is known before the scan: the input is read once, each block
// scanned and then written.
int splitInOneRead(const CliOptions& o, const ExcludeList& exclude, const OutputFormat& format, WorkingState& st,
                   ConsoleUi& ui, ScanReceiver& receiver, const ScanOptions& so, std::FILE* out, NovelReport& report) {
    SplitWatch watch(o, exclude, ui);
    const OneReadResult r = runOneReadSplit(st, exclude.rows, format, ui, receiver, watch, so);
    if (r.scan.outcome != ScanOutcome::Finished) {
        if (!stopSignal()) return kExitRefused;
        ui.error(scanInterruptedText(o.command));
        return interruptedStatus();
    }
    noteScan(report, r.scan);
    if (watch.usageError()) return kExitUsage;
    const int status = splitEnded(r.split, watch, ui, out);
    noteSplit(report, watch, format, exclude.rows, r.split);
    return status;
}

} // namespace

EpubSettings bookSettings(const CliOptions& o, const Text& cwd) {
    BookRequest r;
    r.input = fromNativeBytes(o.file);
    if (o.title) r.title = fromUtf8(*o.title);
    if (o.author) r.author = fromUtf8(*o.author);
    if (o.language) r.language = fromUtf8(*o.language);
    if (o.cover) r.cover = fromNativeBytes(*o.cover);
    r.vertical = o.vertical;
    if (o.volumePattern) r.volumePattern = fromUtf8(*o.volumePattern);
    if (o.preset)
        if (const PatternPreset* p = findPreset(*o.preset)) r.headingPattern = p->pattern;
    r.out = o.out ? fromNativeBytes(*o.out) : cwd;
    return pw::bookSettings(r);
}

namespace {

// One novel: the scan, the split or the book. `report` gathers what the JSON line says of it.
int runJob(const CliOptions& o, ConsoleUi& ui, std::FILE* out, NovelReport& report) {

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
    if (o.command == Command::Epub) {
        const EpubSettings book = bookSettings(o, cwd);
        if (const auto refused = checkEpubSettings(book)) {
            ui.error(cliText(refused->message, o));
            return kExitRefused;
        }
        fields.txtOut = fromPath(toPath(book.path).parent_path());
        if (fields.txtOut.empty()) fields.txtOut = cwd;
        format = std::make_unique<EpubBook>(book);
    }
    FieldWriteBacks writeBacks;
    if (!CheckOptions(fields, 1, st, ui, writeBacks)) return kExitRefused;
    if (!format) format = std::make_unique<TextFiles>(st);

    const bool scanOnly = o.command == Command::Scan;
    PrintingReceiver receiver(out, ui, scanOnly && !o.json && !o.check, scanOnly && o.json, scanOnly && o.check);
    ScanOptions so;
    so.encoding = o.encoding;
    // The suspects are known only when the whole file is scanned: then the scan comes first.
    const SplitFeed feed = o.excludeSuspects ? SplitFeed::ScanFirst : SplitFeed::OneRead;
    if (!scanOnly && feed == SplitFeed::OneRead)
        return splitInOneRead(o, exclude, *format, st, ui, receiver, so, out, report);
    const ScanResult scan = runScan(st, ui, receiver, so);
    if (scan.outcome != ScanOutcome::Finished && stopSignal()) {
        ui.error(scanInterruptedText(o.command));
        return interruptedStatus();
    }
    if (scan.outcome != ScanOutcome::Finished) return kExitRefused;
    noteScan(report, scan);

    if (scanOnly) {
        if (o.json) {
            const AnalysisJson analysis = addAnalysisJson(scan.analysis, receiver.headings());
            const nlohmann::ordered_json doc = {{"file", o.file},
                                                {"encoding", traitsOf(scan.encoding).id},
                                                {"encoding_detected", scan.encodingDetected},
                                                {"size", st.lngFileSize},
                                                {"lines", scan.lines},
                                                {"headings", receiver.headings()},
                                                {"gaps", analysis.gaps},
                                                {"repeats", analysis.repeats}};
            const std::string s = doc.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
            ui.beforeOutput();
            std::fprintf(out, "%s\n", s.c_str());
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
    SplitWatch watch(o, exclude, ui);
    const SplitResult result = runSplit(st, analysedInput(st, scan.encoding), excluded, *format, ui, watch);
    const int status = splitEnded(result, watch, ui, out);
    noteSplit(report, watch, *format, excluded, result);
    return status;
}

} // namespace

int runCommandLine(int argc, const char* const* argv, std::FILE* out, std::FILE* err, bool errIsTerminal,
                   bool outIsTerminal) {
    CliOptions o;
    {
        std::ostringstream helpOut, helpErr;
        const auto rc = parseCommandLine(argc, argv, o, helpOut, helpErr);
        std::fputs(helpOut.str().c_str(), out);
        std::fputs(helpErr.str().c_str(), err);
        if (rc) return *rc;
    }
    SharedRules rules;
    if (o.rules) {
        SharedRulesLoad load = loadSharedRules(std::filesystem::path(*o.rules));
        if (load.error) {
            std::fprintf(err, "%s: %s\n", o.rules->c_str(), toUtf8(*load.error).c_str());
            return kExitUsage;
        }
        for (const Text& skipped : load.rules.skipped())
            std::fprintf(err, "跳过规则 %s\n", toUtf8(skipped).c_str());
        rules = std::move(load.rules);
    }
    if (o.command == Command::Presets) {
        ConsoleUi ui(o, err, errIsTerminal, outIsTerminal);
        for (const PatternPreset& p : rules.withBuiltIns())
            printLine(out, ui, fromUtf8(p.id) + u"\t" + p.label + u"\t" + p.pattern);
        return 0;
    }
    // auto and the rules' names come down to a pattern (or a built-in id) before the job runs.
    if (o.preset && !findPreset(*o.preset)) {
        const std::vector<PatternPreset> all = rules.withBuiltIns();
        const PatternPreset* chosen = rules.find(*o.preset);
        if (*o.preset == kAutoPresetId) {
            const std::string& first = o.files.empty() ? o.file : o.files.front();
            const SampleLines sample = readSampleLines(std::filesystem::path(first));
            if (sample.error) {
                std::fprintf(err, "%s: %s\n", first.c_str(), toUtf8(*sample.error).c_str());
                return kExitUsage;
            }
            const PresetChoice choice = choosePreset(sample.lines, all);
            for (const Text& line : presetChoiceLines(choice))
                std::fprintf(err, "%s\n", toUtf8(line).c_str());
            if (!choice.chosen) return kExitUsage;
            chosen = choice.chosen;
        } else if (!chosen) {
            std::string ids;
            for (const PatternPreset& p : all)
                ids += (ids.empty() ? "" : "、") + std::string(p.id);
            std::fprintf(err, "pagewright-cli: --preset %s。\n", unknownPresetText(*o.preset, ids).c_str());
            return kExitUsage;
        }
        if (findPreset(chosen->id)) {
            o.preset = chosen->id;
        } else {
            o.pattern = toUtf8(chosen->pattern);
            o.preset.reset();
        }
    }
    if (o.batch()) return runBatch(o, argv[0], out, err, errIsTerminal, outIsTerminal);
    ConsoleUi ui(o, err, errIsTerminal, outIsTerminal);
    NovelReport report;
    report.file = o.file;
    const int status = runJob(o, ui, out, report);
    // Nothing found: name the presets that would find headings, as the window does.
    if (o.command == Command::Scan && report.headings && *report.headings == 0 && !o.file.empty()) {
        const SampleLines sample = readSampleLines(std::filesystem::path(o.file), kPresetSampleBytes, report.encoding);
        const Text finding = sample.error ? Text() : presetsThatFindText(choosePreset(sample.lines, rules.withBuiltIns()));
        if (!finding.empty()) std::fprintf(err, "%s\n", toUtf8(finding).c_str());
    }
    if (o.json && o.command != Command::Scan) {
        report.status = statusOfExit(status);
        report.message = report.status == NovelStatus::Done ? toUtf8(ui.lastStatus()) : ui.lastError();
        ui.beforeOutput();
        std::fprintf(out, "%s\n", novelJsonLine(report).c_str());
    }
    return status;
}

} // namespace pw::cli

#include "output/split_run.h"

#include <chrono>
#include <functional>
#include <optional>
#include <thread>

#include "platform/files.h"
#include "platform/paths.h"
#include "walk/kept_table.h"
#include "output/refusals.h"
#include "output/split_texts.h"

namespace pw {

namespace {

namespace t = split_text;

// How the writing ended, before the user is told.
struct RunEnd {
    SplitEnd end = SplitEnd::Done;
    std::int64_t files = 0;
    std::optional<Message> failure; // for Failed: the refusal to show; for Refused: the question
    std::int64_t replaced = 0;
    std::int64_t unmappable = 0;
    std::int64_t dropped = 0;
    OutputFigures figures;
    Encoding output = Encoding::Utf8;
    std::string mark; // what stands for a character the output cannot hold
    Undone undone;    // what a run that appended took back when it did not finish
};

// The files the format writes for this kept table, named, for the plan to look at.
std::vector<PlannedFile> namesFor(const OutputFormat& format, const KeptTable& kept) {
    std::vector<PlannedFile> names;
    for (const std::int64_t k : format.fileIndexes(kept)) {
        names.push_back(format.file(k));
        names.back().appendable = format.appendable();
    }
    return names;
}

// Puts the files written under temporary names in place, as a run writing them directly
// would open them, and tells the receiver of each.
RunEnd placeWritten(const OutputPlan& plan, TempFiles& temps, const OutputEncoder& encoder, UiPort& ui,
                    SplitReceiver& receiver, const RunEnd& written, RunUndo& undo) {
    const PlacedFiles placed = placeAll(
        plan, temps, encoder.fileMark().size(), encoder.encoding(), ui,
        [&](const PlannedFile& f, bool appended) {
            receiver.fileOpened(f.index, f.path, appended);
            if (&f != &plan.files.back()) receiver.fileComplete(f.index);
        },
        &undo);
    temps.removeAll();
    RunEnd out = written;
    out.end = SplitEnd::Done;
    out.files = placed.placed;
    out.failure = placed.failure;
    if (placed.stopped)
        out.end = SplitEnd::Stopped;
    else if (placed.failure)
        out.end = placed.refused ? SplitEnd::Refused : SplitEnd::Failed;
    if (out.end != SplitEnd::Done) out.undone = undo.takeBack(&temps.lock());
    return out;
}

// Holding the folder, a run knows no other is writing there: temporary files found in it are
// a killed run's, and go, with a word to the user.
void removeOrphans(const FolderLock& lock, UiPort& ui) {
    if (const std::int64_t n = removeOrphanedTempFiles(lock); n > 0)
        ui.messageBox(
            {MsgId::OrphansRemoved, t::kOrphansRemovedBefore + decimal(n) + t::kOrphansRemovedAfter, lock.folder()});
}

// A format written whole under temporary names needs the folder to itself only while it
// clears a killed run's leftovers, plans and places: meanwhile other such runs write into the
// same folder (a batch puts a whole library's books in one). So the folder is let go while it
// writes, and a run that holds it is waited for a while rather than refused at once.
constexpr auto kFolderWait = std::chrono::seconds(10);

enum class Hold { Taken, Busy, Stopped };

// `attempt` tries once; `wait` says whether to try again until kFolderWait has passed.
Hold holdFolder(const std::function<bool()>& attempt, bool wait, UiPort& ui) {
    const auto until = std::chrono::steady_clock::now() + kFolderWait;
    for (;;) {
        if (attempt()) return Hold::Taken;
        if (!wait || std::chrono::steady_clock::now() >= until) return Hold::Busy;
        ui.pumpEvents();
        if (ui.stopRequested()) return Hold::Stopped;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

SplitResult refuse(UiPort& ui, SplitReceiver& receiver, const Refusal& r, SplitEnd end = SplitEnd::Refused) {
    // A question declined has been shown already, as the question.
    if (r.message.style() == MsgStyle::Refusal) ui.messageBox(r.message);
    ui.setStatus(r.status);
    receiver.refused(r.message.id);
    SplitResult refused;
    refused.end = end;
    return refused;
}

SplitResult stopped(UiPort& ui) {
    ui.setProgress(0);
    ui.setStatus(t::kStoppedStatus);
    SplitResult r;
    r.end = SplitEnd::Stopped;
    return r;
}

// While the files are only temporary, the front end hears how far the run is, nothing else.
class ProgressOnly : public SplitReceiver {
public:
    explicit ProgressOnly(SplitReceiver& inner) : m_inner(inner) {}
    void progress(int percent) override { m_inner.progress(percent); }

private:
    SplitReceiver& m_inner;
};

// Closes the sink and says how the walk ended for it.
RunEnd closeWalk(WalkEnd walked, const LineReader& reader, ChapterSink& sink, const OutputEncoder& encoder) {
    RunEnd r;
    (void)sink.close(walked == WalkEnd::Done);
    switch (walked) {
    case WalkEnd::Done:
        r.end = SplitEnd::Done;
        break;
    case WalkEnd::Shrunk:
        r.end = SplitEnd::Shrunk;
        break;
    case WalkEnd::Stopped:
        r.end = SplitEnd::Stopped;
        break;
    case WalkEnd::SinkStopped:
        r.end = sink.refused() ? SplitEnd::Refused : SplitEnd::Failed;
        break;
    case WalkEnd::ReadFailed:
        r.end = SplitEnd::Failed;
        break;
    }
    r.failure = sink.failure();
    if (walked == WalkEnd::ReadFailed && !r.failure) r.failure = refusal::readFailed(*reader.error()).message;
    // A file that could not be closed whole fails the run, however it ended otherwise.
    if (r.failure && !sink.refused()) r.end = SplitEnd::Failed;
    r.figures = sink.figures();
    r.files = r.figures.outputs;
    r.replaced = encoder.replaced() + r.figures.replaced;
    r.unmappable = encoder.unmappable();
    r.dropped = r.figures.dropped;
    r.output = encoder.encoding();
    r.mark = encoder.unmappableMark();
    return r;
}

// How a run that wrote ends for the user: the status line, the notice of replaced bytes or
// the refusal, and the receiver's last call.
SplitResult report(const RunEnd& out, const OutputFormat& format, Encoding input, UiPort& ui, SplitReceiver& receiver) {
    ui.setProgress(0);
    switch (out.end) {
    case SplitEnd::Done:
        ui.setStatus(format.doneStatus(out.figures));
        // Said after the usual status, so the files are known to be there.
        if (out.replaced > 0 || out.dropped > 0 || out.unmappable > 0) {
            Text notice;
            if (out.replaced > 0)
                notice = t::kReplacedBefore + fromUtf8(encodingName(out.output)) + t::kReplacedTarget +
                         decimal(out.replaced) + t::kReplacedMiddle + fromUtf8(encodingName(input)) +
                         t::kReplacedAfter;
            if (out.unmappable > 0)
                notice += t::kUnmappableBefore + decimal(out.unmappable) + t::kUnmappableMiddle +
                          fromUtf8(encodingName(out.output)) + t::kUnmappableAfter + fromUtf8(out.mark) + u"。";
            if (out.dropped > 0) notice += t::kDroppedBefore + decimal(out.dropped) + t::kDroppedAfter;
            ui.messageBox({MsgId::BytesReplaced, notice});
        }
        receiver.finished(out.files);
        break;
    case SplitEnd::Shrunk:
        (void)refuse(ui, receiver, refusal::inputShrank());
        break;
    case SplitEnd::Failed:
        (void)refuse(ui, receiver, refusal::failed(*out.failure));
        break;
    case SplitEnd::Refused: // a question answered Cancel: the front end has said why
        (void)refuse(ui, receiver, refusal::stopped(*out.failure));
        break;
    case SplitEnd::Stopped:
        // Stopped on purpose: the front end words it, with what was taken back.
        ui.setStatus(out.undone.any() ? Text(t::kStoppedStatus) + undoneText(out.undone) : Text(t::kStoppedStatus));
        break;
    }
    // Right after the failure, what became of the files it had appended to.
    if (out.end != SplitEnd::Done && out.end != SplitEnd::Stopped && out.undone.any())
        ui.messageBox({MsgId::AppendUndone, undoneText(out.undone)});
    return {out.end, out.files, out.replaced, out.unmappable, out.figures, out.undone};
}

} // namespace

bool precheckSplit(const WorkingState& st, std::int64_t listEntries, UiPort& ui) {
    SplitReceiver none;
    if (!st.blnAnalyzed || st.lngMatchCount < 0 ||
        st.lngMatchLines.size() != static_cast<std::size_t>(st.lngMatchCount) + 2 ||
        !headingTableIsWhole(st.lngMatchLines)) {
        (void)refuse(ui, none, refusal::notAnalyzed());
        return false;
    }
    if (listEntries <= 0 || st.lngMatchCount <= 0) {
        (void)refuse(ui, none, refusal::noHeadings());
        return false;
    }
    return true;
}

SplitInput analysedInput(const WorkingState& st, Encoding encoding) {
    return {st.strAnalyzedFile, st.lngFileSize, encoding, &st.lngMatchLines};
}

SplitResult runSplit(const WorkingState& st, const SplitInput& input, const RowRanges& excluded,
                     const OutputFormat& format, UiPort& ui, SplitReceiver& receiver, std::size_t readCapacity,
                     const StageList& stages) {
    const auto declined = [&](const Refusal& r) { return ui.messageBox(r.message) != MsgAnswer::Yes; };
    // The output is always made from the analysed file, whatever the field names now.
    if (st.strInFile != input.path && declined(refusal::notCurrentFile()))
        return refuse(ui, receiver, refusal::notCurrentFile());
    if (!isRegularFile(input.path)) return refuse(ui, receiver, refusal::inputMissing());
    InputFile in;
    if (auto e = in.open(input.path)) return refuse(ui, receiver, refusal::readFailed(*e), SplitEnd::Failed);
    if (in.size() != input.size && declined(refusal::sizeChanged()))
        return refuse(ui, receiver, refusal::sizeChanged());
    const KeptTable kept = buildKeptTable(*input.headings, excluded);
    if (kept.lngKeptCount == 0) return refuse(ui, receiver, refusal::allExcluded());
    // Held from before the plan looks at the folder until the last file is closed; a format
    // placed when done lets go of it while it writes.
    const Text folder = format.folder();
    const bool shares = format.placesWhenDone();
    FolderLock lock;
    switch (holdFolder([&] { return lock.tryLock(folder); }, shares, ui)) {
    case Hold::Taken:
        break;
    case Hold::Busy:
        return refuse(ui, receiver, refusal::outputBusy(folder));
    case Hold::Stopped:
        return stopped(ui);
    }
    removeOrphans(lock, ui);
    const auto encoder = format.encoder(st.outputEncoding, input.encoding);
    const OutputPlan plan = planOutput(namesFor(format, kept), folder, input.path, encoder->encoding(), &lock);
    if (plan.sameAsInput) return refuse(ui, receiver, refusal::outputIsInput(plan.files[*plan.sameAsInput].path));
    if (!receiver.planned(plan)) return {};
    if (shares) lock.unlock();

    LineReader reader(in, traitsOf(input.encoding), readCapacity);
    // A format useful only whole writes under temporary names, as a run that reads once does.
    std::optional<PlannedFiles> planned;
    std::optional<TempFiles> temps;
    RunUndo undo;
    if (format.placesWhenDone())
        temps.emplace(
            folder, [&format](std::int64_t index) { return format.file(index); }, lock);
    else
        planned.emplace(plan, encoder->encoding(), ui, &lock, &undo);
    OutputFiles& files = temps ? static_cast<OutputFiles&>(*temps) : *planned;
    ProgressOnly progress(receiver);
    const auto sink = format.sink({input.path, input.encoding, files, *encoder, kept, ui,
                                   temps ? static_cast<SplitReceiver&>(progress) : receiver});
    StageChain chain(stages, *sink);
    ChapterWalk walk(kept, false, traitsOf(input.encoding), {st.blnDeleteSpc && !stages.seesBlankLines, input.size, format.volumePattern()},
                     chain.first(), ui);
    const WalkEnd walked = walk.run(reader);
    RunEnd out = closeWalk(walked, reader, chain.first(), *encoder);
    in.close();
    if (temps && out.end != SplitEnd::Done) {
        temps->removeAll();
    } else if (temps) {
        switch (holdFolder([&] { return lock.relock(); }, shares, ui)) {
        case Hold::Taken:
            out = placeWritten(plan, *temps, *encoder, ui, receiver, out, undo);
            break;
        case Hold::Busy:
            temps->removeAll();
            return refuse(ui, receiver, refusal::outputBusy(folder));
        case Hold::Stopped:
            temps->removeAll();
            return stopped(ui);
        }
    } else if (out.end != SplitEnd::Done) {
        // Written in place: the files are closed now, and the folder still held.
        out.undone = undo.takeBack(&lock);
    }
    return report(out, format, input.encoding, ui, receiver);
}

OneReadResult runOneReadSplit(WorkingState& st, const RowRanges& excluded, const OutputFormat& format, UiPort& ui,
                              ScanReceiver& scanReceiver, SplitReceiver& receiver, const ScanOptions& options,
                              const StageList& stages) {
    OneReadResult result;
    const auto feed = ScanFeed::start(st, ui, scanReceiver, options);
    if (!feed) return result;
    // Held from before the first temporary file until the last file is in place; a format
    // placed when done lets go of it while it writes.
    const Text folder = format.folder();
    const bool shares = format.placesWhenDone();
    FolderLock lock;
    if (const Hold held = holdFolder([&] { return lock.tryLock(folder); }, shares, ui); held != Hold::Taken) {
        result.scan = feed->finish(false);
        result.split = held == Hold::Busy ? refuse(ui, receiver, refusal::outputBusy(folder)) : stopped(ui);
        return result;
    }
    removeOrphans(lock, ui);
    if (shares) lock.unlock();

    const Encoding encoding = feed->encoding();
    const auto encoder = format.encoder(st.outputEncoding, encoding);
    KeptTable kept;
    TempFiles temps(
        folder, [&format](std::int64_t index) { return format.file(index); }, lock);
    ProgressOnly progress(receiver);
    const auto sink = format.sink({st.strInFile, encoding, temps, *encoder, kept, ui, progress});
    StageChain chain(stages, *sink);
    ChapterWalk walk(kept, true, traitsOf(encoding), {st.blnDeleteSpc && !stages.seesBlankLines, st.lngFileSize, format.volumePattern()},
                     chain.first(), ui);
    bool going = feed->turn(), begun = false, walkStopped = false;
    LineBlock block;
    while (going && feed->reader().nextBlock(block)) {
        const std::int64_t before = st.lngMatchCount;
        if (!feed->scan(block)) {
            going = false;
            break;
        }
        for (std::int64_t row = before; row < st.lngMatchCount; ++row) {
            if (excluded.contains(row)) continue;
            const std::int64_t line = st.lngMatchLines[static_cast<std::size_t>(row) + 1];
            kept.keep(line);
            walk.headingKept(line);
        }
        // Whether the text starts with a heading is known once the first block is scanned.
        if (!begun) walk.begin();
        begun = true;
        if (!walk.step(block)) {
            going = false;
            walkStopped = true;
        }
    }
    if (!begun) walk.begin();
    const WalkEnd walked = walk.end(feed->reader());
    const RunEnd written = closeWalk(walked, feed->reader(), chain.first(), *encoder);
    // Asked before the scan lets go of the file. A file cut short reads as a shorter text,
    // one rewritten as a mix of two: either way every check below would pass on a text that
    // never existed, so the size, time and identity the read began with must still hold.
    const bool inputChanged = going && feed->reader().input().changedSinceOpen();
    result.scan = feed->finish(going);
    if (result.scan.outcome != ScanOutcome::Finished) {
        const bool stopRequested = ui.stopRequested(); // asked before anything changes again
        temps.removeAll();
        // The scan has said why it stopped; a stop or a failure of the writing is said here.
        if (walkStopped && written.end == SplitEnd::Failed)
            result.split = report(written, format, encoding, ui, receiver);
        else
            result.split.end = stopRequested ? SplitEnd::Stopped : SplitEnd::Refused;
        return result;
    }
    if (inputChanged) {
        temps.removeAll();
        result.split = refuse(ui, receiver, refusal::inputChanged());
        return result;
    }
    if (written.end != SplitEnd::Done) {
        temps.removeAll();
        result.split = report(written, format, encoding, ui, receiver);
        return result;
    }

    // The checks the scan-first run makes before it writes, in its order; each leaves the
    // folder as it was.
    const auto refused = [&](const Refusal& r) {
        temps.removeAll();
        result.split = refuse(ui, receiver, r);
        return result;
    };
    if (st.lngMatchCount <= 0) return refused(refusal::noHeadings());
    if (!receiver.scanned(st.lngMatchCount)) {
        temps.removeAll();
        return result;
    }
    if (kept.lngKeptCount == 0) return refused(refusal::allExcluded());
    kept.close(st.lngMatchLines.back());
    if (const Hold held = holdFolder([&] { return lock.relock(); }, shares, ui); held != Hold::Taken) {
        temps.removeAll();
        result.split = held == Hold::Busy ? refuse(ui, receiver, refusal::outputBusy(folder)) : stopped(ui);
        return result;
    }
    const OutputPlan plan = planOutput(namesFor(format, kept), folder, st.strInFile, encoder->encoding(), &lock);
    if (plan.sameAsInput) return refused(refusal::outputIsInput(plan.files[*plan.sameAsInput].path));
    if (!receiver.planned(plan)) {
        temps.removeAll();
        return result;
    }
    RunUndo undo;
    result.split =
        report(placeWritten(plan, temps, *encoder, ui, receiver, written, undo), format, encoding, ui, receiver);
    return result;
}

} // namespace pw

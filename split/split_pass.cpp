#include "split/split_pass.h"

#include <optional>

#include "platform/files.h"
#include "platform/paths.h"
#include "split/chapter_writer.h"
#include "split/kept_table.h"
#include "split/split_texts.h"

namespace pw {

namespace {

namespace t = split_text;

void refuse(UiPort& ui, const Message& msg, TextView status) {
    ui.messageBox(msg);
    ui.setStatus(status);
}

} // namespace

SplitResult reportCopyEnd(const WorkingState& st, const CopyOutcome& out, UiPort& ui, SplitReceiver& receiver) {
    ui.setProgress(0);
    switch (out.end) {
    case SplitEnd::Done:
        ui.setStatus(Text(t::kFinished) + decimal(out.files) + t::kFinishedFiles);
        // Said after the usual status, so the files are known to be there.
        if (out.replaced > 0)
            ui.messageBox({MsgId::BytesReplaced, t::kReplacedBefore + decimal(out.replaced) + t::kReplacedMiddle +
                                                     fromUtf8(encodingName(st.analyzedEncoding)) + t::kReplacedAfter});
        receiver.finished(out.files);
        break;
    case SplitEnd::Shrunk:
        refuse(ui, {MsgId::InputShrank, t::kInputShrank}, t::kInputShrankStatus);
        receiver.refused(MsgId::InputShrank);
        break;
    case SplitEnd::Failed:
        refuse(ui, *out.failure, t::kFailedStatus);
        receiver.refused(out.failure->id);
        break;
    case SplitEnd::Refused: // a question answered Cancel: the front end has said why
        ui.setStatus(t::kStoppedStatus);
        receiver.refused(out.failure->id);
        break;
    case SplitEnd::Stopped:
        ui.setStatus(t::kStoppedStatus);
        break;
    }
    return {out.end, out.files, out.replaced};
}

bool precheckSplit(const WorkingState& st, std::int64_t listEntries, UiPort& ui) {
    if (!st.blnAnalyzed || !headingTableIsWhole(st)) {
        refuse(ui, {MsgId::NotAnalyzed, t::kNotAnalyzed}, t::kNotAnalyzedStatus);
        return false;
    }
    if (listEntries <= 0 || st.lngMatchCount <= 0) {
        refuse(ui, {MsgId::NoHeadings, t::kNoHeadings}, t::kNoHeadingsStatus);
        return false;
    }
    return true;
}

SplitResult runSplit(WorkingState& st, const std::vector<std::int64_t>& excludedRows, UiPort& ui,
                     SplitReceiver& receiver, std::size_t readCapacity) {
    // A refusal before any output file is touched.
    const auto refused = [&](const Message& msg, TextView status, SplitEnd end = SplitEnd::Refused) {
        if (msg.style() == MsgStyle::Refusal) ui.messageBox(msg);
        ui.setStatus(status);
        receiver.refused(msg.id);
        return SplitResult{end, 0};
    };
    const auto ask = [&](MsgId id, const char16_t* text) { return ui.messageBox({id, text}) == MsgAnswer::Yes; };

    // The output is always made from the analysed file, whatever the field names now.
    if (st.strInFile != st.strAnalyzedFile && !ask(MsgId::NotCurrentFile, t::kNotCurrentFile))
        return refused({MsgId::NotCurrentFile, t::kNotCurrentFile}, t::kNotCurrentFileStatus);
    if (!isRegularFile(st.strAnalyzedFile))
        return refused({MsgId::InputMissing, kInputMissingText}, t::kInputMissingStatus);
    st.lngKeptCount = 0;
    InputFile in;
    if (auto e = in.open(st.strAnalyzedFile))
        return refused({MsgId::ReadFailed, failureText(kReadFailedText, *e)}, t::kFailedStatus, SplitEnd::Failed);
    if (in.size() != st.lngFileSize && !ask(MsgId::SizeChanged, t::kSizeChanged))
        return refused({MsgId::SizeChanged, t::kSizeChanged}, t::kSizeChangedStatus);
    buildKeptTable(st, excludedRows);
    if (st.lngKeptCount == 0) return refused({MsgId::AllExcluded, t::kAllExcluded}, t::kAllExcludedStatus);
    // Held from before the plan looks at the folder until the last file is closed.
    FolderLock lock;
    if (!lock.tryLock(st.strOutDir))
        return refused({MsgId::OutputBusy, Text(t::kOutputBusy) + st.strOutDir, st.strOutDir}, t::kOutputBusyStatus);
    const OutputPlan plan = planOutput(st);
    if (plan.sameAsInput) {
        const Text& path = plan.files[*plan.sameAsInput].path;
        return refused({MsgId::OutputIsInput, Text(t::kOutputIsInput) + path, path}, t::kOutputIsInputStatus);
    }
    if (!receiver.planned(plan)) return {};

    LineReader reader(in, traitsOf(st.analyzedEncoding), readCapacity);
    PlannedFiles files(plan, ui);
    ChapterWriter writer(st, files, ui, receiver);
    const CopyOutcome out = writer.run(reader);
    in.close();

    return reportCopyEnd(st, out, ui, receiver);
}

} // namespace pw

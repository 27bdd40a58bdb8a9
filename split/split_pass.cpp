#include "split/split_pass.h"

#include <filesystem>
#include <optional>

#include "options/make_out_name.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "split/chapter_writer.h"
#include "split/kept_table.h"
#include "split/split_texts.h"

namespace pw {

namespace {

namespace fs = std::filesystem;
namespace t = split_text;

void refuse(UiPort& ui, TextView text, TextView status) {
    ui.messageBox(text, MsgStyle::Refusal);
    ui.setStatus(status);
}

// The first output path that is the analysed file itself, by name or by another path to
// the same file (a link, another spelling of the folder). Deleting or appending to it
// would destroy the novel being read.
std::optional<Text> outputThatIsInput(WorkingState& st) {
    std::error_code ec;
    const fs::path input = toPath(st.strAnalyzedFile);
    const fs::path inputNormal = fs::absolute(input, ec).lexically_normal();
    for (std::int64_t k : plannedFileIndexes(st)) {
        Text path = MakeOutName(st, k, false);
        const fs::path p = toPath(path);
        if (fs::absolute(p, ec).lexically_normal() == inputNormal) return path;
        if (fs::exists(p, ec) && fs::equivalent(p, input, ec)) return path;
    }
    return std::nullopt;
}

} // namespace

bool precheckSplit(const WorkingState& st, std::int64_t listEntries, UiPort& ui) {
    if (!st.blnAnalyzed || !headingTableIsWhole(st)) {
        refuse(ui, t::kNotAnalyzed, t::kNotAnalyzedStatus);
        return false;
    }
    if (listEntries <= 0 || st.lngMatchCount <= 0) {
        refuse(ui, t::kNoHeadings, t::kNoHeadingsStatus);
        return false;
    }
    return true;
}

SplitResult runSplit(WorkingState& st, const std::vector<std::int64_t>& excludedRows, UiPort& ui,
                     std::size_t readCapacity) {
    // The output is always made from the analysed file, whatever the field names now.
    if (st.strInFile != st.strAnalyzedFile && ui.messageBox(t::kNotCurrentFile, MsgStyle::Warning) != MsgAnswer::Yes) {
        ui.setStatus(t::kNotCurrentFileStatus);
        return {};
    }
    if (!isRegularFile(st.strAnalyzedFile)) {
        refuse(ui, t::kInputMissing, t::kInputMissingStatus);
        return {};
    }
    st.lngKeptCount = 0;
    InputFile in;
    if (auto e = in.open(st.strAnalyzedFile)) {
        refuse(ui, t::failureText(t::kReadFailed, *e), t::kFailedStatus);
        return {SplitEnd::Failed, 0};
    }
    if (in.size() != st.lngFileSize && ui.messageBox(t::kSizeChanged, MsgStyle::Warning) != MsgAnswer::Yes) {
        ui.setStatus(t::kSizeChangedStatus);
        return {};
    }
    buildKeptTable(st, excludedRows);
    if (st.lngKeptCount == 0) {
        refuse(ui, t::kAllExcluded, t::kAllExcludedStatus);
        return {};
    }
    if (auto same = outputThatIsInput(st)) {
        refuse(ui, Text(t::kOutputIsInput) + *same, t::kOutputIsInputStatus);
        return {};
    }

    LineReader reader(in, readCapacity);
    ChapterWriter writer(st, ui);
    const CopyOutcome out = writer.run(reader);
    in.close();

    ui.setProgressTwips(15.0f);
    switch (out.end) {
    case SplitEnd::Done:
        ui.setStatus(Text(t::kFinished) + decimal(out.files) + t::kFinishedFiles);
        break;
    case SplitEnd::Shrunk:
        refuse(ui, t::kInputShrank, t::kInputShrankStatus);
        break;
    case SplitEnd::Failed:
        refuse(ui, out.failure, t::kFailedStatus);
        break;
    case SplitEnd::Stopped:
        ui.setStatus(t::kStoppedStatus);
        break;
    case SplitEnd::Refused:
        break;
    }
    return {out.end, out.files};
}

} // namespace pw

#include "output/refusals.h"

#include "output/split_texts.h"

namespace pw::refusal {

namespace t = split_text;

Refusal notAnalyzed() {
    return {{MsgId::NotAnalyzed, t::kNotAnalyzed}, t::kNotAnalyzedStatus};
}
Refusal noHeadings() {
    return {{MsgId::NoHeadings, t::kNoHeadings}, t::kNoHeadingsStatus};
}
Refusal notCurrentFile() {
    return {{MsgId::NotCurrentFile, t::kNotCurrentFile}, t::kNotCurrentFileStatus};
}
Refusal inputMissing() {
    return {{MsgId::InputMissing, kInputMissingText}, t::kInputMissingStatus};
}
Refusal sizeChanged() {
    return {{MsgId::SizeChanged, t::kSizeChanged}, t::kSizeChangedStatus};
}
Refusal allExcluded() {
    return {{MsgId::AllExcluded, t::kAllExcluded}, t::kAllExcludedStatus};
}
Refusal outputBusy(TextView folder) {
    return {{MsgId::OutputBusy, Text(t::kOutputBusy) + Text(folder), Text(folder)}, t::kOutputBusyStatus};
}
Refusal outputIsInput(TextView path) {
    return {{MsgId::OutputIsInput, Text(t::kOutputIsInput) + Text(path), Text(path)}, t::kOutputIsInputStatus};
}
Refusal inputShrank() {
    return {{MsgId::InputShrank, t::kInputShrank}, t::kInputShrankStatus};
}
Refusal inputChanged() {
    return {{MsgId::InputChanged, t::kInputChanged}, t::kInputShrankStatus};
}
Refusal readFailed(const FileError& e) {
    return {{MsgId::ReadFailed, failureText(kReadFailedText, e)}, t::kFailedStatus};
}
Refusal failed(Message m) {
    return {std::move(m), t::kFailedStatus};
}
Refusal appendMixes(TextView path, TextView existing, TextView output) {
    Text text = Text(t::kAppendMixesBefore) + Text(path) + t::kAppendMixesIs + Text(existing) + t::kAppendMixesOutput +
                Text(output) + t::kAppendMixesAfter;
    return {{MsgId::AppendMixes, std::move(text), Text(path)}, t::kFailedStatus};
}
Refusal stopped(Message m) {
    return {std::move(m), t::kStoppedStatus};
}

} // namespace pw::refusal

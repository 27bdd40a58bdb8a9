#pragma once
// The copy of the split pass: one read of the input, each line appended to its chapter's
// file as the raw bytes read plus CR LF in the input's encoding. Used by runSplit; it asks
// whether to delete a file that exists, and shows no other message itself. Every byte
// written goes through put(): the one place an output encoding would be applied.
#include <cstdint>
#include <optional>
#include <string_view>

#include "options/working_state.h"
#include "platform/files.h"
#include "platform/line_reader.h"
#include "platform/ui_port.h"
#include "split/split_pass.h"

namespace pw {

struct CopyOutcome {
    SplitEnd end = SplitEnd::Done;
    std::int64_t files = 0;         // files created or appended to
    std::optional<Message> failure; // for Failed: the refusal to show; for Refused: the question
};

class ChapterWriter {
public:
    // Needs the kept table with its closing entry.
    ChapterWriter(const WorkingState& st, const OutputPlan& plan, UiPort& ui, SplitReceiver& receiver);
    CopyOutcome run(LineReader& reader);

private:
    bool copyBlock(std::string_view b);
    bool isBlank(std::string_view line) const;
    void enterChapter(std::int64_t chapter);
    bool finishChapter();
    bool openFile();
    bool put(std::string_view b, std::size_t from, std::size_t to);
    bool turn(); // an event turn when due; false once the window asked to close
    CopyOutcome finish(SplitEnd end);
    void failWith(MsgId id, const char16_t* prefix, const FileError& e);

    const WorkingState& m_st;
    const OutputPlan& m_plan;
    UiPort& m_ui;
    SplitReceiver& m_receiver;
    EventThrottle m_throttle;
    OutputFile m_out;
    const std::int64_t m_n;    // chapters to a file
    const std::int64_t m_kept; // kept headings
    const bool m_dropBlank;
    const EncodingTraits& m_traits;
    std::int64_t m_chapter = 0;
    std::int64_t m_lastLine = 0; // of the current chapter; the last chapter takes all the rest
    std::int64_t m_line = 0;     // lines read so far
    std::int64_t m_nextTurnCheck = 0;
    std::int64_t m_files = 0;
    bool m_needOpen = false;
    bool m_stopped = false;
    bool m_refused = false;
    std::optional<Message> m_failure;
};

} // namespace pw

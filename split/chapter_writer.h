#pragma once
// The copy of the split pass: one read of the input, each line appended to its chapter's
// file as the raw bytes read plus CR LF in the input's encoding, or all of it turned into
// UTF-8. Used by runSplit; it asks whether to delete a file that exists, and shows no other
// message itself. Every byte of the input that is written goes through put(): the one place
// the output encoding is applied.
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

#include "options/working_state.h"
#include "platform/files.h"
#include "platform/line_reader.h"
#include "platform/transcoder.h"
#include "platform/ui_port.h"
#include "split/output_open.h"
#include "split/split_pass.h"

namespace pw {

// Where the writer's files go: the planned files themselves, or stand-ins that are put in
// their place once the whole input has been read.
class ChapterFiles {
public:
    virtual ~ChapterFiles() = default;
    // The output file of this index (0 for the preamble's), as the user knows it.
    virtual const PlannedFile& file(std::int64_t index) = 0;
    virtual OpenedOutput open(std::int64_t index, OutputFile& out) = 0;
};

// The planned files, opened as planOutput found them and as the user answers about them.
class PlannedFiles : public ChapterFiles {
public:
    PlannedFiles(const OutputPlan& plan, UiPort& ui) : m_plan(plan), m_ui(ui) {}
    const PlannedFile& file(std::int64_t index) override { return m_plan.file(index); }
    OpenedOutput open(std::int64_t index, OutputFile& out) override {
        return openPlannedFile(m_plan.file(index), m_ui, out);
    }

private:
    const OutputPlan& m_plan;
    UiPort& m_ui;
};

struct CopyOutcome {
    SplitEnd end = SplitEnd::Done;
    std::int64_t files = 0;         // files created or appended to
    std::optional<Message> failure; // for Failed: the refusal to show; for Refused: the question
    std::int64_t replaced = 0;      // byte sequences written as U+FFFD in UTF-8 output
};

// How a run that copied ends for the user: the status line, the notice of replaced bytes
// or the refusal, and the receiver's last call.
SplitResult reportCopyEnd(const WorkingState& st, const CopyOutcome& out, UiPort& ui, SplitReceiver& receiver);

class ChapterWriter {
public:
    // Needs the kept table with its closing entry; or, `growing`, the kept table as far as
    // the input has been scanned, each heading added through headingKept before the block
    // that holds it is copied. The last chapter then runs to the end of whatever is read.
    ChapterWriter(const WorkingState& st, ChapterFiles& files, UiPort& ui, SplitReceiver& receiver,
                  bool growing = false);
    // The whole copy: begin, copy for every block, end.
    CopyOutcome run(LineReader& reader);

    // Once the kept table holds the first block's headings.
    void begin();
    // False when the copy cannot go on; stopped() then says how it ended.
    bool copy(const LineBlock& block);
    CopyOutcome stopped();
    // After the reader's last block.
    CopyOutcome end(const LineReader& reader);
    // A heading at this line joined the growing kept table.
    void headingKept(std::int64_t line);
    // What every output file starts with (a UTF-16 byte-order mark), or nothing.
    std::string_view fileBom() const { return m_fileBom; }

private:
    // `skip`: bytes of a byte-order mark at the block's start that are not copied.
    bool copyBlock(std::string_view b, std::size_t skip);
    bool isBlank(std::string_view line) const;
    void enterChapter(std::int64_t chapter);
    bool finishChapter();
    bool openFile();
    bool startFile(bool appended, TextView path); // the byte-order mark a UTF-16 file starts with
    bool put(std::string_view b, std::size_t from, std::size_t to);
    bool putRaw(std::string_view bytes); // bytes already in the output encoding
    bool turn();                         // an event turn when due; false once the window asked to close
    CopyOutcome finish(SplitEnd end);
    void writeFailed(); // from m_out's error
    void failWith(MsgId id, const char16_t* prefix, const FileError& e);

    const WorkingState& m_st;
    ChapterFiles& m_fileSet;
    UiPort& m_ui;
    SplitReceiver& m_receiver;
    EventThrottle m_throttle;
    OutputFile m_out;
    const std::int64_t m_n; // chapters to a file
    std::int64_t m_kept;    // kept headings
    const bool m_growing;
    const bool m_dropBlank;
    const EncodingTraits& m_traits;
    std::unique_ptr<Utf8Transcoder> m_toUtf8; // set for UTF-8 output
    std::string_view m_lineEnd;               // CR LF in the output encoding
    std::string_view m_fileBom;               // what every output file starts with
    std::int64_t m_chapter = 0;
    std::int64_t m_lastLine = 0; // of the current chapter; the last chapter takes all the rest
    std::int64_t m_line = 0;     // lines read so far
    std::int64_t m_nextTurnCheck = 0;
    std::int64_t m_blockOffset = 0;
    std::int64_t m_files = 0;
    bool m_needOpen = false;
    bool m_stopped = false;
    bool m_refused = false;
    std::optional<Message> m_failure;
};

} // namespace pw

#pragma once
// One read of the input, handed out chapter by chapter to a sink: where each chapter starts,
// its lines, where it ends. The walk knows the kept table, the preamble, blank lines, line
// ends, event turns and progress; what becomes of the lines (numbered text files, a book) is
// the sink's alone, and stages (stages/) may stand between the walk and the sink.
//
// Two ways to hand lines out, chosen by the sink the walk is given:
//  - to a ChapterSink, one by one, as Line values that know their role and decode their
//    text once;
//  - to a ByteRunSink (the text files with no stage before them, which only copy the
//    input's bytes), whole runs of lines straight from the read buffer, which is what keeps
//    a split near the speed of a copy.
#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/line_reader.h"
#include "platform/messages.h"
#include "platform/regex.h"
#include "platform/text.h"
#include "platform/ui_port.h"
#include "walk/kept_table.h"
#include "walk/line.h"

namespace pw {

struct ChapterStart {
    std::int64_t chapter = 0; // 0 for the text before the first kept heading, else k for kept heading k
    std::int64_t line = 0;    // its first line (the heading's, from chapter 1 on)
    int percent = 0;          // how far the run is as it starts
};

// What a sink made, told when it has closed.
struct OutputFigures {
    std::int64_t outputs = 0;  // output files made or appended to
    std::int64_t dropped = 0;  // characters left out (a book cannot hold every control character)
    std::int64_t replaced = 0; // byte sequences that did not decode, in the text it wrote decoded
    std::int64_t chapters = 0; // chapters written, volumes not counted
    std::int64_t volumes = 0;
    bool preface = false; // the text before the first kept heading went out as its own part
};

// Takes a run's chapters line by line. Every sink is one; a stage is one in front of another.
class ChapterSink {
public:
    virtual ~ChapterSink() = default;
    // A chapter's first line has been read: a chapter the input no longer has never begins.
    virtual bool beginChapter(const ChapterStart& c) = 0;
    // The next line of the current chapter. Blank lines are gone when the user asked for that.
    virtual bool line(const Line& line) = 0;
    // Every line of the chapter has been handed out; the last chapter has no such call.
    virtual bool endChapter() = 0;
    // The run is over, `complete` when every chapter was handed out. Called whatever the end.
    virtual bool close(bool complete) = 0;
    // What it made; meant for after close().
    virtual OutputFigures figures() const = 0;

    // After a false: what went wrong, or, with refused(), the question the user declined.
    const std::optional<Message>& failure() const { return m_failure; }
    bool refused() const { return m_refused; }

protected:
    void fail(Message m, bool refused = false) {
        if (m_failure) return; // the first failure is the one to tell
        m_failure = std::move(m);
        m_refused = refused;
    }

private:
    std::optional<Message> m_failure;
    bool m_refused = false;
};

// A sink that, given to the walk itself, takes the chapter's text as whole runs of the input's
// bytes between beginChapter() and endChapter() instead of line(). After a stage it is handed
// lines like any other sink.
class ByteRunSink : public ChapterSink {
public:
    // Whether the input's byte-order mark is handed on as the first bytes of line 1.
    virtual bool wantsInputMark() const = 0;
    // Text of the current chapter in the input's encoding, lines each ended by the input's
    // CR LF, except that the last one's end may come as lineEnd() (the input ended it
    // otherwise, or not at all).
    virtual bool text(std::string_view bytes) = 0;
    virtual bool lineEnd() = 0;
};

enum class WalkEnd {
    Done,        // every line handed out
    Shrunk,      // the input ended before the lines the scan counted
    Stopped,     // the front end asked to stop
    SinkStopped, // the sink could not go on (see its failure())
    ReadFailed,  // the reader's error() says why
};

// What a walk is told besides its kept table and its sink.
struct WalkSettings {
    bool dropBlank = false;       // blank lines are left out
    std::int64_t fileSize = 0;    // measures progress while the kept table grows
    Text volumePattern;           // kept headings it matches are volumes (a pattern already checked)
};

class ChapterWalk {
public:
    // `kept` is closed, or, `growing`, it grows as the input is scanned: each heading is
    // kept there and announced through headingKept before the block that holds it is
    // walked, and the last chapter runs to the end of whatever is read.
    ChapterWalk(const KeptTable& kept, bool growing, const EncodingTraits& traits, const WalkSettings& settings,
                ChapterSink& sink, UiPort& ui);

    // The whole walk over the reader's blocks.
    WalkEnd run(LineReader& reader);

    // Once the kept table holds the first block's headings.
    void begin();
    void headingKept(std::int64_t line);
    // False when the walk cannot go on; end() then says why.
    bool step(const LineBlock& block);
    WalkEnd end(const LineReader& reader);

private:
    bool walkBlock(std::string_view b, std::size_t skip);
    bool walkLines(std::string_view b, std::size_t skip);
    bool isBlank(std::string_view line) const;
    void enterChapter(std::int64_t chapter);
    bool beginChapter();
    bool finishChapter();
    bool text(std::string_view b, std::size_t from, std::size_t to);
    bool turn(); // an event turn when due; false once the front end asked to stop
    WalkEnd stoppedEnd() const;

    const KeptTable& m_kept;
    const bool m_growing;
    const EncodingTraits& m_traits;
    const bool m_dropBlank;
    const std::int64_t m_fileSize;
    std::optional<Regex> m_volume;
    ChapterSink& m_sink;
    ByteRunSink* const m_runs; // the sink, when it takes runs of bytes
    LineDecoder m_decoder;
    Line m_current;
    EventThrottle m_throttle;
    std::int64_t m_keptCount;
    std::int64_t m_chapter = 0;
    std::int64_t m_firstLine = 0; // of the current chapter
    std::int64_t m_lastLine = 0;  // of the current chapter
    std::int64_t m_line = 0;     // lines read so far
    std::int64_t m_nextTurnCheck = 0;
    std::int64_t m_blockOffset = 0;
    bool m_needBegin = false;
    bool m_stopped = false;
    bool m_sinkStopped = false;
};

} // namespace pw

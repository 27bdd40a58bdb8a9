#pragma once
// One read of the input, handed out chapter by chapter to a sink: where each chapter starts,
// its text, where it ends. The walk knows the kept table, the preamble, blank lines, line
// ends, event turns and progress; what becomes of the chapters (numbered text files, a book)
// is the sink's alone, so every output format is one sink over this one walk.
#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/line_reader.h"
#include "platform/messages.h"
#include "platform/text.h"
#include "platform/ui_port.h"
#include "split/kept_table.h"

namespace pw {

struct ChapterStart {
    std::int64_t chapter = 0; // 0 for the text before the first kept heading, else k for kept heading k
    std::int64_t line = 0;    // its first line (the heading's, from chapter 1 on)
    int percent = 0;          // how far the run is as it starts
};

class ChapterSink {
public:
    virtual ~ChapterSink() = default;
    // Whether the input's byte-order mark is handed on as the first bytes of line 1.
    virtual bool wantsInputMark() const { return false; }
    // A chapter's first line has been read: a chapter the input no longer has never begins.
    virtual bool beginChapter(const ChapterStart& c) = 0;
    // Text of the current chapter in the input's encoding: lines, each ended by the input's
    // CR LF, except that the last one's end may come as lineEnd() (the input ended it
    // otherwise, or not at all). Blank lines are gone when the user asked for that.
    virtual bool text(std::string_view bytes) = 0;
    virtual bool lineEnd() = 0;
    // Every line of the chapter has been handed out; the last chapter has no such call.
    virtual bool endChapter() = 0;
    // The run is over, `complete` when every chapter was handed out. Called whatever the end.
    virtual bool close(bool complete) = 0;
    // Output files it opened (made or appended to).
    virtual std::int64_t outputs() const = 0;
    // Characters of the input it had to leave out (a book cannot hold every control character).
    virtual std::int64_t dropped() const { return 0; }

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

enum class WalkEnd {
    Done,        // every line handed out
    Shrunk,      // the input ended before the lines the scan counted
    Stopped,     // the front end asked to stop
    SinkStopped, // the sink could not go on (see its failure())
    ReadFailed,  // the reader's error() says why
};

class ChapterWalk {
public:
    // `kept` is closed, or, `growing`, it grows as the input is scanned: each heading is
    // kept there and announced through headingKept before the block that holds it is
    // walked, and the last chapter runs to the end of whatever is read. `fileSize` measures
    // progress while the table grows.
    ChapterWalk(const KeptTable& kept, bool growing, const EncodingTraits& traits, bool dropBlank,
                std::int64_t fileSize, ChapterSink& sink, UiPort& ui);

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
    ChapterSink& m_sink;
    EventThrottle m_throttle;
    std::int64_t m_keptCount;
    std::int64_t m_chapter = 0;
    std::int64_t m_lastLine = 0; // of the current chapter
    std::int64_t m_line = 0;     // lines read so far
    std::int64_t m_nextTurnCheck = 0;
    std::int64_t m_blockOffset = 0;
    bool m_needBegin = false;
    bool m_stopped = false;
    bool m_sinkStopped = false;
};

} // namespace pw

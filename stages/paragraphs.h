#pragma once
// Paragraphs rebuilt from the lines of a downloaded text. Sites put a paragraph on one line;
// Project Gutenberg texts and old scans wrap it at a fixed width and mark its start with an
// indent or a blank line. Read line by line, such a text is a heap of broken pieces; this stage
// joins the pieces of each paragraph into one line again.
//
// The layout is judged stretch by stretch (a chapter, or a bounded run of its lines), from the
// same evidence for every stretch: the widths the lines pile up at, how they end, indents and
// blank lines. Books put together from several sources change layout from part to part, and each
// part gets its own. The stage holds a stretch back until it is judged; it never guesses line by
// line, so two runs of the same file always join the same lines, and a file of one line a
// paragraph comes out as it went in.
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/text.h"
#include "stages/stage.h"

namespace pw {

enum class ParagraphMode : std::uint8_t {
    Auto,   // chosen from the file's lines
    Line,   // every line is a paragraph
    Blank,  // blank lines end paragraphs
    Indent, // an indented line starts a paragraph
    Unwrap, // hard-wrapped without reliable marks: only a line near the wrap width goes on
};

// The mode's name as the command line takes it (auto, line, blank, indent, unwrap), and back.
std::string_view paragraphModeName(ParagraphMode m);
std::optional<ParagraphMode> paragraphModeNamed(std::string_view name);
// What people read: "每行一段", "空行分段", "缩进分段", "按行宽合并".
Text paragraphModeText(ParagraphMode m);

// How a file lays out its paragraphs.
struct ParagraphLayout {
    ParagraphMode mode = ParagraphMode::Line;
    // The width the text is wrapped at (0 when it is not): in columns (a Chinese character
    // two) or in characters, whichever the text keeps more exactly.
    int wrapWidth = 0;
    bool wrapInColumns = true;
    // Wrapped, but at no one width (parts of the text from different sources): the width is
    // taken from the lines around each line.
    bool wrapVaries = false;
    // The indent of the text's paragraphs in columns (0: they have none): a line indented deeper
    // is a block of its own (verse, a letter) and stays as written.
    int indentColumns = 0;
    // The paragraphs are indented with ideographic spaces: a stray ASCII space is no indent.
    bool wideIndent = false;

    // What people read: the mode, and the width for wrapped text ("缩进分段（每行 35 字）").
    Text describe() const;
};

// Chooses the layout from lines of the file (its first part, decoded): whether the text is
// wrapped at a fixed width, and if so what marks a paragraph's start there (an indent, a blank
// line, or nothing reliable). Text that is not wrapped stays one line a paragraph.
ParagraphLayout chooseParagraphLayout(const std::vector<Text>& lines);
// The same from UTF-8 lines; nothing when they are too few to tell.
std::optional<ParagraphLayout> judgeParagraphLayout(const std::vector<std::string_view>& utf8);
// The layout for a mode the user named: its wrap width still comes from the lines.
ParagraphLayout paragraphLayout(ParagraphMode mode, const std::vector<Text>& lines);

// Helpers the stage's rules are made of, for the tests and for the titles of headings.
// The line's width in columns, a wide (Chinese) character counting two; spaces at its end not counted.
int displayWidth(std::string_view utf8);
// Whether the line starts with an indent: a space, an ideographic space or a tab.
bool isIndented(std::string_view utf8);
// Whether the line ends a sentence: 。！？… or —— last, or a closing quote or bracket after one.
bool endsSentence(std::string_view utf8);
// Whether the line is a line of verse: two or four clauses of four to seven characters, the
// second half as long as the first (天上一輪才捧出，人間萬姓仰頭看。, 草根木叶权充腹，儿女呱呱相向哭；).
bool isVerseLine(std::string_view utf8);
// Whether the line introduces verse: 詩曰：, 有詩為證：, 正是：, 詞曰：…
bool introducesVerse(std::string_view utf8);

// What a run's paragraph stage chose, stretch by stretch; the front end tells it after the run.
struct ParagraphTally {
    struct Use {
        ParagraphLayout layout;
        std::int64_t lines = 0; // lines of text it took
    };
    std::vector<Use> uses; // one per layout, in the order first used
    bool chosen = false;   // the layouts were chosen from the file (auto)

    void add(const ParagraphLayout& layout, std::int64_t lines);
    // Layouts that differ in their mode; widths of the same mode are one layout.
    std::size_t layouts() const;
    // What people read: "缩进分段（每行 35 字）", or each layout in turn with their number
    // ("每行一段；按行宽合并（每行 25 字）（2 种排版）").
    Text describe() const;
    // The modes' names for the JSON line, in the order used: "indent", "line+unwrap".
    std::string modeNames() const;
};

struct ParagraphSettings {
    ParagraphMode mode = ParagraphMode::Auto; // Auto: judged stretch by stretch; else as the user named it
    ParagraphLayout start;                    // until a stretch shows enough lines to judge its own
    bool dropBlank = false;                   // blank lines left out once they have ended a paragraph
    std::shared_ptr<ParagraphTally> tally;    // filled as the run goes (may be null)
};

class ParagraphStage : public Stage {
public:
    ParagraphStage(ChapterSink& next, const ParagraphSettings& settings);

    bool beginChapter(const ChapterStart& c) override;
    bool line(const Line& l) override;
    bool endChapter() override;
    bool close(bool complete) override;

    // A stretch holds at most this many lines or bytes of the input before it is judged.
    static constexpr std::size_t kStretchLines = 1024, kStretchBytes = 1 << 20;

private:
    // The stretch held back: judged, then its lines handed on.
    bool release();
    void judge();
    bool take(std::size_t i);
    // `verse`: whether the next line is a line of verse.
    bool joins(const Line& next, bool verse) const;
    bool deeper(std::string_view utf8) const;
    bool indentedHere(std::string_view utf8) const;
    void hold(const Line& l);
    void append(const Line& l);
    bool flush();
    // Whether the line reaches the width the text is wrapped at around here.
    bool full(std::string_view utf8) const;
    // Whether a block's first line is as long as a wrapped line of a block.
    bool wrappedBlock(std::string_view first) const;
    int localWidth() const;
    // The paragraph's last line so far.
    std::string_view last() const { return m_lastIsFirst ? std::string_view(m_first.text()) : m_last; }
    void remember(std::string_view utf8);

    const ParagraphSettings m_settings;
    ParagraphLayout m_layout;
    std::vector<Line> m_stretch; // its first m_count are the stretch
    std::size_t m_count = 0;
    std::string m_arena;              // the stretch's bytes and marks, in order
    std::vector<std::size_t> m_sizes; // of each line's bytes and mark in the arena
    bool m_held = false;
    // The paragraph so far: its first line as it came (its bytes kept here), the text of the
    // lines joined, and the last of them.
    Line m_first;
    std::string m_bytes, m_mark, m_text, m_last;
    std::int64_t m_lines = 0, m_replaced = 0;
    bool m_ended = true;
    // The widths of the last lines of text, for the width the text is wrapped at around here.
    static constexpr std::size_t kRecent = 32, kRecentMin = 8;
    std::array<int, kRecent> m_recent{};
    std::size_t m_recentCount = 0;
    std::size_t m_seen = 0;
    bool m_lastIsFirst = true;
    bool m_allIndented = false; // every line of the paragraph so far indented: a block
    bool m_lastVerse = false;   // the paragraph's last line is a line of verse
};

// The stage for a run.
StageMaker paragraphStage(const ParagraphSettings& settings);

} // namespace pw

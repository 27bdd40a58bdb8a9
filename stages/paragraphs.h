#pragma once
// Paragraphs rebuilt from the lines of a downloaded text. Sites put a paragraph on one line;
// Project Gutenberg texts and old scans wrap it at a fixed width and mark its start with an
// indent or a blank line. Read line by line, such a text is a heap of broken pieces; this stage
// joins the pieces of each paragraph into one line again.
//
// The layout is one for the whole file, chosen from a sample of its lines before the run (the
// user may name it instead): the stage never guesses line by line, so two runs of the same file
// always join the same lines, and a file of one line a paragraph comes out as it went in.
#include <array>
#include <cstdint>
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

    // What people read: the mode, and the width for wrapped text ("缩进分段（每行 35 字）").
    Text describe() const;
};

// Chooses the layout from lines of the file (its first part, decoded): whether the text is
// wrapped at a fixed width, and if so what marks a paragraph's start there (an indent, a blank
// line, or nothing reliable). Text that is not wrapped stays one line a paragraph.
ParagraphLayout chooseParagraphLayout(const std::vector<Text>& lines);
// The layout for a mode the user named: its wrap width still comes from the lines.
ParagraphLayout paragraphLayout(ParagraphMode mode, const std::vector<Text>& lines);

// Helpers the stage's rules are made of, for the tests and for the titles of headings.
// The line's width in columns, a wide (Chinese) character counting two; spaces at its end not counted.
int displayWidth(std::string_view utf8);
// Whether the line starts with an indent: a space, an ideographic space or a tab.
bool isIndented(std::string_view utf8);
// Whether the line ends a sentence: 。！？… or —— last, or a closing quote or bracket after one.
bool endsSentence(std::string_view utf8);

class ParagraphStage : public Stage {
public:
    // `dropBlank` leaves blank lines out once they have ended a paragraph, as the user asked.
    ParagraphStage(ChapterSink& next, const ParagraphLayout& layout, bool dropBlank);

    bool beginChapter(const ChapterStart& c) override;
    bool line(const Line& l) override;
    bool endChapter() override;
    bool close(bool complete) override;

private:
    bool joins(const Line& next) const;
    void hold(const Line& l);
    void append(const Line& l);
    bool flush();
    // Whether the line reaches the width the text is wrapped at around here.
    bool full(std::string_view utf8) const;
    // The paragraph's last line so far.
    std::string_view last() const { return m_lastIsFirst ? std::string_view(m_first.text()) : m_last; }
    void remember(std::string_view utf8);

    const ParagraphLayout m_layout;
    const bool m_dropBlank;
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
};

// The stage for a run; none is needed for one line a paragraph. `dropBlank` as the user asked.
StageMaker paragraphStage(const ParagraphLayout& layout, bool dropBlank);

} // namespace pw

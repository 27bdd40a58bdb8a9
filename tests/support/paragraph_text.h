#pragma once
// Novels whose paragraphs are laid out as download sites and scans lay them out, returned with
// each paragraph as it was before the layout broke it into lines: the truth that rebuilt
// paragraphs are held against.
#include <cstdint>
#include <string>
#include <vector>

namespace pwtest {

enum class ParagraphLayoutKind {
    OneLine,         // a line a paragraph, nothing else
    OneLineIndented, // a line a paragraph, each with a full-width indent
    OneLineBlank,    // a line a paragraph, blank lines between
    WrapIndent,      // wrapped at a width, a full-width indent (　　) starting each paragraph
    WrapAsciiIndent, // wrapped, four spaces (or a tab) starting each paragraph
    WrapBlank,       // wrapped, no indent, a blank line between paragraphs
    WrapIndentBlank, // wrapped, an indent and a blank line
    // Wrapped, every line behind the same indent, the first line of a paragraph shorter by an
    // indent of its own that was taken away: nothing marks where a paragraph starts, so where a
    // line ends a sentence right at the width, nothing tells the paragraph goes on. The truth
    // takes it as two there (a new paragraph is the likelier). Not among kAllParagraphLayouts.
    WrapEveryLineIndented,
};
constexpr ParagraphLayoutKind kAllParagraphLayouts[] = {
    ParagraphLayoutKind::OneLine,        ParagraphLayoutKind::OneLineIndented, ParagraphLayoutKind::OneLineBlank,
    ParagraphLayoutKind::WrapIndent,     ParagraphLayoutKind::WrapAsciiIndent, ParagraphLayoutKind::WrapBlank,
    ParagraphLayoutKind::WrapIndentBlank};
const char* nameOf(ParagraphLayoutKind k);
// Whether the layout breaks paragraphs into several lines.
bool wraps(ParagraphLayoutKind k);

struct ParagraphTextOptions {
    ParagraphLayoutKind layout = ParagraphLayoutKind::WrapIndent;
    int width = 30; // characters a wrapped line holds, the indent counted or not
    bool widthHoldsIndent = true;
    bool mixedLineEnds = false; // CR LF, LF or CR at random, else CR LF
    std::uint32_t seed = 1;
    int chapters = 6;
    int minParagraphs = 15; // a chapter holds this many paragraphs and up to 19 more
    // From this chapter on (1 for none), the text is laid out as `then`, wrapped at `thenWidth`:
    // parts of a book gathered from several sources.
    int changeAt = 0;
    ParagraphLayoutKind then = ParagraphLayoutKind::WrapEveryLineIndented;
    int thenWidth = 25;
    // What old books and scans hold besides prose (wrapped layouts only): a blank line where a
    // page broke mid-sentence, verse after 詩曰： (its lines indented deeper, or not at all),
    // a letter indented deeper than the paragraphs, a stray ASCII space where a line goes on.
    bool pageBreaks = false;
    bool verse = false;
    bool letters = false;
    bool straySpaces = false;
    // Songs and letters wrapped by hand at the paragraphs' own indent (WrapIndent, width 28 or more).
    bool songs = false;
};

struct ParagraphText {
    std::string utf8; // the file's text
    // Every line that is not blank, in order, as one line a paragraph makes it: each heading,
    // each paragraph whole with its first line's indent, each line of verse or a letter as written.
    std::vector<std::string> lines;
    // The same paragraphs without their indents (the book's text); headings left out.
    std::vector<std::string> paragraphs;
};

ParagraphText makeParagraphText(const ParagraphTextOptions& o);

} // namespace pwtest

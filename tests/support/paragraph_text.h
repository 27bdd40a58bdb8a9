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
};
constexpr ParagraphLayoutKind kAllParagraphLayouts[] = {
    ParagraphLayoutKind::OneLine,         ParagraphLayoutKind::OneLineIndented, ParagraphLayoutKind::OneLineBlank,
    ParagraphLayoutKind::WrapIndent,      ParagraphLayoutKind::WrapAsciiIndent, ParagraphLayoutKind::WrapBlank,
    ParagraphLayoutKind::WrapIndentBlank};
const char* nameOf(ParagraphLayoutKind k);
// Whether the layout breaks paragraphs into several lines.
bool wraps(ParagraphLayoutKind k);

struct ParagraphTextOptions {
    ParagraphLayoutKind layout = ParagraphLayoutKind::WrapIndent;
    int width = 30;            // characters a wrapped line holds, the indent counted or not
    bool widthHoldsIndent = true;
    bool mixedLineEnds = false; // CR LF, LF or CR at random, else CR LF
    std::uint32_t seed = 1;
    int chapters = 6;
};

struct ParagraphText {
    std::string utf8; // the file's text
    // Every line that is not blank, in order, as one line a paragraph makes it: each heading,
    // and each paragraph whole with its first line's indent.
    std::vector<std::string> lines;
    // The same paragraphs without their indents (the book's text); headings left out.
    std::vector<std::string> paragraphs;
};

ParagraphText makeParagraphText(const ParagraphTextOptions& o);

} // namespace pwtest

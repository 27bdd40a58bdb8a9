#pragma once
// Novels made on demand: novel-shaped text, deterministic from a seed, returned with the truth
// about it (the decoded text of every line, and every line planted to look like a heading, true
// or false), so that a test holds what the program finds against what was put there rather
// than against the program's own earlier output.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/encoding.h"

namespace pwtest {

// How the text is written to bytes. Those named Bom start with a byte-order mark, the others
// have none. Big5 novels are written in traditional characters (Big5 has few simplified ones),
// without four-byte characters.
enum class NovelEncoding { Gb18030, Utf8, Utf8Bom, Utf16Le, Utf16LeBom, Utf16Be, Utf16BeBom, Big5 };
constexpr NovelEncoding kAllNovelEncodings[] = {
    NovelEncoding::Gb18030,    NovelEncoding::Utf8,    NovelEncoding::Utf8Bom,    NovelEncoding::Utf16Le,
    NovelEncoding::Utf16LeBom, NovelEncoding::Utf16Be, NovelEncoding::Utf16BeBom, NovelEncoding::Big5};
// The encoding the program should find for it, and the name of that encoding.
pw::Encoding coreEncoding(NovelEncoding e);
std::string nameOf(NovelEncoding e);

// How chapter numbers are written where the novel writes them in Chinese: Plain 一百零八, Liang
// 两百 and 一千两百, Financial 壹佰零捌, FinancialTraditional 貳 參 陸 and 萬, Tens 廿一 and 卅五
// (below 100), Zeros 一〇八 digit by digit (from 100), FullWidth １０８, Arabic 108.
enum class NumeralStyle { Plain, Liang, Financial, FinancialTraditional, Tens, Zeros, FullWidth, Arabic };
constexpr NumeralStyle kAllNumeralStyles[] = {
    NumeralStyle::Plain, NumeralStyle::Liang, NumeralStyle::Financial, NumeralStyle::FinancialTraditional,
    NumeralStyle::Tens,  NumeralStyle::Zeros, NumeralStyle::FullWidth, NumeralStyle::Arabic};

// Mixed picks CR LF, LF or CR at random for each line.
enum class LineEnds { CrLf, Lf, Cr, Mixed };

struct NovelOptions {
    NovelEncoding encoding = NovelEncoding::Gb18030;
    LineEnds lineEnds = LineEnds::CrLf;
    std::uint32_t seed = 1;
    int chapters = 12;
    char32_t chapterWord = U'章'; // 章 or 回
    bool preamble = true;         // title, author and blurb before the first heading
    bool volumes = true;          // a 第…卷 line before every tenth chapter, from the first
    bool sections = true;         // 第…节 lines inside some chapters
    bool falseHeadings = true;    // prose lines with 第 in them, some of which the heading patterns match
    bool trickyBytes = true;      // pairs whose GB18030 bytes hold those of 第, 章 or 回 across a character boundary
    bool fourByteChars = true;    // CJK Extension B and emoji (four bytes in GB18030 and UTF-8)
    bool badBytes = true;         // a few bytes that do not decode (0xFF; in UTF-16 a lone surrogate)
    bool oddBlankLines = true;    // blank lines of spaces, U+3000 and tabs, besides empty ones
    bool headingOnLastLine = false; // the last chapter's heading is the file's last line
    bool finalLineEnd = true;
    // Faults of the numbering, by chapter (1..chapters): chapters left out, and chapters written
    // twice (heading and text), as pirated files have them.
    std::vector<int> skipChapters{};
    std::vector<int> repeatChapters{};
    bool restartPerVolume = false; // each volume numbers its chapters from 1 (with volumes on)
    int paragraphs = 6;            // prose lines per chapter (between half and one and a half times this)
    int paragraphChars = 60;       // characters per prose line, roughly
    // Headings as download sites and web authors write them: 第…章 behind a label (正文, 正文卷,
    // VIP卷, VIP章节, 卷N, 第N卷 and its title), zero-padded numbers, chapters published in parts,
    // 序章/楔子 before the first chapter and 番外/尾声/后记 after the last; and the false lines of
    // such files (author's notes, navigation lines, prose quoting a chapter) instead of the
    // classical ones. Chapters only: the chapter word is 章 and there are no 第…节 lines.
    bool webNovel = false;
    // Forms of the second round: a table of contents after the preamble (目录, then every
    // volume's and chapter's heading line as the novel writes it, as download sites put it);
    // some headings in brackets (【第N章 …】, 〖第N章〗…); some short titles with a comma that end
    // in ！, ？ or 。 (第12章 来吧，决战！); and the style of the Chinese numbers.
    bool contentsAtStart = false;
    bool bracketHeadings = false;
    bool commaTitles = false;
    NumeralStyle numerals = NumeralStyle::Plain;
    // Forms of the third round, as real downloads have them: the word of the volumes (卷, or 季,
    // 册, 部, 集, 篇); volumes named only on the chapters' own lines, behind a season every other
    // time (第一季 第二卷 怒海潜沙 第一章 蛇眉铜鱼) or glued (第六册第六十章), in place of lines of
    // their own; unnumbered chapters, 楔子 before the first and 尾声 and 完本感言 after the last.
    char32_t volumeWord = U'卷';
    bool volumesOnChapterLines = false;
    bool unnumberedChapters = false;
    // Every fourth chapter's heading written again a line or two on, around a site's advert, as
    // pirated files have them (the copy is planted False, with `copy` set).
    bool headingCopies = false;
};

// A line that holds 第 and looks like a heading: either one of the novel's headings, or prose.
struct PlantedLine {
    enum class Kind { True, False };
    enum class Level { Chapter, Volume, Section, None }; // None for prose

    std::int64_t line = 0; // from 1, every CR LF, LF or CR ending one
    std::string text;      // the decoded line, UTF-8, without line end or byte-order mark
    Kind kind = Kind::True;
    Level level = Level::None;
    std::optional<int> number; // the chapter's (volume's, section's) number as written; none for prose
    std::optional<int> volume; // the volume a chapter's own line names (第2卷 江湖 第14章), if any
    int part = 0;              // 1, 2, … for the parts of a chapter published in parts; 0 otherwise
    bool contents = false;     // a line of the table of contents (Kind False): a heading's copy
    bool copy = false;         // the heading before it written again (Kind False)
};

struct Novel {
    NovelOptions options;
    std::string bytes;
    std::vector<std::string> lines;   // the decoded text of every line, UTF-8; bad bytes as U+FFFD
    std::vector<PlantedLine> planted; // in line order

    // The planted lines that 第(.){1,10}<word> matches: what a scan with that pattern must find,
    // since no other line holds 第.
    std::vector<PlantedLine> matching(char32_t word) const;
};

Novel makeNovel(const NovelOptions& options);
// Five novels between them holding every line-end style, with and without a preamble, a 回
// novel, more than a hundred chapters and a heading as the last line without a line end: the
// set that the scan and the heading analysis are both held against.
std::vector<NovelOptions> everyShapeOfNovel();
// Web novels between them holding every heading form and false line of webNovel, in the
// encodings and line ends such files come in.
std::vector<NovelOptions> everyShapeOfWebNovel();

// Makes the novel and writes its bytes to `path`.
Novel writeNovel(const std::filesystem::path& path, const NovelOptions& options);

// Whether 第, then one to ten characters (code points), then `word` occur in the UTF-8 text:
// the default heading pattern worked out by hand, independent of the regular expression engine.
bool diPatternMatches(std::string_view utf8, char32_t word);

// Chapter numbers as Chinese numerals: 1 一, 12 十二, 108 一百零八, 2010 二千零一十.
std::string chineseNumber(int n);
// The same in a style (see NumeralStyle).
std::string chineseNumber(int n, NumeralStyle style);

// Novels of the second round between them: a table of contents at the start, bracketed
// headings, short titles with commas, thousands of chapters, every numeral style, restarts
// per volume and in extras.
std::vector<NovelOptions> everyShapeOfSecondRound();

// Novels of the third round: volumes of every word, on lines of their own or only on the
// chapters' lines behind a season, and unnumbered chapters around the story.
std::vector<NovelOptions> everyShapeOfThirdRound();

} // namespace pwtest

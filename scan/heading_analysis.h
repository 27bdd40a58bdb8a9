#pragma once
// A second look at the lines a scan matched, from what the scan already holds: the chapter
// number each one carries, how big its chapter is, why it may not be a heading at all, and
// what the numbering says (gaps, repeats, a new volume). It never reads the file again, so
// it costs the scan almost nothing; and it only advises: the user still decides what to
// leave out.
#include <cstdint>
#include <deque>
#include <optional>
#include <utility>
#include <vector>

#include "platform/text.h"

namespace pw {

// Why an entry looks like prose rather than a heading. Bits, so one entry can have several.
enum SuspectReason : std::uint8_t {
    kSuspectLong = 1,       // the trimmed line is long for a heading
    kSuspectNotAtStart = 2, // prose stands before the match (a label such as 正文 or 第一卷 does not count)
    kSuspectSentence =
        4,            // it reads as a sentence: end punctuation, a clause ending a sentence, no unit after the number
    kSuspectTiny = 8, // its chapter is tiny next to the median chapter
    // One of a block of headings with next to no text between them that come again later: the
    // book's own table of contents.
    kSuspectContents = 16,
    // The heading before it written again a line or two on (二十 three times, around an advert):
    // a copy, not a chapter of its own.
    kSuspectCopy = 32,
};
using SuspectReasons = std::uint8_t;

// The reason codes that scripts see, in bit order: "long", "not_at_start", "sentence", "tiny",
// "contents", "copy".
std::vector<const char*> suspectCodes(SuspectReasons reasons);

// A chapter number as a heading writes it, and the unit that follows it (章, 回, 卷…; '#' for
// a bare number at the line's start, 'C' for "Chapter N"). The unit keeps volumes and chapters
// apart when the numbering is read.
// A number past two thousand million is no chapter's: it is read as none. Kept small because
// the scan keeps one for every heading.
struct ChapterNumber {
    std::int32_t value = 0;
    char16_t unit = 0;

    friend bool operator==(const ChapterNumber&, const ChapterNumber&) = default;
};

// Reads the number of a heading from `from` on: 第一百零八章, 第１２章, 第 3 回, 卷二, the
// digit-by-digit 第一○○回 / 第一零零回 / 第一一回, 第廿一回, 第貳章, "Chapter 12", "001". Empty
// when none.
std::optional<ChapterNumber> parseChapterNumber(TextView line, std::size_t from = 0);

// The value of a run of Chinese numerals (those of the heading vocabulary: 零〇○一二两…万, the
// financial forms simplified and traditional, 廿 卅 卌) or of Arabic / full-width digits. Empty when the run mixes them
// or holds nothing else.
std::optional<std::int64_t> numeralValue(TextView run);

// What is kept of each heading: small, because a pattern may match a few hundred thousand lines.
struct HeadingFacts {
    std::int64_t line = 0;   // line number, from 1
    std::int64_t offset = 0; // byte offset of the line in the file
    // Unit 0 when the line carries no number; the chapter's, not the volume's, when the line names
    // both (第2卷 江湖 第14章). The bytes below go into its padding: 24 bytes a heading.
    [[no_unique_address]] ChapterNumber number;
    SuspectReasons suspect : 6 = 0;
    // The line opens extras (番外, 外传, 后记): the chapters after it are numbered anew.
    std::uint8_t extras : 1 = 0;
    // The suspicion leaves no doubt: the line goes on with a sentence (第四回中既將…，此回則…) or
    // mentions a chapter in the middle of one. A book leaves such lines out unasked.
    std::uint8_t sure : 1 = 0;
    // Which part of a chapter published in parts the line marks: （上） 1, （中） 2, （下） 3, (2) and
    // 之二 2; 0 for none.
    std::uint8_t part : 7 = 0;
    // The line names its volume before the chapter; the volume itself is kept where volumes change
    // (HeadingAnalysis::volumeOf), not in every heading.
    std::uint8_t withVolume : 1 = 0;

    bool hasNumber() const { return number.unit != 0; }
};
static_assert(sizeof(HeadingFacts) <= 24);

struct NumberGap {
    std::int64_t after = 0;            // heading number k (from 1) after which numbers are missing
    std::int64_t afterNumber = 0;      // the chapter number it carries
    std::vector<std::int64_t> missing; // chapter numbers, ascending
    char16_t unit = 0;                 // of the numbers: 章, 卷… (a volume may be named on chapters' lines)
};

struct NumberRepeat {
    std::int64_t number = 0;
    std::vector<std::int64_t> headings; // heading numbers k (from 1) that carry it
    char16_t unit = 0;
};

// A chapter published in parts (第60章 相遇（上）, 第60章 相遇（下）): one chapter, not a repeat.
struct ChapterParts {
    std::int64_t number = 0;
    std::vector<std::int64_t> headings; // heading numbers k (from 1) of its parts, in order
    char16_t unit = 0;
};

struct HeadingAnalysis {
    // Index k - 1 for heading k. A deque grows without moving what it holds: the scan appends
    // one entry per match, and a vector's doubling would copy them all again and again.
    std::deque<HeadingFacts> headings;
    std::vector<NumberGap> gaps;
    std::vector<NumberRepeat> repeats;
    std::vector<ChapterParts> parts;    // by their first heading
    std::vector<std::int64_t> restarts; // heading numbers k where the numbering starts again at 1
    // The volume that headings' own lines name, from each index i (k - 1) where it changes: one
    // entry a volume, however many chapters name theirs.
    std::vector<std::pair<std::size_t, ChapterNumber>> lineVolumes;
    std::int64_t fileSize = 0;
    std::int64_t lines = 0;

    std::int64_t suspectCount() const;
    // The volume that the line of heading index i names before its chapter, if it names one.
    std::optional<ChapterNumber> volumeOf(std::size_t i) const;
    // The chapter in parts that heading index i is a part of, if any.
    const ChapterParts* partsOf(std::size_t i) const;
    // The chapter of heading index i (k - 1), to the next heading or to the end of the file.
    std::int64_t chapterBytes(std::size_t i) const;
    std::int64_t chapterLines(std::size_t i) const;
};

// Fed by the scan, one matched line at a time; `finish` closes the analysis once the file's
// size and line count are known. Only a few facts of each line are kept, not the line.
class HeadingAnalyzer {
public:
    // Above this many characters a trimmed line is long for a heading.
    static constexpr std::size_t kLongLine = 40;
    // A table of contents is a run of at least kShortestContents headings, each at most
    // kCloseLines lines and kCloseBytes bytes after the one before.
    static constexpr std::int64_t kCloseLines = 3, kCloseBytes = 600;
    static constexpr std::size_t kShortestContents = 5;

    // `matchStart` is where the pattern's match begins in `line`, in UTF-16 units.
    void add(TextView line, std::size_t matchStart, std::int64_t lineNumber, std::int64_t offset);
    HeadingAnalysis finish(std::int64_t fileSize, std::int64_t linesRead);

private:
    HeadingAnalysis m_result;
    void closeRun(std::size_t last);

    // The length and first character of each heading's line from index m_keysFrom on: a table
    // of contents repeats the headings it lists. Dropped when the analysis is finished.
    std::vector<std::uint32_t> m_textKeys;
    std::size_t m_keysFrom = 0;
    // The runs of close headings found so far, [first, last], and where the current one began.
    std::vector<std::pair<std::size_t, std::size_t>> m_closeRuns;
    std::size_t m_runStart = 0;
};

// The headings the analysis finds suspect, by list row (heading k is row k - 1), ascending:
// what "选中可疑标题" selects and --exclude-suspects leaves out.
std::vector<std::int64_t> suspectRows(const HeadingAnalysis& a);

// The rows a book leaves out unless told otherwise: the lines of the text's own table of contents
// and the suspects the analysis is sure of (HeadingFacts::sure), ascending.
std::vector<std::int64_t> rowsLeftOutByDefault(const HeadingAnalysis& a);

// The facts of one line alone (no chapter sizes, no numbering): what `add` keeps. `volume`, when
// given, receives the volume that the line names before its chapter.
HeadingFacts judgeHeadingLine(TextView line, std::size_t matchStart, std::optional<ChapterNumber>* volume = nullptr);

} // namespace pw

// The heading analysis held against generated novels whose every true and false heading is
// known: how many planted false headings it flags, how few true ones, and whether it reports
// exactly the gaps and repeats that were planted, and none at a new volume.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>

#include "platform/paths.h"
#include "scan/analysis_texts.h"
#include "scan/scan_pass.h"
#include "support/corpus.h"
#include "support/novel.h"
#include "support/scripted_ui.h"

using namespace pw;
using pwtest::NovelOptions;
using pwtest::PlantedLine;

namespace {

struct Scanned {
    pwtest::Novel novel;
    HeadingAnalysis analysis;
};

HeadingAnalysis scanFile(const std::filesystem::path& file, TextView pattern) {
    WorkingState st;
    st.strInFile = fromPath(file);
    st.strFindStr = Text(pattern);
    pwtest::ScriptedUi ui;
    struct Nothing : ScanReceiver {
        void heading(const HeadingFound&) override {}
    } receiver;
    ScanResult r = runScan(st, ui, receiver);
    EXPECT_EQ(r.outcome, ScanOutcome::Finished);
    return std::move(r.analysis);
}

Scanned scanNovel(const NovelOptions& o, TextView pattern) {
    pwtest::ScratchDir dir;
    pwtest::Novel novel = pwtest::writeNovel(dir / "novel.txt", o);
    return {std::move(novel), scanFile(dir / "novel.txt", pattern)};
}

struct Tally {
    int falseMatched = 0, falseFlagged = 0, trueMatched = 0, trueFlagged = 0;
    int numbered = 0, numberedRight = 0; // true headings that carry a number, and those read right
    int unplanted = 0;                   // gaps and repeats reported in novels that have none
    int contentsMatched = 0, contentsFlagged = 0; // lines of a table of contents, flagged as such
    std::vector<std::string> missed, wronglyFlagged, misread, numbering;

    void add(const Scanned& s, char32_t word) {
        std::map<std::int64_t, std::size_t> byLine; // line -> heading index
        for (std::size_t i = 0; i < s.analysis.headings.size(); ++i)
            byLine[s.analysis.headings[i].line] = i;
        std::vector<std::vector<std::int64_t>> wantParts, gotParts; // the headings k of each chapter in parts
        const std::vector<PlantedLine> matched = s.novel.matching(word);
        ASSERT_EQ(matched.size(), s.analysis.headings.size());
        for (const PlantedLine& p : matched) {
            ASSERT_TRUE(byLine.count(p.line)) << p.text;
            const std::size_t i = byLine[p.line];
            const HeadingFacts& h = s.analysis.headings[i];
            const bool flagged = h.suspect != 0;
            if (p.contents) {
                ++contentsMatched;
                contentsFlagged += (h.suspect & kSuspectContents) != 0;
            }
            if (p.kind == PlantedLine::Kind::False) {
                ++falseMatched;
                falseFlagged += flagged;
                if (!flagged) missed.push_back(p.text);
                continue;
            }
            ++trueMatched;
            trueFlagged += flagged;
            if (flagged) wronglyFlagged.push_back(p.text + " (" + toUtf8(reasonWords(h.suspect)) + ")");
            if (p.part == 1) wantParts.emplace_back();
            if (p.part != 0) wantParts.back().push_back(static_cast<std::int64_t>(i) + 1);
            if (!p.number) continue;
            ++numbered;
            // A volume line's number is a volume's, a chapter line's a chapter's, whatever else it
            // names; and the volume a chapter's line names is read too.
            const auto volume = s.analysis.volumeOf(i);
            const bool right = h.hasNumber() && h.number.value == *p.number &&
                               (h.number.unit == u'卷') == (p.level == PlantedLine::Level::Volume) &&
                               (volume ? std::optional<int>(volume->value) : std::nullopt) == p.volume;
            numberedRight += right;
            if (!right) misread.push_back(p.text);
        }
        for (const ChapterParts& c : s.analysis.parts)
            gotParts.push_back(c.headings);
        EXPECT_EQ(gotParts, wantParts);
        if (s.novel.options.skipChapters.empty() && s.novel.options.repeatChapters.empty()) {
            unplanted += static_cast<int>(s.analysis.gaps.size() + s.analysis.repeats.size());
            for (const Text& l : numberingLines(s.analysis))
                numbering.push_back(toUtf8(l));
        }
    }

    void print(const char* set) const {
        std::printf("%s: true headings flagged %d of %d, false headings flagged %d of %d (contents %d of %d), numbers "
                    "read right %d of %d, gaps and repeats not planted %d\n",
                    set, trueFlagged, trueMatched, falseFlagged, falseMatched, contentsFlagged, contentsMatched,
                    numberedRight, numbered, unplanted);
    }

    // At most 1% of the true headings flagged, at least 95% of the false ones, every number read
    // right, and no gap or repeat that was not planted.
    void check() const {
        EXPECT_GE(falseFlagged * 100, falseMatched * 95)
            << falseFlagged << " of " << falseMatched << " false headings flagged; missed:" << joined(missed);
        EXPECT_LE(trueFlagged * 100, trueMatched)
            << trueFlagged << " of " << trueMatched << " true headings flagged:" << joined(wronglyFlagged);
        EXPECT_EQ(numberedRight, numbered) << "misread:" << joined(misread);
        EXPECT_EQ(unplanted, 0) << joined(numbering);
        EXPECT_GE(contentsFlagged * 100, contentsMatched * 95);
    }

    static std::string joined(const std::vector<std::string>& v) {
        std::string s;
        for (const std::string& x : v)
            s += "\n  " + x;
        return s;
    }
};

} // namespace

TEST(HeadingTruth, FlagsTheFalseHeadingsAndSparesTheTrueOnes) {
    using pwtest::NovelEncoding;
    // The scan tests' five novels, and three longer ones for numbers that mean something.
    std::vector<NovelOptions> novels = pwtest::everyShapeOfNovel();
    novels.push_back({.seed = 11, .chapters = 400});
    novels.push_back({.encoding = NovelEncoding::Utf8, .seed = 12, .chapters = 300, .chapterWord = U'回'});
    novels.push_back({.seed = 13, .chapters = 250, .paragraphs = 20});
    Tally t;
    for (const NovelOptions& o : novels) {
        SCOPED_TRACE("seed " + std::to_string(o.seed));
        for (const char32_t word : {U'章', U'回'}) {
            const Text pattern = word == U'章' ? u"第(.){1,10}章" : u"第(.){1,10}回";
            t.add(scanNovel(o, pattern), word);
        }
    }
    ASSERT_GT(t.falseMatched, 200);
    t.print("classical novels"); // the figures themselves, for the record
    t.check();
}

// Web novels: labels before the heading, a volume and its chapter on one line, chapters in
// parts, and the false lines such files hold.
TEST(HeadingTruth, WebNovelsToo) {
    Tally t;
    for (const NovelOptions& o : pwtest::everyShapeOfWebNovel()) {
        SCOPED_TRACE("seed " + std::to_string(o.seed));
        t.add(scanNovel(o, u"第(.){1,10}章"), U'章');
    }
    ASSERT_GT(t.falseMatched, 200);
    t.print("web novels");
    t.check();
}

// A table of contents at the start, headings in brackets, short titles with commas, thousands
// of chapters in every numeral style, numbering anew in each volume and in extras.
TEST(HeadingTruth, SecondRoundForms) {
    Tally t;
    for (const NovelOptions& o : pwtest::everyShapeOfSecondRound()) {
        SCOPED_TRACE("seed " + std::to_string(o.seed));
        const char32_t word = o.webNovel ? U'章' : o.chapterWord;
        t.add(scanNovel(o, word == U'章' ? u"第(.){1,10}章" : u"第(.){1,10}回"), word);
    }
    ASSERT_GT(t.contentsMatched, 1500);
    t.print("second round");
    t.check();
}

// A table of contents right before the first chapter, in books numbered anew in each volume:
// the first chapter's line (第一章) follows the list closely and comes again in later volumes,
// yet it is a chapter, and every line of the list is still the list's.
TEST(HeadingTruth, TheFirstChapterAfterATableOfContentsStaysAChapter) {
    for (std::uint32_t seed = 81; seed <= 88; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        const Scanned s = scanNovel({.seed = seed, .chapters = 40, .restartPerVolume = true, .contentsAtStart = true},
                                    u"第(.){1,10}章");
        const std::vector<PlantedLine> matched = s.novel.matching(U'章');
        ASSERT_EQ(matched.size(), s.analysis.headings.size());
        for (std::size_t i = 0; i < matched.size(); ++i) {
            const bool contents = (s.analysis.headings[i].suspect & kSuspectContents) != 0;
            EXPECT_EQ(contents, matched[i].contents) << matched[i].text;
        }
    }
}

// A heading written again around an advert or an author's note: the copy, and only the copy, is
// flagged and left out of the book, in every numeral style and with the novel's false headings.
TEST(HeadingTruth, AHeadingWrittenAgainIsACopyTheBookLeavesOut) {
    const NovelOptions novels[] = {
        {.seed = 61, .chapters = 40, .headingCopies = true},
        {.encoding = pwtest::NovelEncoding::Big5,
         .seed = 62,
         .chapters = 30,
         .chapterWord = U'回',
         .numerals = pwtest::NumeralStyle::Zeros,
         .headingCopies = true},
        {.encoding = pwtest::NovelEncoding::Utf16Le,
         .seed = 63,
         .chapters = 30,
         .bracketHeadings = true,
         .numerals = pwtest::NumeralStyle::Arabic,
         .headingCopies = true},
        // A chapter written twice is listed twice by the table of contents: both lines are the list's.
        {.seed = 64, .chapters = 30, .repeatChapters = {9}, .contentsAtStart = true, .headingCopies = true},
    };
    for (const NovelOptions& o : novels) {
        SCOPED_TRACE("seed " + std::to_string(o.seed));
        const char32_t word = o.chapterWord;
        const Scanned s = scanNovel(o, word == U'回' ? u"第(.){1,10}回" : u"第(.){1,10}章");
        const std::vector<PlantedLine> matched = s.novel.matching(word);
        ASSERT_EQ(matched.size(), s.analysis.headings.size());
        const std::vector<std::int64_t> left = rowsLeftOutByDefault(s.analysis);
        int copies = 0;
        for (std::size_t i = 0; i < matched.size(); ++i) {
            copies += matched[i].copy;
            EXPECT_EQ((s.analysis.headings[i].suspect & kSuspectCopy) != 0, matched[i].copy) << matched[i].text;
            const bool leftOut = std::binary_search(left.begin(), left.end(), static_cast<std::int64_t>(i));
            if (matched[i].copy || matched[i].kind == PlantedLine::Kind::True) {
                EXPECT_EQ(leftOut, matched[i].copy) << matched[i].text;
            }
        }
        EXPECT_GE(copies, 7);
    }
}

TEST(HeadingTruth, ReportsThePlantedGapsAndRepeatsAndNoneAtANewVolume) {
    struct Case {
        NovelOptions options;
        std::vector<std::pair<std::int64_t, std::vector<std::int64_t>>> gaps; // after, missing
        std::vector<std::int64_t> repeated;
        std::size_t restarts;
    };
    const Case cases[] = {
        // Lost chapters, one and two in a row, and chapters written twice; numbered through.
        {{.seed = 21, .chapters = 40, .skipChapters = {5, 17, 18}, .repeatChapters = {9, 30}},
         {{4, {5}}, {16, {17, 18}}},
         {9, 30},
         0},
        // Each volume from 1 again: three new volumes, no gap, no repeat...
        {{.seed = 22, .chapters = 40, .restartPerVolume = true}, {}, {}, 3},
        // ...and a chapter lost in the second volume is still a gap, one written twice a repeat.
        {{.encoding = pwtest::NovelEncoding::Utf8,
          .seed = 23,
          .chapters = 35,
          .chapterWord = U'回',
          .skipChapters = {14},
          .repeatChapters = {27},
          .restartPerVolume = true},
         {{3, {4}}},
         {7},
         3},
        // A web novel: a chapter in parts written twice is one repeat, the parts of each copy no
        // repeat; volumes named on chapters' lines are no chapters; 番外 starts again at 1.
        {{.seed = 24, .chapters = 40, .skipChapters = {7, 30}, .repeatChapters = {14, 22}, .webNovel = true},
         {{6, {7}}, {29, {30}}},
         {14, 22},
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("seed " + std::to_string(c.options.seed));
        const Text pattern = c.options.chapterWord == U'章' ? u"第(.){1,10}章" : u"第(.){1,10}回";
        const Scanned s = scanNovel(c.options, pattern);
        std::vector<std::pair<std::int64_t, std::vector<std::int64_t>>> gaps;
        for (const NumberGap& g : s.analysis.gaps)
            gaps.emplace_back(g.afterNumber, g.missing);
        EXPECT_EQ(gaps, c.gaps);
        std::vector<std::int64_t> repeated;
        for (const NumberRepeat& r : s.analysis.repeats) {
            repeated.push_back(r.number);
            ASSERT_EQ(r.headings.size(), 2u);
            // Both entries carry the number, and they are the planted true headings.
            for (std::int64_t k : r.headings)
                EXPECT_EQ(s.analysis.headings[static_cast<std::size_t>(k - 1)].number.value, r.number);
        }
        EXPECT_EQ(repeated, c.repeated);
        EXPECT_EQ(s.analysis.restarts.size(), c.restarts);
        // Each gap's heading is the true heading of the chapter before the gap.
        for (const NumberGap& g : s.analysis.gaps) {
            const HeadingFacts& h = s.analysis.headings[static_cast<std::size_t>(g.after - 1)];
            EXPECT_EQ(h.number.value, g.afterNumber);
            EXPECT_EQ(h.suspect, 0);
        }
    }
}

// The real novels are complete and mostly clean: no gap, few suspects, and the same verdicts
// whichever encoding the file is in.
TEST(HeadingTruth, RealNovelsReadAlikeInBothEncodings) {
    const std::filesystem::path corpus = pwtest::corpusDir();
    if (corpus.empty()) GTEST_SKIP() << pwtest::kNoCorpus;
    for (const std::string& name : pwtest::corpusNames()) {
        SCOPED_TRACE(name);
        const bool hui = name.rfind("ahq", 0) != 0 && name.rfind("duanhong", 0) != 0;
        const Text pattern = hui ? u"第(.){1,10}回" : u"第(.){1,10}章";
        const HeadingAnalysis utf8 = scanFile(corpus / "utf8" / name, pattern);
        const HeadingAnalysis gb = scanFile(corpus / "gb18030" / name, pattern);
        std::vector<std::pair<std::int64_t, int>> a, b;
        for (const HeadingFacts& h : utf8.headings)
            a.emplace_back(h.line, h.suspect);
        for (const HeadingFacts& h : gb.headings)
            b.emplace_back(h.line, h.suspect);
        EXPECT_EQ(a, b);
        EXPECT_TRUE(utf8.gaps.empty());
        EXPECT_LE(utf8.suspectCount() * 10, static_cast<std::int64_t>(utf8.headings.size()));
    }
}

// The heading analysis held against generated novels whose every true and false heading is
// known: how many planted false headings it flags, how few true ones, and whether it reports
// exactly the gaps and repeats that were planted, and none at a new volume.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>

#include "platform/paths.h"
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
    std::vector<std::string> missed, wronglyFlagged;

    void add(const Scanned& s, char32_t word) {
        std::map<std::int64_t, const HeadingFacts*> byLine;
        for (const HeadingFacts& h : s.analysis.headings)
            byLine[h.line] = &h;
        const std::vector<PlantedLine> matched = s.novel.matching(word);
        ASSERT_EQ(matched.size(), s.analysis.headings.size());
        for (const PlantedLine& p : matched) {
            ASSERT_TRUE(byLine.count(p.line)) << p.text;
            const bool flagged = byLine[p.line]->suspect != 0;
            if (p.kind == PlantedLine::Kind::False) {
                ++falseMatched;
                falseFlagged += flagged;
                if (!flagged) missed.push_back(p.text);
            } else {
                ++trueMatched;
                trueFlagged += flagged;
                if (flagged) wronglyFlagged.push_back(p.text);
            }
        }
    }
};

std::string joined(const std::vector<std::string>& v) {
    std::string s;
    for (const std::string& x : v)
        s += "\n  " + x;
    return s;
}

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
    // The figures themselves, for the record.
    std::printf("false headings flagged: %d of %d; true headings flagged: %d of %d\n", t.falseFlagged, t.falseMatched,
                t.trueFlagged, t.trueMatched);
    EXPECT_GE(t.falseFlagged * 100, t.falseMatched * 95)
        << t.falseFlagged << " of " << t.falseMatched << " false headings flagged; missed:" << joined(t.missed);
    EXPECT_LE(t.trueFlagged * 100, t.trueMatched)
        << t.trueFlagged << " of " << t.trueMatched << " true headings flagged:" << joined(t.wronglyFlagged);
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
        {{.encoding = pwtest::NovelEncoding::Utf8, .seed = 23, .chapters = 35, .chapterWord = U'回',
          .skipChapters = {14}, .repeatChapters = {27}, .restartPerVolume = true},
         {{3, {4}}},
         {7},
         3},
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

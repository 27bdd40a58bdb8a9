// Paragraphs rebuilt from every layout the generator lays them out in, held against the
// paragraphs it started from: through a real run of the text files, whose output is then one
// line a paragraph.
#include <gtest/gtest.h>

#include "output/run_stages.h"
#include "support/novel.h"
#include "support/paragraph_text.h"
#include "support/split_test_util.h"

using namespace pw;
using pwtest::ParagraphLayoutKind;

namespace {

std::vector<std::string> nonBlankLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t j = text.find_first_of("\r\n", i);
        if (j == std::string::npos) j = text.size();
        const std::string line = text.substr(i, j - i);
        if (line.find_first_not_of(" \t") != std::string::npos) lines.push_back(line);
        i = j + (text.compare(j, 2, "\r\n") == 0 ? 2 : 1);
    }
    return lines;
}

struct Rebuilt {
    RunStages stages;
    std::vector<std::string> lines;
};

Rebuilt rebuild(const std::string& utf8, std::optional<ParagraphMode> mode) {
    pwtest::SplitSetup s(utf8, 1000, [](const Text& l) { return l.rfind(u"第", 0) == 0; });
    s.st.blnDeleteSpc = true;
    Rebuilt r;
    r.stages = stagesFor({false, mode, true, s.input, std::nullopt, {}});
    SplitReceiver none;
    const SplitResult res = runSplit(s.st, analysedInput(s.st, s.encoding), RowRanges::ofRows({}), TextFiles(s.st),
                                     s.ui, none, LineReader::kDefaultCapacity, r.stages.stages);
    EXPECT_EQ(res.end, SplitEnd::Done);
    r.lines = nonBlankLines(s.joined());
    return r;
}

// The first line where the two part, for a message that can be read.
std::string firstDifference(const std::vector<std::string>& got, const std::vector<std::string>& want) {
    for (std::size_t i = 0; i < std::max(got.size(), want.size()); ++i) {
        const std::string g = i < got.size() ? got[i] : "<none>", w = i < want.size() ? want[i] : "<none>";
        if (g != w) return "line " + std::to_string(i + 1) + "\n got: " + g + "\nwant: " + w;
    }
    return "";
}

} // namespace

TEST(Paragraphs, EveryLayoutRebuiltExactlyAndOneLineLayoutsUntouched) {
    std::uint32_t seed = 1;
    for (const ParagraphLayoutKind layout : pwtest::kAllParagraphLayouts) {
        for (const int width : {20, 27, 33, 40}) {
            for (const bool holds : {true, false}) {
                pwtest::ParagraphTextOptions o;
                o.layout = layout;
                o.width = width;
                o.widthHoldsIndent = holds;
                o.mixedLineEnds = seed % 2 == 0;
                o.seed = seed++;
                const pwtest::ParagraphText truth = pwtest::makeParagraphText(o);
                SCOPED_TRACE(std::string(pwtest::nameOf(layout)) + " width " + std::to_string(width) +
                             (holds ? " indent counted" : "") + " seed " + std::to_string(o.seed));
                const Rebuilt got = rebuild(truth.utf8, ParagraphMode::Auto);
                ASSERT_TRUE(got.stages.layout);
                ASSERT_TRUE(got.stages.tally);
                const ParagraphTally& tally = *got.stages.tally;
                if (!pwtest::wraps(layout)) {
                    // Nothing to join: every stretch one line a paragraph.
                    EXPECT_EQ(tally.modeNames(), "line");
                } else {
                    EXPECT_EQ(tally.layouts(), 1u) << toUtf8(tally.describe());
                    EXPECT_NE(got.stages.layout->mode, ParagraphMode::Line);
                    EXPECT_EQ(tally.modeNames().find("unwrap"), std::string::npos) << "a reliable mark was missed";
                }
                EXPECT_EQ(firstDifference(got.lines, truth.lines), "") << toUtf8(tally.describe());
            }
        }
    }
}

TEST(Paragraphs, NamedModesOnTheirOwnLayouts) {
    const struct {
        ParagraphLayoutKind layout;
        ParagraphMode mode;
    } cases[] = {
        {ParagraphLayoutKind::WrapIndent, ParagraphMode::Indent},
        {ParagraphLayoutKind::WrapAsciiIndent, ParagraphMode::Indent},
        {ParagraphLayoutKind::WrapBlank, ParagraphMode::Blank},
        {ParagraphLayoutKind::WrapIndentBlank, ParagraphMode::Blank},
        // A file of one line a paragraph stays so whatever mode is named.
        {ParagraphLayoutKind::OneLine, ParagraphMode::Indent},
        {ParagraphLayoutKind::OneLineBlank, ParagraphMode::Blank},
        {ParagraphLayoutKind::OneLineIndented, ParagraphMode::Unwrap},
    };
    for (const auto& c : cases) {
        pwtest::ParagraphTextOptions o;
        o.layout = c.layout;
        o.seed = 77;
        const pwtest::ParagraphText truth = pwtest::makeParagraphText(o);
        SCOPED_TRACE(pwtest::nameOf(c.layout));
        const Rebuilt got = rebuild(truth.utf8, c.mode);
        EXPECT_EQ(firstDifference(got.lines, truth.lines), "") << toUtf8(got.stages.layout->describe());
    }
}

// What old books and scans hold besides wrapped prose, and books whose parts come from
// sources laid out otherwise: each part judged on its own, each paragraph whole, verse and
// letters line by line as written.
TEST(Paragraphs, LayoutsThatChangeAndWhatOldBooksHold) {
    using K = ParagraphLayoutKind;
    const struct {
        const char* name;
        pwtest::ParagraphTextOptions o;
        std::size_t layouts;
    } cases[] = {
        {"one line a paragraph, then every line indented and wrapped at 25",
         {.layout = K::OneLineIndented, .seed = 3, .chapters = 8, .minParagraphs = 40, .changeAt = 4},
         2},
        {"wrapped at 35 with an indent, then every line indented at 25",
         {.layout = K::WrapIndent, .width = 35, .seed = 4, .chapters = 8, .minParagraphs = 40, .changeAt = 5},
         2},
        {"one line a paragraph, then wrapped with blank lines",
         {.layout = K::OneLine,
          .seed = 5,
          .chapters = 6,
          .minParagraphs = 40,
          .changeAt = 3,
          .then = K::WrapBlank,
          .thenWidth = 30},
         2},
        {"a chapter longer than a stretch",
         {.layout = K::WrapIndent, .width = 30, .seed = 6, .chapters = 2, .minParagraphs = 700},
         1},
        {"page breaks, verse, letters and stray spaces behind an indent",
         {.layout = K::WrapIndent,
          .width = 35,
          .seed = 7,
          .chapters = 8,
          .minParagraphs = 30,
          .pageBreaks = true,
          .verse = true,
          .letters = true,
          .straySpaces = true},
         1},
        {"songs wrapped by hand at the paragraphs' indent, pages breaking inside them",
         {.layout = K::WrapIndent,
          .width = 36,
          .seed = 12,
          .chapters = 8,
          .minParagraphs = 40,
          .pageBreaks = true,
          .verse = true,
          .songs = true},
         1},
        {"the same with blank lines between paragraphs",
         {.layout = K::WrapIndentBlank,
          .width = 28,
          .seed = 8,
          .chapters = 8,
          .minParagraphs = 30,
          .pageBreaks = true,
          .verse = true,
          .letters = true,
          .straySpaces = true},
         1},
        {"page breaks and verse, paragraphs after blank lines only",
         {.layout = K::WrapBlank,
          .width = 36,
          .seed = 9,
          .chapters = 8,
          .minParagraphs = 30,
          .pageBreaks = true,
          .verse = true,
          .letters = true},
         1},
        {"page breaks and verse behind an ASCII indent",
         {.layout = K::WrapAsciiIndent,
          .width = 40,
          .seed = 10,
          .chapters = 8,
          .minParagraphs = 30,
          .pageBreaks = true,
          .verse = true,
          .letters = true},
         1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const pwtest::ParagraphText truth = pwtest::makeParagraphText(c.o);
        const Rebuilt got = rebuild(truth.utf8, ParagraphMode::Auto);
        ASSERT_TRUE(got.stages.tally);
        EXPECT_EQ(got.stages.tally->layouts(), c.layouts) << toUtf8(got.stages.tally->describe());
        EXPECT_EQ(firstDifference(got.lines, truth.lines), "") << toUtf8(got.stages.tally->describe());
    }
}

TEST(Paragraphs, SentenceEndsAndWidths) {
    for (const auto& [line, ends] : std::vector<std::pair<std::string, bool>>{{"他走了。", true},
                                                                              {"他走了", false},
                                                                              {"“走吧！”", true},
                                                                              {"“走”", false},
                                                                              {"真的吗？　", true},
                                                                              {"于是……", true},
                                                                              {"他说——", true},
                                                                              {"他说，", false},
                                                                              {"", false},
                                                                              {"」", false}})
        EXPECT_EQ(endsSentence(line), ends) << line;
    EXPECT_EQ(displayWidth("中文ab　"), 6);
    EXPECT_TRUE(isIndented("\u3000\u3000他"));
    EXPECT_TRUE(isIndented("\t他"));
    EXPECT_FALSE(isIndented("他 说"));
    for (const auto& [line, verse] :
         std::vector<std::pair<std::string, bool>>{{"\u3000\u3000時逢三五便團圓，滿把晴光護玉欄．", true},
                                                   {"腳尖起處，山前猛虎心驚；拳頭落時，海內蛟龍喪膽。", true},
                                                   {"“小桃无主自开花，烟草茫茫带晚鸦。", true},
                                                   {"草根木叶权充腹，儿女呱呱相向哭；", true},
                                                   {"他回到屋里坐下，窗外下着雨。", false},
                                                   {"天上一轮才捧出", false},
                                                   {"他掏出iPhone看，屋里足有三十个人。", false}})
        EXPECT_EQ(isVerseLine(line), verse) << line;
    for (const auto& [line, intro] : std::vector<std::pair<std::string, bool>>{{"好猴精，有詩為證。詩曰：", true},
                                                                               {"正是：", true},
                                                                               {"词曰：", true},
                                                                               {"他说道：", false},
                                                                               {"詩曰", false}})
        EXPECT_EQ(introducesVerse(line), intro) << line;
}

// The novels the other tests are made of put a paragraph on a line, at lengths of their own:
// none of them may look wrapped, or their lines would be joined.
TEST(Paragraphs, NovelsOfOneLineAParagraphAreLeftAsTheyAre) {
    pwtest::ScratchDir dir;
    std::vector<pwtest::NovelOptions> all = pwtest::everyShapeOfNovel();
    for (const auto& o : pwtest::everyShapeOfWebNovel())
        all.push_back(o);
    for (const auto& o : pwtest::everyShapeOfSecondRound())
        all.push_back(o);
    for (int seed = 1; seed <= 40; ++seed)
        all.push_back({.seed = static_cast<std::uint32_t>(seed), .chapters = 12});
    for (const pwtest::NovelOptions& o : all) {
        pwtest::writeNovel(dir / "n.txt", o);
        const RunStages r = stagesFor({true, std::nullopt, true, dir / "n.txt", std::nullopt, {}});
        ASSERT_TRUE(r.layout);
        EXPECT_EQ(r.layout->mode, ParagraphMode::Line) << "seed " << o.seed << ": " << toUtf8(r.layout->describe());
    }
}

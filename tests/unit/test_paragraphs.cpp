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
    const SplitResult res = runSplit(s.st, analysedInput(s.st, s.encoding), RowRanges::ofRows({}), TextFiles(s.st), s.ui,
                                     none, LineReader::kDefaultCapacity, r.stages.stages);
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
                if (!pwtest::wraps(layout)) {
                    // Nothing to join: no stage at all, so the bytes go out as they came.
                    EXPECT_EQ(got.stages.layout->mode, ParagraphMode::Line);
                    EXPECT_TRUE(got.stages.stages.empty());
                } else {
                    EXPECT_NE(got.stages.layout->mode, ParagraphMode::Line);
                    EXPECT_NE(got.stages.layout->mode, ParagraphMode::Unwrap) << "a reliable mark was missed";
                }
                EXPECT_EQ(firstDifference(got.lines, truth.lines), "") << toUtf8(got.stages.layout->describe());
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

TEST(Paragraphs, SentenceEndsAndWidths) {
    for (const auto& [line, ends] : std::vector<std::pair<std::string, bool>>{
             {"他走了。", true}, {"他走了", false}, {"“走吧！”", true}, {"“走”", false}, {"真的吗？　", true},
             {"于是……", true}, {"他说——", true}, {"他说，", false}, {"", false}, {"」", false}})
        EXPECT_EQ(endsSentence(line), ends) << line;
    EXPECT_EQ(displayWidth("中文ab　"), 6);
    EXPECT_TRUE(isIndented("\u3000\u3000他"));
    EXPECT_TRUE(isIndented("\t他"));
    EXPECT_FALSE(isIndented("他 说"));
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

// The second look at matched lines: chapter numbers in every written form, the reasons a
// line looks like prose, tiny chapters, and what the numbering says; and the pattern presets.
#include <gtest/gtest.h>

#include "platform/regex.h"
#include "scan/analysis_behind.h"
#include "scan/analysis_texts.h"
#include "scan/heading_analysis.h"
#include "scan/heading_vocabulary.h"
#include "scan/presets.h"
#include "support/novel.h"

using namespace pw;

namespace {

std::optional<std::int64_t> numberOf(TextView line) {
    const auto n = parseChapterNumber(line);
    return n ? std::optional<std::int64_t>(n->value) : std::nullopt;
}

SuspectReasons reasonsOf(TextView line, std::size_t matchStart = Text::npos) {
    if (matchStart == Text::npos) matchStart = line.find_first_not_of(u" \u3000\t");
    return judgeHeadingLine(line, matchStart).suspect;
}

// A novel's headings as the scan would hand them over: each chapter `size` bytes long.
struct Feed {
    HeadingAnalyzer analyzer;
    std::int64_t offset = 100, line = 3;
    void add(TextView text, std::int64_t size = 5000, std::int64_t lines = 40) {
        const std::size_t first = text.find(u'第');
        analyzer.add(text, first == Text::npos ? 0 : first, line, offset);
        offset += size;
        line += lines;
    }
    HeadingAnalysis finish() { return analyzer.finish(offset, line - 1); }
};

// 第N章 (built by append: GCC 12 warns falsely on `u"第" + decimal(n) + u"章"`).
Text chapterLine(std::int64_t n) {
    Text t = u"第";
    t.append(decimal(n));
    t.append(u"章");
    return t;
}

} // namespace

TEST(HeadingAnalysis, ChapterNumbersInEveryWrittenForm) {
    const std::pair<Text, std::int64_t> cases[] = {
        {u"第一章", 1},
        {u"第十二回", 12},
        {u"第一百零八章", 108},
        {u"第１２３章", 123},
        {u"第 3 章", 3},
        {u"　　第二十章 风起", 20},
        {u"卷二", 2},
        {u"第一○○回", 100},
        {u"第一零零回", 100},
        {u"第一一回", 11},
        {u"第两千零三章", 2003},
        {u"第壹佰贰拾回", 120},
        {u"Chapter 12 Home", 12},
        {u"001 开始", 1},
        {u"二十、无极之维", 20},
        {u"一 青衫磊落险峰行", 1},
        {u"五十八", 58},
        {u"第三万五千章", 35000},
        {u"第十章", 10},
        // Every style of the heading vocabulary: 两, financial numerals simplified and traditional,
        // 廿 and 卅, full-width digits, and numbers past 9,999.
        {u"第两百章", 200},
        {u"第一千两百零三章", 1203},
        {u"第貳章", 2},
        {u"第參拾陸章", 36},
        {u"第貳佰參拾陸回", 236},
        {u"第廿一回", 21},
        {u"第卅章", 30},
        {u"第一百廿三回", 123},
        {u"第１２章", 12},
        {u"第一万零一章", 10001},
        {u"第12000章", 12000},
        {u"【第十二章】 来吧", 12},
    };
    for (const auto& [line, value] : cases)
        EXPECT_EQ(numberOf(line), value) << toUtf8(line);
    EXPECT_EQ(parseChapterNumber(u"第二卷 风云")->unit, u'卷');
    EXPECT_EQ(parseChapterNumber(u"卷三 第一章")->unit, u'卷');
    EXPECT_EQ(parseChapterNumber(u"第3回")->unit, u'回');
    // No number, or digits mixed with numerals: nothing rather than a wrong number.
    EXPECT_EQ(numberOf(u"第章"), std::nullopt);
    EXPECT_EQ(numberOf(u"序章"), std::nullopt);
    EXPECT_EQ(numeralValue(u"1二"), std::nullopt);
    // Runs of units or digits far past any chapter's number: none, or a number that fits, never
    // an overflow (the sanitizer run checks that).
    EXPECT_EQ(numeralValue(u"九百五十万万万万"), std::nullopt);
    EXPECT_EQ(numeralValue(std::u16string(30, u'9')), std::nullopt);
    for (const char16_t unit : std::u16string_view(u"十百千万")) {
        const auto v = numeralValue(std::u16string(40, unit));
        EXPECT_TRUE(!v || (*v >= 0 && *v <= 1'000'000'000'000'000LL)) << *v;
    }
    // Read where the match is: the quoted chapter, not the first 第 of the line.
    EXPECT_EQ(parseChapterNumber(u"第一次读到第三章", 5)->value, 3);
}

TEST(HeadingAnalysis, LineRulesFlagProseAndSpareTitles) {
    // True headings, the couplet titles of classic novels and titles ending in ！ or ？ included.
    for (TextView title : {u"第一章", u"　　第十二回　风雪山神庙", u"第一回　宴桃園豪傑三結義，斬黃巾英雄首立功",
                           u"第一回　甄士隱夢幻識通靈　賈雨村風塵懷閨秀", u"第十章 这是什么？", u"第5章：大战！！",
                           u"第一百零八章 归来", u"第 3 章", u"第三章风起云涌", u"卷二 山河",
                           // Titles of a few short cries, glued to the number.
                           u"第059章我们是，神！", u"第086章不！可！能！", u"第091章战！定！",
                           // A short title behind a number padded with zeros, as only headings write it.
                           u"第099章你赢了，我也没有输？"})
        EXPECT_EQ(reasonsOf(title), 0) << toUtf8(title);
    // A line that goes on with a sentence is prose beyond doubt, and a book leaves it out unasked;
    // a date read as a numbered line is doubted.
    const HeadingFacts continued =
        judgeHeadingLine(u"第四回中既將薛家母子在榮府內寄居等事略已表明，此回則暫不能寫矣．如", 0);
    EXPECT_EQ(continued.suspect, kSuspectSentence);
    EXPECT_TRUE(continued.sure);
    EXPECT_FALSE(judgeHeadingLine(u"第12章 走了。明天再来！", 0).sure);
    EXPECT_EQ(reasonsOf(u"1989.03.21"), kSuspectSentence);

    EXPECT_EQ(reasonsOf(u"第四本书记载着锤法"), kSuspectSentence);
    EXPECT_EQ(reasonsOf(u"第一是要读书，第二是要明理"), kSuspectSentence);
    EXPECT_EQ(reasonsOf(u"第三章写完了。他又开始写下一章"), kSuspectSentence);
    EXPECT_EQ(reasonsOf(u"第三章的结尾写得很好，让人读了一遍又一遍都不觉得厌烦"), kSuspectSentence);
    EXPECT_EQ(reasonsOf(u"他说第三章写得好", 2), kSuspectNotAtStart);
    EXPECT_EQ(reasonsOf(u"第七十七回，他已經讀過三遍了。"), kSuspectSentence);
    EXPECT_EQ(reasonsOf(u"（第10章写完了，感谢大家的支持！）", 1), kSuspectNotAtStart | kSuspectSentence);
    EXPECT_EQ(reasonsOf(u"第三回　托内兄如海荐西宾，接外孙贾母惜孤女"), 0);
    // Short titles set apart from the number are titles, comma and closing ！ or 。 and all, and so
    // are headings in brackets; a comma straight after the number, or a long clause, is prose.
    for (TextView title :
         {u"第12章 来吧，决战！", u"第3章：好，很好。", u"【第12章 来吧，决战！】", u"〖第一章〗 风起", u"「第三回」",
          u"[第5章] 夜雨", u"第7章 醒来，天亮了。（下）", u"『第977章 大漠孤烟（中）』"})
        EXPECT_EQ(reasonsOf(title), 0) << toUtf8(title);
    EXPECT_EQ(reasonsOf(u"第12章 来吧，这一战我们一定要打赢，不然就没有明天了！"), kSuspectSentence);
    EXPECT_EQ(reasonsOf(u"第12章 走了。明天再来！"), kSuspectSentence);
    EXPECT_EQ(judgeHeadingLine(u"『第977章 大漠孤烟（中）』", 1).part, 2);
    const Text paragraph = u"第一是" + Text(50, u'文') + u"章";
    EXPECT_TRUE(reasonsOf(paragraph) & kSuspectLong);
    EXPECT_EQ(reasonsOf(u"第一章 " + Text(36, u'长')), kSuspectLong); // 40 characters trimmed
    EXPECT_EQ(reasonsOf(u"第一章 " + Text(35, u'长')), 0);
    // A tag set after the title, apart and in brackets, is no part of it.
    EXPECT_EQ(reasonsOf(u"第十二章　在遇海月 [更多精彩，更多好书，尽在[5 １ 7 Ｚ . c Ｏ m]"), 0);
    EXPECT_EQ(reasonsOf(u"第一章 " + Text(36, u'长') + u" 【求月票】"), kSuspectLong);
    const std::vector<const char*> codes = suspectCodes(kSuspectLong | kSuspectTiny);
    EXPECT_EQ(std::vector<std::string>(codes.begin(), codes.end()), (std::vector<std::string>{"long", "tiny"}));
}

// What stands before the match decides: a label that download sites and authors put there makes
// a heading, and names the volume when it is one; prose makes a suspect.
TEST(HeadingAnalysis, LabelsBeforeTheHeadingAndVolumesOnTheChaptersLine) {
    struct Case {
        Text line;
        std::int32_t chapter;
        std::optional<std::int32_t> volume; // named on the line
    };
    const Case headings[] = {
        {u"正文 第19章 夜雨", 19, {}},
        {u"正文卷 第29章 风起", 29, {}},
        {u"VIP卷 第30章 归来", 30, {}},
        {u"vip章节 第31章", 31, {}},
        {u"正文第5章", 5, {}},
        {u"番外 第1章 春节", 1, {}},
        {u"卷一 第32章 江湖", 32, 1},
        {u"第1卷 江湖 第4章 少年", 4, 1},
        {u"第二卷：风云 第１２章", 12, 2},
        {u"第三卷江湖 第7章", 7, 3},
        {u"　　第十卷 第一百章 终", 100, 10},
        {u"第2部 第3回 下山", 3, 2},
        // Seasons, books and volumes before the chapter: the innermost volume is the chapter's.
        {u"第一季 第二卷 怒海潜沙 第一章 蛇眉铜鱼", 1, 2},
        {u"第六册第六十章", 60, 6},
        {u"第2卷 第4章 标题", 4, 2},
        // The book's title that a download sets before every heading.
        {u"《血色浪漫》第一章(1)", 1, {}},
        {u"《血色浪漫上》第十七章(2)", 17, {}},
    };
    for (const Case& c : headings) {
        SCOPED_TRACE(toUtf8(c.line));
        // Whether the pattern's match begins at the volume or at the chapter.
        for (const std::size_t at : {c.line.find_first_not_of(u" 　"), c.line.rfind(u'第')}) {
            std::optional<ChapterNumber> volume;
            const HeadingFacts f = judgeHeadingLine(c.line, at, &volume);
            EXPECT_EQ(f.suspect, 0);
            EXPECT_EQ(f.number.value, c.chapter);
            EXPECT_NE(f.number.unit, u'卷');
            EXPECT_EQ(f.withVolume, c.volume.has_value());
            EXPECT_EQ(volume ? std::optional(volume->value) : std::nullopt, c.volume);
        }
    }
    // Prose, a clause, punctuation or a long run before it; or a volume followed by prose.
    for (TextView prose : {u"他想起第十章里写过的话", u"上一章：第9章 夜雨 目录 下一章", u"读到第10章，她笑了",
                           u"正文说第3章", u"“第三章", u"第一卷里写着许多事情而且写得很长很长很长很长 第3章"})
        EXPECT_TRUE(reasonsOf(prose, prose.rfind(u'第')) & kSuspectNotAtStart) << toUtf8(prose);
    EXPECT_EQ(parseChapterNumber(u"第一卷写完了，第二章开始写")->unit, u'卷'); // a sentence is no volume's title
}

TEST(HeadingAnalysis, ChapterSizesAndTinyChapters) {
    Feed f;
    for (int i = 1; i <= 10; ++i)
        f.add(chapterLine(i), i == 4 ? 300 : 5000, i == 4 ? 2 : 40);
    f.add(u"第11章", 10); // the last chapter: cut short by a file still being written, not tiny
    const HeadingAnalysis a = f.finish();
    ASSERT_EQ(a.headings.size(), 11u);
    EXPECT_EQ(a.chapterBytes(0), 5000);
    EXPECT_EQ(a.chapterLines(0), 40);
    EXPECT_EQ(a.chapterBytes(10), 10);
    EXPECT_EQ(a.chapterLines(10), 40); // to the last line
    EXPECT_EQ(a.headings[3].suspect, kSuspectTiny);
    EXPECT_EQ(a.suspectCount(), 1);

    // A prose line inside chapter 2 does not make chapter 2 tiny: sizes run to the next real heading.
    Feed g;
    for (int i = 1; i <= 9; ++i) {
        g.add(chapterLine(i), i == 2 ? 100 : 5000, 40);
        if (i == 2) g.add(u"他说第三章写得好，我也这么想。", 4900, 40);
    }
    const HeadingAnalysis b = g.finish();
    EXPECT_EQ(b.headings[1].suspect, 0);
    EXPECT_NE(b.headings[2].suspect, 0);

    // The last part of a chapter in parts is often short (第一章(3) of a few lines): the numbering
    // vouches for it. A chapter of next to nothing that is no next part is still doubted.
    Feed parts;
    for (int c = 1; c <= 4; ++c)
        for (int part = 1; part <= 3; ++part)
            parts.add(chapterLine(c) + u"(" + decimal(part) + u")", part == 3 ? 300 : 5000);
    parts.add(u"第5章", 100);
    parts.add(u"第6章(1)");
    const HeadingAnalysis inParts = parts.finish();
    EXPECT_EQ(suspectRows(inParts), std::vector<std::int64_t>{12});

    // A short chapter in the run of numbers (第二章 of a few paragraphs) is the author's; a heading
    // written again two lines on is a copy the book leaves out, whichever way it is numbered.
    Feed h;
    for (int i = 1; i <= 10; ++i)
        h.add(chapterLine(i), i == 2 ? 400 : 5000);
    const HeadingAnalysis c = h.finish();
    EXPECT_EQ(c.suspectCount(), 0);
    for (const TextView copy : {TextView(u"第11章 重逢"), TextView(u"二十"), TextView(u"番外　后来")}) {
        Feed r;
        for (int i = 1; i <= 9; ++i)
            r.add(chapterLine(i));
        r.add(copy, 30, 2);
        r.add(copy, 30, 2);
        r.add(copy);
        const HeadingAnalysis d = r.finish();
        EXPECT_EQ(rowsLeftOutByDefault(d), (std::vector<std::int64_t>{10, 11})) << toUtf8(copy);
        EXPECT_EQ(d.headings[9].suspect, 0) << toUtf8(copy);
        EXPECT_EQ(reasonWords(d.headings[10].suspect), u"重复的标题");
    }
    // Written again, centred, after a dozen blank lines: a copy too. Text between makes it none.
    for (const auto& [bytes, copy] : {std::pair{std::int64_t(40), true}, std::pair{std::int64_t(400), false}}) {
        Feed r;
        for (int i = 1; i <= 9; ++i)
            r.add(chapterLine(i));
        r.add(chapterLine(10), bytes, 12);
        r.add(chapterLine(10));
        EXPECT_EQ(r.finish().headings[10].suspect == kSuspectCopy, copy) << bytes;
    }
}

TEST(HeadingAnalysis, NumberingGapsRepeatsAndVolumes) {
    Feed f;
    const int chapters[] = {1, 2, 3, 5, 6, 6, 7, 8, 1, 2, 3, 4, 9, 10};
    f.add(u"第一卷 开端");
    for (int i = 0; i < 8; ++i)
        f.add(chapterLine(chapters[i]));
    f.add(u"第二卷 远行"); // volumes number apart from chapters
    for (int i = 8; i < 14; ++i)
        f.add(chapterLine(chapters[i]));
    f.add(u"他说第三章写得好，我也这么想。");         // prose: kept out of the numbering
    f.add(chapterLine(11) + u"　" + Text(40, u'长')); // long, so doubted, but no gap before 12
    f.add(chapterLine(12));
    const HeadingAnalysis a = f.finish();
    ASSERT_EQ(a.gaps.size(), 2u);
    EXPECT_EQ(a.gaps[0].afterNumber, 3);
    EXPECT_EQ(a.gaps[0].after, 4); // heading [4] carries chapter 3
    EXPECT_EQ(a.gaps[0].missing, std::vector<std::int64_t>{4});
    EXPECT_EQ(a.gaps[1].afterNumber, 4);
    EXPECT_EQ(a.gaps[1].missing, (std::vector<std::int64_t>{5, 6, 7, 8}));
    ASSERT_EQ(a.repeats.size(), 1u);
    EXPECT_EQ(a.repeats[0].number, 6);
    EXPECT_EQ(a.repeats[0].headings, (std::vector<std::int64_t>{6, 7}));
    EXPECT_EQ(a.restarts, std::vector<std::int64_t>{11}); // the second volume's 第1章, not a repeat
    EXPECT_TRUE(a.parts.empty());

    // After a volume (on its own line or before the chapter) or a marker of extras the numbering
    // may start again anywhere below where it was: a new run, whose gaps count within it.
    Feed g;
    for (TextView line : {u"第1章", u"第2章", u"第3章", u"第4章", u"第二卷", u"第2章", u"第3章", u"第5章",
                          u"第3卷 风云 第3章", u"第4章", u"番外", u"第2章", u"第3章", u"外传 第1章"})
        g.add(line);
    const HeadingAnalysis b = g.finish();
    EXPECT_TRUE(b.repeats.empty());
    ASSERT_EQ(b.gaps.size(), 1u);
    EXPECT_EQ(b.gaps[0].missing, std::vector<std::int64_t>{4});
    EXPECT_EQ(b.restarts, (std::vector<std::int64_t>{6, 9, 12, 14}));
}

// A table of contents after the preamble: its lines come again as the chapters' headings.
TEST(HeadingAnalysis, TableOfContentsInsideTheText) {
    Feed f;
    for (int i = 1; i <= 12; ++i)
        f.add(chapterLine(i) + u" 风起", 30, 1);
    for (int i = 1; i <= 12; ++i)
        f.add(chapterLine(i) + u"　风起");
    const HeadingAnalysis a = f.finish();
    for (std::size_t i = 0; i < a.headings.size(); ++i)
        EXPECT_EQ(a.headings[i].suspect, i < 12 ? kSuspectContents : 0) << i;
    EXPECT_TRUE(a.repeats.empty());
    EXPECT_EQ(toUtf8(reasonWords(kSuspectContents)), "目录");
    // Chapters that are merely short come only once: no table of contents.
    Feed g;
    for (int i = 1; i <= 12; ++i)
        g.add(chapterLine(i), 30, 1);
    EXPECT_EQ(g.finish().suspectCount(), 0);
}

// A list of the volumes of two seasons: the second list a few lines after the first, volumes
// written otherwise than in the text (（上） for ·上, a volume listed twice by its halves), one
// entry that names no volume of the text. Every line of both lists is the contents'; the text's
// volume line, close before its first chapter, is not.
TEST(HeadingAnalysis, TableOfContentsRunsOnOverTheVolumesItLists) {
    const TextView lists[][6] = {
        {u"第一卷 七星鲁王", u"第二卷 怒海潜沙", u"第三卷 蛇沼(上)1-8章", u"第三卷 蛇沼(上)9-29章", u"第四卷 谜海",
         u"第二季 引子"},
        {u"第一卷 阴山古楼", u"第二卷 邛笼", u"第三卷 大结局·上", u"第四卷 大结局·下", {}, {}}};
    const TextView text[] = {u"第一卷 七星鲁王", u"第二卷 怒海潜沙", u"第三卷 蛇沼（上）",   u"第四卷 谜海",
                             u"第一卷 阴山古楼", u"第二卷 邛笼",     u"第三卷 大结局（上）", u"第四卷 大结局（下）"};
    Feed f;
    for (const auto& list : lists) {
        for (TextView entry : list)
            if (!entry.empty()) f.add(entry, 40, 2);
        f.line += 3;
    }
    for (TextView volume : text) {
        f.add(volume, 30, 2);
        for (int i = 1; i <= 3; ++i)
            f.add(chapterLine(i));
    }
    const HeadingAnalysis a = f.finish();
    for (std::size_t i = 0; i < a.headings.size(); ++i)
        EXPECT_EQ((a.headings[i].suspect & kSuspectContents) != 0, i < 10) << i;
}

// A chapter published in parts is one chapter; a copy of it, or an unmarked repeat, is not.
TEST(HeadingAnalysis, ChaptersInParts) {
    Feed f;
    for (TextView line : {u"第1卷 江湖 第1章", u"第1卷 江湖 第2章 相遇（上）", u"第1卷 江湖 第2章 相遇（下）",
                          u"第3章 夜雨(1)", u"第3章 夜雨(2)", u"第3章 夜雨(3)", u"第4章 之一", u"第4章 之二",
                          u"第2卷 风云 第5章 归来 上", u"第2卷 风云 第5章 归来 下", u"第6章（上）", u"第6章（上）",
                          u"第7章 决战", u"第7章 决战（下）", u"第8章 天下", u"第9章 月光之下"})
        f.add(line);
    const HeadingAnalysis a = f.finish();
    std::vector<std::vector<std::int64_t>> parts;
    for (const ChapterParts& p : a.parts)
        parts.push_back(p.headings);
    EXPECT_EQ(parts, (std::vector<std::vector<std::int64_t>>{{2, 3}, {4, 5, 6}, {7, 8}, {9, 10}}));
    EXPECT_EQ(a.partsOf(4), &a.parts[1]);
    EXPECT_EQ(a.partsOf(0), nullptr);
    EXPECT_EQ(a.headings[14].part, 0); // 天下 and 之下 end titles, they mark no part
    EXPECT_EQ(a.headings[15].part, 0);
    // (上) twice, and a whole chapter before its (下), are repeats; volumes 1 and 2 named on
    // chapters' lines are neither repeats nor gaps.
    ASSERT_EQ(a.repeats.size(), 2u);
    EXPECT_EQ(a.repeats[0].headings, (std::vector<std::int64_t>{11, 12}));
    EXPECT_EQ(a.repeats[1].headings, (std::vector<std::int64_t>{13, 14}));
    EXPECT_TRUE(a.gaps.empty());
    EXPECT_EQ(a.volumeOf(9)->value, 2);
    EXPECT_EQ(a.volumeOf(10), std::nullopt);
    // As the tooltip and the check report say it.
    EXPECT_EQ(toUtf8(headingNumberText(a, 1)), "第1卷 第2章");
    EXPECT_EQ(toUtf8(headingNumberText(a, 3)), "第3章");
    EXPECT_EQ(toUtf8(chapterPartsText(a.parts[1])), "第3章分 3 部分：[4]、[5]、[6]");
}

TEST(PatternPresets, EachFindsItsFormAndSkipsProse) {
    struct Case {
        const char* id;
        std::vector<Text> headings, prose;
    };
    const Case cases[] = {
        {"chapter",
         {u"第一章 开端", u"　　第１２章", u"第 3 章", u"第貳章", u"第參章", u"第陸章", u"第廿一章", u"【第12章 决战】",
          u"第一万零一章"},
         {u"他说第三章写得好", u"第一是读书，第二章程", u"（第10章写完了）"}},
        {"hui", {u"第一百零八回　忠義堂", u"第一○○回"}, {u"说到第三回时", u"第一章"}},
        {"jie", {u"第三节 实验", u"第十節"}, {u"这一节课"}},
        {"volume", {u"第一卷 风起", u"卷二", u"第二部", u"第5章"}, {u"卷帘门", u"他读第二卷"}},
        {"extras",
         {u"楔子", u"番外：春节", u"后记", u"后　记", u"尾 声", u"後記", u"后記", u"完本感言", u"第一章", u"尾声(2)",
          u"《血色浪漫》引子", u"《血色浪漫》第一章(1)"},
         {u"楔子是什么", u"后记里说", u"尾声里"}},
        {"webnovel",
         {u"第19章 夜雨", u"正文 第19章 夜雨", u"正文卷 第0029章", u"vip卷 第30章", u"VIP章节 第31章", u"卷一 第32章",
          u"第1卷 江湖 第4章 少年", u"第一卷江湖 第四章", u"番外 第1章 春节", u"番外：春节", u"序章 风起", u"楔子",
          u"尾声", u"尾聲", u"后记"},
         {u"他想起第十章里写过的话", u"上一章：第9章 夜雨 目录 下一章", u"读到第10章，她", u"（第10章写完了！）",
          u"第一卷 风起", u"楔子是什么", u"正文是第3章"}},
        {"english", {u"Chapter 12", u"CHAPTER IV", u"  chapter 3 The End"}, {u"In chapter 3 we saw", u"Chapters"}},
        {"numbered", {u"1. 开始", u"001", u"12、归来", u"１"}, {u"1990年", u"3点钟"}},
        {"hua", {u"第一话 相遇", u"第12話"}, {u"说第一话"}},
        {"part", {u"Part 3", u"PART IV The Return", u"第一部分 开端"}, {u"part of it", u"第一部 风云"}},
        {"marked", {u"## 第一章", u"# 开端", u"###尾声"}, {u"#", u"#### 太深", u"C# 语言"}},
        {"hanzi",
         {u"一 青衫磊落险峰行", u"一、写作之夜", u"五十八", u"　二十三　"},
         {u"一天早上", u"十分好", u"一二三四五六"}},
    };
    ASSERT_EQ(patternPresets().size(), std::size(cases));
    for (const Case& c : cases) {
        const PatternPreset* p = findPreset(c.id);
        ASSERT_NE(p, nullptr) << c.id;
        // Shown in a one-line field and listed one per line: no tab or other control character.
        EXPECT_EQ(TextView(p->pattern).find_first_of(u"\t\r\n"), TextView::npos) << c.id;
        auto compiled = Regex::compile(p->pattern);
        ASSERT_TRUE(std::holds_alternative<Regex>(compiled)) << c.id;
        Regex& re = std::get<Regex>(compiled);
        for (const Text& h : c.headings)
            EXPECT_EQ(re.test(h), MatchResult::Match) << c.id << " " << toUtf8(h);
        for (const Text& l : c.prose)
            EXPECT_EQ(re.test(l), MatchResult::NoMatch) << c.id << " " << toUtf8(l);
    }
    EXPECT_EQ(findPreset("nope"), nullptr);
    // The volumes' own lines, for a book: a line that names a chapter after its volume is the
    // chapter's, and 第一部分 is a part.
    struct VolumeCase {
        Text volumePattern;
        std::vector<Text> volumes, chapters;
    };
    const VolumeCase volumeCases[] = {
        {vocabulary::volumeLinePattern(),
         {u"第一卷 风起", u"卷二", u"第二部"},
         {u"第2卷 第4章 标题", u"第一卷第三回", u"第一季"}},
        {structuredVolumePattern(),
         {u"第一卷 风起", u"第六册", u"第一季 云顶天宫", u"【第三集】", u"卷三：山河"},
         {u"第一季 第二卷 怒海潜沙 第一章 蛇眉铜鱼", u"第六册第六十章", u"第一部分 开端", u"第3话", u"卷帘门"}},
        {structuredVolumePattern(u"幕篇"), {u"第一幕 卡塞尔之门", u"第一篇", u"《血色浪漫》第二篇"}, {u"第七幕完"}},
    };
    for (const VolumeCase& c : volumeCases) {
        auto compiled = Regex::compile(c.volumePattern);
        ASSERT_TRUE(std::holds_alternative<Regex>(compiled));
        for (const Text& l : c.volumes)
            EXPECT_EQ(std::get<Regex>(compiled).test(l), MatchResult::Match) << toUtf8(l);
        for (const Text& l : c.chapters)
            EXPECT_EQ(std::get<Regex>(compiled).test(l), MatchResult::NoMatch) << toUtf8(l);
    }
}

namespace {

// Everything the analysis tells, in one string to compare.
std::string digest(const HeadingAnalysis& a) {
    std::string d;
    const auto put = [&](std::int64_t v) { d += std::to_string(v) + ','; };
    for (const HeadingFacts& h : a.headings) {
        put(h.line), put(h.offset), put(h.suspect), put(h.number.value), put(h.number.unit), put(h.part);
        put(h.extras), put(h.withVolume);
    }
    const auto all = [&](const std::vector<std::int64_t>& v) {
        for (std::int64_t x : v)
            put(x);
        d += ';';
    };
    for (const NumberGap& g : a.gaps)
        put(g.after), all(g.missing);
    for (const NumberRepeat& r : a.repeats)
        put(r.number), all(r.headings);
    for (const ChapterParts& p : a.parts)
        put(p.number), all(p.headings);
    for (std::int64_t k : a.restarts)
        put(k);
    for (const auto& [i, v] : a.lineVolumes)
        put(static_cast<std::int64_t>(i)), put(v.value);
    put(a.suspectCount());
    return d;
}

TEST(HeadingAnalysis, OnItsOwnThreadItComesOutAsOnTheScans) {
    // More headings than three batches, with a table of contents, restarts, gaps and repeats
    // across the batches' bounds; and a scan given up with a batch out (no hang, no leak).
    pwtest::NovelOptions o;
    o.chapters = 3 * static_cast<int>(AnalysisBehind::kBatch) + 300;
    o.contentsAtStart = o.restartPerVolume = true;
    o.skipChapters = {4095, 9000};
    o.repeatChapters = {4097, 12000};
    const pwtest::Novel novel = pwtest::makeNovel(o);
    HeadingAnalyzer direct;
    AnalysisBehind behind, givenUp;
    std::int64_t offset = 0;
    for (const pwtest::PlantedLine& p : novel.matching(U'章')) {
        const Text line = fromUtf8(p.text);
        const std::size_t at = line.find(u'第');
        direct.add(line, at, p.line, offset);
        behind.add(line, at, p.line, offset);
        givenUp.add(line, at, p.line, offset);
        offset += 1000 + static_cast<std::int64_t>(p.line % 7) * 300;
    }
    const std::int64_t lines = static_cast<std::int64_t>(novel.lines.size());
    const HeadingAnalysis want = direct.finish(offset, lines), got = behind.finish(offset, lines);
    ASSERT_GT(want.headings.size(), 3 * AnalysisBehind::kBatch);
    EXPECT_FALSE(want.repeats.empty());
    EXPECT_EQ(digest(got), digest(want));
}

} // namespace

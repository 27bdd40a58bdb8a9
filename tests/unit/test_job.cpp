// The job as the front ends give it, and the stages it chains, each held on its own: the places
// where a fault would hide in the wiring between what the user asked and what is written.
#include <gtest/gtest.h>

#include <filesystem>

#include "convert/chinese_converter.h"
#include "job/job.h"
#include "options/make_out_name.h"
#include "platform/paths.h"
#include "scan/presets.h"
#include "stages/clean_stage.h"
#include "stages/titles.h"
#include "stages/volumes.h"
#include "support/corpus.h"
#include "support/scripted_ui.h"
#include "support/stage_harness.h"

namespace fs = std::filesystem;
using namespace pw;

namespace {

std::vector<std::string> texts(const pwtest::RecordingSink& s) {
    std::vector<std::string> out;
    for (const auto& l : s.lines)
        out.push_back(l.text);
    return out;
}

std::string repeat(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i)
        out += s;
    return out;
}

// A novel of `volumes` volumes with two chapters each, in UTF-8, the volume lines on their own.
std::string volumeNovel(int volumes, const std::vector<std::string>& names = {}) {
    std::string s = "书前的话。\n";
    int chapter = 0;
    for (int v = 0; v < volumes; ++v) {
        s += "第" + std::to_string(v + 1) + "卷 " +
             (v < static_cast<int>(names.size()) ? names[v] : "卷名" + std::to_string(v + 1)) + "\n";
        for (int c = 0; c < 2; ++c) {
            ++chapter;
            s += "第" + std::to_string(chapter) + "章 标题" + std::to_string(chapter) + "\n";
            s += "　　第" + std::to_string(chapter) + "章的正文。\n";
        }
    }
    return s;
}

struct JobSetup {
    pwtest::ScratchDir dir;
    fs::path input = dir / "novel.txt";
    fs::path out = dir / "out";
    WorkingState st;
    pwtest::ScriptedUi ui;

    explicit JobSetup(const std::string& bytes, const std::string& pattern = "^第[0-9]+章") {
        pwtest::writeAll(input, bytes);
        fs::create_directories(out);
        st.strInFile = fromPath(input);
        st.strFindStr = fromUtf8(pattern);
        st.strOutDir = fromPath(out);
        st.strOutName = u"小说";
        st.lngStartNum = 1;
        st.lngNumWidth = 2;
        st.lngChapsPerFile = 100;
        st.blnDeleteSpc = false;
    }

    JobResult run(Job job, const StageRequest& request = {}) {
        const StagesLoad load = loadStages(request);
        EXPECT_TRUE(load.loaded) << load.error;
        job.state = &st;
        job.stages = request;
        job.loaded = &*load.loaded;
        struct : ScanReceiver {
            void heading(const HeadingFound&) override {}
        } scan;
        SplitReceiver split;
        return pw::run(job, ui, {scan, split});
    }
    EpubSettings book(const std::string& title = "书") {
        BookRequest r;
        r.input = fromPath(input);
        r.title = fromUtf8(title);
        r.folder = fromPath(out);
        r.volumePattern = u"^第[0-9]+卷";
        return bookSettings(r);
    }
    std::vector<std::string> names() const {
        std::vector<std::string> n;
        for (const auto& e : fs::directory_iterator(out))
            n.push_back(toUtf8(fromPath(e.path().filename())));
        std::sort(n.begin(), n.end());
        return n;
    }
};

} // namespace

// A title is counted in characters: thirty Chinese characters are ninety bytes.
TEST(Stages, TitlesTakeTheLineUnderABareNumberUpToThirtyCharacters) {
    const std::string thirty = repeat("字", 30), over = repeat("字", 31);
    struct Case {
        std::string heading, next, shown;
    } cases[] = {
        {"第三回", "托内兄如海荐西宾", "第三回　托内兄如海荐西宾"},
        {"第三回", thirty, "第三回　" + thirty},
        {"第三回", over, "第三回"},
        {"第三回", "他说完了。", "第三回"},
        // Every numeral and unit the scan reads: 兩 and 話 as much as 二 and 章.
        {"第兩章", "重逢", "第兩章　重逢"},
        {"第一話", "出發", "第一話　出發"},
        {"第十二季", "新的一年", "第十二季　新的一年"},
        {"第三回 有题", "另一行", "第三回　有题"},
    };
    for (const Case& c : cases) {
        const auto sink = pwtest::runStages({titleStage()}, {{}, {c.heading, c.next, "正文。"}});
        ASSERT_FALSE(sink.lines.empty());
        EXPECT_EQ(sink.lines.front().text, c.shown) << c.next;
        EXPECT_EQ(sink.lines.front().role, LineRole::Heading);
    }
}

// Which lines head volumes in the book: a volume line of the text holds chapters, a list of
// volumes (a table of contents left in the front matter) stays text, a chapter's line that names
// its volume opens it where it changes, and an unnumbered heading with no text before a chapter
// numbered 1 heads what follows, among volumes. "V:" a volume, "H:" a chapter, else text.
TEST(Stages, VolumesHoldChaptersAndAListOfVolumesStaysText) {
    const struct {
        std::vector<std::vector<std::string>> chapters;
        std::vector<std::string> book;
    } cases[] = {
        {{{"目录", "第一卷 甲", "第二卷 乙", "说明", "第三卷 丙"}, {"第一卷 甲"}, {"第一章 风起", "正文。"}},
         {"目录", "第一卷 甲", "第二卷 乙", "说明", "第三卷 丙", "V:第一卷 甲", "H:第一章 风起", "正文。"}},
        {{{}, {"第一章 风起", "正文。", "第二卷 乙"}, {"第二章 夜", "正文。"}},
         {"H:第一章 风起", "正文。", "V:第二卷 乙", "H:第二章 夜", "正文。"}},
        {{{}, {"第一季 第一卷 甲 第一章 风起", "正文。"}, {"第二章 夜"}, {"第一季 第二卷 乙 第一章 雨"}},
         {"V:第一季 第一卷 甲", "H:第一章 风起", "正文。", "H:第二章 夜", "V:第一季 第二卷 乙", "H:第一章 雨"}},
        {{{}, {"第1卷 江湖 第1章 甲"}, {"第1卷　江湖 第2章 乙"}}, {"V:第1卷 江湖", "H:第1章 甲", "H:第2章 乙"}},
        {{{}, {"第一卷 甲"}, {"第一章 风起", "正文。"}, {"引子", ""}, {"第一章 雨", "正文。"}, {"尾声", "完。"}},
         {"V:第一卷 甲", "H:第一章 风起", "正文。", "V:引子", "", "H:第一章 雨", "正文。", "H:尾声", "完。"}},
    };
    const Text volumes = structuredVolumePattern(u"卷季");
    for (const auto& c : cases) {
        const auto sink = pwtest::runStages({*volumeStage(volumes)}, c.chapters, volumes);
        std::vector<std::string> book;
        for (const pwtest::StageOut& l : sink.lines)
            book.push_back((l.volume ? "V:" : l.role == LineRole::Heading ? "H:" : "") + l.text);
        EXPECT_EQ(book, c.book);
    }
}

// The book shows every heading alike: one ideographic space between a label and its title,
// whatever the file had; nothing else of the heading changes.
TEST(Stages, HeadingsAreSpacedAlikeInTheBook) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"第三回  灵根育孕源流出", "第三回　灵根育孕源流出"},
        {"第三回　　　灵根育孕源流出", "第三回　灵根育孕源流出"},
        {"　第1章：开始", "第1章　开始"},
        {"第1章标题", "第1章　标题"},
        {"第 12 章 Hello World", "第 12 章　Hello World"},
        {"第一季 第二卷 怒海潜沙 第一章 蛇眉铜鱼", "第一季　第二卷　怒海潜沙 第一章 蛇眉铜鱼"},
        {"楔子", "楔子"},
        {"Chapter 3  Rain", "Chapter 3  Rain"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(tidyHeading(c.in), c.out) << c.in;
        const auto sink = pwtest::runStages({titleStage()}, {{}, {c.in, "正文。"}});
        EXPECT_EQ(sink.lines.front().text, c.out) << c.in;
    }
}

// A rule that would leave nothing of a heading leaves the heading be; the same rule takes the
// same words out of the text.
TEST(Stages, ACleanRuleNeverEmptiesAHeading) {
    CleanRule rule;
    rule.name = "章名";
    rule.pattern = "^第.章$";
    rule.scope = RuleScope::Both;
    auto rules = std::make_shared<const CleanRuleSet>(std::vector<CleanRule>{rule});
    const auto sink = pwtest::runStages({cleanStage(rules, std::make_shared<CleanTally>())},
                                        {{"第一章"}, {"第二章", "第三章", "正文。"}});
    EXPECT_EQ(texts(sink), (std::vector<std::string>{"第二章", "正文。"}));
}

// What the user named stands against the conversion's own language; else the target decides.
TEST(Job, TheBooksWordsFollowTheConversionButNotOverTheUsersLanguage) {
    JobSetup s("第1章 开始\n正文。\n");
    const StagesLoad load = loadStages({std::nullopt, false, {}, "s2t"});
    ASSERT_TRUE(load.loaded) << load.error;
    BookRequest r;
    r.input = fromPath(s.input);
    r.title = u"简体书名";
    r.author = u"作者";
    r.folder = fromPath(s.out);
    EXPECT_EQ(settleBook(r, *load.loaded).title, u"簡體書名");
    EXPECT_EQ(settleBook(r, *load.loaded).language, u"zh-TW");
    r.language = u"zh-CN";
    EXPECT_EQ(settleBook(r, *load.loaded).language, u"zh-CN");
}

// Clean-up first, conversion last: a rule written in the input's script still finds its line,
// and what it leaves is converted.
TEST(Job, CleanUpRunsBeforeConversionWhateverTheFeed) {
    for (const bool oneRead : {true, false}) {
        JobSetup s("第1章 开始\n请收藏本站广告\n这里是正文。\n");
        const fs::path rules = s.dir / "rules.json";
        pwtest::writeAll(rules, R"([{"name":"广告","pattern":"^请收藏本站广告$","replacement":"","isRegex":true}])");
        Job job;
        job.excludeSuspects = !oneRead; // the scan comes first
        const JobResult r = s.run(job, {std::nullopt, false, {rules.string()}, "s2t"});
        ASSERT_EQ(r.end, JobEnd::Done);
        const std::string written = pwtest::readAll(s.out / "小说01.txt");
        EXPECT_EQ(written, "第1章 開始\r\n這裏是正文。\r\n") << oneRead;
    }
}

// A book per volume: every volume's book, put in place together. A list of the volumes at the
// front (a table of contents) makes no books: its lines have neither a chapter nor text under
// them before the next volume.
TEST(Job, ABookPerVolumeIsEveryVolumesBookPutInPlaceTogether) {
    for (const std::string& front : {std::string(), std::string("目录\n第1卷 卷名1\n第2卷 卷名2\n第3卷 卷名3\n")}) {
        SCOPED_TRACE(front);
        JobSetup s(front + volumeNovel(3));
        Job job;
        job.format = JobFormat::Book;
        job.perVolume = true;
        job.book = s.book();
        const JobResult r = s.run(job);
        ASSERT_EQ(r.end, JobEnd::Done);
        EXPECT_EQ(s.names(),
                  (std::vector<std::string>{"书 第1卷 卷名1.epub", "书 第2卷 卷名2.epub", "书 第3卷 卷名3.epub"}));
        EXPECT_EQ(r.chapters, 6);
        EXPECT_EQ(r.outputs.size(), 3u);
    }
}

// Every name is checked before anything is written, and a refusal or stop on the way leaves the
// folder as it was: no book of the volumes before, none replaced.
TEST(Job, ABookPerVolumeLeavesTheFolderAsItWasWhenItCannotFinish) {
    {
        SCOPED_TRACE("two volumes whose books would share a name");
        JobSetup s("第一卷 同名\n第1章 一\n正文\n第二卷 别的\n第2章 二\n正文\n第一卷 同名\n第3章 三\n正文\n");
        pwtest::writeAll(s.out / "书 第一卷 同名.epub", "PRECIOUS");
        Job job;
        job.format = JobFormat::Book;
        job.perVolume = true;
        job.book = s.book();
        job.book->volumePattern = u"^第.卷";
        EXPECT_NE(s.run(job).end, JobEnd::Done);
        ASSERT_FALSE(s.ui.boxes.empty());
        EXPECT_EQ(s.ui.boxes.back().id, MsgId::VolumeNames);
        EXPECT_EQ(s.names(), std::vector<std::string>{"书 第一卷 同名.epub"});
        EXPECT_EQ(pwtest::readAll(s.out / "书 第一卷 同名.epub"), "PRECIOUS");
    }
    {
        SCOPED_TRACE("a name too long for the file system");
        JobSetup s(volumeNovel(2, {"短", repeat("长", 90)}));
        Job job;
        job.format = JobFormat::Book;
        job.perVolume = true;
        job.book = s.book();
        EXPECT_NE(s.run(job).end, JobEnd::Done);
        EXPECT_EQ(s.ui.boxes.back().id, MsgId::VolumeNames);
        EXPECT_TRUE(s.names().empty());
    }
    {
        SCOPED_TRACE("a stop during the writing");
        JobSetup s(volumeNovel(400));
        Job job;
        job.format = JobFormat::Book;
        job.perVolume = true;
        job.book = s.book();
        int pumps = 0;
        s.ui.onPump = [&] {
            if (++pumps == 3) s.ui.stop = true;
        };
        EXPECT_EQ(s.run(job).end, JobEnd::Stopped);
        EXPECT_TRUE(s.names().empty());
    }
}

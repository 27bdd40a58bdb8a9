// The clean-up stage on its own, lines in and lines out, with the book's evidence read from the
// same lines: what a story writes twice or gives once stays, what a site leaves goes, adverts
// come out of the lines they are glued to, and HTML's references read as characters.
#include <gtest/gtest.h>

#include "stages/clean_stage.h"
#include "stages/html_references.h"

using namespace pw;

namespace {

class Collect : public ChapterSink {
public:
    std::vector<std::string> lines;
    bool beginChapter(const ChapterStart&) override { return true; }
    bool line(const Line& l) override {
        lines.push_back(l.text());
        return true;
    }
    bool endChapter() override { return true; }
    bool close(bool) override { return true; }
    OutputFigures figures() const override { return {}; }
};

// Lines starting with 第 head chapters; the rest is text. `evidence`: the book's, from the lines.
std::vector<std::string> cleaned(const std::vector<std::string>& lines, bool evidence = true) {
    Collect out;
    auto rules = std::make_shared<const CleanRuleSet>(builtInCleanRules());
    CleanStage stage(out, rules, std::make_shared<CleanTally>(), nullptr, false,
                     evidence ? std::make_shared<CleanEvidence>(lines) : nullptr);
    LineDecoder decoder(Encoding::Utf8);
    std::int64_t chapter = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const bool heading = lines[i].starts_with("第");
        if (heading) {
            if (chapter) stage.endChapter();
            stage.beginChapter({++chapter, static_cast<std::int64_t>(i) + 1, 0});
        }
        const Line l(lines[i],
                     heading            ? LineRole::Heading
                     : lines[i].empty() ? LineRole::Blank
                                        : LineRole::Body,
                     static_cast<std::int64_t>(i) + 1, chapter, &decoder);
        stage.line(l);
    }
    stage.endChapter();
    stage.close(true);
    return out.lines;
}

// Story enough around a case that it sits in the middle of the book, away from where sites
// put their notices.
std::vector<std::string> inBook(const std::vector<std::string>& lines) {
    std::vector<std::string> book{"第一章　起"};
    for (int i = 0; i < 14; ++i)
        book.push_back("　　他走过第" + std::to_string(i) + "座桥，桥下的河水静静地流着，岸边的柳枝垂到了水面。");
    book.insert(book.end(), lines.begin(), lines.end());
    for (int i = 0; i < 14; ++i)
        book.push_back("　　她数到第" + std::to_string(i) + "颗星，夜风从山那边吹过来，带着青草和泥土的气味。");
    return book;
}

std::vector<std::string> without(std::vector<std::string> lines, std::initializer_list<std::size_t> gone) {
    for (auto it = std::rbegin(gone); it != std::rend(gone); ++it)
        lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(*it));
    return lines;
}

const std::string kLong = "　　雨下了一整夜，城外的河涨了三尺，渡口的船都拴在了岸边的老槐树上。";
const std::string kChant = "　　南无阿弥陀佛，南无观世音菩萨，愿我佛慈悲，普度众生脱离苦海。";
const std::string kChat = "【世界】狂战士：收金币收金币，高价收购各种金币，有意者私聊我！！";

struct Case {
    const char* what;
    std::vector<std::string> lines;
    std::vector<std::size_t> gone; // indexes into lines
};

} // namespace

TEST(CleanStage, RepeatsAndAddressesGoOnlyWhenTheBookBearsItOut) {
    const Case cases[] = {
        {"a long paragraph twice in a row, a download's glitch", {kLong, kLong}, {1}},
        {"with blank lines between", {kLong, "", kLong, ""}, {2}},
        {"a chant said three times", {kChant, kChant, kChant}, {}},
        {"twice in a row and again later: a refrain", {kLong, kLong, "　　他停了停。", kLong}, {}},
        {"game chat said twice", {kChat, kChat}, {}},
        {"a short line said twice", {"　　好的好的。", "　　好的好的。"}, {}},
        {"an address the story gives once", {"　　她递过一张纸条。", "www.moonlake-story.com"}, {}},
        {"an address alone twice: a site's", {"www.biquge.la", "　　他停了停。", "ｗｗｗ．ｂｉｑｕｇｅ．ｌａ"}, {0, 2}},
        {"announced by the story, it stays",
         {"　　他写下了网址：", "www.biquge.la", "　　又写了一遍。", "www.biquge.la"},
         {3}},
        {"inside a quote left open, once: the story's",
         {"　　他在信上写道：“……我的新网站在", "www.moonlake-story.com", "　　就这样。”"},
         {}},
        {"inside a quote left open, a site the book names on lines of their own",
         {"www.xiaoshuotxt.net", "　　他在信上说：“……我不会告诉你。", "www.xiaoshuotxt.net",
          "　　w w w/xiao shu otx t.net"},
         {0, 2, 3}},
        {"after a site's notice", {"☆本文由早安电子书网友分享，版权归原作者所有☆", "☆http://www.zxtxt.com☆"}, {0, 1}},
        {"a site's name hidden, twice", {"小＿说  txt 天+堂", "　　他停了停。", "小 说 t xt 天 堂"}, {0, 2}},
        {"hidden once", {"　　他停了停。", "《小说t》xt天堂"}, {}},
        {"a site named beside a story's words", {"　　他在www.qidian.com上下载了这本小说，一口气看到了天亮。"}, {}},
        {"the story quoting an advert", {"　　“更多精彩，尽在www.517z.com！”他念道。"}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<std::string> book = inBook(c.lines);
        std::vector<std::string> want = book;
        for (auto it = c.gone.rbegin(); it != c.gone.rend(); ++it)
            want.erase(want.begin() + 15 + static_cast<std::ptrdiff_t>(*it));
        EXPECT_EQ(cleaned(book), want);
    }
    // Without the book's word, only what a line proves alone goes.
    const std::vector<std::string> twice = inBook({"www.biquge.la", "　　他停了停。", "www.biquge.la"});
    EXPECT_EQ(cleaned(twice, false), twice);
    // At the book's ends, where sites put their notices, a site beside words a story may use goes.
    const std::vector<std::string> head{"第一章　起", "本站提供各类小说下载 www.qidian.com", kLong};
    EXPECT_EQ(cleaned(head), without(head, {1}));
}

TEST(CleanStage, AdvertsComeOutOfTheLinesTheyAreIn) {
    const std::pair<std::string, std::string> cases[] = {
        {"　　他走了。----〖新语丝电子文库(www.xys.org)〗", "　　他走了。"},
        {"　　“去吧。”[www奇qisuu书com网]他说。", "　　“去吧。”他说。"},
        {"第十二章　在遇海月 [更多精彩，更多好书，尽在[5 １ 7 Ｚ . c Ｏ m]", "第十二章　在遇海月"},
        {"@书@如果时光能倒流就好了。", "如果时光能倒流就好了。"},
        {"　　学生们惊呼起来……［华夏网·电子书下载乐园—Ｗww.China8.com.cn］", "　　学生们惊呼起来……"},
        // Brackets the story writes stay.
        {"　　（详见www.example.com的说明）他说。", "　　（详见www.example.com的说明）他说。"},
        {"　　他念出了游戏网址：www。threebody。com。", "　　他念出了游戏网址：www。threebody。com。"},
        {"　　【叮！恭喜宿主获得新手礼包】", "　　【叮！恭喜宿主获得新手礼包】"},
    };
    for (const auto& [in, out] : cases) {
        const std::vector<std::string> book = inBook({in});
        std::vector<std::string> want = book;
        want[15] = out;
        EXPECT_EQ(cleaned(book), want) << in;
    }
}

TEST(HtmlReferences, DecodedAsABrowserShowsThem) {
    const std::pair<const char*, const char*> cases[] = {
        {"峥&#23884;", "峥嵌"},
        {"&#x5D4C;&#X5d4c;", "嵌嵌"},
        {"&#39;&#39;梁山&#39;&#39;", "''梁山''"},
        {"&nbsp;&nbsp;他", "  他"},
        {"&amp;nbsp;", " "},
        {"&hellip;&mdash;&ldquo;", "…—“"},
        {"A&B", nullptr},
        {"&bogus;", nullptr},
        {"&#0;&#xD800;&#1114112;", nullptr},
        {"&#12345678;", nullptr},
        {"&", nullptr},
        {"&amp", nullptr},
    };
    for (const auto& [in, out] : cases) {
        std::string got;
        EXPECT_EQ(decodeHtmlReferences(in, got), out != nullptr) << in;
        if (out) {
            EXPECT_EQ(got, out) << in;
        }
    }
}

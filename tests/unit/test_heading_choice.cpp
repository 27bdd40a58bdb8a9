// Choosing the heading rule: every preset tried on a file's first part, against generated novels
// whose form is known; and rule lists that readers share (legado's txtTocRule JSON).
#include <gtest/gtest.h>

#include <variant>

#include "platform/regex.h"
#include "scan/heading_analysis.h"
#include "scan/preset_choice.h"
#include "scan/shared_rules.h"
#include "support/corpus.h"
#include "support/novel.h"

using namespace pw;
using pwtest::NovelOptions;

namespace {

// Pieces joined by append: GCC 12 warns falsely on chains of + that start with a literal.
Text join(std::initializer_list<TextView> pieces) {
    Text t;
    for (TextView p : pieces)
        t.append(p);
    return t;
}

} // namespace

TEST(HeadingChoice, PicksThePresetOfTheNovelsFormAndSaysWhy) {
    struct Case {
        NovelOptions novel;
        std::vector<std::string> fitting; // the presets that cut this novel right
    };
    const Case cases[] = {
        {{.seed = 81, .chapters = 200}, {"chapter"}},
        {{.encoding = pwtest::NovelEncoding::Big5, .seed = 82, .chapters = 150, .chapterWord = U'回'}, {"hui"}},
        {{.encoding = pwtest::NovelEncoding::Utf16Le, .seed = 83, .chapters = 300, .webNovel = true}, {"webnovel"}},
        {{.seed = 84, .chapters = 300, .numerals = pwtest::NumeralStyle::FinancialTraditional}, {"chapter"}},
        // A table of contents lists every heading again: those copies are flagged, but they are
        // no doubt about the rule that finds them with the headings.
        {{.seed = 10, .chapters = 300, .contentsAtStart = true}, {"chapter"}},
        {{.seed = 85, .chapters = 1500, .webNovel = true, .contentsAtStart = true}, {"webnovel", "chapter"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("seed " + std::to_string(c.novel.seed));
        pwtest::ScratchDir dir;
        pwtest::writeNovel(dir / "novel.txt", c.novel);
        const SampleLines sample = readSampleLines(dir / "novel.txt");
        ASSERT_FALSE(sample.error);
        const PresetChoice choice = choosePreset(sample.lines, patternPresets());
        ASSERT_NE(choice.chosen, nullptr);
        EXPECT_NE(std::find(c.fitting.begin(), c.fitting.end(), choice.chosen->id), c.fitting.end())
            << choice.chosen->id;
        const std::vector<Text> lines = presetChoiceLines(choice);
        ASSERT_EQ(lines.size(), patternPresets().size() + 1);
        // Presets go by the names the window shows, never by their ids.
        EXPECT_NE(lines[0].find(choice.chosen->label), Text::npos);
        EXPECT_EQ(lines[0].find(fromUtf8(choice.chosen->id)), Text::npos);
        // What a scan that found nothing with another pattern would be told, counted as the
        // window's menu counts.
        const auto trial = std::find_if(choice.trials.begin(), choice.trials.end(),
                                        [&](const PresetTrial& t) { return t.preset == choice.chosen; });
        const Text hint = presetsThatFindText(choice);
        EXPECT_NE(hint.find(join({u"「", choice.chosen->label, u"」", decimal(trial->matches), u" 个标题，",
                                  decimal(trial->suspects), u" 个可疑"})),
                  Text::npos)
            << toUtf8(hint);
        EXPECT_NE(hint.find(u"文件开头 512 KB"), Text::npos);
    }
    // Prose without headings: no choice, and no preset to suggest.
    const PresetChoice none = choosePreset({u"天色渐渐暗了下来。", u"他回到屋里坐下。"}, patternPresets());
    EXPECT_EQ(none.chosen, nullptr);
    EXPECT_TRUE(presetsThatFindText(none).empty());
}

namespace {

// The lines of a novel written in the generator's UTF-8, without its truth.
std::vector<Text> textLines(const pwtest::Novel& n) {
    std::vector<Text> lines;
    for (const std::string& l : n.lines)
        lines.push_back(fromUtf8(l));
    return lines;
}

Regex compiled(TextView pattern) {
    auto r = Regex::compile(pattern);
    EXPECT_TRUE(std::holds_alternative<Regex>(r)) << toUtf8(pattern);
    return std::move(std::get<Regex>(r));
}

} // namespace

// With no pattern given, the chapter rule and the volume rule are chosen together: every true
// heading found, volumes and chapters told apart (a chapter's line that names its volume is a
// chapter), unnumbered chapters found, and the numbering of what is found read without a fault.
TEST(HeadingChoice, ChoosesChaptersAndVolumesTogether) {
    using Level = pwtest::PlantedLine::Level;
    std::vector<NovelOptions> novels = pwtest::everyShapeOfThirdRound();
    novels.push_back(pwtest::everyShapeOfNovel()[1]);
    novels.push_back(pwtest::everyShapeOfWebNovel()[0]);
    for (const NovelOptions& o : novels) {
        SCOPED_TRACE("seed " + std::to_string(o.seed));
        const pwtest::Novel novel = pwtest::makeNovel(o);
        const std::vector<Text> lines = textLines(novel);
        const StructureChoice s = chooseStructure(lines, patternPresets());
        ASSERT_NE(s.preset, nullptr);
        EXPECT_EQ(s.reason.find(fromUtf8(s.preset->id)), Text::npos) << toUtf8(s.reason);
        Regex chapters = compiled(s.pattern);
        // Volumes named only on their chapters' lines are the book's volumes too; the volume
        // pattern still finds no chapter's line (the book opens the volume from it).
        ASSERT_EQ(s.volumePattern.empty(), !o.volumes) << toUtf8(s.reason);
        std::optional<Regex> volumes;
        if (o.volumes) volumes = compiled(s.volumePattern);
        HeadingAnalyzer analyzer;
        std::size_t planted = 0;
        std::int64_t offset = 0;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const auto line = static_cast<std::int64_t>(i + 1);
            while (planted < novel.planted.size() && novel.planted[planted].line < line)
                ++planted;
            const pwtest::PlantedLine* p = planted < novel.planted.size() && novel.planted[planted].line == line
                                               ? &novel.planted[planted]
                                               : nullptr;
            const bool isTrue = p && p->kind == pwtest::PlantedLine::Kind::True && p->level != Level::Section;
            const bool found = chapters.test(lines[i]) == MatchResult::Match;
            // A prose line is found only where it was planted to look like a heading.
            EXPECT_TRUE(found ? p != nullptr : !isTrue) << line << " " << toUtf8(lines[i]);
            if (found && isTrue) {
                const bool volume = volumes && volumes->test(lines[i]) == MatchResult::Match;
                EXPECT_EQ(volume, p->level == Level::Volume) << toUtf8(lines[i]);
                // Only the true headings are analysed, as a book keeps them.
                std::optional<ChapterNumber> named;
                const HeadingFacts f = judgeHeadingLine(lines[i], chapters.matchStart(), &named);
                EXPECT_EQ(f.suspect, 0) << toUtf8(lines[i]);
                if (p->number && p->level == Level::Chapter) {
                    EXPECT_EQ(f.number.value, *p->number) << toUtf8(lines[i]);
                }
                EXPECT_EQ(named ? std::optional<int>(named->value) : std::nullopt, p->volume) << toUtf8(lines[i]);
                analyzer.add(lines[i], chapters.matchStart(), line, offset);
            }
            offset += static_cast<std::int64_t>(lines[i].size()) + 1;
        }
        const HeadingAnalysis a = analyzer.finish(offset, static_cast<std::int64_t>(lines.size()));
        EXPECT_TRUE(a.gaps.empty());
        EXPECT_EQ(a.repeats.size(), 0u) << (a.repeats.empty() ? 0 : a.repeats.front().number);
    }
}

// Acts (第一幕) over numbered sections: the acts are the book's volumes, the sections its chapters
// in the way the file numbers them (1.路明非, later 【1】潜入), the epilogue a chapter of its own; a
// line that closes an act, or numbers otherwise, is neither.
TEST(HeadingChoice, ActsHoldTheNumberedSections) {
    std::vector<Text> lines{u"【龙族】", u""};
    for (int act = 1; act <= 3; ++act) {
        // Appended piece by piece: GCC 12 at -O3 sees an overlap that is not there in a chain of +.
        lines.emplace_back(u"　　第");
        lines.back().append(1, u"一二三"[act - 1]).append(u"幕 卡塞尔之门");
        for (int section = 1; section <= 5; ++section) {
            lines.emplace_back(act == 3 ? u"　　【" : u"　　");
            lines.back().append(decimal(section)).append(act == 3 ? u"】" : u".").append(u"见面");
            for (int i = 0; i < 20; ++i)
                lines.push_back(u"　　路明非看着窗外，心里想着明天的考试，还有那封信。");
        }
    }
    const StructureChoice s = chooseStructure(lines, patternPresets());
    ASSERT_NE(s.preset, nullptr);
    ASSERT_FALSE(s.volumePattern.empty()) << toUtf8(s.reason);
    Regex chapters = compiled(s.pattern), volumes = compiled(s.volumePattern);
    for (TextView l : {u"　　1.路明非", u"　　【1】潜入", u"尾声", u"　　第一幕 卡塞尔之门"})
        EXPECT_EQ(chapters.test(l), MatchResult::Match) << toUtf8(l);
    for (TextView l : {u"　　2、燃烧的棋子", u"　　第七幕完", u"　　1990年，冬"})
        EXPECT_EQ(chapters.test(l), MatchResult::NoMatch) << toUtf8(l);
    EXPECT_EQ(volumes.test(u"　　第十幕 七宗罪"), MatchResult::Match);
    EXPECT_EQ(volumes.test(u"　　1.路明非"), MatchResult::NoMatch);
}

// The choice weighs how the rule cuts, not only how often it matches.
TEST(HeadingChoice, StructureOutweighsCounts) {
    const auto chapterText = [](int n, TextView heading) {
        std::vector<Text> lines{Text(heading)};
        for (int p = 0; p < 8; ++p)
            lines.push_back(join({u"　　他们走了很久，天色渐渐暗下来，远处有灯火。这是第", decimal(n), u"段路。"}));
        return lines;
    };
    const auto book = [&](int chapters, auto&& heading) {
        std::vector<Text> lines{u"书名", u""};
        for (int n = 1; n <= chapters; ++n)
            for (Text& l : chapterText(n, heading(n)))
                lines.push_back(std::move(l));
        return lines;
    };
    struct Case {
        const char* name;
        std::vector<Text> lines;
        const char* chosen; // nullptr: none
    };
    // One stray line of 第…章 in a 回 novel; 第…章 only in the second half of a book whose first
    // half has none; numbered lines, full-width or with 、; Part N; ## markers.
    std::vector<Text> stray = book(30, [](int n) {
        return join({u"第", fromUtf8(pwtest::chineseNumber(n)), u"回　标题"});
    });
    stray.insert(stray.begin() + 100, u"第三章");
    std::vector<Text> late = book(40, [](int) { return Text(u"　　——"); });
    for (int n = 1; n <= 6; ++n)
        for (Text& l : chapterText(n, join({u"第", decimal(n), u"章 后来"})))
            late.push_back(std::move(l));
    // Numbered list items, many more than the chapters they stand in.
    std::vector<Text> lists{u"书名"};
    for (int n = 1; n <= 6; ++n) {
        lists.push_back(join({u"第", decimal(n), u"章 研究"}));
        for (int item = 1; item <= 10; ++item) {
            lists.push_back(join({decimal(item), u"、目前国际研究动向", Text(static_cast<std::size_t>(n), u'新')}));
            lists.push_back(u"　　他们走了很久，天色渐渐暗下来，远处有灯火。");
        }
    }
    const Case cases[] = {
        {"stray", stray, "hui"},
        {"lists", lists, "chapter"},
        {"late", late, nullptr},
        {"full-width",
         book(20,
              [](int n) {
                  Text t = decimal(n);
                  for (char16_t& c : t)
                      c = static_cast<char16_t>(c - u'0' + u'０');
                  return t;
              }),
         "numbered"},
        {"comma",
         book(20,
              [](int n) {
                  return join({decimal(n), u"、归来"});
              }),
         "numbered"},
        {"part",
         book(6,
              [](int n) {
                  return join({u"Part ", decimal(n)});
              }),
         "part"},
        {"marked",
         book(12,
              [](int n) {
                  return join({u"## 风起 ", decimal(n)});
              }),
         "marked"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const StructureChoice s = chooseStructure(c.lines, patternPresets());
        if (!c.chosen) {
            EXPECT_EQ(s.preset, nullptr) << toUtf8(s.reason);
            continue;
        }
        ASSERT_NE(s.preset, nullptr) << toUtf8(s.reason);
        EXPECT_EQ(std::string(s.preset->id), c.chosen) << toUtf8(s.reason);
    }
    // Seasons that hold volumes, each on a line of its own: the book's one level of volumes is
    // the inner one.
    std::vector<Text> seasons{u"书名"};
    for (int n = 1; n <= 12; ++n) {
        if (n % 4 == 1) {
            seasons.push_back(join({u"第", decimal((n - 1) / 8 + 1), u"季"}));
            seasons.push_back(join({u"第", decimal((n - 1) / 4 + 1), u"卷 怒海潜沙"}));
        }
        for (Text& l : chapterText(n, join({u"第", decimal(n), u"章 蛇眉铜鱼"})))
            seasons.push_back(std::move(l));
    }
    const StructureChoice nested = chooseStructure(seasons, patternPresets());
    EXPECT_EQ(nested.volumes, 3);
    Regex volumeLines = compiled(nested.volumePattern);
    EXPECT_EQ(volumeLines.test(u"第2卷 怒海潜沙"), MatchResult::Match);
    EXPECT_EQ(volumeLines.test(u"第1季"), MatchResult::NoMatch);
    // The lost rule is named with why it lost.
    const StructureChoice s = chooseStructure(stray, patternPresets());
    EXPECT_NE(s.reason.find(u"「第…回」"), Text::npos) << toUtf8(s.reason);
}

// Headings of bare numbers and parts, as downloads write them: the rule is fitted to the form the
// novel writes its headings in, and what it then takes and leaves is held against each case.
TEST(HeadingChoice, BareNumbersAndPartsFittedToTheNovelsForm) {
    const auto paragraphs = [](std::vector<Text>& lines, int n) {
        for (int p = 0; p < n; ++p)
            lines.push_back(u"　　他们走了很久，天色渐渐暗下来，远处有灯火，路边的人家都睡了。");
    };
    const auto hanzi = [](int n) { return fromUtf8(pwtest::chineseNumber(n)); };
    struct Case {
        const char* name;
        std::vector<Text> lines;
        const char* chosen;
        std::vector<Text> taken, left; // lines the chosen rule must take, and must leave
    };
    std::vector<Case> cases;
    {
        // Titled chapters, each written twice around an advert, holding sections numbered through
        // the book (１, ２…): the chapters are the titled lines.
        Case c{"sections", {u"书名"}, "hanzi", {u"十二、结束或开始", u"后记"}, {u"１２"}};
        for (int n = 1, section = 1; n <= 12; ++n) {
            c.lines.push_back(hanzi(n) + u"、写作之夜");
            c.lines.push_back(u"小说天堂");
            c.lines.push_back(hanzi(n) + u"、写作之夜");
            for (int k = 0; k < 6; ++k, ++section) {
                c.lines.push_back(decimal(section));
                paragraphs(c.lines, 3);
            }
        }
        cases.push_back(std::move(c));
    }
    {
        // Chapters 一, 二… alone, the site's page marks 01, 02… before every fourth, one on the
        // chapter's own line.
        Case c{"page marks", {u"书名"}, "hanzi", {u"09   　　　　三十五", u"四十"}, {u"05"}};
        for (int n = 1; n <= 40; ++n) {
            if (n % 4 == 1) c.lines.push_back(Text(n < 37 ? u"0" : u"") + decimal(n / 4 + 1));
            c.lines.push_back(n == 35 ? Text(u"09   　　　　三十五") : hanzi(n));
            paragraphs(c.lines, 4);
        }
        cases.push_back(std::move(c));
    }
    {
        // 1. 标题 chapters (one with no dot) and numbered list items inside one of them, some of
        // which look like headings by themselves.
        Case c{"list items", {u"书名"}, "numbered", {u"27 伊文斯", u"4．"}, {u"1、目前国际研究动向【提要】"}};
        for (int n = 1; n <= 30; ++n) {
            c.lines.push_back(n == 27 ? Text(u"27 伊文斯") : decimal(n) + u". 疯狂年代");
            paragraphs(c.lines, 5);
            if (n == 13)
                for (int item = 1; item <= 4; ++item) {
                    c.lines.push_back(decimal(item) + u"、目前国际研究动向【提要】");
                    paragraphs(c.lines, 1);
                }
        }
        cases.push_back(std::move(c));
    }
    {
        // part1…, some parts written as their number alone, then extras numbered among themselves.
        Case c{"parts",
               {u"书名"},
               "part",
               {u"23", u"part 38缓缓归矣", u"番外1 A大美女排行榜", u"番外三：肖宝贝取名记"},
               {u"part of it", u"22、归来"}};
        for (int n = 1; n <= 40; ++n) {
            c.lines.push_back(n >= 22 && n <= 24 ? decimal(n) : u"part" + decimal(n) + u" 被抛弃了");
            paragraphs(c.lines, 5);
        }
        for (const TextView extra : {u"番外1 A大美女排行榜", u"番外2：大神宿舍的排行"}) {
            c.lines.push_back(Text(extra));
            paragraphs(c.lines, 3);
        }
        cases.push_back(std::move(c));
    }
    {
        // Every heading behind the site's 正文: numbered, then the epilogue and an essay.
        Case c{"label",
               {u"书名"},
               "numbered",
               {u"正文 尾声", u"　　正文 理性探索——关于狼图腾的讲座与对话（1）"},
               {u"正文是这样写的"}};
        for (int n = 1; n <= 20; ++n) {
            c.lines.push_back(u"　　    正文 " + decimal(n));
            paragraphs(c.lines, 5);
        }
        cases.push_back(std::move(c));
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const StructureChoice s = chooseStructure(c.lines, patternPresets());
        ASSERT_NE(s.preset, nullptr) << toUtf8(s.reason);
        EXPECT_EQ(std::string(s.preset->id), c.chosen) << toUtf8(s.reason);
        Regex rule = compiled(s.pattern);
        for (const Text& line : c.taken)
            EXPECT_EQ(rule.test(line), MatchResult::Match) << toUtf8(line);
        for (const Text& line : c.left)
            EXPECT_EQ(rule.test(line), MatchResult::NoMatch) << toUtf8(line);
    }
}

TEST(SharedRules, LegadoRulesFindTheirExamplesAndBadOnesAreNamed) {
    const SharedRulesLoad load = loadSharedRules(std::filesystem::path(PW_TEST_DATA) / "legado_txt_toc_rules.json");
    ASSERT_FALSE(load.error);
    const SharedRules& rules = load.rules;
    // PCRE2 before 10.43 has no look-behind of varying length: that rule is named and skipped.
    EXPECT_GE(rules.presets().size() + rules.skipped().size(), 11u);
    EXPECT_GE(rules.presets().size(), 10u);
    for (const PatternPreset& p : rules.presets()) {
        SCOPED_TRACE(p.id);
        auto compiled = Regex::compile(p.pattern);
        ASSERT_TRUE(std::holds_alternative<Regex>(compiled));
        EXPECT_EQ(std::get<Regex>(compiled).test(p.example), MatchResult::Match) << toUtf8(p.example);
        EXPECT_EQ(rules.find(p.id), &p);
    }
    EXPECT_FALSE(rules.find("数字(纯数字标题)")->automatic); // disabled in the list
    EXPECT_TRUE(rules.find("目录")->automatic);
    EXPECT_EQ(rules.find("chapter"), findPreset("chapter"));
    EXPECT_EQ(rules.withBuiltIns().size(), patternPresets().size() + rules.presets().size());

    const SharedRulesLoad bad = parseSharedRules(
        R"([{"name": "坏规则", "rule": "第(章"}, {"name": "chapter", "rule": "x"}, {"rule": "y"},
            {"name": "好规则", "rule": "^第.章", "enable": true}])");
    ASSERT_FALSE(bad.error);
    ASSERT_EQ(bad.rules.presets().size(), 1u);
    ASSERT_EQ(bad.rules.skipped().size(), 3u);
    EXPECT_TRUE(bad.rules.skipped()[0].starts_with(u"坏规则："));
    EXPECT_TRUE(bad.rules.skipped()[1].starts_with(u"chapter："));
    EXPECT_TRUE(parseSharedRules("{}").error);
    EXPECT_TRUE(parseSharedRules("not json").error);
    EXPECT_TRUE(loadSharedRules("/nonexistent/rules.json").error);
    // A look-behind for a blank also matches at a line's start, as it does across legado's whole text.
    EXPECT_EQ(ruleForLines(u"(?<=[　\\s])第.章"), u"(?:^|(?<=[　\\s]))第.章");
    EXPECT_EQ(ruleForLines(u"^第.章"), u"^第.章");
}

// The classics get their rule with no options: 第…回 or 第…章, and 水浒's 楔子 as a chapter of its own.
TEST(HeadingChoice, RealNovelsGetTheirRule) {
    const std::filesystem::path corpus = pwtest::corpusDir();
    if (corpus.empty()) GTEST_SKIP() << pwtest::kNoCorpus;
    for (const std::string& name : pwtest::corpusNames()) {
        SCOPED_TRACE(name);
        const bool hui = name.rfind("ahq", 0) != 0 && name.rfind("duanhong", 0) != 0;
        const SampleLines sample = readSampleLines(corpus / "gb18030" / name);
        ASSERT_FALSE(sample.error);
        const StructureChoice s = chooseStructure(sample.lines, patternPresets());
        ASSERT_NE(s.preset, nullptr) << toUtf8(s.reason);
        EXPECT_EQ(std::string(s.preset->id), hui ? "hui" : "chapter") << toUtf8(s.reason);
        EXPECT_TRUE(s.volumePattern.empty()) << toUtf8(s.reason);
        Regex re = compiled(s.pattern);
        if (name.rfind("shuihu", 0) == 0) {
            EXPECT_EQ(re.test(sample.lines[1]), MatchResult::Match);
        }
        // What a book leaves out unasked: in 红楼梦 the line that goes on with a sentence, and nothing else.
        HeadingAnalyzer analyzer;
        std::int64_t offset = 0, number = 0;
        for (const Text& line : sample.lines) {
            ++number;
            if (re.test(line) == MatchResult::Match) analyzer.add(line, re.matchStart(), number, offset);
            offset += static_cast<std::int64_t>(line.size()) + 1;
        }
        const HeadingAnalysis a = analyzer.finish(offset, number);
        std::vector<Text> left;
        for (const std::int64_t row : rowsLeftOutByDefault(a))
            left.push_back(sample.lines[static_cast<std::size_t>(a.headings[static_cast<std::size_t>(row)].line - 1)]);
        ASSERT_EQ(left.size(), name.rfind("hongloumeng", 0) == 0 ? 1u : 0u);
        if (!left.empty()) {
            EXPECT_TRUE(left[0].starts_with(u"第四回中既將")) << toUtf8(left[0]);
        }
    }
}

// Shared rule files and covers as users hand them over: legado's two rule formats and its Java
// dialect, fields of the wrong type, names that would steer a terminal, and images cut short.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "formats/epub/cover_check.h"
#include "formats/text/text_files.h"
#include "output/split_run.h"
#include "platform/rule_files.h"
#include "scan/shared_rules.h"
#include "stages/chapter_rules.h"
#include "stages/clean_match.h"
#include "stages/clean_rules.h"
#include "stages/clean_stage.h"
#include "support/images.h"
#include "support/split_test_util.h"

using namespace pw;

TEST(JavaPatterns, ReadAsPcre2Reads) {
    struct Case {
        const char* java;
        const char* pcre;
    } cases[] = {
        {R"(\u3000+)", R"(\x{3000}+)"},
        {R"([\u4e00-\u9fa5])", R"([\x{4e00}-\x{9fa5}])"},
        {R"(\\u3000)", R"(\\u3000)"}, // a backslash, then "u3000"
        {R"(\p{IsHan}+)", R"(\p{Han}+)"},
        // A look-behind that may match nothing always holds; one of a repeated item needs its least count.
        {R"((?<=[\s　]{0,4})第)", "第"},
        {R"((?<=\={3,6})章)", R"((?<=\={3})章)"},
        {R"((?<!\d+)元)", R"((?<!\d)元)"},
        {R"(x(?<=a|bc)y)", R"(x(?<=a|bc)y)"},     // already fixed-length alternatives
        {R"((?<=[\s　])第)", R"((?<=[\s　])第)"}, // nothing to do
        // Java bounds a look-behind, PCRE2 wants each branch of one length: spelled out, the
        // groups capturing in the first branch only, so that they keep their numbers.
        {R"((?<=“[^“”]{2,3})\n)", R"((?<=“[^“”]{2}|“[^“”]{3})\n)"},
        {R"((?<=a(。|；)”?)b)", R"((?<=a(。)|a(?:；)|a(?:。)”|a(?:；)”)b)"},
        {R"((?<=^.{2,3}[\u4e00-\u9fa5])x)", R"((?<=^.{2}[\x{4e00}-\x{9fa5}]|^.{3}[\x{4e00}-\x{9fa5}])x)"},
        {R"((?<=a.*)b)", R"((?<=a.*)b)"}, // unbounded: left for PCRE2 to refuse
    };
    for (const Case& c : cases)
        EXPECT_EQ(javaPatternToPcre(c.java, true), c.pcre) << c.java;
    EXPECT_EQ(javaPatternToPcre(R"(\u3000)", false), R"(\u3000)");
}

TEST(RuleNames, ControlCharactersShownAsEscapes) {
    EXPECT_EQ(visibleName("\x1b[31m红\n行\t\x7f\xc2\x9b"), "\\x1b[31m红\\n行\\t\\x7f\\x9b");
    EXPECT_EQ(visibleName("净化 · 规则"), "净化 · 规则");
    EXPECT_FALSE(nestedDeeperThan(R"j([{"a":"[[[[[["}])j", 2));
    EXPECT_TRUE(nestedDeeperThan("[[[1]]]", 2));
}

TEST(CleanRuleFiles, BothFormatsReadWhole) {
    // The current fields, then the older ones that lists of a hundred rules are still shared in.
    const CleanRulesLoad load = parseCleanRules(R"([
      {"name": "新", "pattern": "\\u3000{2}广告", "replacement": "", "isEnabled": true, "order": 2},
      {"replaceSummary": "旧", "regex": "(\\d+)元", "replacement": "$1块", "enable": true, "serialNumber": 1,
       "useTo": "某书"},
      {"replaceSummary": "旧停用", "regex": "甲", "replacement": "乙", "enable": false, "serialNumber": 3},
      {"replaceSummary": "不用正则", "regex": "$", "replacement": "＄", "isRegex": false, "serialNumber": 4}
    ])");
    ASSERT_EQ(load.error, "");
    ASSERT_EQ(load.rules.size(), 4u);
    EXPECT_EQ(load.rules[0].name, "旧");
    EXPECT_EQ(load.rules[1].name, "新");
    EXPECT_EQ(load.rules[1].pattern, "\\x{3000}{2}广告");
    EXPECT_FALSE(load.rules[2].enabled);
    EXPECT_EQ(load.rules[3].kind, RuleKind::Plain);

    CleanRuleSet set(load.rules);
    ASSERT_EQ(set.size(), 3u);
    RuleMatcher m;
    const std::vector<std::pair<std::string, std::string>> lines = {
        {"价格12元", "价格12块"}, {"　　广告", ""}, {"花了$5", "花了＄5"}};
    for (const auto& [before, after] : lines) {
        std::string text = before, out;
        for (std::size_t i = 0; i < set.size(); ++i)
            if (m.apply(set.rule(i), set.compiled(i), text, out) == Applied::Changed) text = out;
        EXPECT_EQ(text, after) << before;
    }
}

TEST(CleanRuleFiles, RulesStillSkippedSayWhy) {
    // As shared lists hold them: a group's title with no pattern, an escape Java refuses too,
    // a look-behind with no bound; a bounded one that crosses lines is read.
    const CleanRulesLoad load = parseCleanRules(R"j([
      {"replaceSummary": "👇【标点修正】👇", "regex": "", "replacement": "", "enable": true, "serialNumber": 1},
      {"replaceSummary": "yu/玉", "regex": "(?<=[美白])玉\\yu", "replacement": "玉", "enable": true, "serialNumber": 2},
      {"replaceSummary": "无界", "regex": "(?<=“.*)\\n", "replacement": "", "enable": true, "serialNumber": 3},
      {"replaceSummary": "句首", "regex": "(?<=\\S{25}[\\u4e00-\\u9fa5])\\r?\\n|(?<=“[^“”]{2,50})\\n“",
       "replacement": "", "enable": true, "serialNumber": 4}
    ])j");
    ASSERT_EQ(load.error, "");
    const CleanRuleSet set(load.rules);
    EXPECT_EQ(set.skipped(),
              (std::vector<std::string>{"👇【标点修正】👇：查找内容为空", "yu/玉：不认识反斜杠 \\ 后面的字符",
                                        "无界：向后查找 (?<=…) 或 (?<!…) 里的内容长度必须固定"}));
    ASSERT_EQ(set.acrossCount(), 1u);
    EXPECT_EQ(set.acrossRule(0).name, "句首");
}

TEST(CleanRuleFiles, WrongFieldsRefusedNamingTheRule) {
    struct Case {
        const char* json;
        const char* error;
    } cases[] = {
        {R"j([{"name":"甲","pattern":"a","replacement":5}])j", "第 1 条规则「甲」的 replacement 不是文字"},
        {R"j([{"name":"乙","pattern":"a"},{"name":"丙","pattern":12}])j", "第 2 条规则「丙」的 pattern 不是文字"},
        {R"j([{"name":"丁","pattern":"(a)","replacement":"$99"}])j",
         "第 1 条规则「丁」的 replacement 引用了规则中没有的分组 $9"},
        {R"j([{"name":"戊","pattern":"a","replacement":"x$"}])j", "第 1 条规则「戊」的 replacement 以单独的 $ 结尾"},
        {R"j([{"name":"己","pattern":"a","replacement":"x\\"}])j", "第 1 条规则「己」的 replacement 以单独的 \\ 结尾"},
        {R"j([{"name":"庚","pattern":"(?<n>a)","replacement":"${m}"}])j",
         "第 1 条规则「庚」的 replacement 引用了规则中没有的分组 ${m}"},
        {R"j([{"name":"辛","pattern":"a","isEnabled":"yes"}])j", "第 1 条规则「辛」的 isEnabled 不是 true 或 false"},
        {R"([17])", "第 1 条规则不是规则"},
    };
    for (const Case& c : cases) {
        const CleanRulesLoad load = parseCleanRules(c.json);
        EXPECT_EQ(load.error.rfind(c.error, 0), 0u) << load.error;
        EXPECT_TRUE(load.rules.empty());
    }
    // What Java takes: $12 with one group is group 1 and a "2"; ${name}; \$ a dollar.
    const CleanRulesLoad good =
        parseCleanRules(R"j([{"name":"好","pattern":"(?<n>a)(b)?","replacement":"$12${n}\\$$2"}])j");
    ASSERT_EQ(good.error, "");
    CleanRuleSet set(good.rules);
    RuleMatcher m;
    std::string out;
    ASSERT_EQ(m.apply(set.rule(0), set.compiled(0), "xa", out), Applied::Changed);
    EXPECT_EQ(out, "xa2a$");
}

TEST(CleanRuleFiles, RunawaysSwitchedOff) {
    // Each line stays under the steps per line; together they run past the budget.
    const CleanRulesLoad slow = parseCleanRules(R"j([{"name":"慢","pattern":"(.{1,30}){1,4}\\d$"}])j");
    // A replacement that turns each empty match into a thousand characters.
    const CleanRulesLoad flood =
        parseCleanRules(R"([{"name":"涨","pattern":"x*","replacement":")" + std::string(3000, 'y') + "\"}]");
    ASSERT_EQ(slow.error + flood.error, "");
    const std::string line(200, 'a');
    for (const CleanRulesLoad* load : {&slow, &flood}) {
        CleanRuleSet set(load->rules);
        RuleMatcher m(200'000'000); // a budget of 0.2 s, so the test does not wait for the real one
        std::string out;
        Applied last = Applied::Unchanged;
        for (int i = 0; i < 100000 && last != Applied::LimitHit; ++i)
            last = m.apply(set.rule(0), set.compiled(0), line, out);
        EXPECT_EQ(last, Applied::LimitHit) << set.rule(0).name;
    }
}

TEST(TocRuleFiles, JavaDialectAndNamesAndDuplicates) {
    const SharedRulesLoad load = parseSharedRules(R"j([
      {"name": "等号", "rule": "(?<=\\={3,6})第.{1,5}章", "enable": true},
      {"name": "特殊符号 标题(单个)", "rule": "(?<=[\\s　]{0,4})(?:[☆★✦✧].{1,30})[ 　]{0,4}$", "enable": true},
      {"name": "\u001b[2J清屏", "regex": "^第.章", "enable": 0},
      {"name": "等号", "rule": "x"},
      {"name": 5, "rule": "x"},
      {"name": "坏", "rule": "(?<=a+b)c"}
    ])j");
    ASSERT_FALSE(load.error);
    ASSERT_EQ(load.rules.presets().size(), 3u);
    EXPECT_EQ(std::u16string(load.rules.presets()[0].pattern), u"(?:^|(?<=\\={3}))第.{1,5}章");
    EXPECT_EQ(std::u16string(load.rules.presets()[1].pattern), u"(?:[☆★✦✧].{1,30})[ 　]{0,4}$");
    EXPECT_EQ(std::string(load.rules.presets()[2].id), "\\x1b[2J清屏");
    EXPECT_FALSE(load.rules.presets()[2].automatic);
    ASSERT_EQ(load.rules.skipped().size(), 3u);
    EXPECT_TRUE(load.rules.skipped()[0].starts_with(u"等号：名称与前面的预设重复"));
    EXPECT_TRUE(load.rules.skipped()[1].starts_with(u"（第 5 条，无名）"));
    EXPECT_TRUE(load.rules.skipped()[2].starts_with(u"坏："));
    EXPECT_TRUE(parseSharedRules(std::string(100000, '[') + std::string(100000, ']')).error);
}

TEST(CoverCheck, WholeImagesOnly) {
    const std::string png = pwtest::pngPixel(), jpeg = pwtest::jpegPixel();
    std::string badCrc = png;
    badCrc[png.find("IDAT") + 6] ^= 1;
    struct Case {
        const char* what;
        std::string bytes;
        CoverImage kind;
        bool whole;
    } cases[] = {
        {"png", png, CoverImage::Png, true},
        {"jpeg", jpeg, CoverImage::Jpeg, true},
        {"png with a flipped bit", badCrc, CoverImage::Png, false},
        {"png without IEND", png.substr(0, png.size() - 12), CoverImage::Png, false},
        {"png signature alone", png.substr(0, 8), CoverImage::Png, false},
        {"jpeg without EOI", jpeg.substr(0, jpeg.size() - 2), CoverImage::Jpeg, false},
        {"jpeg cut in its tables", jpeg.substr(0, 100), CoverImage::Jpeg, false},
        {"text", "第一章", CoverImage::None, false},
    };
    for (const Case& c : cases) {
        const CoverCheck check = checkCoverImage(c.bytes);
        EXPECT_EQ(check.kind, c.kind) << c.what;
        EXPECT_EQ(check.whole(), c.whole) << c.what << ": " << check.fault;
        if (c.whole) {
            EXPECT_EQ(check.width * check.height, 1u) << c.what;
        }
    }
}

TEST(ChapterRules, RulesThatCrossLinesRunOnTheChapter) {
    // The rest of a chapter after 作者有话要说 goes, as in the app, and only in that chapter;
    // the line rules still run line by line beside it.
    std::string tail;
    for (int i = 0; i < 3000; ++i)
        tail += "　　作者的话，很长很长的一段。\n";
    const std::string novel = "第一章 甲\n　　正文一。\n作者有话要说：求票\n" + tail + "第二章 乙\n　　正文一二。\n";
    const CleanRulesLoad load = parseCleanRules(R"j([
      {"name": "作者有话", "pattern": "作者有话要说(.|\\n)*", "replacement": ""},
      {"name": "换行", "regex": "二。\\n?$", "replacement": "二！", "serialNumber": 2},
      {"name": "一", "pattern": "一", "replacement": "1"}
    ])j");
    ASSERT_EQ(load.error, "");
    for (const CleanRule& r : load.rules)
        EXPECT_EQ(r.acrossLines, r.name != "一") << r.name;
    auto rules = std::make_shared<const CleanRuleSet>(load.rules);
    ASSERT_EQ(rules->acrossCount(), 2u);
    ASSERT_EQ(rules->size(), 1u);
    auto tally = std::make_shared<CleanTally>();
    pwtest::SplitSetup s(novel, 1000, [](const Text& l) { return l.rfind(u"第", 0) == 0; });
    const StageList stages{cleanStage(rules, tally), chapterRulesStage(rules, tally)};
    SplitReceiver none;
    const SplitResult res = runSplit(s.st, analysedInput(s.st, s.encoding), RowRanges::ofRows({}), TextFiles(s.st),
                                     s.ui, none, LineReader::kDefaultCapacity, stages);
    ASSERT_EQ(res.end, SplitEnd::Done);
    const std::string joined = s.joined();
    EXPECT_TRUE(joined == "第一章 甲\r\n　　正文1。\r\n第二章 乙\r\n　　正文1二！\r\n") << joined.substr(0, 200);
    EXPECT_EQ(tally->names, (std::vector<std::string>{"一", "作者有话", "换行"}));
    EXPECT_EQ(tally->counts, (std::vector<std::int64_t>{3002, 1, 1}));
    EXPECT_TRUE(tally->switchedOff.empty());
}
